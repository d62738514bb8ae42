// A web server on 127.0.0.1 that answers every notice path with one body, for the notice
// download's tests. Its HTTP library stays in its own source file, away from the program's
// socket names.
#pragma once

#include <memory>
#include <string>

class NoticeWebServer {
 public:
  explicit NoticeWebServer(const std::string& body);
  ~NoticeWebServer();
  NoticeWebServer(const NoticeWebServer&) = delete;
  NoticeWebServer& operator=(const NoticeWebServer&) = delete;
  int Port() const { return m_port; }

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  int m_port = 0;
};
