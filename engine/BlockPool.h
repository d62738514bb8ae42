// A chain of zero-filled blocks of equal default size. The group entity keeps one pool for its
// items and frees the whole chain when it goes; nothing hands out items from a block's free chunk.
#pragma once

#include "platform/base/WinTypes.h"

class BlockPool {
 public:
  // One allocation: this header followed by the payload. The payload starts with its one free
  // chunk, {free length = payload size - 8, no next chunk}.
  struct Block {
    DWORD m_size;
    BYTE* m_firstFree;
    Block* m_next;
  };

  BlockPool() = default;
  ~BlockPool() { FreeAll(); }
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // Block size := itemCount x (itemSize + 8); allocates the first block.
  BlockPool* Init(DWORD itemSize, DWORD itemCount);
  // Allocates one block of `size` payload bytes, or of the pool's block size for (DWORD)-1. Null
  // when the memory is not there.
  Block* NewBlock(DWORD size);
  // Frees `block` and every block after it.
  static void FreeBlocks(Block* block);
  void FreeAll();

  DWORD GetBlockSize() const { return m_blockSize; }
  Block* GetFirstBlock() const { return m_firstBlock; }

 private:
  DWORD m_blockSize = 0;
  Block* m_firstBlock = nullptr;
};
