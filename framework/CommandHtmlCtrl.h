// A web control that turns the in-page command addresses (UrlCommand.h) into actions instead of
// navigations, and that can click a link of its page by the link's text.
#pragma once

#include "framework/HtmlCtrl.h"

class CCommandHtmlCtrl : public CHtmlCtrl {
  DECLARE_DYNAMIC(CCommandHtmlCtrl)

 public:
  CCommandHtmlCtrl() = default;

  void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName, CByteArray& baPostedData,
                         LPCTSTR lpszHeaders, BOOL* pbCancel) override;
  // Clicks every link of the page whose text equals `text` (GBK), in document order.
  virtual void ClickLinkByText(LPCSTR text);

 protected:
  afx_msg LRESULT OnUrlCommand(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()
};
