#pragma once
// The private folder for the files that exist only while the program runs: the instance lock
// and the socket between instances. $XDG_RUNTIME_DIR when it names an absolute folder, else
// "ferrow-<uid>" in the system's temporary folder ($TMPDIR, else /tmp), created for the user
// alone. A folder there that is not ours, not a real folder (a symbolic link) or open to others
// is refused: another user could otherwise take our lock or answer in our place.
#include <string>

#include "platform/error_code.h"

namespace ferrow {

// The folder with a trailing '/', or empty with the packed system error.
std::wstring GetRuntimeFolder(ErrorValue* error = nullptr);

}  // namespace ferrow
