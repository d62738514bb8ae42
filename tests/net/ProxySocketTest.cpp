// The proxy socket against real proxy servers on loopback (dante, microsocks, tinyproxy) and
// the testbed's own SOCKS4a proxy; after each handshake the tunnel carries a real request to the
// testbed game server.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "net/Base64Codec.h"
#include "net/ProxySocket.h"
#include "net/SocketConnection.h"
#include "testbed/proxy/TestProxy.h"
#include "testbed/server/WireServer.h"
#include "tests/support/LoopbackTools.h"
#include "tests/support/TempDir.h"

namespace {

// A name that cannot be resolved, refused by the resolver itself (a label longer than 63
// characters) so that no test sends a query off the machine.
const char UNRESOLVABLE[] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";

using testsupport::ChildProcess;
using testsupport::FreeLoopbackPort;

// Failures that must come at once, not by the time-out, are given a time-out far longer than any
// stall of a loaded machine and are checked to come in under half of it.
constexpr int kLongTimeout = 60;
constexpr auto kAtOnce = std::chrono::seconds(kLongTimeout / 2);

std::unique_ptr<ChildProcess> StartDante(const testsupport::TempDir& dir) {
  uint16_t port = FreeLoopbackPort();
  std::string conf = dir.Write("danted.conf", "logoutput: " + dir.File("danted.log") +
                                                  "\ninternal: 127.0.0.1 port = " + std::to_string(port) +
                                                  "\nexternal: 127.0.0.1\nsocksmethod: none\nclientmethod: none\n"
                                                  "user.privileged: root\nuser.unprivileged: nobody\n"
                                                  "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                                  "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 protocol: tcp }\n");
  return std::make_unique<ChildProcess>(std::vector<std::string>{"danted", "-f", conf, "-N", "1"}, port);
}

std::unique_ptr<ChildProcess> StartMicrosocks(const char* user, const char* password) {
  uint16_t port = FreeLoopbackPort();
  return std::make_unique<ChildProcess>(
      std::vector<std::string>{"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port), "-u", user, "-P", password},
      port);
}

std::unique_ptr<ChildProcess> StartTinyproxy(const testsupport::TempDir& dir, const char* user, const char* password) {
  uint16_t port = FreeLoopbackPort();
  std::string conf = dir.Write("tinyproxy.conf", "Port " + std::to_string(port) +
                                                     "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nLogLevel Critical\n"
                                                     "BasicAuth " + user + " " + password + "\n");
  return std::make_unique<ChildProcess>(std::vector<std::string>{"tinyproxy", "-d", "-c", conf}, port);
}

class ProxyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
  }
  void SetUp() override {
    m_server.SetHandler([](const testbed::Request& r) {
      testbed::Reply reply;
      reply.data = r.data;
      return reply;
    });
    ASSERT_TRUE(m_server.Start());
  }

  // Connects through the proxy, hands the socket to a connection and makes one request.
  void ExpectTunnel(const char* host, int kind, uint16_t proxyPort, const char* user, const char* password) {
    CProxyConnectSocket proxy;
    ASSERT_EQ(1, proxy.ConnectWithTimeout(host, m_server.Port(), kind, "127.0.0.1", proxyPort, user, password, 5))
        << "proxy error " << proxy.GetProxyError();
    SOCKET socket = proxy.Detach();
    static const char greeting[] = "Hello! Play Harbour.";
    CSocketConnection connection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000);
    ASSERT_EQ(1, connection.Attach(socket, nullptr, 0, 0, reinterpret_cast<const BYTE*>(greeting), sizeof greeting, 0,
                                   host, m_server.Port(), 5));
    PacketEnvelope envelope{};
    envelope.replyWanted = 1;
    BYTE body[3] = {4, 5, 6};
    PacketRecord request{};
    request.head.code = 201001;
    request.length = 3;
    request.data = body;
    PacketRecord reply{};
    int timedOut = 0;
    EXPECT_EQ(1, connection.SendAndWait(&envelope, &request, &reply, &timedOut, 3000, 0, 0, 1, nullptr, 0));
    ASSERT_EQ(3, reply.length);
    EXPECT_EQ(6, reply.data[2]);
    FreePacketData(&reply);
    connection.Close();
  }

  // Expects the handshake to fail with the given proxy error (0 = any).
  void ExpectFailure(const char* host, int kind, uint16_t proxyPort, const char* user, const char* password,
                     int seconds, int error) {
    CProxyConnectSocket proxy;
    EXPECT_EQ(0, proxy.ConnectWithTimeout(host, m_server.Port(), kind, "127.0.0.1", proxyPort, user, password,
                                          seconds));
    if (error) {
      EXPECT_EQ(error, proxy.GetProxyError());
    }
  }

  testsupport::TempDir m_dir;
  testbed::WireServer m_server;
};

TEST_F(ProxyTest, Socks4AndSocks5ThroughDante) {
  auto dante = StartDante(m_dir);
  ASSERT_TRUE(dante->Running()) << "danted did not start";
  ExpectTunnel("127.0.0.1", PROXY_KIND_SOCKS4, dante->Port(), nullptr, nullptr);
  ExpectTunnel("127.0.0.1", PROXY_KIND_SOCKS5, dante->Port(), nullptr, nullptr);
  // SOCKS5 with the target's name: the proxy resolves it.
  ExpectTunnel("localhost", PROXY_KIND_SOCKS5, dante->Port(), nullptr, nullptr);
}

TEST_F(ProxyTest, Socks5WithLoginThroughMicrosocks) {
  auto micro = StartMicrosocks("player", "secret");
  ASSERT_TRUE(micro->Running()) << "microsocks did not start";
  ExpectTunnel("127.0.0.1", PROXY_KIND_SOCKS5, micro->Port(), "player", "secret");
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS5, micro->Port(), "player", "wrong", 3, PROXY_ERR_LOGIN);
  // The proxy asks for a login that is not configured.
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS5, micro->Port(), nullptr, nullptr, 3, 0);
}

TEST_F(ProxyTest, HttpConnectWithBasicLoginThroughTinyproxy) {
  auto tiny = StartTinyproxy(m_dir, "player", "secret");
  ASSERT_TRUE(tiny->Running()) << "tinyproxy did not start";
  ExpectTunnel("127.0.0.1", PROXY_KIND_HTTP, tiny->Port(), "player", "secret");
  ExpectFailure("127.0.0.1", PROXY_KIND_HTTP, tiny->Port(), "player", "wrong", 3, PROXY_ERR_REFUSED);
}

TEST_F(ProxyTest, Socks4aSendsTheNameToTheTestbedProxy) {
  testbed::TestProxy proxy;
  ASSERT_TRUE(proxy.Start());
  ExpectTunnel("localhost", PROXY_KIND_SOCKS4A, proxy.Port(), nullptr, nullptr);
  // "localhost" resolves locally, so the address is sent; a name that only the proxy knows is
  // not available on a test machine, so the name path is checked with a name that does not
  // resolve at all: the proxy gets the name and refuses.
  ExpectFailure(UNRESOLVABLE, PROXY_KIND_SOCKS4A, proxy.Port(), nullptr, nullptr, 3, PROXY_ERR_REFUSED);
  auto names = proxy.RequestedNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(std::string(UNRESOLVABLE), names.back());
}

TEST_F(ProxyTest, RefusingSilentAndAbsentProxiesFailWithinTheTimeout) {
  testbed::TestProxy refusing(testbed::TestProxy::Mode::REFUSE);
  testbed::TestProxy silent(testbed::TestProxy::Mode::SILENT);
  ASSERT_TRUE(refusing.Start());
  ASSERT_TRUE(silent.Start());
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS4, refusing.Port(), nullptr, nullptr, 3, PROXY_ERR_REFUSED);
  // A silent proxy is given its whole time-out, and no more than that ends the wait.
  auto start = std::chrono::steady_clock::now();
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS4, silent.Port(), nullptr, nullptr, 1, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS5, FreeLoopbackPort(), nullptr, nullptr, 2, 0);
  // SOCKS4 cannot carry a name: an unresolvable target fails at once.
  ExpectFailure(UNRESOLVABLE, PROXY_KIND_SOCKS4, refusing.Port(), nullptr, nullptr, 3, PROXY_ERR_RESOLVE);
}

// Handshakes that no packaged proxy plays, from a scripted proxy.
TEST_F(ProxyTest, Socks5MethodsAndANameInTheConnectReply) {
  using Step = testbed::TestProxy::Step;
  const std::string offerWithLogin("\x05\x02\x02\x00", 4);
  uint16_t port = m_server.Port();
  const std::string connectRequest = std::string("\x05\x01\x00\x01\x7f\x00\x00\x01", 8) +
                                     static_cast<char>(port >> 8) + static_cast<char>(port & 0xFF);
  {
    // The proxy takes none of the offered methods.
    testbed::TestProxy proxy(std::vector<Step>{{4, "", std::string("\x05\xff", 2)}});
    ASSERT_TRUE(proxy.Start());
    auto start = std::chrono::steady_clock::now();
    ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS5, proxy.Port(), "player", "secret", kLongTimeout, PROXY_ERR_METHOD);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
    EXPECT_EQ(offerWithLogin, proxy.Received());
  }
  {
    // Method 0 skips the login although one is configured; the connect reply names the bound
    // host with 10 characters (17 bytes in all) and the tunnel's first bytes follow at once.
    std::string reply = std::string("\x05\x00\x00\x03\x0a", 5) + "bound.host" + std::string("\x12\x34", 2);
    testbed::TestProxy proxy(
        std::vector<Step>{{4, "", std::string("\x05\x00", 2)}, {10, "", reply + "XY"}});
    ASSERT_TRUE(proxy.Start());
    CProxyConnectSocket socket;
    ASSERT_EQ(1, socket.ConnectWithTimeout("127.0.0.1", port, PROXY_KIND_SOCKS5, "127.0.0.1", proxy.Port(), "player",
                                           "secret", 3))
        << "proxy error " << socket.GetProxyError();
    EXPECT_EQ(offerWithLogin + connectRequest, proxy.Received());
    char tunnel[4] = {};
    int got = 0;
    for (int i = 0; i < 100 && got < 2; ++i) {
      int n = socket.Receive(tunnel + got, 2 - got);
      if (n > 0) got += n;
      else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(std::string("XY"), std::string(tunnel, got));
    socket.Close();
  }
}

// A refusal of an HTTP proxy fails as soon as its status line is complete, not by the time-out.
TEST_F(ProxyTest, HttpRefusalFailsWithTheStatusLine) {
  testbed::TestProxy proxy(
      std::vector<testbed::TestProxy::Step>{{0, "\r\n\r\n", "HTTP/1.1 407 Proxy Authentication Required\r\n"}});
  ASSERT_TRUE(proxy.Start());
  auto start = std::chrono::steady_clock::now();
  ExpectFailure("127.0.0.1", PROXY_KIND_HTTP, proxy.Port(), "", "", kLongTimeout, PROXY_ERR_REFUSED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
  std::string request = proxy.Received();
  EXPECT_EQ(0u, request.find("CONNECT 127.0.0.1:" + std::to_string(m_server.Port()) + " HTTP/1.1\r\n"));
  // Empty credentials are still sent: Base64 of ":".
  EXPECT_NE(std::string::npos, request.find("\r\nProxy-Authorization: Basic Og==\r\n"));
}

// Kind 0 is a plain connect: the socket's first writability is the whole handshake.
TEST_F(ProxyTest, KindNoneConnectsDirectly) {
  CProxyConnectSocket socket;
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(1, socket.ConnectWithTimeout("127.0.0.1", m_server.Port(), PROXY_KIND_NONE, nullptr, 0, nullptr, nullptr,
                                         kLongTimeout));
  EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
  socket.Close();
}

TEST_F(ProxyTest, AProxyThatHangsUpFailsAtOnce) {
  testbed::TestProxy proxy(testbed::TestProxy::Mode::HANGUP);
  ASSERT_TRUE(proxy.Start());
  auto start = std::chrono::steady_clock::now();
  ExpectFailure("127.0.0.1", PROXY_KIND_SOCKS5, proxy.Port(), nullptr, nullptr, kLongTimeout, PROXY_ERR_REFUSED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
}

TEST(Base64, PaddingAndLongCredentials) {
  struct Case {
    std::string in, out;
  } cases[] = {{"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"player:secret", "cGxheWVyOnNlY3JldA=="}};
  for (const auto& c : cases) EXPECT_EQ(c.out, CBase64Codec::Encode(c.in)) << c.in;
  std::string user(31, 'u'), password(31, 'p');
  std::string credentials = CBase64Codec::Encode(user + ":" + password);
  EXPECT_EQ(84u, credentials.size());
  EXPECT_EQ(std::string::npos, credentials.find_first_of("\r\n"));
}

}  // namespace
