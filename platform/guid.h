#pragma once
// Record identifiers: random (version 4) GUIDs and their 36-character text form.
#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrow {

struct Guid {
  std::array<uint8_t, 16> bytes{};

  // A fresh version-4 GUID from the system's random source.
  static Guid Create();

  bool IsNull() const;
  // Lower case, hyphenated, without braces: "0f8fad5b-d9cb-469f-a165-70867728950e".
  std::wstring ToString() const;
  // Accepts exactly the 36-character hyphenated form, in either case. On failure out is untouched.
  static bool Parse(std::wstring_view text, Guid& out);

  friend auto operator<=>(const Guid&, const Guid&) = default;
};

}  // namespace ferrow
