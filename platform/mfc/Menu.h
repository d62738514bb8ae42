// CMenu: the class library's menu object over a menu handle.
//
// A CMenu that created, loaded or attached a menu owns it and destroys it when the object is
// destroyed (Detach gives it back). FromHandle gives the owning object of the calling thread or a
// temporary wrapper; FromHandlePermanent only the owning object, which is how owner-drawn items
// find their drawing code: the owner window's WM_MEASUREITEM and WM_DRAWITEM for a menu item call
// MeasureItem and DrawItem of the CMenu attached to the pop-up that holds the item.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"
#include "platform/user/Menu.h"
#include "platform/user/WinUser.h"

class CWnd;
class CBitmap;

class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)

 public:
  CMenu() = default;
  ~CMenu() override;

  HMENU m_hMenu = nullptr;
  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const {
    const CMenu* self = this;
    __asm__("" : "+r"(self));
    return self ? self->m_hMenu : nullptr;
  }

  static CMenu* PASCAL FromHandle(HMENU hMenu);
  static CMenu* PASCAL FromHandlePermanent(HMENU hMenu);
  static void PASCAL DeleteTempMap();
  BOOL Attach(HMENU hMenu);
  HMENU Detach();

  BOOL CreateMenu() { return Attach(::CreateMenu()); }
  BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  // The program's menu resource (RT_MENU) of that name or id.
  BOOL LoadMenu(LPCTSTR lpszResourceName);
  BOOL LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCEA(nIDResource)); }
  BOOL LoadMenuIndirect(const void* lpMenuTemplate) { return Attach(::LoadMenuIndirect(lpMenuTemplate)); }
  BOOL DestroyMenu();

  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::InsertMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr) {
    return ::ModifyMenu(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
  BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return (UINT)::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
  BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags) {
    return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags);
  }
  // The previous state (MF_ENABLED, MF_GRAYED or MF_DISABLED), or -1 when there is no such item.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) { return (UINT)::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
  UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
  UINT GetMenuItemCount() const { return (UINT)::GetMenuItemCount(m_hMenu); }
  UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
  int GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuString(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
  }
  int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
  BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::GetMenuItemInfo(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL SetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::SetMenuItemInfo(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL InsertMenuItem(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::InsertMenuItem(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }

  // Shows the pop-up at the screen point and tracks it; with TPM_RETURNCMD the chosen command
  // (0 for none), else TRUE, the command going to pWnd as WM_COMMAND.
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

  // Owner-drawn items: called from the owner window's WM_MEASUREITEM and WM_DRAWITEM.
  virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
  virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);

  // The menu being tracked by TrackPopupMenu on the calling thread, and the window it reports to.
  static HMENU PASCAL GetTrackingMenu(HWND* phWndOwner = nullptr);
};

// The owner window's share of owner-drawn menus: TRUE when the menu layer handled the message.
// The permanent CMenu of the pop-up that holds the item (searched from the tracked pop-up, else
// the window's menu bar) measures it; the CMenu of the item's pop-up draws it.
BOOL AfxMenuMeasureItem(HWND hWndOwner, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
BOOL AfxMenuDrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
