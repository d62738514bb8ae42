#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/Display.h"
#include "platform/web/WebBrowser.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using platform::web::WebBrowser;

class PageServer {
 public:
  PageServer() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      ::unsetenv(name);
    }
    m_server.Get("/index.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<html><head><title>Index</title></head><body style=\"background:#e0f0ff\">"
          "<h1>Welcome</h1><p><a href=\"next.html\">Next page</a></p>"
          "<p><a href=\"/a.html\">Twice</a> and <a href=\"/b.html\">Twice</a></p>"
          "<div style=\"height:900px\">tall</div></body></html>",
          "text/html");
    });
    m_server.Get("/gbk.html", [](const httplib::Request&, httplib::Response& res) {
      // "银行" in GBK.
      res.set_content(std::string("<html><body><a href=\"x\">\xD2\xF8\xD0\xD0</a></body></html>"),
                      "text/html; charset=gbk");
    });
    m_server.Post("/echo", [this](const httplib::Request& req, httplib::Response& res) {
      posted = req.body;
      res.set_content("<html><body>posted</body></html>", "text/html");
    });
    m_server.Get("/missing.html", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~PageServer() {
    m_server.stop();
    m_thread.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
  std::string posted;

 private:
  httplib::Server m_server;
  int m_port = 0;
  std::thread m_thread;
};

struct Recorder {
  std::vector<std::string> events;
  std::vector<std::string> refuse;
  platform::web::WebEvents Events() {
    platform::web::WebEvents e;
    e.beforeNavigate = [this](const std::string& url, const std::string& post, bool* cancel) {
      events.push_back("before " + url + (post.empty() ? "" : " post=" + post));
      for (const std::string& r : refuse) {
        if (url.find(r) != std::string::npos) *cancel = true;
      }
    };
    e.documentComplete = [this](const std::string& url) { events.push_back("complete " + url); };
    e.navigateError = [this](const std::string& url, long status, bool*) {
      events.push_back("error " + url + " " + std::to_string(status));
    };
    return e;
  }
};

class WebBrowserTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_top = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr, nullptr,
                            nullptr);
    RECT rc{0, 0, 320, 240};
    m_web = platform::web::CreateWebControl(m_top, rc, 100, WS_CHILD | WS_VISIBLE);
    ASSERT_NE(m_web, nullptr);
    m_browser = platform::web::WebBrowserFromWindow(m_web);
    ASSERT_NE(m_browser, nullptr);
    m_browser->SetEvents(m_log.Events());
  }
  void TearDown() override {
    DestroyWindow(m_top);
    WindowTest::TearDown();
  }
  HWND m_top = nullptr;
  HWND m_web = nullptr;
  WebBrowser* m_browser = nullptr;
  Recorder m_log;
};

TEST_F(WebBrowserTest, LoadsPagesClicksLinksAndScrolls) {
  PageServer server;
  ASSERT_TRUE(m_browser->Navigate(server.Url("/index.html")));
  EXPECT_EQ(m_browser->Title(), "Index");
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_top, "web-index"));
  // The page's background reaches the window.
  EXPECT_EQ(mfcwin::Pixel(m_web, 2, 2), RGB(0xE0, 0xF0, 0xFF));
  EXPECT_GT(m_browser->DocumentHeight(), 900);
  m_browser->ScrollTo(100000);
  EXPECT_EQ(m_browser->ScrollPos(), m_browser->DocumentHeight() - 240);
  m_browser->ScrollTo(-5);
  EXPECT_EQ(m_browser->ScrollPos(), 0);

  // Every link with the text is clicked, in document order, each through before-navigate.
  m_log.events.clear();
  m_log.refuse = {"/a.html", "/b.html"};
  EXPECT_EQ(m_browser->ClickLinkByText("Twice"), 2);
  EXPECT_EQ(m_log.events, (std::vector<std::string>{"before " + server.Url("/a.html"), "before " + server.Url("/b.html")}));
  EXPECT_EQ(m_browser->LocationUrl(), server.Url("/index.html"));
  EXPECT_EQ(m_browser->ClickLinkByText("nothing"), 0);

  // A relative link resolves against the page.
  m_log.events.clear();
  m_log.refuse = {"next"};
  EXPECT_EQ(m_browser->ClickLinkByText("Next page"), 1);
  EXPECT_EQ(m_log.events, (std::vector<std::string>{"before " + server.Url("/next.html")}));
}

TEST_F(WebBrowserTest, PostsDataAndReportsFailures) {
  PageServer server;
  ASSERT_TRUE(m_browser->Navigate(server.Url("/echo"), "amount=5&x=1"));
  EXPECT_EQ(server.posted, "amount=5&x=1");
  EXPECT_EQ(m_log.events.back(), "complete " + server.Url("/echo"));

  m_log.events.clear();
  m_browser->Navigate(server.Url("/missing.html"));
  EXPECT_EQ(m_log.events, (std::vector<std::string>{"before " + server.Url("/missing.html"),
                                                     "error " + server.Url("/missing.html") + " 404"}));
  // The error page is shown in place of the page.
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_top, "web-error"));
  EXPECT_EQ(m_browser->LocationUrl(), server.Url("/missing.html"));

  // A cancelled navigation changes nothing.
  m_log.refuse = {"index"};
  EXPECT_FALSE(m_browser->Navigate(server.Url("/index.html")));
  EXPECT_EQ(m_browser->LocationUrl(), server.Url("/missing.html"));

  // A page in GBK is read as such.
  ASSERT_TRUE(m_browser->Navigate(server.Url("/gbk.html")));
  EXPECT_EQ(m_browser->LinkTexts(), (std::vector<std::string>{"\xE9\x93\xB6\xE8\xA1\x8C"}));
}

TEST_F(WebBrowserTest, FilesOnlyInsideTheProgramsFolders) {
  testsupport::TempDir tmp;
  const std::filesystem::path root(tmp.Path());
  std::filesystem::create_directories(root / "pages");
  std::ofstream(root / "pages" / "help.html") << "<html><body>help</body></html>";
  std::ofstream(root / "secret.html") << "<html><body>secret</body></html>";
  m_browser->AllowFolder((root / "pages").string());
  struct Case {
    std::string url;
    bool loads;
  } cases[] = {
      {"file://" + (root / "pages" / "help.html").string(), true},
      {"file://" + (root / "secret.html").string(), false},
      {"file://" + (root / "pages" / ".." / "secret.html").string(), false},
      {"file://otherhost" + (root / "pages" / "help.html").string(), false},
      {"ftp://127.0.0.1/x", false},
      {"about:blank", true},
  };
  for (const Case& c : cases) {
    m_log.events.clear();
    m_browser->Navigate(c.url);
    ASSERT_EQ(m_log.events.size(), 2u) << c.url;
    EXPECT_EQ(m_log.events[1].rfind(c.loads ? "complete " : "error ", 0), 0u) << c.url;
  }
}

TEST(WebResolve, RelativeAddresses) {
  struct Case {
    const char* base;
    const char* url;
    const char* want;
  } cases[] = {
      {"http://h:8/a/b.html", "c.html", "http://h:8/a/c.html"},
      {"http://h/a/b.html", "/c.html?x=1", "http://h/c.html?x=1"},
      {"http://h/a/b/c.html", "../d.html", "http://h/a/d.html"},
      {"http://h/a/b.html", "//k/x", "http://k/x"},
      {"http://h/a/b.html", "kvyold://h/p", "kvyold://h/p"},
      {"http://h/a/b.html", "javascript:void(0)", "javascript:void(0)"},
      {"http://h", "x.html", "http://h/x.html"},
      {"http://h/a?q=1", "#top", "http://h/a#top"},
  };
  for (const Case& c : cases) EXPECT_EQ(WebBrowser::Resolve(c.base, c.url), c.want) << c.base << " + " << c.url;
}

}  // namespace
