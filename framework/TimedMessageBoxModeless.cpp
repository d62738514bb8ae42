#include "framework/TimedMessageBoxModeless.h"

#include "framework/GameApp.h"
#include "framework/ProgramLauncher.h"

void CTimedMessageBoxModeless::OnOK() {
  if (m_timer != 0) {
    KillTimer(TIMED_BOX_TIMER);
    m_timer = 0;
  }
  if (!m_link.IsEmpty()) {
    CGameApp* app = GetGameApp();
    CString url = app != nullptr ? app->SignUrl(m_link, m_signLink) : m_link;
    // Only an http or https address is opened, in the user's browser.
    OpenUrlInUserBrowser(url);
  }
  DestroyWindow();
}

void CTimedMessageBoxModeless::OnCancel() {
  CWnd* cancel = GetDlgItem(IDCANCEL);
  if (cancel != nullptr && !cancel->IsWindowEnabled()) return;
  if (m_timer != 0) {
    KillTimer(TIMED_BOX_TIMER);
    m_timer = 0;
  }
  DestroyWindow();
}

void CTimedMessageBoxModeless::PostNcDestroy() {
  CWnd* main = AfxGetMainWnd();
  if (main != nullptr && main->GetSafeHwnd() != nullptr) main->PostMessage(WM_CLOSE);
  delete this;
}
