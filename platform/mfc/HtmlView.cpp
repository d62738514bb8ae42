#include "platform/mfc/HtmlView.h"

#include <string>

#include "platform/mfc/FrameWnd.h"

IMPLEMENT_DYNAMIC(CHtmlView, CView)

BEGIN_MESSAGE_MAP(CHtmlView, CView)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CHtmlView::~CHtmlView() = default;

int CHtmlView::OnCreate(LPCREATESTRUCT lpcs) {
  if (CView::OnCreate(lpcs) == -1) return -1;
  CRect rc;
  GetClientRect(&rc);
  HWND browser = platform::web::CreateWebControl(m_hWnd, rc, AFX_IDW_PANE_FIRST, WS_CHILD | WS_VISIBLE);
  if (!browser) return -1;
  m_wndBrowser.Attach(browser);
  m_pBrowser = platform::web::WebBrowserFromWindow(browser);
  platform::web::WebEvents events;
  events.beforeNavigate = [this](const std::string& url, const std::string& post, bool* cancel) {
    CByteArray posted;
    posted.SetSize(static_cast<INT_PTR>(post.size()));
    for (size_t i = 0; i < post.size(); ++i) posted[static_cast<INT_PTR>(i)] = static_cast<BYTE>(post[i]);
    BOOL cancelled = FALSE;
    OnBeforeNavigate2(url.c_str(), 0, "", posted, "", &cancelled);
    *cancel = cancelled != FALSE;
  };
  events.documentComplete = [this](const std::string& url) { OnDocumentComplete(url.c_str()); };
  events.navigateError = [this](const std::string& url, long status, bool* cancel) {
    BOOL cancelled = FALSE;
    OnNavigateError(url.c_str(), "", static_cast<DWORD>(status), &cancelled);
    *cancel = cancelled != FALSE;
  };
  m_pBrowser->SetEvents(std::move(events));
  return 0;
}

void CHtmlView::OnSize(UINT nType, int cx, int cy) {
  if (m_wndBrowser.GetSafeHwnd()) m_wndBrowser.MoveWindow(0, 0, cx, cy);
}

BOOL CHtmlView::OnEraseBkgnd(CDC*) { return TRUE; }

void CHtmlView::ReleaseBrowser() {
  if (m_pBrowser) m_pBrowser->SetEvents({});
  m_pBrowser = nullptr;
  if (m_wndBrowser.GetSafeHwnd()) m_wndBrowser.Detach();
}

void CHtmlView::OnDestroy() {
  ReleaseBrowser();
  CView::OnDestroy();
}

void CHtmlView::Navigate(LPCTSTR lpszURL, DWORD, LPCTSTR, LPCTSTR, LPVOID lpvPostData, DWORD dwPostDataLen) {
  if (!m_pBrowser || !lpszURL) return;
  std::string post;
  if (lpvPostData && dwPostDataLen) post.assign(static_cast<const char*>(lpvPostData), dwPostDataLen);
  m_pBrowser->Navigate(lpszURL, post);
}

CString CHtmlView::GetLocationURL() const { return m_pBrowser ? CString(m_pBrowser->LocationUrl().c_str()) : CString(); }

BOOL CHtmlView::GetBusy() const { return m_pBrowser && m_pBrowser->Busy(); }
