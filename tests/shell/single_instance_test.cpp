// Two or more real processes of the program's start meeting through the instance lock, the
// socket and the URL block.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/shared_memory.h"
#include "platform/text.h"
#include "shell/instance_names.h"
#include "tests/support/peer_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/server_process.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

namespace fs = std::filesystem;
using test::WaitUntil;

struct Child {
  test::ServerProcess process;
  fs::path output;
  std::string Output() const { return test::ReadTextFile(output); }
  size_t Count(const std::string& line) const {
    return test::LinesStartingWith(Output(), line).size();
  }
};

class SingleInstanceTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_runtime = SandboxDir() / "run";
    fs::create_directory(m_runtime);
    fs::permissions(m_runtime, fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    setenv("FERROW_PROGRAM_DIR", test::SourceDir().c_str(), 1);
    m_tag = "test-" + std::to_string(::getpid()) + "-" + std::to_string(++s_runs);
    setenv("FERROW_TEST_TAG", m_tag.c_str(), 1);
    unsetenv("FERROW_TEST_ANSWER_MS");
  }
  void TearDown() override {
    m_children.clear();  // stops them
    CSharedMemory::Remove(InstanceNames::Tagged(m_tag).urlBlock);
    unsetenv("XDG_RUNTIME_DIR");
    SandboxedTest::TearDown();
  }

  Child& Launch(const std::vector<std::string>& arguments) {
    auto child = std::make_unique<Child>();
    child->output = SandboxDir() / ("child-" + std::to_string(m_children.size()) + ".out");
    std::vector<std::string> argv{FERROW_INSTANCE_CHILD};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    EXPECT_TRUE(child->process.Start(argv, child->output, error)) << error;
    m_children.push_back(std::move(child));
    return *m_children.back();
  }
  static bool Shows(const Child& child, const std::string& line, size_t count = 1) {
    return WaitUntil([&] { return child.Count(line) >= count; }, std::chrono::seconds(20));
  }
  // How the child ended ("exit 3" after a hand-over).
  static std::string Ending(Child& child) {
    WaitUntil([&] { return !child.process.Running(); }, std::chrono::seconds(20));
    return child.process.EndReason();
  }
  Child& StartFirst() {
    Child& first = Launch({});
    EXPECT_TRUE(Shows(first, "READY")) << first.Output();
    return first;
  }

  static inline int s_runs = 0;
  fs::path m_runtime;
  std::string m_tag;
  std::vector<std::unique_ptr<Child>> m_children;
};

TEST_F(SingleInstanceTest, LaterStartsHandOverTheirOwnUrlsOnlyAndEnd) {
  Child& first = StartFirst();

  // The later start looks at another data folder: it must never create or read it.
  const fs::path otherData = SandboxDir() / "other-data";
  setenv("XDG_DATA_HOME", otherData.c_str(), 1);
  Child& second = Launch({"/url=http://a/1|http://b/2|http://c/3"});
  EXPECT_EQ(Ending(second), "exit 3");
  EXPECT_FALSE(fs::exists(otherData));
  EXPECT_TRUE(Shows(first, "URLS 3 http://a/1|http://b/2|http://c/3")) << first.Output();
  EXPECT_EQ(first.Count("ACTIVATE"), 1u);

  // A plain start only asks for the window: the earlier URL is not handed over again.
  Child& plain = Launch({});
  EXPECT_EQ(Ending(plain), "exit 3");
  EXPECT_TRUE(Shows(first, "ACTIVATE", 2));
  EXPECT_EQ(first.Count("URLS"), 1u);

  // "/silent" leaves the window alone but still hands the URL over.
  Child& silent = Launch({"/silent", "/url=http://d/4"});
  EXPECT_EQ(Ending(silent), "exit 3");
  EXPECT_TRUE(Shows(first, "URLS 1 http://d/4")) << first.Output();
  EXPECT_EQ(first.Count("ACTIVATE"), 2u);
  EXPECT_TRUE(first.process.Running());
}

TEST_F(SingleInstanceTest, TwoLaterStartsAtOnceBothDeliver) {
  Child& first = StartFirst();
  Child& one = Launch({"/silent", "/url=http://one/x"});
  Child& two = Launch({"/silent", "/url=http://two/y"});
  EXPECT_EQ(Ending(one), "exit 3");
  EXPECT_EQ(Ending(two), "exit 3");
  EXPECT_TRUE(Shows(first, "URLS 1 http://one/x")) << first.Output();
  EXPECT_TRUE(Shows(first, "URLS 1 http://two/y")) << first.Output();
}

TEST_F(SingleInstanceTest, KilledFirstInstanceDoesNotBlockTheNextStart) {
  Child& first = StartFirst();
  ASSERT_EQ(::kill(first.process.Pid(), SIGKILL), 0);
  Ending(first);
  Child& next = Launch({"/url=http://after/kill"});
  EXPECT_TRUE(Shows(next, "READY")) << next.Output();
  EXPECT_TRUE(Shows(next, "URLS 1 http://after/kill")) << next.Output();
}

TEST_F(SingleInstanceTest, UrlLeftWhileTheFirstWasStartingIsTakenByIt) {
  // The lock is held but nobody answers: an instance that is still loading its data.
  CInstanceLock starting;
  ASSERT_EQ(
      starting.Acquire(LocalToWide((m_runtime / InstanceNames::Tagged(m_tag).lockFile).string())),
      LockOutcome::kAcquired);
  setenv("FERROW_TEST_ANSWER_MS", "300", 1);
  Child& late = Launch({"/silent", "/url=http://late/1"});
  EXPECT_EQ(Ending(late), "exit 3");
  unsetenv("FERROW_TEST_ANSWER_MS");
  starting.Release();

  Child& first = Launch({"/url=http://own/2"});
  EXPECT_TRUE(Shows(first, "URLS 1 http://own/2")) << first.Output();
  EXPECT_TRUE(Shows(first, "URLS 1 http://late/1")) << first.Output();
  // Read once: a plain start afterwards finds the block empty.
  Child& plain = Launch({});
  EXPECT_EQ(Ending(plain), "exit 3");
  EXPECT_TRUE(Shows(first, "ACTIVATE"));
  EXPECT_EQ(first.Count("URLS"), 2u);
}

}  // namespace
}  // namespace ferrow
