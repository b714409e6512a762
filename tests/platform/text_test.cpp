#include "platform/text.h"

#include <gtest/gtest.h>

namespace ferrow {
namespace {

TEST(TextTest, Utf8RoundTripsEveryPlaneAndKeepsBrokenBytesAsLatin1) {
  const std::wstring text = L"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  // A lone continuation byte and a truncated sequence are not dropped.
  EXPECT_EQ(Utf8ToWide(std::string("x\x80y\xE2\x82", 5)), std::wstring(L"x\u0080y\u00e2\u0082"));
  // Overlong encodings are not accepted as the character they pretend to be.
  EXPECT_EQ(Utf8ToWide(std::string("\xC0\xAF", 2)), std::wstring(L"\u00c0\u00af"));
}

TEST(TextTest, Latin1RefusesCharactersAbove255) {
  std::string out;
  EXPECT_TRUE(WideToLatin1(L"caf\u00e9\u00ff", out));
  EXPECT_EQ(out, std::string("caf\xE9\xFF"));
  EXPECT_FALSE(WideToLatin1(L"\u0100", out));
  EXPECT_EQ(Latin1ToWide(std::string("\xE9\x00z", 3)), std::wstring(L"\u00e9\0z", 3));
}

TEST(TextTest, Utf16LeUsesSurrogatePairsAndLittleEndianUnits) {
  EXPECT_EQ(WideToUtf16Le(L"A\u20ac"), std::string("A\0\xAC\x20", 4));
  const std::string pair = WideToUtf16Le(L"\U0001F600");
  EXPECT_EQ(pair, std::string("\x3D\xD8\x00\xDE", 4));
  EXPECT_EQ(Utf16LeToWide(pair), std::wstring(L"\U0001F600"));
  // An odd trailing byte is ignored rather than read past.
  EXPECT_EQ(Utf16LeToWide(std::string("A\0B", 3)), std::wstring(L"A"));
}

}  // namespace
}  // namespace ferrow
