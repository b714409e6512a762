#include "net/debug_output.h"

#include <gtest/gtest.h>

#include "net/internet_url.h"

namespace ferrow {
namespace {

// The trace keeps the shape of what was sent, never a credential: header values behind their
// scheme, FTP passwords, and the password of an address.
TEST(DebugOutputTest, CredentialsAreMaskedWhereverTheyStand) {
  EXPECT_EQ(MaskCredentials("GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic dXNlcjpwdw==\r\n"
                            "proxy-authorization:   Digest abc=1\r\nCookie: a=1\r\n\r\n"),
            "GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic ****\r\n"
            "proxy-authorization:   Digest ****\r\nCookie: a=1\r\n\r\n");
  EXPECT_EQ(MaskCredentials("Authorization: token\n"), "Authorization: ****\n");
  EXPECT_EQ(MaskCredentials("PASS hunter2\r\n"), "PASS ****\r\n");
  EXPECT_EQ(MaskCredentials("USER anna\r\n230 PASS accepted"), "USER anna\r\n230 PASS accepted");
  EXPECT_EQ(MaskCredentials("Location: ftp://x:pw@h:21/f.bin\r\nLink: <http://a@b/c:d@e>\r\n"),
            "Location: ftp://x:****@h:21/f.bin\r\nLink: <http://a@b/c:d@e>\r\n");

  EXPECT_EQ(CInternetURL::MaskPassword(L"ftp://anna:s3cr@t@h:21/a@b"), L"ftp://anna:****@h:21/a@b");
  EXPECT_EQ(CInternetURL::MaskPassword(L"http://anna@h/x:y@z"), L"http://anna@h/x:y@z");
  EXPECT_EQ(CInternetURL::MaskPassword(L"http://h:8080/"), L"http://h:8080/");
}

}  // namespace
}  // namespace ferrow
