// CHttpClient::FetchText against exact replies: every way a body can end, and the bound.
#include <gtest/gtest.h>

#include <string>

#include "net/http_client.h"
#include "tests/net/canned_http_server.h"
#include "tests/net/client_fixture.h"

namespace ferrow {
namespace {

class HttpTextFetchTest : public test::ClientTest {
 protected:
  // Fetches /v from a server that answers with the replies in turn; the body, or "FAILED".
  std::string Fetch(std::vector<std::string> replies, size_t bound = 16) {
    test::CannedHttpServer server(std::move(replies));
    CHttpClient client(Context());
    std::string body;
    if (!client.FetchText(L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/v", bound,
                          body))
      return body.empty() ? "FAILED" : "FAILED WITH " + body;
    return body;
  }
};

TEST_F(HttpTextFetchTest, BodiesOfEveryShapeWithinTheBound) {
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n3.1"}), "3.1");
  EXPECT_EQ(Fetch({"HTTP/1.0 200 OK\r\n\r\n3.1 and more"}), "3.1 and more");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                   "2\r\n3.\r\n1;ext=1\r\n1\r\n0\r\n\r\n"}),
            "3.1");
  EXPECT_EQ(Fetch({"HTTP/1.1 302 Found\r\nLocation: /w\r\nContent-Length: 0\r\n\r\n",
                   "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n4.0"}),
            "4.0");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n0123456789abcdef"}),
            "0123456789abcdef");
}

TEST_F(HttpTextFetchTest, FailuresAndBodiesPastTheBound) {
  EXPECT_EQ(Fetch({"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\n3.1"}), "FAILED");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n0123456789abcdefg"}), "FAILED");
  EXPECT_EQ(Fetch({"HTTP/1.0 200 OK\r\n\r\n0123456789abcdefg"}), "FAILED");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                   "10\r\n0123456789abcdef\r\n1\r\ng\r\n0\r\n\r\n"}),
            "FAILED");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}), "FAILED");
  EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort"}), "FAILED");
}

}  // namespace
}  // namespace ferrow
