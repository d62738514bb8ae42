#include "framework/AdvertHtmlView.h"

#include <memory>
#include <string>

#include "framework/UrlCommand.h"

IMPLEMENT_DYNAMIC(CAdvertHtmlView, CCommandHtmlCtrl)

namespace {

std::string Lower(LPCSTR text) {
  std::string s = text ? text : "";
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

void CAdvertHtmlView::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                        CByteArray& baPostedData, LPCTSTR lpszHeaders, BOOL* pbCancel) {
  auto command = std::make_unique<CUrlCommand>(this, lpszURL);
  if (command->Execute()) {
    *pbCancel = TRUE;
    if (command->WasPosted()) command.release();
    return;
  }
  command.reset();
  // The browser's own navigation-cancelled page means the advert did not come.
  if (Lower(lpszURL).find("navcancl.") != std::string::npos) m_errorSeen = TRUE;
  CFixHtmlView::OnBeforeNavigate2(lpszURL, nFlags, lpszTargetFrameName, baPostedData, lpszHeaders, pbCancel);
}

void CAdvertHtmlView::OnDocumentComplete(LPCTSTR lpszURL) {
  const std::string url = Lower(lpszURL);
  if (!url.empty() && url.find("about:blank") == std::string::npos && !m_errorSeen) m_pageLoaded = TRUE;
}

void CAdvertHtmlView::OnNavigateError(LPCTSTR, LPCTSTR, DWORD, BOOL* pbCancel) {
  m_errorSeen = TRUE;
  if (pbCancel) *pbCancel = FALSE;
}
