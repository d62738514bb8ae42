#include "variant/RequestWait.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>


int CRequestWait::Run(const std::function<int()>& request) {
  bool expected = false;
  if (!m_busy.compare_exchange_strong(expected, true)) return 0;
  struct Clear {
    std::atomic<bool>& busy;
    ~Clear() { busy.store(false); }
  } clear{m_busy};
  if (!m_frame) return request();

  // The worker's state is shared: it outlives this call only if the UI thread gives up, which
  // it never does (the connection's own time-out ends every request).
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    int result = 0;
  };
  auto shared = std::make_shared<Shared>();
  std::thread worker([shared, request] {
    const int result = request();
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->result = result;
    shared->finished = true;
    shared->done.notify_all();
  });
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(shared->lock);
      if (shared->done.wait_for(hold, std::chrono::milliseconds(FRAME_MS), [&] { return shared->finished; })) break;
    }
    // The frame paints its window itself: no message is taken from the queue, not even one
    // sent from another thread, so nothing else runs before the reply is in.
    m_frame();
    ++m_framesDrawn;
  }
  worker.join();
  return shared->result;
}
