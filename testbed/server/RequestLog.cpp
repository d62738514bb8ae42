#include "testbed/server/RequestLog.h"

#include <cstdio>

namespace testbed {

void RequestLog::Add(const Request& request, const Reply& reply) {
  LoggedRequest r;
  r.session = request.session;
  r.code = request.code;
  r.serial = request.requestSerial;
  r.replyWanted = request.replyWanted;
  r.body = request.data;
  r.result = reply.result;
  r.answered = reply.send && request.replyWanted;
  std::function<void(const std::string&)> sink;
  {
    std::lock_guard<std::mutex> g(m_lock);
    if (m_keep) m_requests.push_back(r);
    sink = m_sink;
  }
  if (sink) sink(Line(r));
}

void RequestLog::SetLineSink(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> g(m_lock);
  m_sink = std::move(sink);
}

void RequestLog::KeepRequests(bool keep) {
  std::lock_guard<std::mutex> g(m_lock);
  m_keep = keep;
}

std::vector<LoggedRequest> RequestLog::All() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_requests;
}

std::vector<LoggedRequest> RequestLog::OfCode(DWORD code) const {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<LoggedRequest> out;
  for (const LoggedRequest& r : m_requests) {
    if (r.code == code) out.push_back(r);
  }
  return out;
}

size_t RequestLog::Count() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_requests.size();
}

std::string RequestLog::Line(const LoggedRequest& r) {
  std::string line = "session " + std::to_string(r.session) + " request " + std::to_string(r.code) + " serial " +
                     std::to_string(r.serial) + " reply " + (r.answered ? std::to_string(r.result) : std::string("none")) +
                     " body";
  char hex[4];
  for (BYTE b : r.body) {
    std::snprintf(hex, sizeof hex, " %02x", static_cast<unsigned>(b));
    line += hex;
  }
  return line;
}

}  // namespace testbed
