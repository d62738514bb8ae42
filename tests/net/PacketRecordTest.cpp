#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "net/ByteBuffer.h"
#include "net/PacketRecord.h"

namespace {

TEST(PacketRecord, CopyGivesAnIndependentBlock) {
  BYTE data[5] = {1, 2, 3, 4, 5};
  PacketRecord source{};
  source.head.code = 211000;
  source.head.reserved[2] = 9;
  source.length = 5;
  source.data = data;

  PacketRecord copy{};
  EXPECT_EQ(5, CopyPacketRecord(&copy, &source));
  EXPECT_EQ(211000u, copy.head.code);
  EXPECT_EQ(9u, copy.head.reserved[2]);
  ASSERT_NE(nullptr, copy.data);
  EXPECT_NE(data, copy.data);
  EXPECT_EQ(0, memcmp(data, copy.data, 5));
  data[0] = 77;
  EXPECT_EQ(1, copy.data[0]);
  FreePacketData(&copy);
}

TEST(PacketRecord, CopyWithoutDataGivesNullPointer) {
  struct Case {
    int32_t length;
    bool withData;
  } cases[] = {{0, false}, {0, true}, {4, false}, {-3, true}};
  BYTE data[4] = {};
  for (const auto& c : cases) {
    PacketRecord source{};
    source.length = c.length;
    source.data = c.withData ? data : nullptr;
    PacketRecord copy{};
    copy.data = reinterpret_cast<BYTE*>(&copy);  // must be overwritten, not freed
    EXPECT_EQ(0, CopyPacketRecord(&copy, &source)) << c.length;
    EXPECT_EQ(nullptr, copy.data);
    EXPECT_EQ(c.length, copy.length);
  }
  EXPECT_EQ(0, CopyPacketRecord(nullptr, nullptr));
}

TEST(PacketRecord, FreePacketDataTwiceFreesOnce) {
  PacketRecord record{};
  record.head.code = 10;
  record.length = 3;
  record.data = new BYTE[3];
  FreePacketData(&record);
  EXPECT_EQ(nullptr, record.data);
  EXPECT_EQ(3, record.length);
  EXPECT_EQ(10u, record.head.code);
  FreePacketData(&record);  // the sanitizer build catches a second free
  FreePacketData(nullptr);
}

TEST(PacketRecord, WireFormIsLittleEndianWords) {
  PacketHead head{0x01020304, 0xA0B0C0D0, {5, 6, 7, 0xFFFFFFFF}};
  BYTE bytes[PACKET_HEAD_SIZE];
  WritePacketHead(bytes, head);
  const BYTE expected[PACKET_HEAD_SIZE] = {4, 3, 2, 1, 0xD0, 0xC0, 0xB0, 0xA0, 5, 0, 0, 0,
                                           6, 0, 0, 0, 7,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(0, memcmp(expected, bytes, sizeof bytes));
  const PacketHead back = ReadPacketHead(bytes);
  EXPECT_EQ(0, memcmp(&head, &back, sizeof head));

  PacketEnvelope envelope{0x1234, -2, 1, 7, {0, 0}};
  BYTE envelopeBytes[PACKET_ENVELOPE_SIZE];
  WritePacketEnvelope(envelopeBytes, envelope);
  EXPECT_EQ(0xFE, envelopeBytes[4]);
  EXPECT_EQ(0xFF, envelopeBytes[7]);
  const PacketEnvelope envelopeBack = ReadPacketEnvelope(envelopeBytes);
  EXPECT_EQ(0x1234u, envelopeBack.socket);
  EXPECT_EQ(-2, envelopeBack.requestSerial);
  EXPECT_EQ(1, envelopeBack.replyWanted);
  EXPECT_EQ(7, envelopeBack.connectionId);
}

TEST(PacketRecord, StreamIsHeadLengthAndData) {
  BYTE data[3] = {0xAA, 0xBB, 0xCC};
  PacketRecord record{};
  record.head.code = 0x10;
  record.length = 3;
  record.data = data;
  CByteBuffer buffer;
  EXPECT_EQ(31u, AppendPacketStream(buffer, record));
  ASSERT_EQ(31u, buffer.GetLength());
  EXPECT_EQ(0x10, buffer.PtrAt(0)[4]);
  EXPECT_EQ(3, buffer.PtrAt(0)[24]);
  EXPECT_EQ(0xCC, buffer.PtrAt(0)[30]);

  PacketRecord broken{};
  broken.length = -1;
  EXPECT_EQ(0u, AppendPacketStream(buffer, broken));
  broken.length = 4;  // a length without data
  EXPECT_EQ(0u, AppendPacketStream(buffer, broken));
  EXPECT_EQ(31u, buffer.GetLength());
}

}  // namespace
