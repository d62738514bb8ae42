#include "tests/framework/NoticeWebServer.h"

#include <httplib.h>

#include <thread>

struct NoticeWebServer::Impl {
  httplib::Server server;
  std::thread thread;
};

NoticeWebServer::NoticeWebServer(const std::string& body) : m_impl(std::make_unique<Impl>()) {
  m_impl->server.Get(R"(.*/notify/game/\d+\.txt)", [body](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "text/plain");
  });
  m_port = m_impl->server.bind_to_any_port("127.0.0.1");
  m_impl->thread = std::thread([this] { m_impl->server.listen_after_bind(); });
  while (!m_impl->server.is_running()) std::this_thread::yield();
}

NoticeWebServer::~NoticeWebServer() {
  m_impl->server.stop();
  m_impl->thread.join();
}
