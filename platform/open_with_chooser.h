#pragma once
// The desktop's "open with" chooser for a file: the desktop portal's OpenURI call with its
// "ask" option, made by "gdbus" on the session bus (started directly, not waited for). Where
// there is no session bus or no gdbus there is no chooser.
#include <string>

namespace ferrow {

// True when the chooser was asked for.
bool OfferOpenWith(const std::wstring& path);

// The file: URI of an absolute path, every byte outside the unreserved set and '/' written as
// %XX, so the URI holds neither quotes nor backslashes nor spaces.
std::string FileUri(const std::string& absolutePath);

}  // namespace ferrow
