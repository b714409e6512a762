#pragma once
// The file name a server suggests in "Content-Disposition" (RFC 6266): "filename*" in the
// encoding of RFC 5987 ("UTF-8''r%C3%A9sum%C3%A9.pdf") before a plain "filename" (a token or a
// quoted string). Plain code on the header's value, so it can be fed anything in tests and by
// the fuzzer. The name comes back as the server wrote it: make it safe (safe_file_name.h)
// before it touches the disk.
#include <string>
#include <string_view>

namespace ferrow {

// The value behind "Content-Disposition:". False when it suggests no name (or an empty one).
bool ParseContentDispositionFileName(std::string_view value, std::wstring& name);

}  // namespace ferrow
