// The wire core of the testbed server read by a plain socket: requests written in pieces of any
// size reach the handler whole and in order, each reply goes out whole, and a broken unit ends
// the session.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "net/WireBytes.h"
#include "testbed/server/WireServer.h"

namespace {

using testbed::Bytes;
using testbed::Reply;
using testbed::Request;
using testbed::WireServer;

class PlainClient {
 public:
  explicit PlainClient(uint16_t port) {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    m_connected = connect(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~PlainClient() { close(m_fd); }
  bool Connected() const { return m_connected; }

  bool Write(const Bytes& bytes, size_t piece) {
    for (size_t at = 0; at < bytes.size();) {
      const size_t n = std::min(piece, bytes.size() - at);
      if (send(m_fd, bytes.data() + at, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) return false;
      at += n;
    }
    return true;
  }
  // Exactly n bytes, or fewer when the server closed or nothing came for a long while.
  Bytes Read(size_t n) {
    Bytes out;
    while (out.size() < n) {
      pollfd p{m_fd, POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) break;
      BYTE chunk[4096];
      ssize_t got = recv(m_fd, chunk, std::min(sizeof chunk, n - out.size()), 0);
      if (got <= 0) break;
      out.insert(out.end(), chunk, chunk + got);
    }
    return out;
  }
  // Whether the server closes the connection (with nothing more to read) within a long while.
  bool ClosedByServer() {
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return false;
    BYTE byte;
    return recv(m_fd, &byte, 1, 0) == 0;
  }
  // The next packet the server sent: its code and data, and the serial it answers.
  bool ReadPacket(const testbed::WireParams& params, DWORD* code, Bytes* data, DWORD* serial) {
    Bytes joined;
    for (;;) {
      Bytes unit = Read(4);
      if (unit.size() != 4) return false;
      Bytes rest = Read(ReadU32Le(unit.data()));
      unit.insert(unit.end(), rest.begin(), rest.end());
      testbed::UnitView view;
      if (testbed::ReadUnit(params, unit.data(), unit.size(), &view) != static_cast<long>(unit.size())) return false;
      joined.insert(joined.end(), view.payload, view.payload + view.payloadLength);
      *serial = view.requestSerial;
      if (view.lastFlag) break;
    }
    return testbed::DecodePacket(params, joined.data(), joined.size(), code, data) == 1;
  }

 private:
  int m_fd = -1;
  bool m_connected = false;
};

Bytes Greeting() {
  static const char text[] = "Hello! Play Harbour.";
  Bytes g(4);
  WriteU32Le(g.data(), sizeof text);
  g.insert(g.end(), text, text + sizeof text);
  return g;
}

Bytes Body(size_t n, int seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<BYTE>(i * 31 + seed);
  return b;
}

struct ServerFixture : ::testing::Test {
  void SetUp() override {
    server.SetHandler([](const Request& r) {
      Reply reply;
      reply.result = r.code + 1;
      reply.data.assign(r.data.rbegin(), r.data.rend());
      return reply;
    });
    ASSERT_TRUE(server.Start());
  }
  void TearDown() override { server.Stop(); }
  WireServer server;
  testbed::WireParams params{testbed::DefaultPacketKey()};
};

// Packets of one unit, of several units and without data, sent back to back in pieces from one
// byte to all at once: each is decoded whole, and each reply (a small one after a large one too)
// carries exactly its own bytes.
TEST_F(ServerFixture, RequestsWrittenInPiecesOfAnySizeAreAnsweredWhole) {
  const size_t pieces[] = {1, 7, 61, 4096, 1 << 20};
  const size_t sizes[] = {10, 9000, 0, 3, 4001};
  size_t sessions = 0;
  for (size_t piece : pieces) {
    SCOPED_TRACE("piece " + std::to_string(piece));
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    Bytes stream = Greeting();
    DWORD segmentSerial = 0;
    for (size_t i = 0; i < std::size(sizes); ++i) {
      Bytes units = testbed::EncodePacket(params, 1, static_cast<DWORD>(i + 1), 500 + static_cast<DWORD>(i),
                                          Body(sizes[i], static_cast<int>(i)), &segmentSerial);
      // The request's head says that a reply is wanted (the kind-1 encoding leaves it 0); the
      // changed unit goes without its CRC.
      for (size_t at = 0; at < units.size(); at += ReadU32Le(units.data() + at) + 4) {
        WriteU32Le(units.data() + at + 44, 1);
        WriteU32Le(units.data() + at + 12, 0);
      }
      stream.insert(stream.end(), units.begin(), units.end());
    }
    ASSERT_TRUE(client.Write(stream, piece));
    ++sessions;
    ASSERT_TRUE(server.WaitForSessions(static_cast<int>(sessions), 5000));
    for (size_t i = 0; i < std::size(sizes); ++i) {
      DWORD code = 0;
      DWORD serial = 0;
      Bytes data;
      ASSERT_TRUE(client.ReadPacket(params, &code, &data, &serial)) << i;
      EXPECT_EQ(i + 1, serial);
      EXPECT_EQ(501 + i, code);
      Bytes body = Body(sizes[i], static_cast<int>(i));
      EXPECT_EQ(Bytes(body.rbegin(), body.rend()), data) << sizes[i];
    }
  }
  const auto requests = server.Requests();
  ASSERT_EQ(std::size(pieces) * std::size(sizes), requests.size());
  for (size_t k = 0; k < requests.size(); ++k) {
    const size_t i = k % std::size(sizes);
    EXPECT_EQ(500 + i, requests[k].code);
    EXPECT_EQ(i + 1, requests[k].requestSerial);
    EXPECT_TRUE(requests[k].replyWanted);
    EXPECT_EQ(Body(sizes[i], static_cast<int>(i)), requests[k].data) << sizes[i];
  }
}

// A unit that is not a valid request ends the session; what came before it was handled.
TEST_F(ServerFixture, ABrokenUnitEndsTheSession) {
  struct Case {
    const char* name;
    testbed::Spoil spoil;
    DWORD kind;
    bool dropFirstUnit;
  };
  const Case cases[] = {
      {"bad crc", testbed::Spoil::BAD_CRC, 1, false},
      {"overlong unit", testbed::Spoil::OVERLONG_UNIT, 1, false},
      {"length mismatch", testbed::Spoil::LENGTH_MISMATCH, 1, false},
      {"a reply's kind", testbed::Spoil::NONE, 2, false},
      {"a packet that starts at its second unit", testbed::Spoil::NONE, 1, true},
  };
  size_t requests = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    DWORD segmentSerial = 0;
    Bytes stream = Greeting();
    Bytes good = testbed::EncodePacket(params, 1, 1, 700, Body(20, 1), &segmentSerial);
    stream.insert(stream.end(), good.begin(), good.end());
    Bytes bad = testbed::EncodePacket(params, c.kind, 2, 701, Body(9000, 2), &segmentSerial, c.spoil);
    if (c.dropFirstUnit) bad.erase(bad.begin(), bad.begin() + ReadU32Le(bad.data()) + 4);
    stream.insert(stream.end(), bad.begin(), bad.end());
    ASSERT_TRUE(client.Write(stream, stream.size()));
    ++requests;
    ASSERT_TRUE(server.WaitForRequests(requests, 5000));
    EXPECT_TRUE(client.ClosedByServer());
    ASSERT_EQ(requests, server.Requests().size());
    EXPECT_EQ(700u, server.Requests().back().code);
  }
}

}  // namespace
