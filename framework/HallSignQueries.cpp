#include "framework/HallSignQueries.h"

#include "platform/kernel/Kernel.h"

CHallSignQueries::~CHallSignQueries() {
  for (auto& entry : m_queries) CloseHandle(entry.second->event);
}

uint32_t CHallSignQueries::Create(int userId) {
  auto query = std::make_unique<Query>();
  query->userId = userId;
  query->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::lock_guard<std::mutex> guard(m_lock);
  uint32_t id = m_nextId++;
  if (m_nextId == 0) m_nextId = 1;
  m_queries[id] = std::move(query);
  return id;
}

bool CHallSignQueries::Answer(uint32_t queryId, int userId, const std::string& sign) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_queries.find(queryId);
  if (it == m_queries.end()) return false;
  if (it->second->userId == userId) it->second->sign = sign;
  SetEvent(it->second->event);
  return true;
}

std::string CHallSignQueries::Wait(uint32_t queryId, DWORD timeoutMs) {
  HANDLE event = nullptr;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_queries.find(queryId);
    if (it == m_queries.end()) return std::string();
    event = it->second->event;
  }
  // The event lives as long as the list, so waiting on it outside the lock is safe.
  if (WaitForSingleObject(event, timeoutMs) != WAIT_OBJECT_0) return std::string();
  std::lock_guard<std::mutex> guard(m_lock);
  return m_queries[queryId]->sign;
}

size_t CHallSignQueries::Count() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_queries.size();
}
