#include "net/KeptBlocks.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <type_traits>

namespace kept_blocks {

constinit thread_local Lists t_lists{};

namespace {

// Full lists handed over by threads, per kind. Never destroyed: a thread may still free blocks
// while the program ends.
constexpr unsigned SHELF_LISTS = 8;

struct Shelf {
  std::mutex lock;
  Block* lists[SHELF_LISTS];
  // Read without the lock only to skip an empty shelf.
  std::atomic<unsigned> count;
};

static_assert(std::is_trivially_destructible_v<Shelf>, "the shelves must outlive every thread");
constinit Shelf g_shelves[KINDS]{};

// Hands the thread's kept blocks back to the heap when the thread ends.
struct Release {
  ~Release() {
    t_lists.open = false;
    t_lists.closed = true;
    for (int kind = 0; kind < KINDS; ++kind) {
      while (Block* block = t_lists.head[kind]) {
        t_lists.head[kind] = block->next;
        ::operator delete(block);
      }
      t_lists.count[kind] = 0;
    }
  }
};

// Puts the thread's exit hook in place before its first kept block. False once the thread has
// ended: it keeps nothing more.
bool Open(Lists& lists) {
  if (lists.open) return true;
  if (lists.closed) return false;
  thread_local Release release;
  (void)release;
  lists.open = true;
  return true;
}

}  // namespace

void GiveSlow(Kind kind, void* freed) noexcept {
  Lists& lists = t_lists;
  const void* mark = nullptr;
  memcpy(&mark, static_cast<const char*>(freed) + offsetof(Block, mark), sizeof mark);
  // The mark may also be a live object's bytes by chance: only a block that is in the list was
  // freed twice.
  if (mark == &lists) {
    for (const Block* waiting = lists.head[kind]; waiting != nullptr; waiting = waiting->next) {
      if (waiting == freed) std::abort();
    }
  }
  if (!Open(lists)) {
    ::operator delete(freed);
    return;
  }
  if (lists.count[kind] >= KEPT_PER_KIND) {
    Shelf& shelf = g_shelves[kind];
    {
      std::lock_guard<std::mutex> hold(shelf.lock);
      const unsigned shelved = shelf.count.load(std::memory_order_relaxed);
      if (shelved < SHELF_LISTS) {
        shelf.lists[shelved] = lists.head[kind];
        shelf.count.store(shelved + 1, std::memory_order_relaxed);
        lists.head[kind] = nullptr;
        lists.count[kind] = 0;
      }
    }
    if (lists.count[kind] != 0) {
      ::operator delete(freed);
      return;
    }
  }
  lists.head[kind] = ::new (freed) Block{lists.head[kind], &lists};
  ++lists.count[kind];
}

void* TakeSlow(Kind kind, std::size_t size) {
  Lists& lists = t_lists;
  Shelf& shelf = g_shelves[kind];
  if (shelf.count.load(std::memory_order_relaxed) != 0 && Open(lists)) {
    std::lock_guard<std::mutex> hold(shelf.lock);
    const unsigned shelved = shelf.count.load(std::memory_order_relaxed);
    if (shelved != 0) {
      // Only full lists are shelved.
      lists.head[kind] = shelf.lists[shelved - 1];
      lists.count[kind] = KEPT_PER_KIND;
      shelf.count.store(shelved - 1, std::memory_order_relaxed);
    }
  }
  if (Block* block = lists.head[kind]) {
    lists.head[kind] = block->next;
    --lists.count[kind];
    block->mark = nullptr;
    return block;
  }
  return ::operator new(size);
}

}  // namespace kept_blocks
