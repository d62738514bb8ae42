// A record of every request the server received, with the reply it gave: the clients' bytes as
// they came off the wire, for tests that compare them with the protocol and for the server's
// --requests file. Safe to feed from the connections' threads.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "testbed/server/WireServer.h"

namespace testbed {

struct LoggedRequest {
  int session = 0;
  DWORD code = 0;
  DWORD serial = 0;
  bool replyWanted = false;
  Bytes body;
  DWORD result = 0;
  bool answered = false;  // false when the reply was withheld
};

class RequestLog {
 public:
  // Records one request; every line also goes to the sink when one is set.
  void Add(const Request& request, const Reply& reply);
  void SetLineSink(std::function<void(const std::string&)> sink);
  // Whether the requests are also kept for All/OfCode (true by default; a long run that only
  // writes the lines keeps none).
  void KeepRequests(bool keep);

  std::vector<LoggedRequest> All() const;
  // The requests of one code, in the order they came.
  std::vector<LoggedRequest> OfCode(DWORD code) const;
  size_t Count() const;

  // "session <s> request <code> serial <n> reply <result>|none body <hex bytes>".
  static std::string Line(const LoggedRequest& r);

 private:
  mutable std::mutex m_lock;
  std::vector<LoggedRequest> m_requests;
  bool m_keep = true;
  std::function<void(const std::string&)> m_sink;
};

}  // namespace testbed
