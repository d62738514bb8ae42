#include "platform/mfc/Menu.h"

#include <memory>
#include <unordered_map>

#include "platform/mfc/WinApp.h"
#include "platform/mfc/Wnd.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNCREATE(CMenu, CObject)

namespace {

struct MenuMaps {
  std::unordered_map<HMENU, CMenu*> permanent;
  std::unordered_map<HMENU, std::unique_ptr<CMenu>> temporary;
  HMENU hTracking = nullptr;
  HWND hTrackingOwner = nullptr;
  ~MenuMaps() {
    for (auto& entry : temporary) entry.second->m_hMenu = nullptr;
  }
};

MenuMaps& Maps() {
  thread_local MenuMaps maps;
  return maps;
}

// The pop-up, at any depth below hMenu, that holds a command item with that id.
HMENU FindPopupOfItem(HMENU hMenu, UINT nID, int depth = 0) {
  if (!hMenu || depth > 16) return nullptr;
  int count = ::GetMenuItemCount(hMenu);
  for (int i = 0; i < count; ++i) {
    if (HMENU hSub = ::GetSubMenu(hMenu, i)) {
      if (HMENU found = FindPopupOfItem(hSub, nID, depth + 1)) return found;
    } else if (::GetMenuItemID(hMenu, i) == nID) {
      return hMenu;
    }
  }
  return nullptr;
}

}  // namespace

CMenu::~CMenu() { DestroyMenu(); }

CMenu* PASCAL CMenu::FromHandle(HMENU hMenu) {
  if (!hMenu) return nullptr;
  MenuMaps& maps = Maps();
  auto perm = maps.permanent.find(hMenu);
  if (perm != maps.permanent.end()) return perm->second;
  auto& temp = maps.temporary[hMenu];
  if (!temp) {
    temp = std::make_unique<CMenu>();
    temp->m_hMenu = hMenu;
  }
  return temp.get();
}

CMenu* PASCAL CMenu::FromHandlePermanent(HMENU hMenu) {
  MenuMaps& maps = Maps();
  auto perm = maps.permanent.find(hMenu);
  return perm != maps.permanent.end() ? perm->second : nullptr;
}

void PASCAL CMenu::DeleteTempMap() {
  std::unordered_map<HMENU, std::unique_ptr<CMenu>> temps;
  temps.swap(Maps().temporary);
  for (auto& entry : temps) entry.second->m_hMenu = nullptr;
}

BOOL CMenu::Attach(HMENU hMenu) {
  if (!hMenu || m_hMenu) return FALSE;
  m_hMenu = hMenu;
  Maps().permanent[hMenu] = this;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (h) {
    MenuMaps& maps = Maps();
    auto it = maps.permanent.find(h);
    if (it != maps.permanent.end() && it->second == this) maps.permanent.erase(it);
  }
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName) {
  HINSTANCE hInst = AfxGetResourceHandle();
  HRSRC hRes = ::FindResourceA(hInst, lpszResourceName, RT_MENU);
  if (!hRes) return FALSE;
  HGLOBAL hData = ::LoadResource(hInst, hRes);
  const void* bytes = hData ? ::LockResource(hData) : nullptr;
  if (!bytes) return FALSE;
  // The size-checked parse: a damaged resource is refused instead of read past its end.
  return Attach(platform::LoadMenuTemplate(bytes, ::SizeofResource(hInst, hRes)));
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
  char buffer[256];
  int n = ::GetMenuString(m_hMenu, nIDItem, buffer, sizeof(buffer), nFlags);
  rString = n > 0 ? CString(buffer, n) : CString();
  return n;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
  MenuMaps& maps = Maps();
  HMENU hOldMenu = maps.hTracking;
  HWND hOldOwner = maps.hTrackingOwner;
  maps.hTracking = m_hMenu;
  maps.hTrackingOwner = AfxHwndOf(pWnd);
  BOOL result = ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, AfxHwndOf(pWnd), lpRect);
  maps.hTracking = hOldMenu;
  maps.hTrackingOwner = hOldOwner;
  return result;
}

HMENU PASCAL CMenu::GetTrackingMenu(HWND* phWndOwner) {
  MenuMaps& maps = Maps();
  if (phWndOwner) *phWndOwner = maps.hTrackingOwner;
  return maps.hTracking;
}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}
void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL AfxMenuMeasureItem(HWND hWndOwner, LPMEASUREITEMSTRUCT lpMIS) {
  if (!lpMIS || lpMIS->CtlType != ODT_MENU) return FALSE;
  HWND hTrackOwner = nullptr;
  HMENU hStart = CMenu::GetTrackingMenu(&hTrackOwner);
  if (!hStart || hTrackOwner != hWndOwner) hStart = ::GetMenu(hWndOwner);
  CMenu* pMenu = CMenu::FromHandlePermanent(FindPopupOfItem(hStart, lpMIS->itemID));
  if (!pMenu) return FALSE;
  pMenu->MeasureItem(lpMIS);
  return TRUE;
}

BOOL AfxMenuDrawItem(LPDRAWITEMSTRUCT lpDIS) {
  if (!lpDIS || lpDIS->CtlType != ODT_MENU) return FALSE;
  // For menu items the record's window field carries the pop-up's handle.
  CMenu* pMenu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lpDIS->hwndItem));
  if (!pMenu) return FALSE;
  pMenu->DrawItem(lpDIS);
  return TRUE;
}
