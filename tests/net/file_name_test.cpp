// Names from servers and addresses: Content-Disposition read as RFC 6266 says, and every name
// made safe before it reaches the disk.
#include <gtest/gtest.h>

#include <string>

#include "net/content_disposition.h"
#include "net/safe_file_name.h"
#include "platform/text.h"

namespace ferrow {
namespace {

std::wstring Disposition(const char* value) {
  std::wstring name;
  return ParseContentDispositionFileName(value, name) ? name : L"<none>";
}

TEST(ContentDispositionTest, ExtendedNameFirstThenThePlainOne) {
  EXPECT_EQ(Disposition("attachment; filename=plain.bin"), L"plain.bin");
  EXPECT_EQ(Disposition("attachment; filename=\"with space; and \\\"quote\\\".bin\""),
            L"with space; and \"quote\".bin");
  EXPECT_EQ(Disposition("attachment; filename=\"fallback.pdf\"; "
                        "filename*=UTF-8''r%C3%A9sum%C3%A9.pdf"),
            Utf8ToWide("r\xC3\xA9sum\xC3\xA9.pdf"));
  EXPECT_EQ(Disposition("attachment; FILENAME*=iso-8859-1'en'caf%E9.txt"), L"caf\u00e9.txt");
  // An extended value that cannot be read leaves the plain one.
  EXPECT_EQ(Disposition("attachment; filename*=KOI8-R''x%FF; filename=ok.txt"), L"ok.txt");
  EXPECT_EQ(Disposition("attachment; filename*=UTF-8''bad%G1; filename=ok.txt"), L"ok.txt");
  for (const char* none : {"attachment", "inline; filename=", "attachment; filename=\"\"", ""})
    EXPECT_EQ(Disposition(none), L"<none>") << none;
}

TEST(SafeFileNameTest, NamesNeverLeaveTheFolderNorReachATerminalRaw) {
  EXPECT_EQ(MakeSafeFileName(L"../../etc/passwd"), L"passwd");
  EXPECT_EQ(MakeSafeFileName(L"..\\..\\boot.ini"), L"boot.ini");
  EXPECT_EQ(MakeSafeFileName(L"a\x1b[2Jb\u009b\u202e.bin"), L"a_[2Jb__.bin");
  for (const wchar_t* empty : {L"", L"..", L"...", L" . ", L"dir/"})
    EXPECT_EQ(MakeSafeFileName(empty), L"") << empty;
  EXPECT_EQ(MakeSafeFileName(L".hidden"), L"hidden");
  const std::wstring longName = std::wstring(300, L'\u00e9') + L".tar.gz";
  const std::wstring cut = MakeSafeFileName(longName);
  EXPECT_LE(WideToUtf8(cut).size(), kMaxSafeNameBytes);
  EXPECT_EQ(cut.substr(cut.size() - 3), L".gz");
  // A cut that ends on a dot or a space takes it away too (found by the fuzzer).
  const std::wstring dotted =
      MakeSafeFileName(std::wstring(119, L'\u00ff') + L". " + std::wstring(50, L'a'));
  EXPECT_EQ(dotted, std::wstring(119, L'\u00ff'));

  EXPECT_EQ(FileNameOfUrl(L"http://h/dir/a%20b.bin?x=1#frag"), L"a b.bin");
  EXPECT_EQ(FileNameOfUrl(L"http://h/dir/a%2F..%2Fb"), L"a_.._b");
  EXPECT_EQ(FileNameOfUrl(L"http://h/"), L"");
  EXPECT_EQ(FileNameOfUrl(L"http://h"), L"");
}

}  // namespace
}  // namespace ferrow
