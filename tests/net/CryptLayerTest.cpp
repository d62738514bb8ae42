#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "net/CryptLayer.h"
#include "tests/net/TestBytes.h"

namespace {

using nettest::FromHex;
using nettest::ToHex;

// The known answers of the AES standard (FIPS-197, appendices B and C).
TEST(CryptLayer, AesKnownAnswers) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  } cases[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
       "3925841d02dc09fbdc118597196a0b32"},
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
       "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
  };
  CCryptLayer layer;
  for (const auto& c : cases) {
    const auto key = FromHex(c.key);
    const auto plain = FromHex(c.plain);
    const DWORD bits = static_cast<DWORD>(key.size() * 8);
    DWORD size = 0;
    ASSERT_EQ(1, layer.Transform(key.data(), bits, plain.data(), 16, nullptr, &size, 0x101));
    ASSERT_EQ(32u, size) << "a whole block reports one block of padding room";
    std::vector<BYTE> out(size, 0xEE);
    ASSERT_EQ(1, layer.Transform(key.data(), bits, plain.data(), 16, out.data(), &size, 0x101));
    EXPECT_EQ(c.cipher, ToHex(out.data(), 16)) << bits;
    EXPECT_EQ(0xEE, out[16]) << "only the whole blocks of the input are written";

    std::vector<BYTE> back(32);
    ASSERT_EQ(1, layer.Transform(key.data(), bits, out.data(), 16, back.data(), &size, 0x102));
    EXPECT_EQ(c.plain, ToHex(back.data(), 16)) << bits;
  }
}

TEST(CryptLayer, OutputSizeIsRoundedDownPlusOneBlock) {
  struct Case {
    DWORD length;
    DWORD size;
  } cases[] = {{0, 16}, {1, 16}, {15, 16}, {16, 32}, {20, 32}, {32, 48}, {48, 64}, {4095, 4096}};
  for (const auto& c : cases) EXPECT_EQ(c.size, CCryptLayer::GetOutputSize(c.length)) << c.length;
  EXPECT_EQ(0u, CCryptLayer::GetOutputSize(0xFFFFFFF5u));
}

TEST(CryptLayer, PartialBlockIsZeroPaddedBothWays) {
  const auto key = FromHex("000102030405060708090a0b0c0d0e0f");
  const auto plain = FromHex("00112233445566778899aabbccddeeff0102030405");  // 21 bytes
  std::vector<BYTE> out(32);
  ASSERT_EQ(1, CCryptLayer::AesEcbEncrypt(key.data(), 128, plain.data(), 21, out.data()));
  EXPECT_EQ("69c4e0d86a7b0430d8cdb78070b4c55a", ToHex(out.data(), 16)) << "ECB: no chaining";
  std::vector<BYTE> padded(16, 0);
  std::copy(plain.begin() + 16, plain.end(), padded.begin());
  std::vector<BYTE> second(16);
  ASSERT_EQ(1, CCryptLayer::AesEcbEncrypt(key.data(), 128, padded.data(), 16, second.data()));
  EXPECT_EQ(ToHex(second.data(), 16), ToHex(out.data() + 16, 16));

  // A ciphertext cut to a partial block is zero-filled before it is deciphered, never read past.
  std::vector<BYTE> back(32);
  ASSERT_EQ(1, CCryptLayer::AesEcbDecrypt(key.data(), 128, out.data(), 20, back.data()));
  EXPECT_EQ("00112233445566778899aabbccddeeff", ToHex(back.data(), 16));
}

TEST(CryptLayer, RefusesWithoutItsFlagOrWithABadKey) {
  const auto key = FromHex("000102030405060708090a0b0c0d0e0f1011121314151617");
  const BYTE input[16] = {};
  BYTE out[32];
  DWORD size = 0;
  CCryptLayer layer;
  struct Case {
    const BYTE* key;
    DWORD bits;
    DWORD flags;
  } cases[] = {
      {key.data(), 128, 0x001}, {key.data(), 128, 0x402}, {key.data(), 128, 0x100},
      {key.data(), 64, 0x101},  {key.data(), 160, 0x102}, {nullptr, 128, 0x101},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(0, layer.Transform(c.key, c.bits, input, 16, out, &size, c.flags))
        << c.bits << " " << c.flags;
  }
}

// Each thread keeps a keyed context per direction: a key changed in the same bytes, a key of
// another size that starts with the same bytes, a refused key in between and other threads with
// their own keys must never run with a context keyed for something else.
TEST(CryptLayer, KeptContextFollowsTheKeyOnEveryThread) {
  struct Answer {
    const char* key;
    const char* cipher;
  };
  // The plain block of every case is 00112233445566778899aabbccddeeff.
  const Answer answers[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "8df4e9aac5c7573a27d8d055d6e4d64b"},
  };
  const auto plain = FromHex("00112233445566778899aabbccddeeff");
  // Runs both directions with the key held in one buffer that is rewritten between the runs.
  auto runAll = [&](int first, int rounds) {
    std::string failures;
    std::vector<BYTE> key(32);
    for (int round = 0; round < rounds; ++round) {
      const Answer& answer = answers[(first + round) % 4];
      const auto bytes = FromHex(answer.key);
      std::copy(bytes.begin(), bytes.end(), key.begin());
      const DWORD bits = static_cast<DWORD>(bytes.size() * 8);
      BYTE out[16] = {};
      BYTE back[16] = {};
      if (CCryptLayer::AesEcbEncrypt(key.data(), 100, plain.data(), 16, out) != 0) failures += "bad size taken;";
      if (CCryptLayer::AesEcbEncrypt(key.data(), bits, plain.data(), 16, out) != 1 ||
          ToHex(out, 16) != answer.cipher) {
        failures += "encrypt " + std::to_string(round) + ";";
      }
      const CCryptLayer::Keyed decipher(key.data(), bits, false);
      if (!decipher.Usable() || decipher.Run(out, 16, back) != 1 || ToHex(back, 16) != ToHex(plain.data(), 16)) {
        failures += "decrypt " + std::to_string(round) + ";";
      }
    }
    return failures;
  };
  EXPECT_EQ("", runAll(0, 12));
  EXPECT_EQ("", runAll(3, 12)) << "the thread's contexts hold the key of the earlier run";

  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { results[t] = runAll(t, 200); });
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ("", results[t]) << "thread " << t;
}

}  // namespace
