#include "download/ordered_output.h"

#include <gtest/gtest.h>

#include <string>

namespace ferrow {
namespace {

// Pieces out of order, a piece sent again from an earlier offset, a piece beyond the window:
// the stream gets every byte once, in order, and never holds more than the window.
TEST(OrderedOutputTest, WritesInOrderOnceAndWithinTheWindow) {
  std::string stream;
  COrderedOutput output(
      [&](const char* data, size_t size) {
        stream.append(data, size);
        return true;
      },
      10);
  const std::string file = "abcdefghijklmnopqrstuvwxyz";
  auto put = [&](size_t offset, size_t size) {
    return output.Put(offset, file.data() + offset, size);
  };
  EXPECT_EQ(put(4, 3), COrderedOutput::PutResult::kTaken);  // held
  EXPECT_EQ(put(12, 2), COrderedOutput::PutResult::kBeyondWindow);
  EXPECT_EQ(stream, "");
  EXPECT_EQ(put(0, 2), COrderedOutput::PutResult::kTaken);
  EXPECT_EQ(stream, "ab");
  EXPECT_EQ(put(0, 5), COrderedOutput::PutResult::kTaken);  // again from 0: "cde" is new
  EXPECT_EQ(stream, "abcdefg");
  EXPECT_TRUE(output.WaitForRoom(7, nullptr));
  EXPECT_EQ(put(7, 19), COrderedOutput::PutResult::kTaken);  // the next bytes always go
  EXPECT_EQ(stream, file);
  EXPECT_EQ(output.Written(), file.size());
}

TEST(OrderedOutputTest, AClosedStreamFailsEveryPartAndEndsTheirWaits) {
  COrderedOutput output([](const char*, size_t) { return false; }, 4);
  EXPECT_EQ(output.Put(2, "xy", 2), COrderedOutput::PutResult::kTaken);
  EXPECT_EQ(output.Put(0, "ab", 2), COrderedOutput::PutResult::kWriteFailed);
  EXPECT_TRUE(output.Failed());
  EXPECT_EQ(output.Put(4, "zz", 2), COrderedOutput::PutResult::kWriteFailed);
  EXPECT_FALSE(output.WaitForRoom(100, [] { return false; }));
}

}  // namespace
}  // namespace ferrow
