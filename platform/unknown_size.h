#pragma once
// The value of a size, offset or date that is not known yet.
#include <cstdint>

namespace ferrow {

constexpr uint64_t kUnknownSize = UINT64_MAX;

}  // namespace ferrow
