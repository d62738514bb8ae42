// The web control: a child window that fetches pages over HTTP, lays them out with litehtml and
// draws them through the drawing layer.
//
// Every navigation, whether asked for by the program, by a link the user clicked or by a link
// clicked through ClickLinkByText, is first offered to the before-navigate handler, which may
// cancel it. A page that loads raises document-complete; a page that cannot be fetched shows a
// plain error page and raises navigate-error. Only http, https and about:blank are fetched from
// anywhere; a file: address is read only inside the folders given with AllowFolder (the
// program's own), and every other address fails. Loading runs on the thread that owns the window,
// so the events arrive there too.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace platform::web {

// The window class that CreateWebControl registers.
constexpr const char* WEB_CONTROL_CLASS = "PxqdWebControl";

struct WebEvents {
  // url, post data (empty for a GET), cancel out.
  std::function<void(const std::string&, const std::string&, bool*)> beforeNavigate;
  std::function<void(const std::string&)> documentComplete;
  // url, HTTP status (0 when no server answered), cancel out: a cancelled error leaves the page
  // that was shown before instead of the error page.
  std::function<void(const std::string&, long, bool*)> navigateError;
};

// What a fetch brought: the body and its content type, or a failure with the status.
struct WebResource {
  bool ok = false;
  long status = 0;
  std::string body;
  std::string contentType;
};
// Fetches an address (with post data when `post` is not null). The default fetcher uses libcurl
// for http and https and refuses everything else; tests may put their own in place.
using WebFetcher = std::function<WebResource(const std::string& url, const std::string* post)>;

class WebBrowser;

// Registers the window class (once) and creates the control; null on failure.
HWND CreateWebControl(HWND parent, const RECT& rect, UINT id, DWORD style);
// The browser behind a web control window, null for any other window.
WebBrowser* WebBrowserFromWindow(HWND hwnd);

class WebBrowser {
 public:
  explicit WebBrowser(HWND hwnd);
  ~WebBrowser();
  WebBrowser(const WebBrowser&) = delete;
  WebBrowser& operator=(const WebBrowser&) = delete;

  HWND Window() const { return m_hwnd; }
  void SetEvents(WebEvents events) { m_events = std::move(events); }
  void SetFetcher(WebFetcher fetcher);
  // A folder whose files the pages may read through file: addresses (the program's own folders).
  void AllowFolder(const std::string& folder);

  // Navigates (a POST when `post` is not empty); false when the before-navigate handler cancelled.
  bool Navigate(const std::string& url, const std::string& post = std::string());
  // Shows the given markup as the page at `url`, as if it had been fetched.
  void LoadHtml(const std::string& url, const std::string& html);

  const std::string& LocationUrl() const { return m_url; }
  const std::string& Title() const { return m_title; }
  bool Busy() const { return m_busy; }
  // The texts of the page's links (anchors with an href), in document order, as UTF-8.
  std::vector<std::string> LinkTexts() const;
  // Clicks every link whose text equals `text` (UTF-8), in document order; the number clicked.
  int ClickLinkByText(const std::string& text);

  int ScrollPos() const { return m_scrollY; }
  int DocumentHeight() const;
  void ScrollTo(int y);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Resolves `url` against `base` (absolute addresses stay as they are).
  static std::string Resolve(const std::string& base, const std::string& url);

 private:
  class Painter;
  void ShowPage(const std::string& url, const std::string& html);
  void ShowError(const std::string& url, long status);
  void Layout();
  void UpdateScrollBar();
  void Paint();
  WebResource Fetch(const std::string& url, const std::string* post);
  void OnClick(int x, int y);

  HWND m_hwnd;
  WebEvents m_events;
  WebFetcher m_fetcher;
  std::vector<std::string> m_folders;
  std::unique_ptr<Painter> m_painter;
  std::string m_url;
  std::string m_title;
  int m_scrollY = 0;
  bool m_busy = false;
  // Navigations started from inside an event handler run after the current one finishes.
  int m_depth = 0;
  std::vector<std::pair<std::string, std::string>> m_pending;
};

}  // namespace platform::web
