// The sign queries sent to the hall and still awaited or answered. The hall echoes the query's
// number with its answer; the answer is matched to a query of this list by that number and the
// user id, so nothing that arrives from outside names memory or a handle of this process. Every
// query stays in the list, with its event, until the list goes: a late answer then still finds
// a live query and changes nothing that anyone waits on.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/WinTypes.h"

class CHallSignQueries {
 public:
  CHallSignQueries() = default;
  ~CHallSignQueries();
  CHallSignQueries(const CHallSignQueries&) = delete;
  CHallSignQueries& operator=(const CHallSignQueries&) = delete;

  // A new query for the user; its number travels to the hall.
  uint32_t Create(int userId);
  // An answer from the hall. The sign is kept only when the user id matches the query's; the
  // waiter is released in either case. False when no query has that number.
  bool Answer(uint32_t queryId, int userId, const std::string& sign);
  // Waits up to timeoutMs for the answer; the sign, empty after a time-out or a mismatch.
  std::string Wait(uint32_t queryId, DWORD timeoutMs);
  size_t Count() const;

 private:
  struct Query {
    int userId = 0;
    HANDLE event = nullptr;
    std::string sign;
  };
  mutable std::mutex m_lock;
  std::map<uint32_t, std::unique_ptr<Query>> m_queries;
  uint32_t m_nextId = 1;
};
