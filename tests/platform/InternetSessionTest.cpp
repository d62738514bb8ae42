#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/inet/HttpGet.h"
#include "platform/mfc/InternetSession.h"

namespace {

// A web server on 127.0.0.1 at a port of the system's choice, serving a few fixed answers.
class WebServer {
 public:
  WebServer() {
    // The test's own server is reached directly, whatever proxy the machine is set up with.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      ::unsetenv(name);
    }
    m_server.Get("/notify/game/7.txt", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string("<NOTIFY>line one\r\n\0zero", 23), "text/plain");
    });
    m_server.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    m_server.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/notify/game/7.txt");
    });
    m_server.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("file:///etc/passwd");
    });
    m_server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(5000, 'x'), "text/plain");
    });
    m_server.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.get_header_value("User-Agent"), "text/plain");
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~WebServer() {
    m_server.stop();
    m_thread.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

 private:
  httplib::Server m_server;
  int m_port = 0;
  std::thread m_thread;
};

TEST(HttpGet, BodiesAndFailures) {
  WebServer web;
  struct Case {
    std::string path;
    size_t limit;
    bool ok;
    long status;
    size_t bytes;
  };
  const Case cases[] = {
      {"/notify/game/7.txt", platform::HTTP_BODY_LIMIT, true, 200, 23},
      {"//notify/game/7.txt", platform::HTTP_BODY_LIMIT, false, 404, 0},  // the path is sent as written
      {"/moved", platform::HTTP_BODY_LIMIT, true, 200, 23},
      {"/to-file", platform::HTTP_BODY_LIMIT, false, 302, 0},
      {"/missing", platform::HTTP_BODY_LIMIT, false, 404, 0},
      {"/big", 4999, false, 200, 0},
      {"/big", 5000, true, 200, 5000},
  };
  for (const Case& c : cases) {
    platform::HttpGetResult r = platform::HttpGet(web.Url(c.path), "", c.limit);
    EXPECT_EQ(c.ok, r.ok) << c.path << ": " << r.error;
    EXPECT_EQ(c.status, r.status) << c.path;
    EXPECT_EQ(c.bytes, r.body.size()) << c.path;
    EXPECT_EQ(c.ok, r.error.empty()) << c.path;
  }
  EXPECT_EQ("pxqd test", platform::HttpGet(web.Url("/agent"), "pxqd test").body);
}

TEST(CInternetSession, DownloadReadInChunks) {
  WebServer web;
  CInternetSession session(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG);
  std::unique_ptr<CStdioFile> file(
      session.OpenURL(web.Url("/notify/game/7.txt").c_str(), 1, INTERNET_FLAG_TRANSFER_BINARY));
  ASSERT_TRUE(file);
  std::string body;
  char chunk[7];
  UINT n;
  while ((n = file->Read(chunk, sizeof chunk)) > 0) body.append(chunk, n);
  EXPECT_EQ(std::string("<NOTIFY>line one\r\n\0zero", 23), body);
  file->Close();
  EXPECT_EQ(0u, file->Read(chunk, sizeof chunk));

  for (const std::string& url : {web.Url("/missing"), std::string("ftp://127.0.0.1/x"), std::string("file:///etc/passwd"),
                                 std::string("http://127.0.0.1:1/refused")}) {
    EXPECT_EQ(nullptr, session.OpenURL(url.c_str())) << url;
    EXPECT_FALSE(session.GetLastErrorText().IsEmpty()) << url;
  }
  session.Close();
}

}  // namespace
