// The advert variant of the command web control: it records whether its page loaded or failed,
// for the advert panes of the game layers to read. Both flags only ever go from 0 to 1.
#pragma once

#include "framework/CommandHtmlCtrl.h"

class CAdvertHtmlView : public CCommandHtmlCtrl {
  DECLARE_DYNAMIC(CAdvertHtmlView)

 public:
  CAdvertHtmlView() = default;

  void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName, CByteArray& baPostedData,
                         LPCTSTR lpszHeaders, BOOL* pbCancel) override;
  void OnDocumentComplete(LPCTSTR lpszURL) override;
  void OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL* pbCancel) override;

  BOOL m_errorSeen = FALSE;
  BOOL m_pageLoaded = FALSE;
};

// What every form view holds for a COM interface of its own; nothing in the program stores one,
// and it is emptied when it goes.
class CComHolder {
 public:
  CComHolder() = default;
  virtual ~CComHolder() { Clear(); }
  void Clear() {
    m_interface = nullptr;
    m_words[0] = m_words[1] = m_words[2] = m_words[3] = 0;
  }
  void* m_interface = nullptr;
  DWORD m_words[4] = {};
};
