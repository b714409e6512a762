#include "platform/socket.h"

#include <gtest/gtest.h>

#include "platform/error_code.h"

namespace ferrow {
namespace {

TEST(SocketTest, DottedAddressesInTheirShortForms) {
  uint32_t address = 0;
  ASSERT_TRUE(ParseDottedAddress("127.0.0.1", address));
  EXPECT_EQ(address, 0x7F000001u);
  ASSERT_TRUE(ParseDottedAddress("10.1", address));
  EXPECT_EQ(address, 0x0A000001u);
  EXPECT_FALSE(ParseDottedAddress("host.example", address));
  EXPECT_FALSE(ParseDottedAddress("", address));
}

TEST(SocketTest, NameLookup) {
  uint32_t address = 0;
  ASSERT_TRUE(LookupHost("localhost", address));
  EXPECT_EQ(address >> 24, 127u);
  EXPECT_EQ(LastSocketError(), 0);
  for (const char* name : {"nonexistent.invalid", "NONEXISTENT.INVALID.", "invalid", ""}) {
    EXPECT_FALSE(LookupHost(name, address)) << name;
    EXPECT_EQ(LastSocketError(), SocketCode::kHostNotFound) << name;
  }
}

TEST(SocketTest, RefusedConnectAndPeerClose) {
  SocketHandle listener = SocketCreate();
  ASSERT_TRUE(SocketBind(listener, 0x7F000001, 0));
  ASSERT_TRUE(SocketListen(listener, 1));
  SocketAddress local;
  ASSERT_TRUE(SocketLocalAddress(listener, local));

  SocketHandle client = SocketCreate();
  ASSERT_TRUE(SocketConnect(client, 0x7F000001, local.port));
  SocketHandle server = SocketAccept(listener);
  ASSERT_NE(server, kInvalidSocket);
  SocketAddress peer;
  ASSERT_TRUE(SocketPeerAddress(server, peer));
  EXPECT_EQ(peer.address, 0x7F000001u);
  SocketClose(server);
  char byte;
  EXPECT_EQ(SocketReceive(client, &byte, 1, 0), 0);
  EXPECT_EQ(LastSocketError(), 0);  // a clean close leaves no error
  // Sending into a closed connection fails without killing the process by a signal.
  int result = 0;
  for (int i = 0; i < 10 && result >= 0; ++i) result = SocketSend(client, "xxxx", 4);
  EXPECT_EQ(result, -1);
  SocketClose(client);
  SocketClose(listener);

  SocketHandle refused = SocketCreate();
  EXPECT_FALSE(SocketConnect(refused, 0x7F000001, local.port));
  EXPECT_EQ(LastSocketError(), SocketCode::kConnectionRefused);
  SocketClose(refused);
}

}  // namespace
}  // namespace ferrow
