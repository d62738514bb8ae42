// The file objects the decoders read through: stdio streams and memory blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "image/RasterIOFile.h"
#include "image/RasterMemFile.h"
#include "tests/support/TempDir.h"

namespace {

// Exposes the allocated size, which only the file's own growth reads.
class ProbeMemFile : public CRasterMemFile {
 public:
  using CRasterMemFile::CRasterMemFile;
  unsigned long Allocated() const { return m_allocated; }
  bool Owns() const { return m_owns; }
};

TEST(RasterMemFile, ReadsWholeElementsAndStopsAtTheEnd) {
  BYTE block[100];
  for (int i = 0; i < 100; i++) block[i] = static_cast<BYTE>(i);
  CRasterMemFile file(block, sizeof(block));
  BYTE out[120] = {};
  EXPECT_EQ(file.Read(out, 3, 40), 33u);
  EXPECT_EQ(memcmp(out, block, 100), 0);
  EXPECT_EQ(file.Read(out, 1, 1), 0u);
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Error(), 0);
}

TEST(RasterMemFile, SeekClampsBelowZeroButNotAboveTheEnd) {
  BYTE block[100] = {};
  CRasterMemFile file(block, sizeof(block));
  EXPECT_TRUE(file.Seek(-5, 0));
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_TRUE(file.Seek(500, 0));
  BYTE b;
  EXPECT_EQ(file.Read(&b, 1, 1), 0u);
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Error(), 1);
  EXPECT_TRUE(file.Seek(-10, 2));
  EXPECT_EQ(file.Tell(), 90);
  EXPECT_TRUE(file.Seek(5, 1));
  EXPECT_EQ(file.Tell(), 95);
  EXPECT_FALSE(file.Seek(0, 3));
  EXPECT_EQ(file.GetC(), 0);
}

TEST(RasterMemFile, GetSStopsAfterNewlineAndFailsOnUnfinishedLine) {
  BYTE text[] = {'a', 'b', 'c', '\n', 'd', 'e', 'f'};
  CRasterMemFile file(text, sizeof(text));
  char buf[10];
  memset(buf, 'x', sizeof(buf));
  ASSERT_EQ(file.GetS(buf, 10), buf);
  EXPECT_EQ(memcmp(buf, "abc\n\0", 5), 0);
  EXPECT_EQ(file.GetS(buf, 10), nullptr);
  // The buffer limit leaves room for the terminating zero.
  CRasterMemFile again(text, sizeof(text));
  ASSERT_EQ(again.GetS(buf, 3), buf);
  EXPECT_STREQ(buf, "ab");
}

TEST(RasterMemFile, WithoutBlockEveryOperationIsNeutral) {
  CRasterMemFile file;
  BYTE b = 1;
  EXPECT_EQ(file.Write(&b, 1, 1), 0u);
  EXPECT_FALSE(file.PutC(1));
  EXPECT_EQ(file.Size(), -1);
  EXPECT_EQ(file.Tell(), -1);
  EXPECT_EQ(file.Error(), -1);
  EXPECT_TRUE(file.Eof());
  EXPECT_FALSE(file.Seek(0, 0));
  EXPECT_FALSE(file.Flush());
  EXPECT_EQ(file.GetC(), -1);
  EXPECT_EQ(file.Read(&b, 1, 1), 0u);
  EXPECT_EQ(file.Scanf("%d", &b), 0);
  EXPECT_TRUE(file.Close());
}

TEST(RasterMemFile, GrowsInSixtyFourKiBStepsIntoABlockOfItsOwn) {
  BYTE* lent = static_cast<BYTE*>(malloc(100));
  for (int i = 0; i < 100; i++) lent[i] = static_cast<BYTE>(i + 1);
  {
    ProbeMemFile file(lent, 100);
    EXPECT_FALSE(file.Owns());
    ASSERT_TRUE(file.Seek(100, 0));
    ASSERT_TRUE(file.PutC(0xAB));
    EXPECT_EQ(file.Allocated(), 65536u);
    EXPECT_EQ(file.Size(), 101);
    EXPECT_TRUE(file.Owns());
    // The lent block was copied, not reallocated: the caller's block is untouched and valid.
    EXPECT_NE(file.GetBuffer(), lent);
    EXPECT_EQ(memcmp(file.GetBuffer(), lent, 100), 0);
    EXPECT_EQ(file.GetBuffer()[100], 0xAB);
    // Filling the block exactly needs no growth; one byte more does.
    std::string big(65536 - 101, 'z');
    ASSERT_TRUE(file.Seek(0, 2));
    EXPECT_EQ(file.Write(big.data(), 1, big.size()), big.size());
    EXPECT_EQ(file.Allocated(), 65536u);
    EXPECT_TRUE(file.PutC('!'));
    EXPECT_EQ(file.Allocated(), 131072u);
    EXPECT_EQ(file.Size(), 65537);
  }
  {
    // A request of exactly 65,536 bytes gets the next step up.
    ProbeMemFile file(lent, 100);
    std::string big(65536, 'q');
    EXPECT_EQ(file.Write(big.data(), 1, big.size()), big.size());
    EXPECT_EQ(file.Allocated(), 131072u);
  }
  // The file freed its own block; the lent one is still the caller's.
  EXPECT_EQ(lent[0], 1);
  free(lent);
}

TEST(RasterMemFile, WritingPastTheDataLeavesZeroedGap) {
  ProbeMemFile file(nullptr, 0);
  // A file without a block cannot be written: there is nothing to grow from.
  BYTE b = 7;
  EXPECT_EQ(file.Write(&b, 1, 1), 0u);
  BYTE block[4] = {1, 2, 3, 4};
  ProbeMemFile lent(block, 4);
  ASSERT_TRUE(lent.Seek(10, 0));
  EXPECT_EQ(lent.Write(&b, 1, 1), 1u);
  EXPECT_EQ(lent.Size(), 11);
  const BYTE expect[11] = {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 7};
  EXPECT_EQ(memcmp(lent.GetBuffer(), expect, 11), 0);
}

TEST(RasterMemFile, FailedGrowthKeepsTheOldBlock) {
  BYTE block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ProbeMemFile file(block, 8);
  ASSERT_TRUE(file.Seek(0xFFFFFFF0L, 0));
  BYTE b = 9;
  // A block past what a DWORD counts cannot be had.
  EXPECT_EQ(file.Write(&b, 1, 100), 0u);
  EXPECT_EQ(file.GetBuffer(), block);
  EXPECT_EQ(file.Size(), 8);
  ASSERT_TRUE(file.Seek(0, 0));
  EXPECT_EQ(file.GetC(), 1);
}

TEST(RasterMemFile, CloseKeepsALentBlockAttached) {
  BYTE block[3] = {5, 6, 7};
  CRasterMemFile file(block, 3);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(file.Size(), 3);
  EXPECT_EQ(file.GetC(), 5);
}

TEST(RasterIOFile, LentStreamStaysOpen) {
  testsupport::TempDir dir;
  std::string path = dir.Write("a.bin", "hello");
  FILE* stream = fopen(path.c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  {
    CRasterIOFile file(stream);
    EXPECT_FALSE(file.Open(path.c_str(), "rb"));
    EXPECT_EQ(file.Size(), 5);
    EXPECT_EQ(file.GetC(), 'h');
    EXPECT_TRUE(file.Close());
    // Still attached and open after Close.
    EXPECT_EQ(file.GetC(), 'e');
  }
  // Still open after destruction.
  EXPECT_EQ(fgetc(stream), 'l');
  fclose(stream);
}

TEST(RasterIOFile, OwnsWhatItOpens) {
  testsupport::TempDir dir;
  std::string path = dir.Write("b.bin", "abc\ndef");
  CRasterIOFile file;
  EXPECT_EQ(file.Tell(), 0);
  EXPECT_EQ(file.Size(), -1);
  EXPECT_EQ(file.Scanf("%d", nullptr), -1);
  EXPECT_EQ(file.GetC(), -1);
  EXPECT_TRUE(file.Eof());
  EXPECT_FALSE(file.Open((path + ".missing").c_str(), "rb"));
  ASSERT_TRUE(file.Open(path.c_str(), "rb"));
  char buf[16];
  ASSERT_EQ(file.GetS(buf, sizeof(buf)), buf);
  EXPECT_STREQ(buf, "abc\n");
  EXPECT_EQ(file.Tell(), 4);
  EXPECT_EQ(file.Size(), 7);
  EXPECT_EQ(file.Tell(), 4);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(file.GetC(), -1);
}

TEST(RasterIOFile, WritesThroughPutCAndWrite) {
  testsupport::TempDir dir;
  std::string path = dir.File("c.bin");
  {
    CRasterIOFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "wb"));
    EXPECT_TRUE(file.PutC('x'));
    EXPECT_EQ(file.Write("yz", 1, 2), 2u);
    EXPECT_TRUE(file.Flush());
  }
  EXPECT_EQ(testsupport::TempDir::Read(path), "xyz");
}

}  // namespace
