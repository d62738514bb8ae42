#include <gtest/gtest.h>

#include <vector>

#include "net/ChunkFraming.h"
#include "tests/net/LogCapture.h"
#include "tests/net/TestBytes.h"

namespace {

using nettest::Content;
using nettest::Fill;
using nettest::GetU32;
using nettest::NoiseBytes;
using nettest::PutU32;

TEST(ChunkFraming, SplitCutsWholeChunksAndARest) {
  struct Case {
    size_t size;
    int largest;
    std::vector<DWORD> chunks;
  } cases[] = {
      {9000, 4000, {4000, 4000, 1000}},
      {8000, 4000, {4000, 4000}},
      {1, 4000, {1}},
      {0, 4000, {}},
      {10, 3, {3, 3, 3, 1}},
  };
  for (const auto& c : cases) {
    const auto input = NoiseBytes(c.size, 1);
    CByteBuffer in, out;
    in.Append(input.data(), static_cast<DWORD>(input.size()));
    EXPECT_EQ(static_cast<int>(c.chunks.size()), SplitIntoChunks(in, out, c.largest)) << c.size;
    EXPECT_EQ(0u, in.GetLength()) << "the input is consumed";
    const auto framed = Content(out);
    size_t at = 0;
    std::vector<BYTE> joined;
    for (DWORD n : c.chunks) {
      ASSERT_LE(at + 4 + n, framed.size());
      EXPECT_EQ(n, GetU32(framed, at));
      joined.insert(joined.end(), framed.begin() + at + 4, framed.begin() + at + 4 + n);
      at += 4 + n;
    }
    EXPECT_EQ(framed.size(), at);
    EXPECT_EQ(input, joined);
  }
}

TEST(ChunkFraming, LargestPayloadMustFitTheWorkArea) {
  for (int largest : {0, -1, 4001}) {
    CByteBuffer in, out;
    in.Append("abc", 3);
    EXPECT_EQ(-1, SplitIntoChunks(in, out, largest)) << largest;
    EXPECT_EQ(3u, in.GetLength());
    EXPECT_EQ(0, JoinChunks(in, out, largest)) << largest;
  }
}

TEST(ChunkFraming, JoinReversesSplit) {
  const auto input = NoiseBytes(12345, 2);
  CByteBuffer in, framed, joined;
  Fill(in, input);
  ASSERT_EQ(4, SplitIntoChunks(in, framed, 4000));
  EXPECT_EQ(4, JoinChunks(framed, joined, 4000));
  EXPECT_EQ(input, Content(joined));
}

class JoinChunksLog : public nettest::LogCapture {};

TEST_F(JoinChunksLog, BadLengthsFailWithALogLine) {
  std::vector<BYTE> good;
  PutU32(good, 2);
  good.push_back('o');
  good.push_back('k');
  struct Case {
    const char* what;
    std::vector<BYTE> tail;  // after one good chunk
    int result;
    const char* logged;      // null when nothing is logged
  } cases[] = {
      {"chunk longer than the largest payload", [] {
         std::vector<BYTE> b;
         PutU32(b, 4001);
         b.resize(b.size() + 4001, 1);
         return b;
       }(), 0, "packet length error! len = 4001"},
      {"negative length", [] {
         std::vector<BYTE> b;
         PutU32(b, 0xFFFFFFFEu);
         b.push_back(1);
         return b;
       }(), 0, "packet decompose error! len = -2"},
      {"chunk cut short", [] {
         std::vector<BYTE> b;
         PutU32(b, 10);
         b.resize(b.size() + 9, 1);
         return b;
       }(), 0, "packet decompose error! len = 10"},
      {"trailing rest of 3 bytes", {1, 2, 3}, 1, nullptr},
      {"trailing rest of 4 bytes", {0xFF, 0xFF, 0xFF, 0xFF}, 1, nullptr},
  };
  for (const auto& c : cases) {
    ClearLog();
    CByteBuffer in, out;
    in.Append(good.data(), static_cast<DWORD>(good.size()));
    in.Append(c.tail.data(), static_cast<DWORD>(c.tail.size()));
    EXPECT_EQ(c.result, JoinChunks(in, out, 4000)) << c.what;
    if (c.logged == nullptr) {
      EXPECT_EQ("", ReadLog()) << c.what;
      EXPECT_EQ((std::vector<BYTE>{'o', 'k'}), Content(out)) << c.what;
    } else {
      EXPECT_EQ(std::string(c.logged), LastMessage()) << c.what;
    }
  }
}

}  // namespace
