// The growable byte buffer on which the network library works: the stream being encoded or
// decoded, the raw bytes read from a socket, segments being reassembled and units being sent.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/base/WinTypes.h"

class CByteBuffer {
 public:
  // Capacity always grows in whole steps of this many bytes.
  static constexpr DWORD GROWTH_STEP = 1024;

  CByteBuffer() = default;
  virtual ~CByteBuffer();
  CByteBuffer(const CByteBuffer&) = delete;
  CByteBuffer& operator=(const CByteBuffer&) = delete;

  // Bytes held; 0 without a block.
  DWORD GetLength() const { return static_cast<DWORD>(m_end - m_start); }
  DWORD GetCapacity() const { return m_capacity; }

  // Grows the block to n rounded up to a multiple of 1024 when n exceeds the capacity.
  // Returns the new capacity, or 0 when nothing changed.
  DWORD Reserve(DWORD n);
  // Grows like Reserve, but only when n also exceeds the length; never shrinks.
  DWORD Fit(DWORD n);
  // Empties the buffer and makes sure it has at least a 1024-byte block; a larger block stays
  // so that a buffer reused for every read does not reallocate. A little room is left in front
  // of the (empty) content, so that layer headers put in front later move nothing.
  void Clear() {
    // A block of a whole step or more only has its content emptied (the common case of a
    // buffer reused for every packet).
    if (m_capacity >= GROWTH_STEP) {
      m_start = m_end = m_block + (m_capacity >= 2 * GROWTH_STEP ? FRONT_ROOM : 0);
      return;
    }
    ClearSmall();
  }
  // Empties the buffer like Clear, with room in front of the (empty) content and a block that
  // holds n bytes behind that room: content of up to n bytes built next, and the headers put in
  // front of it later, move nothing.
  void ClearFor(DWORD n) {
    if (m_capacity > FRONT_ROOM && n <= m_capacity - FRONT_ROOM) {
      m_start = m_end = m_block + FRONT_ROOM;
      return;
    }
    ClearForLarger(n);
  }
  // Copies n bytes behind the content. Returns n, or 0 when the total would not fit 32 bits.
  DWORD Append(const void* source, DWORD n);
  // Makes the content n bytes longer and returns where the new bytes start, for the caller to
  // write; their values are undefined until then. Null when the total would not fit 32 bits (or
  // for n = 0 on a buffer without a block).
  BYTE* Extend(DWORD n) {
    if (n <= static_cast<DWORD>(m_block + m_capacity - m_end) && m_end != nullptr) {
      BYTE* added = m_end;
      m_end += n;
      return added;
    }
    return ExtendBeyondBlock(n);
  }
  // Copies n bytes in front of the content. Returns n, or 0 when the total would not fit 32 bits.
  DWORD Prepend(const void* source, DWORD n) {
    // Headers put in front of content that left room there move nothing.
    if (n != 0 && n <= FrontRoom()) {
      m_start -= n;
      memcpy(m_start, source, n);
      return n;
    }
    return PrependMoving(source, n);
  }
  // Takes min(n, length) bytes from the front into the destination. When n exceeds the capacity
  // nothing happens and 0 is returned; callers treat a short count as "not there". The rest of
  // the content stays where it is; the room in front is used again when more is added.
  DWORD ReadFront(void* destination, DWORD n);
  // Like ReadFront without the copy.
  DWORD DiscardFront(DWORD n);
  // Exchanges the blocks and contents of the two buffers.
  void Swap(CByteBuffer& other);
  // Start of the content plus the offset; the offset is not checked.
  BYTE* PtrAt(DWORD offset) const { return m_start + offset; }

 private:
  // Room in front of the content that Clear leaves in a block large enough.
  static constexpr DWORD FRONT_ROOM = 64;

  static DWORD RoundUp(DWORD n);
  // The rarer cases of Clear, ClearFor and Extend.
  void ClearSmall();
  void ClearForLarger(DWORD n);
  BYTE* ExtendBeyondBlock(DWORD n);
  DWORD PrependMoving(const void* source, DWORD n);
  void Grow(DWORD newCapacity);
  // Moves the content to the start of the block.
  void Compact();
  DWORD FrontRoom() const { return static_cast<DWORD>(m_start - m_block); }
  DWORD TakeFront(void* destination, DWORD n);

  BYTE* m_block = nullptr;
  BYTE* m_start = nullptr;
  BYTE* m_end = nullptr;
  DWORD m_capacity = 0;
};
