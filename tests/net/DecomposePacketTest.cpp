#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "net/ChunkFraming.h"
#include "net/DecomposePacket.h"
#include "net/PacketTransformer.h"
#include "tests/net/LogCapture.h"
#include "tests/net/TestBytes.h"

namespace {

using nettest::Content;
using nettest::Fill;
using nettest::FromHex;

const std::vector<BYTE> KEY = FromHex("000102030405060708090a0b0c0d0e0f");
const PacketEnvelope ENVELOPE{0x1234, 7, 1, 3, {0, 0}};

// Envelope words followed by the chunks of an encoded packet stream, as reassembly hands it over.
std::vector<BYTE> MakeBlock(const std::vector<BYTE>& stream, DWORD cryptFlags, DWORD zipFlags,
                            int largest = 4000) {
  CByteBuffer buffer, chunks;
  Fill(buffer, stream);
  CPacketTransformer transformer(KEY.data(), 128, cryptFlags, zipFlags);
  EXPECT_EQ(1, transformer.Process(buffer, TRANSFORM_ENCODE));
  EXPECT_LT(0, SplitIntoChunks(buffer, chunks, largest));
  std::vector<BYTE> block(PACKET_ENVELOPE_SIZE);
  WritePacketEnvelope(block.data(), ENVELOPE);
  const auto framed = Content(chunks);
  block.insert(block.end(), framed.begin(), framed.end());
  return block;
}

std::vector<BYTE> StreamOf(uint32_t code, const std::vector<BYTE>& data) {
  PacketRecord record{};
  record.head.code = code;
  record.length = static_cast<int32_t>(data.size());
  record.data = const_cast<BYTE*>(data.data());
  CByteBuffer buffer;
  AppendPacketStream(buffer, record);
  return Content(buffer);
}

// Decodes and checks that a failure hands out nothing.
int Decompose(const std::vector<BYTE>& block, PacketEnvelope** envelope, PacketRecord** record,
              DWORD cryptFlags = 0x100, DWORD zipFlags = 0) {
  const int done = DecomposePacket(block.data(), static_cast<DWORD>(block.size()), envelope, record,
                                   KEY.data(), 128, cryptFlags, zipFlags, 4000);
  if (!done) {
    EXPECT_EQ(nullptr, *envelope);
    EXPECT_EQ(nullptr, *record);
  }
  return done;
}

void Release(PacketEnvelope* envelope, PacketRecord* record) {
  delete envelope;
  FreePacketData(record);
  delete record;
}

TEST(DecomposePacket, RoundTripsRecordsOfEverySize) {
  for (size_t size : {0u, 1u, 5u, 15u, 16u, 17u, 1024u, 3972u, 3973u, 9000u}) {
    for (DWORD zip : {0u, 0x400u}) {
      const auto data = nettest::NoiseBytes(size, static_cast<uint32_t>(size));
      const auto block = MakeBlock(StreamOf(211000, data), 0x100, zip);
      PacketEnvelope* envelope = nullptr;
      PacketRecord* record = nullptr;
      ASSERT_EQ(1, Decompose(block, &envelope, &record, 0x100, zip)) << size << " " << zip;
      EXPECT_EQ(0x1234u, envelope->socket);
      EXPECT_EQ(7, envelope->requestSerial);
      EXPECT_EQ(1, envelope->replyWanted);
      EXPECT_EQ(3, envelope->connectionId);
      EXPECT_EQ(211000u, record->head.code);
      ASSERT_EQ(static_cast<int32_t>(size), record->length);
      if (size == 0) {
        EXPECT_EQ(nullptr, record->data);
      } else {
        EXPECT_EQ(data, std::vector<BYTE>(record->data, record->data + size));
      }
      Release(envelope, record);
    }
  }
}

// The fixture was made by Python's zlib and the openssl command line (make_fixture.sh).
TEST(DecomposePacket, DecodesAPacketMadeByOtherTools) {
  std::ifstream packetFile(PXQD_TEST_DATA "/net/packet.bin", std::ios::binary);
  std::ifstream dataFile(PXQD_TEST_DATA "/net/record-data.bin", std::ios::binary);
  ASSERT_TRUE(packetFile && dataFile);
  const std::vector<BYTE> block{std::istreambuf_iterator<char>(packetFile), {}};
  const std::vector<BYTE> data{std::istreambuf_iterator<char>(dataFile), {}};
  ASSERT_EQ(6000u, data.size());
  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  // The receiver's own zip setting does not matter: the header says the layer is there.
  ASSERT_EQ(1, Decompose(block, &envelope, &record, 0x100, 0));
  EXPECT_EQ(0x1234u, envelope->socket);
  EXPECT_EQ(7, envelope->requestSerial);
  EXPECT_EQ(3, envelope->connectionId);
  EXPECT_EQ(211000u, record->head.code);
  ASSERT_EQ(6000, record->length);
  EXPECT_EQ(data, std::vector<BYTE>(record->data, record->data + 6000));
  Release(envelope, record);
}

class DecomposePacketFailures : public nettest::LogCapture {};

TEST_F(DecomposePacketFailures, BrokenPacketsGiveNothing) {
  const std::vector<BYTE> data = {1, 2, 3, 4, 5};
  auto withLength = [&](int32_t length, size_t dataBytes) {
    std::vector<BYTE> stream = StreamOf(10, std::vector<BYTE>(dataBytes, 9));
    const uint32_t word = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i) stream[24 + i] = static_cast<BYTE>(word >> (8 * i));
    return MakeBlock(stream, 0x100, 0);
  };
  auto good = MakeBlock(StreamOf(10, data), 0x100, 0);
  auto badChunk = good;
  badChunk[PACKET_ENVELOPE_SIZE] = 0xA1;  // chunk length 4001 and more
  badChunk[PACKET_ENVELOPE_SIZE + 1] = 0x0F;
  auto badCipherLength = good;
  badCipherLength.pop_back();
  badCipherLength[PACKET_ENVELOPE_SIZE] -= 1;
  struct Case {
    const char* what;
    std::vector<BYTE> block;
  } cases[] = {
      {"shorter than an envelope", std::vector<BYTE>(good.begin(), good.begin() + 23)},
      {"envelope only", std::vector<BYTE>(good.begin(), good.begin() + 24)},
      {"negative record length", withLength(-1, 0)},
      {"record length beyond the stream", withLength(6, 5)},
      {"record length far beyond the stream", withLength(0x7FFFFFFF, 5)},
      {"stream shorter than head and length", MakeBlock(std::vector<BYTE>(27, 0), 0x100, 0)},
      {"chunk length beyond the largest payload", badChunk},
      {"crypt payload cut short", badCipherLength},
  };
  for (const auto& c : cases) {
    PacketEnvelope* envelope = nullptr;
    PacketRecord* record = nullptr;
    EXPECT_EQ(0, Decompose(c.block, &envelope, &record)) << c.what;
  }
  PacketEnvelope* envelope = nullptr;
  PacketRecord* record = nullptr;
  ASSERT_EQ(1, Decompose(withLength(5, 5), &envelope, &record)) << "the exact length is fine";
  Release(envelope, record);
  // Bytes after the record's data are not part of it.
  ASSERT_EQ(1, Decompose(withLength(4, 5), &envelope, &record));
  EXPECT_EQ(4, record->length);
  Release(envelope, record);
  EXPECT_EQ(0, DecomposePacket(good.data(), static_cast<DWORD>(good.size()), nullptr, &record,
                               KEY.data(), 128, 0x100, 0, 4000));
}

}  // namespace
