#include "net/KeptBlocks.h"

#include <cstdlib>

namespace kept_blocks {

constinit thread_local Lists t_lists{};

namespace {

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
  if (!lists.open && !lists.closed) {
    thread_local Release release;
    (void)release;
    lists.open = true;
  }
  if (lists.open && lists.count[kind] < KEPT_PER_KIND) {
    lists.head[kind] = ::new (freed) Block{lists.head[kind], &lists};
    ++lists.count[kind];
    return;
  }
  ::operator delete(freed);
}

}  // namespace kept_blocks
