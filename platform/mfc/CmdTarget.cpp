#include "platform/mfc/CmdTarget.h"

#include <mutex>

#include "platform/mfc/WinApp.h"
#include "platform/user/Input.h"

namespace {

std::mutex g_waitCursorLock;
int g_waitCursorCount = 0;
HCURSOR g_cursorBeforeWait = nullptr;

void WaitCursorThroughApp(int nCode) {
  if (CWinApp* app = AfxGetApp()) {
    app->DoWaitCursor(nCode);
  } else {
    AfxDoWaitCursor(nCode);
  }
}

}  // namespace

void AFXAPI AfxDoWaitCursor(int nCode) {
  std::lock_guard<std::mutex> g(g_waitCursorLock);
  g_waitCursorCount += nCode;
  if (g_waitCursorCount > 0) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (nCode > 0 && g_waitCursorCount == 1) g_cursorBeforeWait = previous;
  } else {
    // An End without a Begin leaves the count at zero rather than owing a Begin.
    g_waitCursorCount = 0;
    if (nCode < 0) SetCursor(g_cursorBeforeWait);
  }
}

void CCmdTarget::BeginWaitCursor() { WaitCursorThroughApp(1); }
void CCmdTarget::EndWaitCursor() { WaitCursorThroughApp(-1); }
void CCmdTarget::RestoreWaitCursor() { WaitCursorThroughApp(0); }

CWaitCursor::CWaitCursor() { WaitCursorThroughApp(1); }
CWaitCursor::~CWaitCursor() { WaitCursorThroughApp(-1); }
void CWaitCursor::Restore() { WaitCursorThroughApp(0); }

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
  return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
      if (e->nMessage == nMessage && e->nCode == 0 && e->nID == 0 && e->nLastID == 0) return e;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  UINT nMsg = 0;
  if (nCode != static_cast<int>(CN_UPDATE_COMMAND_UI)) {
    nMsg = HIWORD(nCode);
    nCode = LOWORD(nCode);
  }
  if (nMsg == 0) nMsg = WM_COMMAND;
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
      if (e->nMessage != nMsg || LOWORD(e->nCode) != LOWORD(nCode) || nID < e->nID || nID > e->nLastID) continue;
      if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        return TRUE;
      }
      LRESULT ignored = 0;
      AFX_MSGCALL call{nMsg, 0, 0, nID, nCode, pExtra, &ignored};
      return e->pfn(this, call);
    }
  }
  return FALSE;
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  if (!pTarget) return FALSE;
  m_bEnableChanged = FALSE;
  BOOL handled = pTarget->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this, nullptr);
  if (bDisableIfNoHndler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info{nullptr};
    if (!pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info)) Enable(FALSE);
  }
  return handled;
}
