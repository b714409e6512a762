// The native messaging host as a browser meets it: the built program on a pipe, fed frames,
// good and hostile, with the fake main program in "AppPath".
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "platform/browser_handover.h"
#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/host/handover_request.h"
#include "plugins/host/json_value.h"
#include "tests/plugins/fake_main_program.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

std::string Frame(const std::string& body) {
  uint32_t length = static_cast<uint32_t>(body.size());
  return std::string(reinterpret_cast<const char*>(&length), 4) + body;
}

std::string Download(const std::string& url, const std::string& extra = "") {
  return "{\"command\":\"download\",\"items\":[{\"url\":" + host::JsonQuote(url) + extra + "}]}";
}

// Runs the host with the bytes as its whole input; the replies it wrote and its exit status.
struct HostRun {
  std::vector<std::string> replies;
  int status = -1;
};

HostRun RunHost(const std::string& input) {
  int in[2], out[2];
  EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    execl(FERROW_NATIVE_HOST, FERROW_NATIVE_HOST, "chrome-extension://test/", nullptr);
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  // Written from a thread: the host answers while it reads, and a pipe holds only so much.
  signal(SIGPIPE, SIG_IGN);
  std::thread writer([&] {
    size_t done = 0;
    while (done < input.size()) {
      ssize_t n = write(in[1], input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(in[1]);
  });
  std::string bytes;
  char buffer[65536];
  for (;;) {
    pollfd fd{out[0], POLLIN, 0};
    if (poll(&fd, 1, 60000) <= 0) break;
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  writer.join();
  close(out[0]);
  HostRun run;
  waitpid(pid, &run.status, 0);
  size_t pos = 0;
  while (pos + 4 <= bytes.size()) {
    uint32_t length;
    std::memcpy(&length, bytes.data() + pos, 4);
    if (pos + 4 + length > bytes.size()) break;
    run.replies.push_back(bytes.substr(pos + 4, length));
    pos += 4 + length;
  }
  return run;
}

bool IsError(const std::string& reply) {
  return reply.starts_with("{\"ok\":false,\"error\":\"") && reply.size() > 30;
}

class NativeHostTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_program = std::make_unique<test::FakeMainProgram>(SandboxDir() / "app");
    m_program->Register();
  }

  std::unique_ptr<test::FakeMainProgram> m_program;
};

TEST_F(NativeHostTest, MalformedFramesAndMessagesGetErrorsAndStartNothing) {
  const std::string sentinel = "http://127.0.0.1/sentinel.zip";
  std::string input =
      Frame("{\"command\":\"ping\"}") + Frame("") + Frame("{\"command\":") + Frame("[1,2]") +
      Frame("{\"command\":\"format\"}") +
      Frame("{\"command\":\"download\",\"items\":\"http://a/b.zip\"}") +
      Frame("{\"command\":\"download\",\"items\":[]}") +
      Frame("{\"command\":\"download\",\"items\":[{\"url\":\"http://a/\xff.zip\"}]}") +
      Frame(std::string(100000, '[')) + Frame(Download(sentinel));
  const char* hostileUrls[] = {
      "http://127.0.0.1/a b.zip",      "http://127.0.0.1/a\".zip",
      "-http://127.0.0.1/a.zip",       "--silent",
      "javascript:alert(1)",           "file:///etc/passwd",
      "http://127.0.0.1/a.zip\nb",     "http:///a.zip",
      "http://127.0.0.1/<script>.zip",
  };
  for (const char* url : hostileUrls) input += Frame(Download(url));
  // The cookies of a request may not hold line breaks either: nothing of it goes through.
  input += Frame(Download("http://127.0.0.1/c.zip", ",\"cookies\":\"a=1\\r\\nX: y\""));
  // A longer joined text than one command line holds is refused whole, not cut.
  std::string many = "{\"command\":\"download\",\"items\":[";
  for (int i = 0; i < 5; ++i)
    many += std::string(i ? "," : "") + "{\"url\":\"http://127.0.0.1/" + std::string(8000, 'x') +
            std::to_string(i) + ".zip\"}";
  input += Frame(many + "]}");

  HostRun run = RunHost(input);
  EXPECT_EQ(WEXITSTATUS(run.status), 0);
  ASSERT_EQ(run.replies.size(), 10u + std::size(hostileUrls) + 2);
  EXPECT_TRUE(run.replies[0].starts_with("{\"ok\":true,\"version\":")) << run.replies[0];
  for (size_t i = 1; i < run.replies.size(); ++i) {
    if (i == 9) {
      EXPECT_EQ(run.replies[i], "{\"ok\":true,\"started\":1}");
      continue;
    }
    EXPECT_TRUE(IsError(run.replies[i])) << i << ": " << run.replies[i];
  }
  ASSERT_TRUE(m_program->WaitForRecords(1, std::chrono::seconds(20)));
  EXPECT_EQ(m_program->Records(), (std::vector<std::vector<std::string>>{
                                      {m_program->ProgramPath(), "/silent", "/url=" + sentinel}}));
}

TEST_F(NativeHostTest, BrokenChannelsAreAnsweredAndEndTheHost) {
  // 4 GiB announced: refused without reading it; nothing after it is trusted.
  HostRun huge =
      RunHost(std::string("\xff\xff\xff\xff", 4) + "{}" + Frame(Download("http://a/b.zip")));
  ASSERT_EQ(huge.replies.size(), 1u);
  EXPECT_TRUE(IsError(huge.replies[0]));
  EXPECT_NE(huge.replies[0].find("4294967295"), std::string::npos);
  EXPECT_EQ(WEXITSTATUS(huge.status), 1);
  // A body shorter than announced, and a length cut in two.
  HostRun truncated = RunHost(Frame(Download("http://a/b.zip")).substr(0, 20));
  ASSERT_EQ(truncated.replies.size(), 1u);
  EXPECT_TRUE(IsError(truncated.replies[0]));
  HostRun half = RunHost(std::string("\x05\x00", 2));
  ASSERT_EQ(half.replies.size(), 1u);
  EXPECT_TRUE(IsError(half.replies[0]));
  EXPECT_TRUE(m_program->Records().empty());
}

TEST_F(NativeHostTest, UrlsReachTheProgramWholeAsOneArgument) {
  // Characters a URL may hold that a shell or a split would have misread; '|' inside a URL is
  // encoded, as the program splits the text at '|'.
  const std::string odd = "http://127.0.0.1/a;b'c$(x)`y`&z.zip?q=1|2";
  const std::string request =
      "{\"command\":\"download\",\"referrer\":\"http://127.0.0.1/page.html\",\"items\":["
      "{\"url\":" +
      host::JsonQuote(odd) +
      ",\"cookies\":\"session=abc; theme=dark\"},"
      "{\"url\":\"ftp://127.0.0.1/pub/b.zip\"},{\"url\":\"https://127.0.0.1/c.zip\"}]}";
  HostRun run = RunHost(Frame(request));
  ASSERT_EQ(run.replies.size(), 1u);
  EXPECT_EQ(run.replies[0], "{\"ok\":true,\"started\":3}");
  ASSERT_TRUE(m_program->WaitForRecords(1, std::chrono::seconds(20)));
  EXPECT_EQ(m_program->Records().at(0),
            (std::vector<std::string>{m_program->ProgramPath(), "/silent",
                                      "/url=http://127.0.0.1/a;b'c$(x)`y`&z.zip?q=1%7C2|"
                                      "ftp://127.0.0.1/pub/b.zip|https://127.0.0.1/c.zip"}));

  // The cookies and the page went into the user's private note file, for the URL as sent.
  BrowserHandoverNote note;
  ASSERT_TRUE(FindBrowserHandoverNote(odd, note.time = time(nullptr), note));
  EXPECT_EQ(note.cookies, "session=abc; theme=dark");
  EXPECT_EQ(note.referrer, "http://127.0.0.1/page.html");
  struct stat info {};
  ASSERT_EQ(stat(BrowserHandoverPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  BrowserHandoverNote other;
  EXPECT_TRUE(FindBrowserHandoverNote("ftp://127.0.0.1/pub/b.zip", time(nullptr), other));
  EXPECT_TRUE(other.cookies.empty());
}

TEST_F(NativeHostTest, MissingMainProgramIsReported) {
  std::filesystem::remove(m_program->ProgramPath());
  HostRun run = RunHost(Frame(Download("http://127.0.0.1/a.zip")));
  ASSERT_EQ(run.replies.size(), 1u);
  EXPECT_TRUE(IsError(run.replies[0]));
  EXPECT_NE(run.replies[0].find("AppPath"), std::string::npos) << run.replies[0];
}

TEST_F(NativeHostTest, OffersAreTakenByTheUsersExtensionList) {
  auto offer = [](const std::string& url) {
    return Frame("{\"command\":\"offer\",\"items\":[{\"url\":" + host::JsonQuote(url) + "}]}");
  };
  RegistryWriteValue(RegistryHive::kCurrentUser, L"Software\\Brennick\\Ferrow",
                     std::wstring(L"ExtensionList"),
                     {RegistryType::kString, WideToUtf16Le(L"ISO ZIP") + std::string(2, '\0')});
  HostRun run = RunHost(offer("http://127.0.0.1/a.iso") + offer("http://127.0.0.1/a.exe") +
                        offer("https://127.0.0.1/b.zip") + offer("http://127.0.0.1/page.html"));
  ASSERT_EQ(run.replies.size(), 4u);
  EXPECT_EQ(run.replies[0], "{\"taken\":true,\"ok\":true,\"started\":1}");
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(run.replies[i], "{\"ok\":true,\"taken\":false}") << i;
  ASSERT_TRUE(m_program->WaitForRecords(1, std::chrono::seconds(20)));
  EXPECT_EQ(m_program->Records().at(0).at(2), "/url=http://127.0.0.1/a.iso");
}

TEST(JsonValueTest, ReadsWhatBrowsersWriteAndRefusesTheRest) {
  host::CJsonValue value;
  std::string error;
  ASSERT_TRUE(host::CJsonValue::Parse(
      " {\"a\":[1,-2.5e3,true,false,null,\"x\\u00e9\\ud83d\\ude00\\n\\\"\"],\"b\":{}} ", value,
      error))
      << error;
  const auto& items = value.Find("a")->Items();
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[5].String(), "x\xc3\xa9\xf0\x9f\x98\x80\n\"");
  EXPECT_TRUE(value.Find("b")->IsObject());
  EXPECT_EQ(value.Find("c"), nullptr);
  for (std::string bad :
       {"", "{", "{\"a\"}", "[1,]", "01", "\"\\ud800\"", "\"\\udc00x\"", "\"a\x01\"",
        "\"\xc0\xaf\"", "\"\xed\xa0\x80\"", "tru", "{} {}", "\"\\x\"", "1.", "-"}) {
    EXPECT_FALSE(host::CJsonValue::Parse(bad, value, error)) << bad;
  }
  EXPECT_FALSE(
      host::CJsonValue::Parse(std::string(1000, '[') + std::string(1000, ']'), value, error));
  EXPECT_NE(error.find("deeply"), std::string::npos);
  EXPECT_EQ(host::JsonQuote("a\"\\\x01"), "\"a\\\"\\\\\\u0001\"");
}

// Found by fuzzing: a lead byte above 0xF4 was read as the start of a three-byte sequence, so
// "\xf8\x97\x90" passed as a character and text that is no UTF-8 was taken as a string.
TEST(JsonValueTest, LeadBytesAboveF4AreNoUtf8) {
  host::CJsonValue value;
  std::string error;
  for (std::string bad : {"\"https://example.org\xf8\x97\x90"
                          "Fip\"",
                          "\"\xf5\x80\x80\"", "\"\xff\xbf\xbf\""}) {
    EXPECT_FALSE(host::CJsonValue::Parse(bad, value, error)) << bad;
    EXPECT_NE(error.find("UTF-8"), std::string::npos);
  }
}

}  // namespace
}  // namespace ferrow
