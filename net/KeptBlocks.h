// A per-thread store of freed blocks for the small fixed-size objects that are made and freed
// for every packet (envelopes and records). A thread that both makes and frees them reuses the
// same few blocks instead of going through the general heap each time. Only the owning thread
// touches its lists, so any thread may free a block another thread made, without locks. When a
// thread's list is full (a thread that frees what another made), the whole list goes to a
// shared shelf under a lock, from which a thread whose list runs empty (the one that makes them)
// takes a full list back: one lock per KEPT_PER_KIND blocks. The shelf holds a few lists; more
// go to the heap, and so do a thread's own lists when it ends. Under the address sanitizer
// nothing is kept, so that every use after free is still caught.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define KEPT_BLOCKS_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KEPT_BLOCKS_OFF 1
#endif
#endif

namespace kept_blocks {

enum Kind { ENVELOPES, RECORDS, KINDS };

constexpr unsigned KEPT_PER_KIND = 64;

// What a kept block holds while it waits. The mark tells a block freed twice from one in use,
// so that a second free stops the program as the heap would, instead of the same block being
// handed out twice.
struct Block {
  Block* next;
  const void* mark;
};

struct Lists {
  Block* head[KINDS];
  unsigned count[KINDS];
  // True from the thread's first kept block (its exit hook is then in place) until that hook
  // has run; after it the thread keeps nothing more.
  bool open;
  bool closed;
};

extern constinit thread_local Lists t_lists;

// The rare cases of Give: the thread's first kept block, a full list, a thread that has ended,
// a block that may be freed twice.
void GiveSlow(Kind kind, void* block) noexcept;
// Take with the thread's list empty: a list from the shelf, or the heap.
void* TakeSlow(Kind kind, std::size_t size);

inline void* Take(Kind kind, std::size_t size) {
#ifndef KEPT_BLOCKS_OFF
  Lists& lists = t_lists;
  if (Block* block = lists.head[kind]) {
    lists.head[kind] = block->next;
    --lists.count[kind];
    block->mark = nullptr;
    return block;
  }
  return TakeSlow(kind, size);
#else
  return ::operator new(size);
#endif
}

// Blocks must be at least sizeof(Block) bytes and come from Take or ::operator new.
inline void Give(Kind kind, void* freed) noexcept {
#ifndef KEPT_BLOCKS_OFF
  Lists& lists = t_lists;
  const void* mark = nullptr;
  memcpy(&mark, static_cast<const char*>(freed) + offsetof(Block, mark), sizeof mark);
  if (lists.open && lists.count[kind] < KEPT_PER_KIND && mark != &lists) {
    lists.head[kind] = ::new (freed) Block{lists.head[kind], &lists};
    ++lists.count[kind];
    return;
  }
  GiveSlow(kind, freed);
#else
  ::operator delete(freed);
#endif
}

// The class operators of a kept kind. A class derived from T has another size; its objects go
// to the heap directly.
template <class T>
inline void* New(Kind kind, std::size_t size) {
  return size == sizeof(T) ? Take(kind, size) : ::operator new(size);
}

template <class T>
inline void Delete(Kind kind, void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  if (size == sizeof(T)) {
    Give(kind, block);
  } else {
    ::operator delete(block);
  }
}

}  // namespace kept_blocks
