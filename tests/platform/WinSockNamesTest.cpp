// Address texts, byte order and host-name resolution (loopback and local rules only: no test
// asks the network).
#include <gtest/gtest.h>

#include <string>

#include "platform/winsock/WinSock.h"
#include "tests/support/LoopbackSockets.h"

using namespace testsupport;

namespace {

TEST(WinSockNames, InetAddrForms) {
  struct Case {
    const char* text;
    ULONG hostOrder;
  } cases[] = {
      {"127.0.0.1", 0x7F000001},
      {"1.2.3.4", 0x01020304},
      {"0.0.0.0", 0},
      {"1.2.3", 0x01020003},      // the last part fills the last two bytes
      {"1.2", 0x01000002},        // ... the last three
      {"16909060", 0x01020304},   // one number is the whole address
      {"0x7f.1", 0x7F000001},     // hex
      {"010.0.0.1", 0x08000001},  // octal
      {"1.2.3.4 ", 0x01020304},   // trailing blanks end the text
      {"256.1.1.1", INADDR_NONE},
      {"1.2.3.256", INADDR_NONE},
      {"1.2.65536", INADDR_NONE},
      {"1.2.3.4.5", INADDR_NONE},
      {"1..2.3", INADDR_NONE},
      {"1.2.3.", INADDR_NONE},
      {".1.2.3", INADDR_NONE},
      {"08.1.1.1", INADDR_NONE},  // 8 is no octal digit
      {"0x", INADDR_NONE},
      {"4294967296", INADDR_NONE},
      {"", INADDR_NONE},
      {" 1.2.3.4", INADDR_NONE},
      {"localhost", INADDR_NONE},
      {"1.2.3.4x", INADDR_NONE},
  };
  for (const Case& c : cases) {
    ULONG expected = c.hostOrder == INADDR_NONE ? INADDR_NONE : htonl(c.hostOrder);
    EXPECT_EQ(expected, inet_addr(c.text)) << '"' << c.text << '"';
  }
  EXPECT_EQ(INADDR_NONE, inet_addr(nullptr));
}

TEST(WinSockNames, DottedTextAndByteOrder) {
  in_addr a;
  a.s_addr = inet_addr("192.168.10.254");
  EXPECT_STREQ("192.168.10.254", inet_ntoa(a));
  a.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_STREQ("127.0.0.1", inet_ntoa(a));
  EXPECT_EQ(0x3412, htons(0x1234));
  EXPECT_EQ(0x1234, ntohs(htons(0x1234)));
  EXPECT_EQ(0x78563412u, htonl(0x12345678u));
  EXPECT_EQ(0x12345678u, ntohl(htonl(0x12345678u)));
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&a.s_addr);
  EXPECT_EQ(127, bytes[0]);  // network order in memory
}

class HostNames : public ::testing::Test {
 protected:
  WinSockSession m_session;
};

TEST_F(HostNames, ResolvesWithoutTheNetwork) {
  struct Case {
    const char* name;
    const char* address;  // null: does not resolve
  } cases[] = {
      {"localhost", "127.0.0.1"},
      {"LocalHost", "127.0.0.1"},
      {"game.localhost", "127.0.0.1"},
      {"127.0.0.1", "127.0.0.1"},
      {"10.1.2.3", "10.1.2.3"},
      {"no-such-host.invalid", nullptr},
      {"bad host name", nullptr},
      {"semi;colon", nullptr},
      {"a..b", nullptr},
      {"\xC4\xE3\xBA\xC3", nullptr},  // GBK text is no host name
  };
  for (const Case& c : cases) {
    WSASetLastError(0);
    hostent* h = gethostbyname(c.name);
    if (!c.address) {
      EXPECT_EQ(nullptr, h) << c.name;
      EXPECT_EQ(WSAHOST_NOT_FOUND, WSAGetLastError()) << c.name;
      continue;
    }
    ASSERT_NE(nullptr, h) << c.name;
    EXPECT_EQ(AF_INET, h->h_addrtype);
    EXPECT_EQ(4, h->h_length);
    ASSERT_NE(nullptr, h->h_addr);
    ULONG first;
    memcpy(&first, h->h_addr, 4);
    EXPECT_EQ(inet_addr(c.address), first) << c.name;
    EXPECT_EQ(nullptr, h->h_addr_list[1]) << c.name;
    EXPECT_NE(nullptr, h->h_aliases);
  }
  std::string tooLong(300, 'a');
  EXPECT_EQ(nullptr, gethostbyname(tooLong.c_str()));
  EXPECT_EQ(nullptr, gethostbyname(nullptr));
}

TEST_F(HostNames, ResolvedAddressConnects) {
  USHORT port = 0;
  SOCKET listener = ListenLoopback(&port);
  hostent* h = gethostbyname("localhost");
  ASSERT_NE(nullptr, h);
  SOCKADDR_IN a = LoopbackAddress(port);
  memcpy(&a.sin_addr.s_addr, h->h_addr, 4);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_EQ(0, connect(s, (SOCKADDR*)&a, sizeof(a)));
  closesocket(s);
  closesocket(listener);
}

}  // namespace
