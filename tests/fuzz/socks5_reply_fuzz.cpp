// A SOCKS 5 proxy's replies. The first input byte chooses whether a login is offered (bit 0);
// the rest is what the proxy sends. A connection through the proxy either fails with an error
// of the documented kinds and a closed socket, or succeeds having read exactly the proxy's
// replies: what follows them is the target's and must still be there for the client.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/proxy_info.h"
#include "net/proxy_socket.h"
#include "tests/fuzz/fake_network.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_client.h"

namespace {

using namespace ferrow;

// The length of the proxy's part of a successful exchange, read off the replies themselves.
size_t ReplyLength(std::string_view replies, bool loginChosen) {
  size_t at = 2 + (loginChosen ? 2 : 0);
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(replies[i]); };
  switch (byte(at + 3)) {
    case 0x01:
      return at + 4 + 4 + 2;
    case 0x04:
      return at + 4 + 16 + 2;
    default:
      return at + 4 + 1 + byte(at + 4) + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::IsolateFromUserFiles();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  const bool offerLogin = (data[0] & 1) != 0;
  const std::string replies(reinterpret_cast<const char*>(data) + 1, size - 1);
  fuzz::ResetNetwork({replies}, fuzz::ChunkFor(size));

  fuzz::ClientObjects objects;
  CProxyInfo proxy;
  proxy.m_enabled = true;
  proxy.m_server = L"proxy.example";
  proxy.m_port = 1080;
  if (offerLogin) {
    proxy.m_user = L"user";
    proxy.m_password = L"secret";
  }
  objects.settings.SetSocksProxy(proxy);
  CProxySocket socket(objects.Context());
  FUZZ_CHECK(socket.Create());
  if (!socket.Connect(L"target.example", 21)) {
    const ErrorValue error = objects.transfer.Error();
    FUZZ_CHECK(error != 0);
    FUZZ_CHECK(ErrorCategoryOf(error) == kCategorySocket ||
               ErrorCategoryOf(error) == kCategorySocks);
    if (ErrorCategoryOf(error) == kCategorySocks)
      FUZZ_CHECK(ErrorCodeOf(error) >= 700 - 128 && ErrorCodeOf(error) <= 700 + 127);
    FUZZ_CHECK(!socket.IsOpen());
    return 0;
  }
  FUZZ_CHECK(objects.transfer.Error() == 0);
  FUZZ_CHECK(replies.size() >= 2 && replies[0] == 0x05);
  const bool loginChosen = replies[1] == 0x02;
  FUZZ_CHECK(!loginChosen || offerLogin);
  const size_t consumed = ReplyLength(replies, loginChosen);
  FUZZ_CHECK(consumed <= replies.size());

  std::string target;
  char buffer[4096];
  for (int n; (n = socket.Receive(buffer, sizeof buffer)) > 0;) target.append(buffer, n);
  FUZZ_CHECK(target == replies.substr(consumed));
  return 0;
}
