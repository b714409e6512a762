#pragma once
// Errors the protocol clients record for the transfer worker to act on, beyond the error values
// of the system, the sockets and the protocols.
#include "platform/error_code.h"

namespace ferrow {

// The server sent the whole file from byte 0 to a request for a later offset (it ignores
// ranges). Category 0, "not supported"; never retried as such: the download goes on as one
// part from the start instead.
constexpr uint16_t kRangeIgnoredCode = 50;
constexpr ErrorValue kRangeIgnoredError = MakeError(kCategorySystem, kRangeIgnoredCode);

// A part found that the file on the server is no longer the one the download began with. The
// worker starts the download again from the beginning.
constexpr ErrorValue kFileChangedError = MakeError(kCategorySystem, SystemCode::kFileInvalid);

}  // namespace ferrow
