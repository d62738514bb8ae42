#include "engine/BlockPool.h"

#include <cstdlib>
#include <cstring>

BlockPool* BlockPool::Init(DWORD itemSize, DWORD itemCount) {
  FreeAll();
  const unsigned long long size = static_cast<unsigned long long>(itemCount) * (itemSize + 8ull);
  // A size beyond 32 bits cannot be a block size; the pool then stays empty.
  m_blockSize = size < 0xFFFFFFFFull ? static_cast<DWORD>(size) : 0;
  m_firstBlock = m_blockSize ? NewBlock(static_cast<DWORD>(-1)) : nullptr;
  return this;
}

BlockPool::Block* BlockPool::NewBlock(DWORD size) {
  if (size == static_cast<DWORD>(-1)) size = m_blockSize;
  Block* block = static_cast<Block*>(std::calloc(1, sizeof(Block) + size));
  if (!block) return nullptr;
  BYTE* payload = reinterpret_cast<BYTE*>(block + 1);
  block->m_size = size;
  block->m_firstFree = payload;
  block->m_next = nullptr;
  // The free chunk header needs 8 bytes; a smaller payload has no room for one.
  if (size >= 8) {
    const DWORD freeLength = size - 8;
    const DWORD next = 0;
    std::memcpy(payload, &freeLength, 4);
    std::memcpy(payload + 4, &next, 4);
  }
  return block;
}

void BlockPool::FreeBlocks(Block* block) {
  while (block) {
    Block* next = block->m_next;
    std::free(block);
    block = next;
  }
}

void BlockPool::FreeAll() {
  FreeBlocks(m_firstBlock);
  m_firstBlock = nullptr;
}
