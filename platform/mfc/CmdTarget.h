// CCmdTarget: the base of every object that takes messages and commands through a message map.
//
// A message map is a table of entries made by the ON_ macros (MessageMap.h) between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP. Each entry holds a small adapter function that unpacks
// the message's parameters and calls the handler with the original library's signature; the
// adapter takes the member through a pointer of exactly that signature, so a handler declared
// with another signature does not compile. Lookups walk the class's map, then its base class's,
// up to CCmdTarget.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/mfc/Object.h"
#include "platform/user/WinUser.h"

class CCmdTarget;
class CCmdUI;

// Codes of OnCmdMsg: CN_COMMAND for commands (menus, accelerators, buttons), CN_UPDATE_COMMAND_UI
// for the enable query. A control notification passes its code; WM_NOTIFY and reflected
// messages pass MAKELONG(code, message).
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))
// Reflected messages are the original message plus this base.
#define WM_REFLECT_BASE 0xBC00

struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget;
};

// What WM_NOTIFY handlers receive through OnCmdMsg's pExtra.
struct AFX_NOTIFY {
  LRESULT* pResult;
  NMHDR* pNMHDR;
};

// What WM_CTLCOLOR handlers receive: the control's window and DC and the CTLCOLOR_ type.
struct AFX_CTLCOLOR {
  HWND hWnd;
  HDC hDC;
  UINT nCtlType;
};

// One dispatch: the message and its parameters, or for commands the id, code and extra record.
struct AFX_MSGCALL {
  UINT nMessage;
  WPARAM wParam;
  LPARAM lParam;
  UINT nID;
  int nCode;
  void* pExtra;
  LRESULT* pResult;
};
// Returns FALSE only where the handler may decline (the _EX entries): the message then goes on.
typedef BOOL (*AFX_PMSG)(CCmdTarget* pTarget, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message, WM_COMMAND, WM_NOTIFY, or a reflected message
  UINT nCode;     // control or notification code (compared in its low word), 0 for messages
  UINT nID;       // first control or command id, 0 for messages
  UINT nLastID;   // last id of a range
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;

  // Finds and calls the entry for a command (nCode CN_COMMAND, a control code, or
  // MAKELONG(code, message)); TRUE when handled. With pHandlerInfo it only reports the target.
  // Frames and views override it to route a command on (view, frame, application).
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // The first entry of the map chain for a plain message (nCode and nID 0), or null.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage) const;

  // The hourglass while the program is busy: Begin and End nest (the cursor comes back at the
  // outermost End), Restore shows the hourglass again after something else changed the cursor.
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* PASCAL GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Shows the wait cursor for its lifetime.
class CWaitCursor {
 public:
  CWaitCursor();
  ~CWaitCursor();
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore();
};

// The wait cursor's count, shared by the whole program: nCode 1 begins, -1 ends, 0 restores.
// CWinApp::DoWaitCursor calls it; so do the calls above when there is no application object.
void AFXAPI AfxDoWaitCursor(int nCode);

// The enable query of a command (menus and bars fill it in later); a handler of
// ON_UPDATE_COMMAND_UI sets its state.
class CCmdUI {
 public:
  CCmdUI() = default;
  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL bOn = TRUE) { m_bEnabled = bOn; m_bEnableChanged = TRUE; }
  virtual void SetCheck(int nCheck = 1) { m_nCheck = nCheck; }
  virtual void SetRadio(BOOL bOn = TRUE) { SetCheck(bOn ? 1 : 0); }
  virtual void SetText(LPCTSTR lpszText) {}
  void ContinueRouting() { m_bContinueRouting = TRUE; }
  // Asks the target whether the command is handled and enabled; TRUE when some handler answered.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  BOOL m_bEnabled = TRUE;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
  int m_nCheck = 0;
};

#include "platform/mfc/MessageMap.h"
