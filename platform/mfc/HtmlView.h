// CHtmlView: a view that shows web pages, over the platform's web control
// (platform/web/WebBrowser.h). The control fills the view as its child with the id
// AFX_IDW_PANE_FIRST; its events arrive as the virtual handlers below, on the window's thread.
#pragma once

#include "platform/mfc/Array.h"
#include "platform/mfc/DocView.h"
#include "platform/web/WebBrowser.h"

#define navNoHistory 0x02
#define navNoReadFromCache 0x04
#define navNoWriteToCache 0x08

class CHtmlView : public CView {
  DECLARE_DYNAMIC(CHtmlView)

 public:
  CHtmlView() = default;
  ~CHtmlView() override;

  // Navigates; the post data (when not null) is sent as the body of a POST of postLength bytes.
  // Flags, target frame and headers are accepted and not used: the control has one frame.
  void Navigate(LPCTSTR lpszURL, DWORD dwFlags = 0, LPCTSTR lpszTargetFrameName = nullptr,
                LPCTSTR lpszHeaders = nullptr, LPVOID lpvPostData = nullptr, DWORD dwPostDataLen = 0);
  void Navigate2(LPCTSTR lpszURL, DWORD dwFlags = 0, LPCTSTR lpszTargetFrameName = nullptr,
                 LPCTSTR lpszHeaders = nullptr, LPVOID lpvPostData = nullptr, DWORD dwPostDataLen = 0) {
    Navigate(lpszURL, dwFlags, lpszTargetFrameName, lpszHeaders, lpvPostData, dwPostDataLen);
  }
  CString GetLocationURL() const;
  BOOL GetBusy() const;
  // The control behind the view; null before the view is created.
  platform::web::WebBrowser* GetBrowser() const { return m_pBrowser; }

  virtual void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                 CByteArray& baPostedData, LPCTSTR lpszHeaders, BOOL* pbCancel) {}
  virtual void OnDocumentComplete(LPCTSTR lpszURL) {}
  // The navigation failed; leaving *pbCancel FALSE shows the control's error page.
  virtual void OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL* pbCancel) {}

  void OnDraw(CDC* pDC) override {}

  CWnd m_wndBrowser;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpcs);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnDestroy();
  // Lets go of the control's events; the control window goes with the view's window.
  void ReleaseBrowser();
  DECLARE_MESSAGE_MAP()

 private:
  platform::web::WebBrowser* m_pBrowser = nullptr;
};
