// The testbed's web site: the pages the client's web panes open (rules, skins, adverts, the bank
// page, help pages and notices), served from a folder over HTTP on 127.0.0.1 with cpp-httplib.
//
// A path names a file under the site folder; a path ending in '/' names its index.html. Paths
// with ".." segments are refused. Posts are answered like gets, and the last post's body is kept
// for the tests. Advert pages and notices of a game id without its own are those of game 0.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace testbed {

class WebSite {
 public:
  explicit WebSite(std::string root);
  ~WebSite();
  WebSite(const WebSite&) = delete;
  WebSite& operator=(const WebSite&) = delete;

  // Listens on 127.0.0.1:port (0: a port of the system's choice); false when it cannot.
  bool Start(uint16_t port);
  void Stop();
  uint16_t Port() const { return m_port; }
  // "http://127.0.0.1:<port>/".
  std::string BaseUrl() const;
  // The body and path of the last post the site received.
  std::string LastPost() const;
  std::string LastPostPath() const;

  // The file a request path names under the root, or empty when it names none.
  static std::string FileForPath(const std::string& root, const std::string& path);

 private:
  std::string m_root;
  std::unique_ptr<httplib::Server> m_server;
  std::thread m_thread;
  uint16_t m_port = 0;
  mutable std::mutex m_mutex;
  std::string m_lastPost;
  std::string m_lastPostPath;
};

}  // namespace testbed
