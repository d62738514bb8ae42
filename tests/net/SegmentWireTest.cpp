// The bytes a request puts on the wire, read by a plain socket: the greeting block, the unit
// layout, the CRC over the zeroed head, and the cutting of a large packet into segments.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "net/Crc32.h"
#include "net/SocketConnection.h"
#include "net/WireBytes.h"
#include "testbed/server/WireCodec.h"
#include "tests/support/LoopbackTools.h"

namespace {

using Bytes = std::vector<BYTE>;

using testsupport::PlainListener;

// Counts the sends that reach the socket.
class CountingConnection : public CSocketConnection {
 public:
  CountingConnection() : CSocketConnection(testbed::DefaultPacketKey(), 128, 0x100, 0, 1, 4000) {}
  int Send(SOCKET socket, const BYTE* data, int length, const char* host, int port) override {
    ++sends;
    return CSocketConnection::Send(socket, data, length, host, port);
  }
  int sends = 0;
};

// The bytes a body of n bytes puts on the wire with the AES layer on: stream, zip header, AES
// blocks and header, then one unit per 4000 bytes.
size_t UnitBytes(size_t body) {
  size_t plain = 28 + body + 20;
  size_t encoded = plain - plain % 16 + 16 + 20;
  return encoded + 60 * ((encoded + 3999) / 4000);
}

struct WireFixture : ::testing::Test {
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
  }
  void TearDown() override { connection.Close(); }

  int Connect() {
    static const char greeting[] = "Hello! Play Harbour.";
    return connection.Connect("127.0.0.1", listener.Port(), 5, nullptr, 0, 0, reinterpret_cast<const BYTE*>(greeting),
                              sizeof greeting, 0, 0);
  }
  void Send(size_t bodyBytes) { ASSERT_EQ(1, TrySend(bodyBytes)); }
  // A small send buffer fills quickly, so that a test of a full socket needs no large packet.
  void ShrinkSendBuffer() {
    int size = 16 * 1024;
    ASSERT_EQ(0, setsockopt(connection.GetSocket(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size),
                            sizeof size));
  }
  int TrySend(size_t bodyBytes) {
    Bytes body(bodyBytes, 0x33);
    PacketEnvelope envelope{};
    PacketRecord request{};
    request.head.code = 200110;
    request.length = static_cast<int32_t>(body.size());
    request.data = body.data();
    return connection.SendAndWait(&envelope, &request, nullptr, nullptr, 1000, 0, 0, 1, nullptr, 0);
  }

  PlainListener listener;
  CountingConnection connection;
};

TEST_F(WireFixture, GreetingAndOneUnitOfA32ByteBody) {
  ASSERT_EQ(1, Connect());
  Bytes greeting = listener.Read(25);
  ASSERT_EQ(25u, greeting.size());
  EXPECT_EQ(21u, ReadU32Le(greeting.data()));
  EXPECT_EQ(0, memcmp(greeting.data() + 4, "Hello! Play Harbour.", 21));

  Send(32);
  // Stream 60, zip header 80, AES 96 + 20 = 116 bytes: one unit of 176 bytes.
  Bytes unit = listener.Read(176);
  ASSERT_EQ(176u, unit.size());
  EXPECT_EQ(172u, ReadU32Le(unit.data()));
  const BYTE* head = unit.data() + 4;
  EXPECT_EQ(1u, ReadU32Le(head + 0));   // kind
  EXPECT_EQ(1u, ReadU32Le(head + 4));   // segment serial
  EXPECT_EQ(1u, ReadU32Le(head + 8));   // CRC flag
  EXPECT_EQ(1u, ReadU32Le(head + 24));  // request serial
  EXPECT_EQ(1u, ReadU32Le(head + 28));  // segment number
  EXPECT_EQ(1u, ReadU32Le(head + 32));  // last
  EXPECT_EQ(0u, ReadU32Le(head + 40));  // no reply wanted
  EXPECT_EQ(116u, ReadU32Le(unit.data() + 56));
  EXPECT_EQ(0x100u, ReadU32Le(unit.data() + 60));  // the AES layer's header comes first
  DWORD crc = ReadU32Le(head + 12);
  WriteU32Le(unit.data() + 12, 0);
  WriteU32Le(unit.data() + 16, 0);
  EXPECT_EQ(crc, CCrc32::Compute(unit.data(), 176));
}

TEST_F(WireFixture, ALargePacketGoesOutAsThreeUnits) {
  ASSERT_EQ(1, Connect());
  listener.Read(25);
  // A body of 8912 bytes: stream 8940, zip header 8960, AES 8976 + 20 = 8996 encoded bytes.
  Send(8912);
  std::vector<DWORD> sizes;
  for (int i = 0; i < 3; ++i) {
    Bytes lengthWord = listener.Read(4);
    ASSERT_EQ(4u, lengthWord.size());
    DWORD a = ReadU32Le(lengthWord.data());
    Bytes rest = listener.Read(a);
    ASSERT_EQ(a, rest.size());
    Bytes unit(lengthWord);
    unit.insert(unit.end(), rest.begin(), rest.end());
    const BYTE* head = unit.data() + 4;
    EXPECT_EQ(static_cast<DWORD>(i + 1), ReadU32Le(head + 4));   // consecutive segment serials
    EXPECT_EQ(1u, ReadU32Le(head + 24));                          // one request serial
    EXPECT_EQ(static_cast<DWORD>(i + 1), ReadU32Le(head + 28));
    EXPECT_EQ(i == 2 ? 1u : 0u, ReadU32Le(head + 32));
    DWORD crc = ReadU32Le(head + 12);
    WriteU32Le(unit.data() + 12, 0);
    WriteU32Le(unit.data() + 16, 0);
    EXPECT_EQ(crc, CCrc32::Compute(unit.data(), static_cast<DWORD>(unit.size())));
    sizes.push_back(a - 56);
  }
  EXPECT_EQ((std::vector<DWORD>{4000, 4000, 996}), sizes);
}

// Every unit of a request leaves with one send, whatever the number of segments.
TEST_F(WireFixture, ARequestLeavesWithOneSend) {
  ASSERT_EQ(1, Connect());
  listener.Read(25);
  for (size_t body : {size_t(32), size_t(8912)}) {
    const int before = connection.sends;
    Send(body);
    EXPECT_EQ(before + 1, connection.sends) << body;
    EXPECT_EQ(UnitBytes(body), listener.Read(UnitBytes(body)).size()) << body;
  }
}

// A chunk that claims more bytes than the buffer holds fails the packet before any of its units
// goes out, also when the chunks in front of it are sound.
TEST_F(WireFixture, ABrokenChunkBufferPutsNothingOnTheWire) {
  ASSERT_EQ(1, Connect());
  listener.Read(25);
  const int before = connection.sends;
  CByteBuffer chunks;
  BYTE word[4];
  const BYTE payload[20] = {1, 2, 3};
  WriteU32Le(word, 20);
  chunks.Append(word, 4);
  chunks.Append(payload, 20);
  WriteU32Le(word, 30);
  chunks.Append(word, 4);
  chunks.Append(payload, 20);
  EXPECT_EQ(0, connection.SendPacket(&chunks, 0, 1, nullptr, 0));
  EXPECT_EQ(before, connection.sends);
}

// Requests are small and wait for their replies: the connection's socket sends without delay.
TEST_F(WireFixture, TheConnectionSendsWithoutDelay) {
  ASSERT_EQ(1, Connect());
  int noDelay = 0;
  int length = sizeof noDelay;
  ASSERT_EQ(0, getsockopt(connection.GetSocket(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&noDelay),
                          &length));
  EXPECT_NE(0, noDelay);
}

// A server that reads late: the send waits for the socket to take data again and goes on when
// it does.
TEST_F(WireFixture, ASendIntoAFullSocketResumesWhenTheServerReads) {
  ASSERT_EQ(1, Connect());
  listener.Read(25);
  ShrinkSendBuffer();
  // Far more than the socket buffers of both ends hold while nobody reads.
  const size_t body = 1024 * 1024;
  size_t received = 0;
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    received = listener.Read(UnitBytes(body), 10000).size();
  });
  EXPECT_EQ(1, TrySend(body));
  reader.join();
  EXPECT_EQ(UnitBytes(body), received);
}

// A server that never reads: when the socket takes nothing for a second the send gives up and
// the request fails, and the connection still closes at once.
TEST_F(WireFixture, ASendIntoASocketNobodyReadsGivesUp) {
  ASSERT_EQ(1, Connect());
  listener.Read(25);
  ShrinkSendBuffer();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, TrySend(1024 * 1024));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  start = std::chrono::steady_clock::now();
  connection.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
