// The chunked body reader on its own: any split of the input gives the same body, and hostile
// framing is an error, never a number that overflows or a body that is taken as complete.
#include "net/chunked_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace ferrow {
namespace {

// Feeds the input in pieces of `step` bytes; returns the body, or "<failed>".
std::string Decode(const std::string& input, size_t step, bool* done = nullptr) {
  CChunkedDecoder decoder;
  std::string body;
  for (size_t at = 0; at < input.size(); at += step) {
    std::string piece = input.substr(at, step);
    size_t produced = decoder.Decode(piece.data(), piece.size());
    body.append(piece.data(), produced);
    if (decoder.Failed()) return "<failed>";
  }
  if (done != nullptr) *done = decoder.Done();
  EXPECT_EQ(decoder.BodyBytes(), body.size());
  return body;
}

TEST(ChunkedDecoderTest, AnySplitGivesTheSameBody) {
  const std::string input =
      "5\r\nhello\r\n1;name=value;x=\"q\"\r\n \r\nA \r\n0123456789\r\n"
      "0\r\nX-Trailer: yes\r\nOther: 2\r\n\r\nGARBAGE AFTER THE END";
  for (size_t step = 1; step <= input.size(); ++step) {
    SCOPED_TRACE(step);
    bool done = false;
    EXPECT_EQ(Decode(input, step, &done), "hello 0123456789");
    EXPECT_TRUE(done);
  }
  // Line feeds without carriage returns are read as well.
  bool done = false;
  EXPECT_EQ(Decode("3\nabc\n0\n\n", 1, &done), "abc");
  EXPECT_TRUE(done);
}

TEST(ChunkedDecoderTest, HostileFramingFails) {
  for (const char* input : {"ffffffffffffffffff\r\nx", "10000000000000000\r\n", "\r\nabc", "zz\r\n",
                            "-1\r\n", "3\r\nabcX\r\n0\r\n\r\n", "3\rabc"}) {
    SCOPED_TRACE(input);
    EXPECT_EQ(Decode(input, 1), "<failed>");
  }
  // A size line or a trailer without end.
  EXPECT_EQ(Decode("1;" + std::string(CChunkedDecoder::kMaxLineLength, 'x'), 7), "<failed>");
  EXPECT_EQ(Decode("0\r\n" + std::string(CChunkedDecoder::kMaxTrailerBytes + 1, 'x'), 999),
            "<failed>");
}

TEST(ChunkedDecoderTest, ABodyCutShortIsNotDone) {
  for (const char* input : {"5\r\nhel", "5\r\nhello\r\n", "0\r\nTrailer: 1\r\n", "5\r\nhello"}) {
    SCOPED_TRACE(input);
    bool done = true;
    Decode(input, 2, &done);
    EXPECT_FALSE(done);
  }
}

}  // namespace
}  // namespace ferrow
