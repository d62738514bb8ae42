#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/ByteArrayOutStream.h"
#include "net/MemoryInStream.h"
#include "net/ZipLayer.h"
#include "tests/net/TestBytes.h"

namespace {

std::vector<BYTE> Zip(const std::vector<BYTE>& input) {
  CZipLayer layer;
  BYTE* out = nullptr;
  DWORD outLength = 0;
  if (!layer.Transform(input.data(), static_cast<DWORD>(input.size()), &out, &outLength, 0x401)) {
    return {};
  }
  std::vector<BYTE> bytes(out, out + outLength);
  delete[] out;
  return bytes;
}

// 1 and the bytes, or 0 and nothing.
int Unzip(const std::vector<BYTE>& input, std::vector<BYTE>& output, DWORD flags = 0x402) {
  CZipLayer layer;
  BYTE* out = nullptr;
  DWORD outLength = 0;
  const int done =
      layer.Transform(input.data(), static_cast<DWORD>(input.size()), &out, &outLength, flags);
  output.assign(out, out + outLength);
  delete[] out;
  if (!done) {
    EXPECT_EQ(nullptr, out);
  }
  return done;
}

TEST(ZipLayer, RoundTripsAcrossTheWorkAreaSizes) {
  // Sizes around the 4 KiB and 32 KiB work areas, compressible and not.
  for (size_t size : {1u, 100u, 4095u, 4096u, 4097u, 32767u, 32768u, 32769u, 100000u}) {
    for (bool noise : {false, true}) {
      std::vector<BYTE> input = noise ? nettest::NoiseBytes(size, static_cast<uint32_t>(size))
                                      : std::vector<BYTE>(size, 'a');
      const auto zipped = Zip(input);
      ASSERT_FALSE(zipped.empty()) << size;
      std::vector<BYTE> back;
      ASSERT_EQ(1, Unzip(zipped, back)) << size << " " << noise;
      EXPECT_EQ(input, back) << size << " " << noise;
    }
  }
}

TEST(ZipLayer, StreamEndsWithASyncFlushAndNoTrailer) {
  const std::string text(3000, 'q');
  const auto zipped = Zip(std::vector<BYTE>(text.begin(), text.end()));
  ASSERT_GE(zipped.size(), 6u);
  EXPECT_EQ(0x78, zipped[0]) << "zlib format with its two-byte header";
  const BYTE syncMarker[4] = {0x00, 0x00, 0xFF, 0xFF};
  EXPECT_EQ(0, memcmp(syncMarker, zipped.data() + zipped.size() - 4, 4))
      << "the stream stops at the empty stored block of the last sync flush";

  // zlib itself sees no end: inflate wants more input and never reports Z_STREAM_END.
  z_stream stream{};
  ASSERT_EQ(Z_OK, inflateInit(&stream));
  std::vector<BYTE> out(10000);
  stream.next_in = const_cast<BYTE*>(zipped.data());
  stream.avail_in = static_cast<uInt>(zipped.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_OK, inflate(&stream, Z_SYNC_FLUSH));
  EXPECT_EQ(3000u, stream.total_out);
  EXPECT_EQ(Z_BUF_ERROR, inflate(&stream, Z_FINISH));
  inflateEnd(&stream);
}

TEST(ZipLayer, AFinishedStreamIsAcceptedToo) {
  const std::string text = "a peer may finish its stream";
  std::vector<BYTE> zipped(100);
  uLongf size = zipped.size();
  ASSERT_EQ(Z_OK, compress(zipped.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
                           text.size()));
  zipped.resize(size);
  zipped.push_back(0x55);  // bytes after the end are not read
  std::vector<BYTE> back;
  ASSERT_EQ(1, Unzip(zipped, back));
  EXPECT_EQ(text, std::string(back.begin(), back.end()));
}

TEST(ZipLayer, FailuresGiveNoBlock) {
  std::vector<BYTE> out;
  EXPECT_EQ(0, Unzip({}, out)) << "empty input";
  EXPECT_EQ(0, Unzip({1, 2, 3, 4, 5, 6, 7, 8}, out)) << "not zlib";
  EXPECT_EQ(0, Unzip(Zip({1, 2, 3}), out, 0x002)) << "without the layer's flag";
  EXPECT_TRUE(Zip({}).empty()) << "compressing nothing fails";
  auto corrupt = Zip(std::vector<BYTE>(500, 'z'));
  corrupt[2] = 0x07;  // the reserved block type
  EXPECT_EQ(0, Unzip(corrupt, out)) << "corrupt data";
  const std::vector<BYTE> headerOnly = {0x78, 0x9C};
  EXPECT_EQ(0, Unzip(headerOnly, out)) << "a stream that yields nothing";
}

TEST(ZipLayer, InflatingIsBounded) {
  const std::vector<BYTE> atLimit(CZipLayer::MAX_UNZIPPED_SIZE, 0);
  std::vector<BYTE> back;
  ASSERT_EQ(1, Unzip(Zip(atLimit), back));
  EXPECT_EQ(atLimit.size(), back.size());

  // A few kilobytes that would inflate to 8 MiB are refused, not expanded.
  z_stream stream{};
  ASSERT_EQ(Z_OK, deflateInit(&stream, 9));
  std::vector<BYTE> zeros(1 << 20, 0);
  std::vector<BYTE> bomb(1 << 20);
  stream.next_out = bomb.data();
  stream.avail_out = static_cast<uInt>(bomb.size());
  for (int i = 0; i < 8; ++i) {
    stream.next_in = zeros.data();
    stream.avail_in = static_cast<uInt>(zeros.size());
    ASSERT_EQ(Z_OK, deflate(&stream, Z_NO_FLUSH));
  }
  ASSERT_EQ(Z_OK, deflate(&stream, Z_SYNC_FLUSH));
  bomb.resize(stream.total_out);
  deflateEnd(&stream);
  EXPECT_LT(bomb.size(), 20000u);
  EXPECT_EQ(0, Unzip(bomb, back));
  EXPECT_TRUE(back.empty());

  std::vector<BYTE> overLimit(CZipLayer::MAX_UNZIPPED_SIZE + 1, 7);
  EXPECT_EQ(0, Unzip(Zip(overLimit), back));
}

TEST(ZipLayer, StreamsRefuseTheWrongDirection) {
  const BYTE data[5] = {1, 2, 3, 4, 5};
  CMemoryInStream source(data, 5);
  ULONG done = 99;
  EXPECT_EQ(STG_E_ACCESSDENIED, source.Write(data, 1, &done));
  EXPECT_EQ(0u, done);
  BYTE out[8];
  EXPECT_EQ(S_OK, source.Read(out, 3, &done));
  EXPECT_EQ(3u, done);
  EXPECT_EQ(S_FALSE, source.Read(out, 8, &done));
  EXPECT_EQ(2u, done);
  EXPECT_EQ(4, out[0]);

  CByteArrayOutStream sink(4);
  EXPECT_EQ(STG_E_ACCESSDENIED, sink.Read(out, 1, &done));
  EXPECT_EQ(S_OK, sink.Write(data, 3, &done));
  EXPECT_EQ(STG_E_MEDIUMFULL, sink.Write(data, 2, &done));
  EXPECT_EQ(0u, done);
  EXPECT_EQ(3u, sink.GetLength());
}

}  // namespace
