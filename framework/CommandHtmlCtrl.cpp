#include "framework/CommandHtmlCtrl.h"

#include <memory>

#include "framework/UrlCommand.h"
#include "platform/base/Gbk.h"

IMPLEMENT_DYNAMIC(CCommandHtmlCtrl, CHtmlCtrl)

BEGIN_MESSAGE_MAP(CCommandHtmlCtrl, CHtmlCtrl)
  ON_MESSAGE(WM_URL_COMMAND, OnUrlCommand)
END_MESSAGE_MAP()

void CCommandHtmlCtrl::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                         CByteArray& baPostedData, LPCTSTR lpszHeaders, BOOL* pbCancel) {
  auto command = std::make_unique<CUrlCommand>(this, lpszURL);
  if (command->Execute()) {
    *pbCancel = TRUE;
    // A posted command now belongs to the message queue; one that acted at once is done.
    if (command->WasPosted()) command.release();
    return;
  }
  command.reset();
  CFixHtmlView::OnBeforeNavigate2(lpszURL, nFlags, lpszTargetFrameName, baPostedData, lpszHeaders, pbCancel);
}

void CCommandHtmlCtrl::ClickLinkByText(LPCSTR text) {
  if (GetBrowser() == nullptr || text == nullptr) return;
  GetBrowser()->ClickLinkByText(GbkToUtf8(text));
}

LRESULT CCommandHtmlCtrl::OnUrlCommand(WPARAM wParam, LPARAM) {
  std::unique_ptr<CUrlCommand> command(reinterpret_cast<CUrlCommand*>(wParam));
  if (command) command->RunPosted();
  return 0;
}
