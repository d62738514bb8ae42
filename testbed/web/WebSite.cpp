#include "testbed/web/WebSite.h"

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace testbed {
namespace {

std::string ContentType(const std::string& file) {
  const std::string ext = std::filesystem::path(file).extension().string();
  if (ext == ".html" || ext == ".htm" || ext == ".aspx") return "text/html; charset=utf-8";
  if (ext == ".txt") return "text/plain";
  if (ext == ".css") return "text/css";
  if (ext == ".png") return "image/png";
  if (ext == ".bmp") return "image/bmp";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".gif") return "image/gif";
  return "application/octet-stream";
}

}  // namespace

WebSite::WebSite(std::string root) : m_root(std::move(root)) {}

WebSite::~WebSite() { Stop(); }

std::string WebSite::FileForPath(const std::string& root, const std::string& path) {
  if (path.empty() || path[0] != '/') return {};
  std::vector<std::string> parts;
  std::stringstream in(path.substr(1));
  std::string part;
  while (std::getline(in, part, '/')) {
    if (part == ".." || part == "." || part.find('\\') != std::string::npos) return {};
    if (!part.empty()) parts.push_back(part);
  }
  std::filesystem::path file(root);
  for (const std::string& p : parts) file /= p;
  if (path.back() == '/') file /= "index.html";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    // Advert pages and notices of a game without its own are those of game 0.
    std::filesystem::path fallback;
    if (parts.size() == 4 && parts[0] == "advert") {
      fallback = std::filesystem::path(root) / "advert" / parts[1] / "0" / parts[3];
    } else if (parts.size() == 3 && parts[0] == "notify" && parts[1] == "game") {
      fallback = std::filesystem::path(root) / "notify" / "game" / "0.txt";
    }
    if (!fallback.empty() && std::filesystem::is_regular_file(fallback, ec)) return fallback.string();
    return {};
  }
  return file.string();
}

bool WebSite::Start(uint16_t port) {
  Stop();
  m_server = std::make_unique<httplib::Server>();
  auto serve = [this](const httplib::Request& req, httplib::Response& res) {
    if (req.method == "POST") {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastPost = req.body;
      m_lastPostPath = req.path;
    }
    const std::string file = FileForPath(m_root, req.path);
    if (file.empty()) {
      res.status = 404;
      res.set_content("<html><body>Not found</body></html>", "text/html");
      return;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream body;
    body << in.rdbuf();
    res.set_content(body.str(), ContentType(file).c_str());
  };
  m_server->Get(".*", serve);
  m_server->Post(".*", serve);
  // A port another site holds is refused: without SO_REUSEPORT two sites never share one port
  // (and split its requests between them) unnoticed.
  m_server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const void*>(&yes), sizeof yes);
  });
  int bound = port == 0 ? m_server->bind_to_any_port("127.0.0.1") : (m_server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    m_server.reset();
    return false;
  }
  m_port = static_cast<uint16_t>(bound);
  m_thread = std::thread([this] { m_server->listen_after_bind(); });
  while (!m_server->is_running() && m_thread.joinable()) std::this_thread::yield();
  return true;
}

void WebSite::Stop() {
  if (m_server) m_server->stop();
  if (m_thread.joinable()) m_thread.join();
  m_server.reset();
  m_port = 0;
}

std::string WebSite::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

std::string WebSite::LastPost() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastPost;
}

std::string WebSite::LastPostPath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastPostPath;
}

}  // namespace testbed
