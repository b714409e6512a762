#pragma once
// Text conversions at the program's edges. Inside, text is std::wstring (one character per
// code unit); bytes on the wire and in files are converted here and nowhere else.
#include <string>
#include <string_view>

namespace ferrow {

// The locale's character set (what the program calls the local 8-bit code page: wire text,
// language files, command lines). Normally UTF-8; bytes that do not decode are taken as
// ISO 8859-1 so that no input is ever dropped.
std::string WideToLocal(std::wstring_view text);
std::wstring LocalToWide(std::string_view bytes);

std::string WideToUtf8(std::wstring_view text);
// Invalid sequences decode byte by byte as ISO 8859-1.
std::wstring Utf8ToWide(std::string_view bytes);

// ISO 8859-1. Fails (returns false, leaves out unspecified) when a character is above 255.
bool WideToLatin1(std::wstring_view text, std::string& out);
std::wstring Latin1ToWide(std::string_view bytes);

// UTF-16 little-endian, as stored in the resume block. Characters above U+FFFF become
// surrogate pairs; unpaired surrogates are kept as they are.
std::string WideToUtf16Le(std::wstring_view text);
std::wstring Utf16LeToWide(std::string_view bytes);

// Text from a URL, a server or a file name made safe for a terminal: control characters
// (C0, DEL, C1) and the bidirectional overrides are written as "\xHH" or "\uHHHH", so no
// such text can move the cursor, change colours or reorder what is shown.
std::wstring PrintableText(std::wstring_view text);
// The same for local 8-bit text (bytes that do not decode are taken as ISO 8859-1).
std::string PrintableLocal(std::string_view text);
// The columns a character takes on a terminal in the current locale: 2 for wide East Asian
// characters, 0 for combining marks, 1 for anything it cannot tell.
int CharacterWidth(wchar_t c);
// The text in lower case, character by character, in the current locale.
std::wstring LowerText(std::wstring text);

}  // namespace ferrow
