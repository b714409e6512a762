#include "platform/socket.h"

#include <gtest/gtest.h>

#include "platform/error_code.h"

namespace ferrow {
namespace {

TEST(SocketTest, DottedAddressesInTheirShortForms) {
  IpAddress address;
  ASSERT_TRUE(ParseNumericAddress("127.0.0.1", address));
  EXPECT_EQ(address.ToIpv4(), 0x7F000001u);
  EXPECT_EQ(address.Text(), "127.0.0.1");
  ASSERT_TRUE(ParseNumericAddress("10.1", address));
  EXPECT_EQ(address, IpAddress::Ipv4(0x0A000001u));
  EXPECT_FALSE(ParseNumericAddress("host.example", address));
  EXPECT_FALSE(ParseNumericAddress("", address));
}

// IPv6 has its place in the address type; until the engine speaks it, it is refused as a
// family the socket layer does not serve, never mistaken for IPv4.
TEST(SocketTest, Ipv6AddressesAndTheLookupOverride) {
  IpAddress v6;
  v6.family = IpAddress::Family::kIpv6;
  v6.bytes[15] = 1;
  EXPECT_EQ(v6.Text(), "::1");
  EXPECT_EQ(v6.ToIpv4(), 0u);
  EXPECT_NE(v6, IpAddress::Ipv4(1));
  IpAddress parsed;
  ASSERT_TRUE(ParseNumericAddress("::1", parsed));
  EXPECT_EQ(parsed, v6);
  EXPECT_FALSE(ParseNumericAddress("[::1", parsed));
  // Names of the override resolve from it alone, in its order, both families.
  SetLookupOverride("# a comment\n::1 Both.Test\n127.0.0.1 both.test other.test\n");
  std::vector<IpAddress> addresses;
  ASSERT_TRUE(LookupHostAll("both.test", addresses));
  ASSERT_EQ(addresses.size(), 2u);
  EXPECT_EQ(addresses[0], v6);
  EXPECT_EQ(addresses[1], IpAddress::Ipv4(0x7F000001));
  SetLookupOverride("");
  EXPECT_FALSE(LookupHostAll("both.test.invalid", addresses));
}

TEST(SocketTest, NameLookup) {
  IpAddress address;
  ASSERT_TRUE(LookupHost("localhost", address));
  EXPECT_EQ(address.ToIpv4() >> 24, 127u);
  EXPECT_EQ(LastSocketError(), 0);
  for (const char* name : {"nonexistent.invalid", "NONEXISTENT.INVALID.", "invalid", ""}) {
    EXPECT_FALSE(LookupHost(name, address)) << name;
    EXPECT_EQ(LastSocketError(), SocketCode::kHostNotFound) << name;
  }
}

TEST(SocketTest, RefusedConnectAndPeerClose) {
  SocketHandle listener = SocketCreate();
  ASSERT_TRUE(SocketBind(listener, IpAddress::Ipv4(0x7F000001), 0));
  ASSERT_TRUE(SocketListen(listener, 1));
  SocketAddress local;
  ASSERT_TRUE(SocketLocalAddress(listener, local));

  SocketHandle client = SocketCreate();
  ASSERT_TRUE(SocketConnect(client, IpAddress::Ipv4(0x7F000001), local.port));
  SocketHandle server = SocketAccept(listener);
  ASSERT_NE(server, kInvalidSocket);
  SocketAddress peer;
  ASSERT_TRUE(SocketPeerAddress(server, peer));
  EXPECT_EQ(peer.address, IpAddress::Ipv4(0x7F000001u));
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
  EXPECT_FALSE(SocketConnect(refused, IpAddress::Ipv4(0x7F000001), local.port));
  EXPECT_EQ(LastSocketError(), SocketCode::kConnectionRefused);
  SocketClose(refused);
}

}  // namespace
}  // namespace ferrow
