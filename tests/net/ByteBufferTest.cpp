#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/ByteBuffer.h"

namespace {

std::string Content(const CByteBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.PtrAt(0)), buffer.GetLength());
}

TEST(ByteBuffer, NewBufferAndClear) {
  CByteBuffer buffer;
  EXPECT_EQ(0u, buffer.GetLength());
  EXPECT_EQ(0u, buffer.GetCapacity());
  EXPECT_EQ(nullptr, buffer.PtrAt(0));
  buffer.Clear();
  EXPECT_EQ(0u, buffer.GetLength());
  EXPECT_EQ(1024u, buffer.GetCapacity());
}

TEST(ByteBuffer, GrowsInWholeStepsAndClearKeepsTheBlock) {
  CByteBuffer buffer;
  const std::string bytes(5000, 'x');
  EXPECT_EQ(1u, buffer.Append(bytes.data(), 1));
  EXPECT_EQ(1024u, buffer.GetCapacity());
  const BYTE* block = buffer.PtrAt(0);
  buffer.Append(bytes.data(), 1023);
  EXPECT_EQ(1024u, buffer.GetCapacity());
  EXPECT_EQ(block, buffer.PtrAt(0)) << "filling the block must not reallocate";
  buffer.Append(bytes.data(), 1);
  EXPECT_EQ(2048u, buffer.GetCapacity());
  EXPECT_EQ(1025u, buffer.GetLength());

  buffer.Append(bytes.data(), 3000);
  EXPECT_EQ(4096u, buffer.GetCapacity());
  buffer.Clear();
  EXPECT_EQ(0u, buffer.GetLength());
  EXPECT_EQ(4096u, buffer.GetCapacity());
}

TEST(ByteBuffer, ReserveAndFitRounding) {
  struct Case {
    DWORD held;
    DWORD request;
    DWORD reserveResult;  // capacity after Reserve, 0 when unchanged
    DWORD fitResult;      // capacity after Fit, 0 when unchanged
  } cases[] = {
      {0, 1, 1024, 1024},     {0, 1024, 1024, 1024}, {0, 1025, 2048, 2048},
      {0, 0, 0, 0},           {600, 500, 0, 0},      {600, 1024, 0, 0},
      {600, 1030, 2048, 2048}, {1024, 1024, 0, 0},   {1024, 1025, 2048, 2048},
  };
  for (const auto& c : cases) {
    const std::string bytes(c.held, 'a');
    CByteBuffer reserved;
    reserved.Append(bytes.data(), c.held);
    EXPECT_EQ(c.reserveResult, reserved.Reserve(c.request)) << c.held << " " << c.request;
    CByteBuffer fitted;
    fitted.Append(bytes.data(), c.held);
    EXPECT_EQ(c.fitResult, fitted.Fit(c.request)) << c.held << " " << c.request;
    EXPECT_EQ(bytes, Content(fitted));
  }
}

TEST(ByteBuffer, PrependAppendAndFrontRemoval) {
  CByteBuffer buffer;
  buffer.Append("abcd", 4);
  EXPECT_EQ(4u, buffer.Prepend("1234", 4));
  EXPECT_EQ("1234abcd", Content(buffer));
  buffer.Append("ef", 2);
  EXPECT_EQ("1234abcdef", Content(buffer));

  char out[16] = {};
  EXPECT_EQ(3u, buffer.ReadFront(out, 3));
  EXPECT_EQ(std::string("123"), std::string(out, 3));
  EXPECT_EQ("4abcdef", Content(buffer));
  EXPECT_EQ(2u, buffer.DiscardFront(2));
  EXPECT_EQ("bcdef", Content(buffer));
  EXPECT_EQ(1024u, buffer.GetCapacity()) << "front removal never shrinks the block";
}

// Content removed from the front leaves its room behind, and a cleared large block keeps some
// room in front; headers put there move nothing, and adding more than fits behind the content
// moves it back to the start of the block instead of growing it.
TEST(ByteBuffer, RoomInFrontIsUsedBeforeTheBlockGrows) {
  CByteBuffer buffer;
  const std::string bytes(3000, 'z');
  buffer.Append(bytes.data(), 1500);
  ASSERT_EQ(2048u, buffer.GetCapacity());
  buffer.Clear();
  buffer.Append("body", 4);
  const BYTE* body = buffer.PtrAt(0);
  EXPECT_EQ(4u, buffer.Prepend("head", 4));
  EXPECT_EQ("headbody", Content(buffer));
  EXPECT_EQ(body, buffer.PtrAt(4)) << "the content stays where it is";

  EXPECT_EQ(6u, buffer.DiscardFront(6));
  EXPECT_EQ("dy", Content(buffer));
  buffer.Append(bytes.data(), 2046);
  EXPECT_EQ(2048u, buffer.GetCapacity()) << "the whole block holds the content before it grows";
  EXPECT_EQ("dy" + bytes.substr(0, 2046), Content(buffer));
  buffer.Append("!", 1);
  EXPECT_EQ(3072u, buffer.GetCapacity());
  EXPECT_EQ("dy" + bytes.substr(0, 2046) + "!", Content(buffer));

  CByteBuffer other;
  other.Append("xyz", 3);
  buffer.Swap(other);
  EXPECT_EQ("xyz", Content(buffer));
  EXPECT_EQ(3072u, other.GetCapacity());
  EXPECT_EQ(2049u, other.GetLength());
}

TEST(ByteBuffer, ReadFrontBeyondLengthOrCapacity) {
  CByteBuffer buffer;
  buffer.Append("abcdef", 6);
  char out[2000];
  // More than the capacity: nothing happens.
  EXPECT_EQ(0u, buffer.ReadFront(out, 2000));
  EXPECT_EQ("abcdef", Content(buffer));
  EXPECT_EQ(0u, buffer.DiscardFront(2000));
  EXPECT_EQ(6u, buffer.GetLength());
  // More than the length but within the capacity: what is there.
  EXPECT_EQ(6u, buffer.ReadFront(out, 10));
  EXPECT_EQ("abcdef", std::string(out, 6));
  EXPECT_EQ(0u, buffer.GetLength());
  EXPECT_EQ(0u, buffer.ReadFront(out, 10));

  CByteBuffer empty;
  EXPECT_EQ(0u, empty.ReadFront(out, 1));
}

TEST(ByteBuffer, SizesThatWouldWrapAreRefused) {
  CByteBuffer buffer;
  buffer.Append("ab", 2);
  EXPECT_EQ(0u, buffer.Append("x", 0xFFFFFFFFu));
  EXPECT_EQ(0u, buffer.Prepend("x", 0xFFFFFFFFu));
  EXPECT_EQ(0u, buffer.Reserve(0xFFFFFFFFu));
  EXPECT_EQ("ab", Content(buffer));
}

// A buffer cleared for a size takes that much content behind some room in front: building the
// content and then putting a header in front of it moves nothing and allocates nothing.
TEST(ByteBuffer, ClearForLeavesRoomInFrontAndBehind) {
  for (DWORD held : {0u, 10u, 5000u}) {
    for (DWORD size : {0u, 1u, 900u, 1108u, 4000u}) {
      CByteBuffer buffer;
      const std::string old(held, 'o');
      buffer.Append(old.data(), held);
      buffer.ClearFor(size);
      EXPECT_EQ(0u, buffer.GetLength());
      EXPECT_EQ(0u, buffer.GetCapacity() % CByteBuffer::GROWTH_STEP);
      const DWORD capacity = buffer.GetCapacity();
      const std::string body(size, 'b');
      BYTE* added = buffer.Extend(size);
      if (size != 0) {
        ASSERT_NE(nullptr, added);
        memcpy(added, body.data(), size);
      }
      const BYTE* start = buffer.PtrAt(0);
      EXPECT_EQ(4u, buffer.Prepend("head", 4));
      EXPECT_EQ(start, buffer.PtrAt(4)) << held << " " << size;
      EXPECT_EQ(capacity, buffer.GetCapacity()) << held << " " << size;
      EXPECT_EQ("head" + body, Content(buffer));
    }
  }
}

TEST(ByteBuffer, ExtendGrowsTheContentForTheCallerToWrite) {
  CByteBuffer buffer;
  buffer.Append("ab", 2);
  BYTE* added = buffer.Extend(3);
  ASSERT_NE(nullptr, added);
  memcpy(added, "cde", 3);
  EXPECT_EQ("abcde", Content(buffer));
  const std::string many(2000, 'm');
  added = buffer.Extend(2000);
  ASSERT_NE(nullptr, added);
  memcpy(added, many.data(), 2000);
  EXPECT_EQ("abcde" + many, Content(buffer));
  EXPECT_EQ(2048u, buffer.GetCapacity());
  EXPECT_EQ(nullptr, buffer.Extend(0xFFFFFFFFu));
  EXPECT_EQ(2005u, buffer.GetLength());
}

}  // namespace
