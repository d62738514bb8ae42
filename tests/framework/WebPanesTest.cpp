#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/AdvertHtmlView.h"
#include "framework/CommandHtmlCtrl.h"
#include "framework/FixHtmlView.h"
#include "framework/HallRecords.h"
#include "framework/UrlCommand.h"
#include "platform/mfc/Controls.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "testbed/web/WebSite.h"
#include "tests/support/TempDir.h"

namespace {

class PageServer {
 public:
  PageServer() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      ::unsetenv(name);
    }
    m_server.Get("/menu.html", [this](const httplib::Request&, httplib::Response& res) {
      const std::string self = "127.0.0.1:" + std::to_string(m_port);
      res.set_content("<html><body><p><a href=\"KVYOLD://" + self + "/bank.html\">Bank</a></p>"
                      "<p><a href=\"kvyapp://becomemember/\">Member</a></p>"
                      "<p><a href=\"kvyapp://changeclothing\">Clothes</a></p>"
                      "<p><a href=\"http://elsewhere.example/x.html\">Away</a></p></body></html>",
                      "text/html");
    });
    m_server.Get("/bank.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body>bank</body></html>", "text/html");
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~PageServer() {
    m_server.stop();
    m_thread.join();
  }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

 private:
  httplib::Server m_server;
  int m_port = 0;
  std::thread m_thread;
};

// A filter whose whitelist is a file of the test's own.
class FilterView : public CFixHtmlView {
 public:
  using CFixHtmlView::IsUrlAllowed;
  using CFixHtmlView::LoadWhitelist;
};

TEST(WebPaneFilter, HostsAgainstTheWhitelist) {
  testsupport::TempDir tmp;
  const std::string path = tmp.Path() + "/domain.dat";
  ASSERT_TRUE(WriteWhitelistFile(path, {"name.tld", "b.name2.tld"}));
  FilterView view;
  view.SetWhitelistFile(path.c_str());
  struct Case {
    const char* url;
    BOOL allowed;
  } cases[] = {
      {"http://name.tld/index.html", TRUE},
      {"http://www.name.tld/", TRUE},
      {"http://a.www.name.tld/x", TRUE},
      {"http://other.tld/", FALSE},
      {"http://name.tld.evil.tld/", FALSE},
      {"http://x.b.name2.tld/", TRUE},
      {"http://y.x.b.name2.tld/", FALSE},
      {"HTTP://WWW.NAME.TLD/PAGE", TRUE},
      // Secure pages and hosts with a port are judged by their host.
      {"https://www.name.tld/secure", TRUE},
      {"http://name.tld:8080/a", TRUE},
      {"http://user:pw@name.tld/a", TRUE},
      {"http://evil.tld/?name.tld", FALSE},
      {"http://evil.tld#name.tld", FALSE},
      {"javascript:void(0)", TRUE},
      {"about:blank", FALSE},
      {"", FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(view.IsUrlAllowed(c.url), c.allowed) << c.url;

  // Without a whitelist only script addresses pass.
  view.SetWhitelistFile((tmp.Path() + "/none.dat").c_str());
  EXPECT_FALSE(view.IsUrlAllowed("http://name.tld/"));
  EXPECT_TRUE(view.IsUrlAllowed("JavaScript:go()"));
}

TEST(WebPaneFilter, WhitelistRecordsAreWholeSixtyFourBytePieces) {
  testsupport::TempDir tmp;
  const std::string path = tmp.Path() + "/domain.dat";
  ASSERT_TRUE(WriteWhitelistFile(path, {"One.TLD", "two.tld"}));
  std::ofstream(path, std::ios::binary | std::ios::app) << "xy";
  ASSERT_EQ(std::filesystem::file_size(path), 130u);
  FilterView view;
  view.SetWhitelistFile(path.c_str());
  CStringList list;
  EXPECT_EQ(view.LoadWhitelist(list), 2);
  EXPECT_STREQ(list.GetHead(), "one.tld");
  EXPECT_STREQ(list.GetTail(), "two.tld");
  EXPECT_FALSE(WriteWhitelistFile(path, {std::string(64, 'a')}));
}

// The whitelist the build writes for the hall stand-in's folder is read with the same key.
TEST(WebPaneFilter, TheBuildsWhitelistFile) {
  FilterView view;
  view.SetWhitelistFile(PXQD_HALL_DIR "/Share/advert/domain.dat");
  EXPECT_TRUE(view.IsUrlAllowed("http://127.0.0.1:31390/rules/Pxqd.html"));
  EXPECT_TRUE(view.IsUrlAllowed("http://LOCALHOST/"));
  EXPECT_FALSE(view.IsUrlAllowed("http://elsewhere.example/"));
  // The panes name it as the hall does, with Windows separators.
  view.SetWhitelistFile(PXQD_HALL_DIR "/Share\\advert\\domain.dat");
  EXPECT_TRUE(view.IsUrlAllowed("http://127.0.0.1:31390/rules/Pxqd.html"));
}

TEST(UrlCommand, AddressForms) {
  struct Case {
    const char* url;
    const char* http;
  } cases[] = {
      {"kvyold://host/page.html?a=1", "http://host/page.html?a=1"},
      {"kvynew:page", "http:page"},
      {"noscheme", "http"},
  };
  for (const Case& c : cases) EXPECT_STREQ(CUrlCommand(nullptr, c.url).ToHttp(), c.http) << c.url;
  CUrlCommand upper(nullptr, "KVYOLD://h/p");
  EXPECT_TRUE(upper.IsOldScheme());
  EXPECT_FALSE(upper.IsNewScheme());
  EXPECT_TRUE(CUrlCommand(nullptr, "About:Blank").IsBlank());
  EXPECT_TRUE(CUrlCommand(nullptr, "HTTP://x").IsHttp());

  EXPECT_STREQ(AppendUrlQuery("http://h/p", "uid=1"), "http://h/p?uid=1");
  EXPECT_STREQ(AppendUrlQuery("http://h/p?a=2", "uid=1"), "http://h/p?a=2&uid=1");
  EXPECT_STREQ(AppendUrlQuery("http://h/p", ""), "http://h/p");
}

LRESULT CALLBACK HallFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class WebPaneTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "pane", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                  nullptr, nullptr));
    HWND placeholder = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 10, 20, 300, 200,
                                       m_parent.GetSafeHwnd(), reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    ASSERT_NE(placeholder, nullptr);
    ASSERT_TRUE(WriteWhitelistFile(m_tmp.Path() + "/domain.dat", {"127.0.0.1"}));
  }
  void TearDown() override {
    m_parent.DestroyWindow();
    WindowTest::TearDown();
  }
  testsupport::TempDir m_tmp;
  CWnd m_parent;
};

TEST_F(WebPaneTest, CommandControlRunsPageCommandsAndFilters) {
  PageServer server;
  CCommandHtmlCtrl ctrl;
  ASSERT_TRUE(ctrl.CreateFromStatic(1000, &m_parent));
  EXPECT_EQ(mfcwin::RectInParent(ctrl.GetSafeHwnd()), CRect(10, 20, 310, 220));
  EXPECT_FALSE(ctrl.CreateFromStatic(1001, &m_parent));
  ctrl.SetFilterOn(TRUE);
  ctrl.SetWhitelistFile((m_tmp.Path() + "/domain.dat").c_str());

  WNDCLASSA wc{};
  wc.lpfnWndProc = HallFrameProc;
  wc.lpszClassName = HALL_FRAME_CLASS;
  RegisterClassA(&wc);
  HWND hall = CreateWindowExA(0, HALL_FRAME_CLASS, "hall", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);

  ctrl.Navigate(server.Url("/menu.html").c_str());
  ASSERT_STREQ(ctrl.GetLocationURL(), server.Url("/menu.html").c_str());
  mfcwin::Pump();
  EXPECT_TRUE(mfcwin::SavePng(m_parent.GetSafeHwnd(), "web-pane-menu"));

  // A hall command is handled at once: the hall frame hears of it and the page stays.
  ctrl.ClickLinkByText("Member");
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, hall, WM_HALL_BECOME_MEMBER, WM_HALL_BECOME_MEMBER, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);  // no application: no user id
  EXPECT_STREQ(ctrl.GetLocationURL(), server.Url("/menu.html").c_str());

  // A command address without its final slash is no command; the filter refuses it.
  ctrl.ClickLinkByText("Clothes");
  EXPECT_FALSE(PeekMessageA(&msg, hall, WM_HALL_CHANGE_CLOTHING, WM_HALL_CHANGE_CLOTHING, PM_REMOVE));
  EXPECT_STREQ(ctrl.GetLocationURL(), server.Url("/menu.html").c_str());

  // A host outside the whitelist is refused.
  ctrl.ClickLinkByText("Away");
  EXPECT_STREQ(ctrl.GetLocationURL(), server.Url("/menu.html").c_str());

  // An old-scheme page (in capitals) is posted and then opened here under http.
  ctrl.ClickLinkByText("Bank");
  EXPECT_STREQ(ctrl.GetLocationURL(), server.Url("/menu.html").c_str());
  mfcwin::PumpUntil([&] { return std::string(ctrl.GetLocationURL()) == server.Url("/bank.html"); });
  EXPECT_STREQ(ctrl.GetLocationURL(), server.Url("/bank.html").c_str());

  // With the filter off, the other host is tried (and fails to load, showing the error page).
  ctrl.SetFilterOn(FALSE);
  ctrl.Navigate("http://127.0.0.2:1/x.html");
  EXPECT_STREQ(ctrl.GetLocationURL(), "http://127.0.0.2:1/x.html");
  DestroyWindow(hall);
}

TEST_F(WebPaneTest, AdvertViewRecordsLoadAndError) {
  PageServer server;
  CAdvertHtmlView advert;
  ASSERT_TRUE(advert.CreateFromStatic(1000, &m_parent));
  advert.Navigate("about:blank");
  EXPECT_FALSE(advert.m_pageLoaded);
  advert.Navigate(server.Url("/bank.html").c_str());
  EXPECT_TRUE(advert.m_pageLoaded);
  EXPECT_FALSE(advert.m_errorSeen);

  CAdvertHtmlView failing;
  HWND placeholder = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 50, 50, m_parent.GetSafeHwnd(),
                                     reinterpret_cast<HMENU>(1002), nullptr, nullptr);
  ASSERT_NE(placeholder, nullptr);
  ASSERT_TRUE(failing.CreateFromStatic(1002, &m_parent));
  failing.Navigate(server.Url("/missing.html").c_str());
  EXPECT_TRUE(failing.m_errorSeen);
  failing.Navigate(server.Url("/bank.html").c_str());
  EXPECT_FALSE(failing.m_pageLoaded);
}

}  // namespace

namespace {

// The testbed's pages, as the panes open them, each loaded and drawn.
TEST_F(WebPaneTest, TestbedPagesLoadAndRender) {
  testbed::WebSite site(PXQD_WEB_SITE_DIR);
  ASSERT_TRUE(site.Start(0));
  const char* pages[] = {"rules/Pxqd.html", "skin/Pxqd/", "advert/banner/7/xy.htm", "advert/window/7/xy.htm",
                         "zuzaruzi/hall/888/coffer.aspx", "security/calculate.html", "help/index.html"};
  int n = 0;
  for (const char* page : pages) {
    CAdvertHtmlView view;
    ASSERT_TRUE(view.CreateFromStatic(1000, &m_parent)) << page;
    view.Navigate((site.BaseUrl() + page).c_str());
    EXPECT_TRUE(view.m_pageLoaded) << page;
    EXPECT_FALSE(view.m_errorSeen) << page;
    mfcwin::Pump();
    EXPECT_TRUE(mfcwin::SavePng(view.GetSafeHwnd(), "testbed-page-" + std::to_string(n++)));
    // The next page goes in the same place.
    const CRect rc = mfcwin::RectInParent(view.GetSafeHwnd());
    view.DestroyWindow();
    CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, rc.left, rc.top, rc.Width(), rc.Height(),
                    m_parent.GetSafeHwnd(), reinterpret_cast<HMENU>(1000), nullptr, nullptr);
  }
  // Posts reach the site.
  CAdvertHtmlView view;
  ASSERT_TRUE(view.CreateFromStatic(1000, &m_parent));
  view.Navigate((site.BaseUrl() + "zuzaruzi/hall/888/coffer.aspx").c_str(), 0, nullptr, nullptr, "uid=5&amount=10");
  EXPECT_EQ(site.LastPost(), "uid=5&amount=10");
  EXPECT_EQ(site.LastPostPath(), "/zuzaruzi/hall/888/coffer.aspx");
  view.Navigate((site.BaseUrl() + "nothing.html").c_str());
  EXPECT_TRUE(view.m_errorSeen);
}

TEST(TestbedWebSite, PathsStayInsideTheSite) {
  const std::string root = PXQD_WEB_SITE_DIR;
  struct Case {
    const char* path;
    bool found;
  } cases[] = {
      {"/rules/Pxqd.html", true},
      {"/skin/Pxqd/", true},
      {"/advert/banner/42/xy.htm", true},
      {"/notify/game/42.txt", true},
      {"/rules/../rules/Pxqd.html", false},
      {"/../web/WebSite.cpp", false},
      {"/rules/missing.html", false},
      {"rules/Pxqd.html", false},
  };
  for (const Case& c : cases) EXPECT_EQ(!testbed::WebSite::FileForPath(root, c.path).empty(), c.found) << c.path;
}

}  // namespace
