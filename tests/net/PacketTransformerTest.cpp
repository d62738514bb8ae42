#include <gtest/gtest.h>

#include <vector>

#include "net/PacketRecord.h"
#include "net/PacketTransformer.h"
#include "tests/net/TestBytes.h"

namespace {

using nettest::Content;
using nettest::Fill;
using nettest::FromHex;
using nettest::GetU32;
using nettest::PutU32;

const std::vector<BYTE> KEY = FromHex("000102030405060708090a0b0c0d0e0f");

// A derived transformer that counts its cipher steps.
struct CountingTransformer : CPacketTransformer {
  using CPacketTransformer::CPacketTransformer;
  int cryptSteps = 0;
  int CryptStep(CByteBuffer& buffer, DWORD flags) override {
    ++cryptSteps;
    return CPacketTransformer::CryptStep(buffer, flags);
  }
};

std::vector<BYTE> Encode(const std::vector<BYTE>& stream, DWORD cryptFlags, DWORD zipFlags) {
  CByteBuffer buffer;
  Fill(buffer, stream);
  CPacketTransformer transformer(KEY.data(), 128, cryptFlags, zipFlags);
  EXPECT_EQ(1, transformer.Process(buffer, TRANSFORM_ENCODE));
  return Content(buffer);
}

// 1 and the decoded bytes, or 0.
int Decode(const std::vector<BYTE>& encoded, std::vector<BYTE>& stream, DWORD cryptFlags = 0x100,
           DWORD zipFlags = 0) {
  CByteBuffer buffer;
  Fill(buffer, encoded);
  CPacketTransformer transformer(KEY.data(), 128, cryptFlags, zipFlags);
  const int done = transformer.Process(buffer, TRANSFORM_DECODE);
  stream = Content(buffer);
  return done;
}

std::vector<BYTE> Header(DWORD flags, DWORD input, DWORD payload) {
  std::vector<BYTE> bytes;
  for (DWORD word : {flags, input, 0u, 0u, payload}) PutU32(bytes, word);
  return bytes;
}

std::vector<BYTE> Cat(std::vector<BYTE> a, const std::vector<BYTE>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PacketTransformer, BothLayersOffWriteUnappliedHeaders) {
  const std::vector<BYTE> stream = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const auto encoded = Encode(stream, 0, 0);
  ASSERT_EQ(50u, encoded.size());
  EXPECT_EQ(Cat(Cat(Header(0, 30, 30), Header(0, 10, 10)), stream), encoded);
  std::vector<BYTE> back;
  ASSERT_EQ(1, Decode(encoded, back, 0, 0));
  EXPECT_EQ(stream, back);
}

TEST(PacketTransformer, CryptLayerWrapsTheZipLayer) {
  const std::vector<BYTE> stream(28, 0x5A);  // a record without data
  const auto encoded = Encode(stream, 0x100, 0);
  ASSERT_EQ(84u, encoded.size());
  EXPECT_EQ(Header(0x100, 48, 64), std::vector<BYTE>(encoded.begin(), encoded.begin() + 20));
  std::vector<BYTE> back;
  ASSERT_EQ(1, Decode(encoded, back));
  EXPECT_EQ(stream, back);
}

TEST(PacketTransformer, WholeBlockInputGetsAnEncipheredZeroBlock) {
  // A 12-byte stream makes a 32-byte zip layer: two whole blocks.
  const std::vector<BYTE> stream(12, 0x33);
  const auto encoded = Encode(stream, 0x100, 0);
  ASSERT_EQ(20u + 48u, encoded.size());
  EXPECT_EQ(32u, GetU32(encoded, 4));
  EXPECT_EQ(48u, GetU32(encoded, 16));
  std::vector<BYTE> zero(16, 0), zeroCipher(16);
  ASSERT_EQ(1, CCryptLayer::AesEcbEncrypt(KEY.data(), 128, zero.data(), 16, zeroCipher.data()));
  EXPECT_EQ(zeroCipher, std::vector<BYTE>(encoded.end() - 16, encoded.end()));
}

TEST(PacketTransformer, ZipLayerRoundTrip) {
  std::vector<BYTE> stream(5000, 'r');
  const auto encoded = Encode(stream, 0x100, 0x400);
  EXPECT_LT(encoded.size(), 200u);
  std::vector<BYTE> back;
  ASSERT_EQ(1, Decode(encoded, back, 0x100, 0x400));
  EXPECT_EQ(stream, back);
  // The receiver follows the headers, not its own settings.
  ASSERT_EQ(1, Decode(encoded, back, 0, 0));
  EXPECT_EQ(stream, back);
}

TEST(PacketTransformer, EmptyInputLeavesTheZipLayerUnapplied) {
  const auto encoded = Encode({}, 0, 0x400);
  EXPECT_EQ(Cat(Header(0, 20, 20), Header(0, 0, 0)), encoded);
}

TEST(PacketTransformer, ReceivedLayersAreChecked) {
  const std::vector<BYTE> stream(28, 0x11);
  const auto good = Encode(stream, 0x100, 0);  // 20-byte header and 64 bytes of ciphertext
  const auto zipped = Encode(std::vector<BYTE>(300, 'z'), 0, 0x400);
  const std::vector<BYTE> cipher(good.begin() + 20, good.end());
  const auto zipLayer = Cat(Header(0, 28, 28), stream);
  struct Case {
    const char* what;
    std::vector<BYTE> encoded;
    int result;
  } cases[] = {
      {"as sent", good, 1},
      {"one byte short", std::vector<BYTE>(good.begin(), good.end() - 1), 0},
      {"one byte extra", Cat(good, {0}), 0},
      {"input longer than payload", Cat(Header(0x100, 65, 64), cipher), 0},
      {"input length 0", Cat(Header(0x100, 0, 64), cipher), 0},
      {"crypt header without the crypt bit", Cat(Header(0x400, 48, 64), cipher), 0},
      {"shorter than a header", std::vector<BYTE>(19, 0), 0},
      {"nothing", {}, 0},
      {"crypt layer not applied on an encrypting side", Cat(Header(0, 48, 48), zipLayer), 1},
      {"zip layer with the crypt bit", Cat(Header(0, 48, 48), Cat(Header(0x100, 28, 28), stream)),
       0},
      {"zip payload length wrong",
       Cat(std::vector<BYTE>(zipped.begin(), zipped.end() - 1), {}), 0},
      {"zip layer not zlib", Cat(Header(0, 40, 40), Cat(Header(0x400, 28, 20), std::vector<BYTE>(20, 1))),
       0},
  };
  for (const auto& c : cases) {
    std::vector<BYTE> back;
    EXPECT_EQ(c.result, Decode(c.encoded, back, 0x100, 0)) << c.what;
  }
  std::vector<BYTE> back;
  ASSERT_EQ(1, Decode(good, back));
  EXPECT_EQ(stream, back);
}

TEST(PacketTransformer, UnknownDirectionAndTheReservedSlot) {
  CByteBuffer buffer;
  Fill(buffer, {1, 2, 3});
  CPacketTransformer transformer(KEY.data(), 128, 0x100, 0);
  EXPECT_EQ(0, transformer.Process(buffer, 3));
  EXPECT_EQ(0, transformer.Process(buffer, 0));
  EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), Content(buffer));
  EXPECT_EQ(0, transformer.TransformFile("a", "b", 4096, 1));
  EXPECT_EQ(1, transformer.Init(nullptr, 0, 0, 0));
  EXPECT_EQ(1, transformer.Process(buffer, TRANSFORM_ENCODE));
  EXPECT_EQ(43u, buffer.GetLength());
}

TEST(PacketTransformer, EncryptingWithoutAUsableKeyFails) {
  CByteBuffer buffer;
  Fill(buffer, {1, 2, 3});
  CPacketTransformer transformer(KEY.data(), 100, 0x100, 0);
  EXPECT_EQ(0, transformer.Process(buffer, TRANSFORM_ENCODE));
}


// Encoding with only the encryption layer is built in the buffer itself; it must give exactly
// the bytes of the two steps run one after the other, at every length around the cipher's block
// and for a buffer that already holds a large block. A derived transformer's own step is still
// the one that runs.
TEST(PacketTransformer, InPlaceEncodeMatchesTheTwoSteps) {
  for (DWORD length : {0u, 1u, 11u, 12u, 13u, 15u, 16u, 27u, 28u, 29u, 44u, 1000u, 1004u, 1032u, 4000u}) {
    std::vector<BYTE> stream(length);
    for (DWORD i = 0; i < length; ++i) stream[i] = static_cast<BYTE>(i * 13 + 7);
    CByteBuffer stepwise;
    Fill(stepwise, stream);
    CPacketTransformer steps(KEY.data(), 128, 0x100, 0);
    ASSERT_EQ(1, steps.ZipStep(stepwise, LAYER_WRAP));
    ASSERT_EQ(1, steps.CryptStep(stepwise, LAYER_WRAP));
    EXPECT_EQ(Content(stepwise), Encode(stream, 0x100, 0)) << "length " << length;

    CByteBuffer reused;
    reused.Reserve(64 * 1024);
    Fill(reused, stream);
    CPacketTransformer again(KEY.data(), 128, 0x100, 0);
    ASSERT_EQ(1, again.Process(reused, TRANSFORM_ENCODE));
    EXPECT_EQ(Content(stepwise), Content(reused)) << "length " << length;
    std::vector<BYTE> back;
    ASSERT_EQ(1, Decode(Content(reused), back));
    EXPECT_EQ(stream, back);
  }

  CountingTransformer counting(KEY.data(), 128, 0x100, 0);
  CByteBuffer buffer;
  Fill(buffer, {1, 2, 3});
  EXPECT_EQ(1, counting.Process(buffer, TRANSFORM_ENCODE));
  EXPECT_EQ(1, counting.cryptSteps);
}

// A record is encoded straight into the buffer with exactly the bytes of its packet stream put
// through Process, for every layer setting, at data lengths around the cipher's block and into
// buffers that are new, too small or already hold something.
TEST(PacketTransformer, EncodeRecordMatchesTheStreamThroughProcess) {
  struct Setting {
    DWORD keyBits;
    DWORD cryptFlags;
    DWORD zipFlags;
  } settings[] = {{128, 0x100, 0}, {128, 0x100, 0x400}, {128, 0, 0x400}, {128, 0, 0}, {128, 0x300, 0}};
  for (const auto& setting : settings) {
    for (DWORD length : {0u, 1u, 4u, 15u, 16u, 17u, 31u, 32u, 1000u, 1024u, 1030u, 3972u, 9000u}) {
      const auto data = nettest::NoiseBytes(length, length + 1);
      PacketRecord record{};
      record.head = PacketHead{9, 211000, {1, 2, 3, 4}};
      record.length = static_cast<int32_t>(length);
      record.data = length ? const_cast<BYTE*>(data.data()) : nullptr;

      CByteBuffer expected;
      ASSERT_LT(0u, AppendPacketStream(expected, record));
      CPacketTransformer reference(KEY.data(), setting.keyBits, setting.cryptFlags, setting.zipFlags);
      ASSERT_EQ(1, reference.Process(expected, TRANSFORM_ENCODE));

      CByteBuffer fresh, small, holding;
      small.Clear();
      holding.Reserve(64 * 1024);
      Fill(holding, std::vector<BYTE>(3000, 0xEE));
      for (CByteBuffer* buffer : {&fresh, &small, &holding}) {
        CPacketTransformer transformer(KEY.data(), setting.keyBits, setting.cryptFlags, setting.zipFlags);
        ASSERT_EQ(1, transformer.EncodeRecord(*buffer, record)) << length;
        EXPECT_EQ(Content(expected), Content(*buffer))
            << "length " << length << " crypt " << setting.cryptFlags << " zip " << setting.zipFlags;
      }
    }
  }
}

TEST(PacketTransformer, EncodeRecordRefusesWhatHasNoStreamOrNoKey) {
  const std::vector<BYTE> data(40, 7);
  PacketRecord negative{};
  negative.length = -1;
  negative.data = const_cast<BYTE*>(data.data());
  PacketRecord missing{};
  missing.length = 40;
  PacketRecord good{};
  good.length = 40;
  good.data = const_cast<BYTE*>(data.data());
  struct Case {
    const char* what;
    const PacketRecord& record;
    DWORD keyBits;
    DWORD cryptFlags;
    int result;
  } cases[] = {
      {"negative length", negative, 128, 0x100, 0},
      {"length without data", missing, 128, 0x100, 0},
      {"negative length, no layers", negative, 128, 0, 0},
      {"key size not usable", good, 100, 0x100, 0},
      {"crypt flags without the crypt bit", good, 128, 0x200, 0},
      {"good", good, 128, 0x100, 1},
  };
  for (const auto& c : cases) {
    CByteBuffer buffer;
    CPacketTransformer transformer(KEY.data(), c.keyBits, c.cryptFlags, 0);
    EXPECT_EQ(c.result, transformer.EncodeRecord(buffer, c.record)) << c.what;
  }
}

// A derived transformer's own steps still run when a record is encoded.
TEST(PacketTransformer, EncodeRecordRunsADerivedTransformersSteps) {
  CountingTransformer counting(KEY.data(), 128, 0x100, 0);
  const std::vector<BYTE> data(5, 1);
  PacketRecord record{};
  record.length = 5;
  record.data = const_cast<BYTE*>(data.data());
  CByteBuffer buffer;
  EXPECT_EQ(1, counting.EncodeRecord(buffer, record));
  EXPECT_EQ(1, counting.cryptSteps);
  std::vector<BYTE> back;
  ASSERT_EQ(1, Decode(Content(buffer), back));
  EXPECT_EQ(33u, back.size());
}

}  // namespace
