// Hostile input for the HTTP header and FTP reply readers: random bytes mixed with pieces of
// real syntax, fed to the parsers in buffers of their exact size (so a sanitizer build sees
// any read past the end) and to the clients through a socket. Nothing may crash, hang or read
// past the input; a client either succeeds or records an error.
//
// FERROW_RANDOM_ITERATIONS scales the runs (default 1: a few thousand inputs, a second or
// two); FERROW_RANDOM_SEED repeats a run. Longer runs: see docs/debugging.md.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "net/cookie_list.h"
#include "net/ftp_client.h"
#include "net/ftp_reply.h"
#include "net/http_client.h"
#include "net/http_response.h"
#include "tests/net/client_fixture.h"
#include "tests/net/loopback.h"

namespace ferrow {
namespace {

int Scale() {
  const char* text = std::getenv("FERROW_RANDOM_ITERATIONS");
  int scale = text != nullptr ? std::atoi(text) : 1;
  return scale > 0 ? scale : 1;
}

uint32_t Seed() {
  const char* text = std::getenv("FERROW_RANDOM_SEED");
  return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10))
                         : std::random_device{}();
}

// Random text built from syntax pieces, line ends and raw bytes.
class HostileText {
 public:
  explicit HostileText(uint32_t seed) : m_random(seed) {}

  std::string Next(size_t maxLength) {
    static const char* const kPieces[] = {
        "HTTP/1.1 ",
        "200",
        "206",
        "302",
        "401",
        " OK",
        "\r\n",
        "\n",
        "\r",
        "\r\n\r\n",
        "Content-Length:",
        "content-length: ",
        "Location:",
        "location: /",
        "Last-Modified:",
        "Set-Cookie:",
        "Content-Range: bytes ",
        "Connection: close",
        "Wed, 21 Oct 2015 07:28:45 GMT",
        "-1",
        "99999999999999999999",
        "%",
        "%4",
        "%41",
        "/",
        "http://",
        "=",
        ";",
        ",",
        "(",
        ")",
        "220",
        "220-",
        "227 Entering Passive Mode (",
        "213 ",
        "20151021072845",
        "350",
        "150",
        "1",
        "255",
        "256",
        " ",
        "\t",
        ":",
    };
    std::string text;
    size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(m_random);
    while (text.size() < length) {
      int choice = std::uniform_int_distribution<int>(0, 3)(m_random);
      if (choice == 0) {
        text += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(m_random));
      } else {
        text += kPieces[std::uniform_int_distribution<size_t>(0, std::size(kPieces) - 1)(m_random)];
      }
    }
    return text;
  }

  std::mt19937& Random() { return m_random; }

 private:
  std::mt19937 m_random;
};

// A copy in a heap block of exactly its size: a read past the end is a sanitizer error.
class ExactBuffer {
 public:
  explicit ExactBuffer(const std::string& text)
      : m_size(text.size()), m_data(new char[text.size() == 0 ? 1 : text.size()]) {
    text.copy(m_data.get(), text.size());
  }
  std::string_view View() const { return std::string_view(m_data.get(), m_size); }

 private:
  size_t m_size;
  std::unique_ptr<char[]> m_data;
};

TEST(ParserRandomTest, HttpHeaderParsersSurviveHostileBlocks) {
  uint32_t seed = Seed();
  SCOPED_TRACE("FERROW_RANDOM_SEED=" + std::to_string(seed));
  HostileText hostile(seed);
  for (int i = 0; i < 20000 * Scale(); ++i) {
    ExactBuffer block(hostile.Next(300));
    std::string_view view = block.View();
    uint32_t status = ParseStatusCode(view);
    EXPECT_LE(status, 999u);
    int64_t length = 0;
    ParseContentLength(view, length);
    ParseLastModified(view);
    int64_t seconds = 0;
    ParseEnglishDateTime(view.substr(0, std::min<size_t>(20, view.size())), seconds);
    std::string value;
    if (ParseLocation(view, value)) {
      EXPECT_EQ(value.find('\n'), std::string::npos);
    }
    FindSetCookie(view, value);
    std::string_view header;
    FindHeaderValue(view, "Content-Range:", header);

    std::wstring wide;
    for (char c : view) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    std::wstring escaped = EscapeRequestTarget(wide);
    for (size_t at = 0; at < escaped.size(); ++at) {
      wchar_t c = escaped[at];
      ASSERT_FALSE(c < 0x20 || c == 0x7F || c == L' ') << "raw byte in an escaped target";
      if (c == L'%') {
        ASSERT_TRUE(at + 2 < escaped.size() && iswxdigit(escaped[at + 1]) &&
                    iswxdigit(escaped[at + 2]));
      }
    }
    CCookieList cookies;
    cookies.SetCookies(wide);
    for (wchar_t c : EscapeControlCharacters(cookies.GetCookies()))
      ASSERT_FALSE(c == L'\r' || c == L'\n');
  }
}

TEST(ParserRandomTest, FtpReplyParsersSurviveHostileLines) {
  uint32_t seed = Seed();
  SCOPED_TRACE("FERROW_RANDOM_SEED=" + std::to_string(seed));
  HostileText hostile(seed);
  for (int i = 0; i < 20000 * Scale(); ++i) {
    ExactBuffer line(hostile.Next(120));
    std::string_view view = line.View();
    uint32_t code = 0;
    if (ParseReplyCode(view, code)) {
      EXPECT_LE(code, 999u);
    }
    IsContinuedReplyLine(view);
    uint32_t address = 0;
    uint16_t port = 0;
    ParsePassiveReply(view, address, port);
    int64_t size = 0;
    if (ParseSizeReply(view, size)) {
      EXPECT_GE(size, 0);
    }
    ParseModificationTimeReply(view);
  }
}

class ClientRandomTest : public test::ClientTest {
 protected:
  // Answers every connection with the same hostile reply and closes it, until the call is
  // done (a redirect may bring the client back).
  template <typename Call>
  void Feed(const std::string& reply, Call call) {
    test::LoopbackListener listener;
    std::thread peer([&] {
      for (;;) {
        SocketHandle connection = listener.Accept();
        if (connection == kInvalidSocket) return;
        test::SendAll(connection, reply);
        SocketShutdown(connection);
        char scratch[4096];
        while (SocketReceive(connection, scratch, sizeof scratch, 0) > 0) {
        }
        SocketClose(connection);
      }
    });
    m_transfer.ClearError();
    m_transfer.SetStatus(DownloadStatus::kConnecting);
    bool ok = call(listener.Port());
    SocketShutdown(listener.Handle());
    peer.join();
    if (!ok) {
      EXPECT_NE(Error(), 0u) << "a failure without an error";
    }
  }
};

TEST_F(ClientRandomTest, ClientsSurviveHostilePeers) {
  uint32_t seed = Seed();
  SCOPED_TRACE("FERROW_RANDOM_SEED=" + std::to_string(seed));
  HostileText hostile(seed);
  for (int i = 0; i < 150 * Scale(); ++i) {
    std::string reply = hostile.Next(2000);
    if (i % 2 == 0) reply = "HTTP/1.1 " + reply;
    Feed(reply, [&](uint16_t port) {
      CHttpClient client(Context());
      client.Open(L"http://127.0.0.1:" + std::to_wstring(port) + L"/f");
      if (!client.Connect()) return false;
      return client.QueryInformation();
    });
    Feed(hostile.Next(2000), [&](uint16_t port) {
      CFtpClient client(Context());
      client.Open(L"ftp://127.0.0.1:" + std::to_wstring(port) + L"/f");
      if (!client.Connect() || !client.Login()) return false;
      return client.QueryInformation();
    });
  }
}

}  // namespace
}  // namespace ferrow
