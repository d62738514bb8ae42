#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
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

// Records and envelopes made with new reuse blocks freed before; these check that reused blocks
// never alias a live object, start clear when asked to, and move between threads.
struct MadePair {
  PacketEnvelope* envelope;
  PacketRecord* record;
};

MadePair MakeFilledPair(int i) {
  auto* envelope = new PacketEnvelope{static_cast<uint32_t>(i), i, 1, i, {7, 7}};
  auto* record = new PacketRecord{};
  record->head.code = static_cast<uint32_t>(i);
  record->length = 2;
  record->data = new BYTE[2]{static_cast<BYTE>(i), 9};
  return {envelope, record};
}

void FreePair(const MadePair& pair) {
  delete pair.envelope;
  FreePacketData(pair.record);
  delete pair.record;
}

// Many more than a thread keeps and the shared shelf holds, so that kept blocks, shelved ones
// and the heap's are all handed out.
constexpr int MANY = 1000;

void ExpectPairsDistinctAndIntact(const std::vector<MadePair>& pairs) {
  std::set<const void*> seen;
  for (size_t i = 0; i < pairs.size(); ++i) {
    EXPECT_TRUE(seen.insert(pairs[i].envelope).second) << i;
    EXPECT_TRUE(seen.insert(pairs[i].record).second) << i;
    const int expected = static_cast<int>(i);
    EXPECT_EQ(expected, pairs[i].envelope->requestSerial) << i;
    EXPECT_EQ(7u, pairs[i].envelope->reserved[1]) << i;
    EXPECT_EQ(static_cast<uint32_t>(expected), pairs[i].record->head.code) << i;
    ASSERT_EQ(2, pairs[i].record->length) << i;
    EXPECT_EQ(static_cast<BYTE>(expected), pairs[i].record->data[0]) << i;
    EXPECT_EQ(9, pairs[i].record->data[1]) << i;
  }
}

TEST(PacketRecordBlocks, ReusedBlocksNeverAliasLiveObjects) {
  // Freed in the order made, in the reverse order, and every other one first: each round's
  // objects are all live together and keep what was written into them.
  enum Order { FORWARD, BACKWARD, ALTERNATE };
  for (Order order : {FORWARD, BACKWARD, ALTERNATE, FORWARD}) {
    std::vector<MadePair> pairs;
    for (int i = 0; i < MANY; ++i) pairs.push_back(MakeFilledPair(i));
    ExpectPairsDistinctAndIntact(pairs);
    if (order == BACKWARD) {
      for (int i = MANY - 1; i >= 0; --i) FreePair(pairs[i]);
    } else if (order == ALTERNATE) {
      for (int i = 0; i < MANY; i += 2) FreePair(pairs[i]);
      for (int i = 1; i < MANY; i += 2) FreePair(pairs[i]);
    } else {
      for (const MadePair& pair : pairs) FreePair(pair);
    }
  }
}

TEST(PacketRecordBlocks, ValueInitialisedObjectsStartClearInReusedBlocks) {
  for (int round = 0; round < 3; ++round) {
    FreePair(MakeFilledPair(0x5A5A5A5A));
    auto* envelope = new PacketEnvelope{};
    auto* record = new PacketRecord{};
    const PacketEnvelope clearEnvelope{};
    const PacketRecord clearRecord{};
    EXPECT_EQ(0, memcmp(&clearEnvelope, envelope, sizeof clearEnvelope)) << round;
    EXPECT_EQ(0, memcmp(&clearRecord.head, &record->head, sizeof clearRecord.head)) << round;
    EXPECT_EQ(0, record->length);
    EXPECT_EQ(nullptr, record->data);
    delete envelope;
    delete record;
  }
}

TEST(PacketRecordBlocks, ObjectsMadeOnOneThreadAreFreedOnAnother) {
  // As notifications travel: a worker makes them and ends, the receiver frees them, and both
  // sides go on making and freeing their own.
  for (int round = 0; round < 3; ++round) {
    std::vector<MadePair> made;
    std::thread worker([&made] {
      for (int i = 0; i < MANY; ++i) made.push_back(MakeFilledPair(i));
      // The worker's own short-lived pairs, kept by it until it ends.
      for (int i = 0; i < 10; ++i) FreePair(MakeFilledPair(i));
    });
    worker.join();
    ExpectPairsDistinctAndIntact(made);
    for (const MadePair& pair : made) FreePair(pair);

    std::vector<MadePair> own;
    for (int i = 0; i < MANY; ++i) own.push_back(MakeFilledPair(i));
    ExpectPairsDistinctAndIntact(own);
    std::thread receiver([&own] {
      for (const MadePair& pair : own) FreePair(pair);
    });
    receiver.join();
  }
}

TEST(PacketRecordBlocks, AWorkerAndAReceiverRunningTogetherShareBlocks) {
  // The worker makes pairs while the receiver frees them, so full lists go back and forth
  // between the two threads as they run; each pair must arrive as it was made.
  std::mutex lock;
  std::condition_variable arrived;
  std::deque<MadePair> queue;
  std::vector<MadePair> received;
  std::thread receiver([&] {
    for (int i = 0; i < 4 * MANY; ++i) {
      std::unique_lock<std::mutex> hold(lock);
      arrived.wait(hold, [&] { return !queue.empty(); });
      const MadePair pair = queue.front();
      queue.pop_front();
      hold.unlock();
      if (pair.envelope->requestSerial != i % MANY || pair.record->data[0] != static_cast<BYTE>(i % MANY)) {
        received.push_back(pair);  // checked below, after the join
      } else {
        FreePair(pair);
      }
    }
  });
  for (int i = 0; i < 4 * MANY; ++i) {
    const MadePair pair = MakeFilledPair(i % MANY);
    {
      std::lock_guard<std::mutex> hold(lock);
      queue.push_back(pair);
    }
    arrived.notify_one();
  }
  receiver.join();
  EXPECT_TRUE(received.empty()) << received.size() << " pairs arrived changed";
  for (const MadePair& pair : received) FreePair(pair);
}

TEST(PacketRecordBlocksDeathTest, FreeingTwiceStopsTheProgram) {
  // A block freed twice must not be handed out to two owners later.
  struct Case {
    const char* name;
    bool otherFreedBetween;
    bool envelope;
  } cases[] = {{"record, at once", false, false},
               {"record, another freed between", true, false},
               {"envelope, at once", false, true},
               {"envelope, another freed between", true, true}};
  for (const Case& c : cases) {
    EXPECT_DEATH(
        {
          if (c.envelope) {
            std::vector<PacketEnvelope*> twice{new PacketEnvelope{}};
            twice.push_back(twice[0]);
            delete twice[0];
            if (c.otherFreedBetween) delete new PacketEnvelope{};
            delete twice[1];
          } else {
            std::vector<PacketRecord*> twice{new PacketRecord{}};
            twice.push_back(twice[0]);
            delete twice[0];
            if (c.otherFreedBetween) delete new PacketRecord{};
            delete twice[1];
          }
        },
        "")
        << c.name;
  }
}

}  // namespace
