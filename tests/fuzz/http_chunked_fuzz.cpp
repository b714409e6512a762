// Feeds arbitrary bytes to the chunked body reader, whole and again in pieces whose sizes the
// input's first byte chooses: both runs must give the same body and end the same way, the body
// never grows beyond the input, and once done or failed the reader takes nothing more.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/chunked_decoder.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Outcome {
  std::string body;
  bool done = false;
  bool failed = false;
};

Outcome Decode(const std::string& input, size_t step) {
  ferrow::CChunkedDecoder decoder;
  Outcome outcome;
  for (size_t at = 0; at < input.size(); at += step) {
    std::string piece = input.substr(at, step);
    const size_t produced = decoder.Decode(piece.data(), piece.size());
    FUZZ_CHECK(produced <= piece.size());
    outcome.body.append(piece.data(), produced);
    FUZZ_CHECK(!(decoder.Done() && decoder.Failed()));
  }
  FUZZ_CHECK(decoder.BodyBytes() == outcome.body.size());
  outcome.done = decoder.Done();
  outcome.failed = decoder.Failed();
  if (outcome.done || outcome.failed) {
    std::string more = "5\r\nextra\r\n0\r\n\r\n";
    FUZZ_CHECK(decoder.Decode(more.data(), more.size()) == 0);
  }
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 200000) return 0;
  const size_t step = 1 + data[0] % 17;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Outcome whole = Decode(input, input.size() + 1);
  const Outcome pieces = Decode(input, step);
  FUZZ_CHECK(whole.body == pieces.body);
  FUZZ_CHECK(whole.done == pieces.done && whole.failed == pieces.failed);
  FUZZ_CHECK(whole.body.size() <= input.size());
  return 0;
}
