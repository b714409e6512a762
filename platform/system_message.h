#pragma once
// The operating system's own text for a system error code (Windows numbering, category 0),
// used where the language file has none. Empty when the system has no text for it.
#include <cstdint>
#include <string>

namespace ferrow {

std::wstring SystemErrorMessage(uint16_t code);

}  // namespace ferrow
