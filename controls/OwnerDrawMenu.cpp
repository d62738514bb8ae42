#include "controls/OwnerDrawMenu.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/mfc/WinThread.h"
#include "platform/user/Resources.h"

namespace {

std::wstring ToWide(LPCTSTR text) { return text != nullptr ? GbkToWide(text) : std::wstring(); }

// The DC the menu measures with: the main window's, or the screen's when there is none yet.
struct MeasureDC {
  HWND hwnd = nullptr;
  HDC dc = nullptr;
  HFONT font = nullptr;
  HGDIOBJ oldFont = nullptr;
  MeasureDC() {
    CWnd* main = AfxGetMainWnd();
    hwnd = main != nullptr ? main->GetSafeHwnd() : nullptr;
    dc = ::GetDC(hwnd);
  }
  void SelectGuiFont() {
    LOGFONTA lf{};
    ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfWeight = FW_NORMAL;
    font = ::CreateFontIndirect(&lf);
    if (font != nullptr) oldFont = ::SelectObject(dc, font);
  }
  ~MeasureDC() {
    if (font != nullptr) {
      ::SelectObject(dc, oldFont);
      ::DeleteObject(font);
    }
    ::ReleaseDC(hwnd, dc);
  }
};

int g_shellKind = -1;

}  // namespace

int DetectShellKind() {
  DWORD version = ::GetVersion();
  if (version & 0x80000000UL) return (version & 0xFF) >= 4 ? 1 : 0;
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  if (!::GetVersionExA(&info)) return 2;
  return info.dwMajorVersion >= 4 ? 3 : 2;
}

int GetShellKind() {
  if (g_shellKind < 0) g_shellKind = DetectShellKind();
  return g_shellKind;
}

BOOL IsModernShell() {
  int kind = GetShellKind();
  return kind == 1 || kind == 3;
}

COLORREF GetMenuFaceColor() { return ::GetSysColor(IsModernShell() ? COLOR_3DFACE : COLOR_MENU); }

int CopyListImage(CImageList* source, int index, CImageList* target) {
  if (source == nullptr || target == nullptr || index < 0 || source->GetSafeHandle() == nullptr) return 0;
  HICON icon = ImageList_GetIcon(source->GetSafeHandle(), index, ILD_NORMAL);
  if (icon == nullptr) return 0;
  int cx = 0, cy = 0;
  ImageList_GetIconSize(source->GetSafeHandle(), &cx, &cy);
  target->DeleteImageList();
  BOOL made = target->Create(cx, cy, ILC_COLORDDB | ILC_MASK, 1, 1);
  if (made) target->Add(icon);
  ::DestroyIcon(icon);
  return made ? 1 : 0;
}

COwnerDrawMenu::COwnerDrawMenu() = default;

COwnerDrawMenu::~COwnerDrawMenu() { DestroyMenu(); }

COwnerDrawMenu* COwnerDrawMenu::OwnedPopup(HMENU hMenu) {
  return dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(hMenu));
}

void COwnerDrawMenu::FreeRecord(OwnerDrawItem* record) {
  if (record == nullptr) return;
  delete record->imageList;
  delete record;
}

BOOL COwnerDrawMenu::LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCEA(nIDResource)); }

BOOL COwnerDrawMenu::LoadMenu(LPCTSTR lpszResourceName) {
  HRSRC resource = ::FindResourceA(nullptr, lpszResourceName, RT_MENU);
  if (resource == nullptr) return FALSE;
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const BYTE* data = static_cast<const BYTE*>(::LockResource(loaded));
  size_t size = ::SizeofResource(nullptr, resource);
  if (data == nullptr || size < 4) return FALSE;
  if (!CMenu::CreateMenu()) return FALSE;

  // The template is read with every offset checked against its size: a damaged resource ends
  // the loading at the damage instead of reading past it.
  auto word = [&](size_t at, bool& ok) -> WORD {
    if (at + 2 > size) {
      ok = false;
      return 0;
    }
    return static_cast<WORD>(data[at] | (data[at + 1] << 8));
  };
  bool ok = true;
  size_t at = 4 + word(2, ok);
  struct Level {
    COwnerDrawMenu* menu;
    bool ending;
  };
  std::vector<Level> stack{{this, false}};
  while (ok && !stack.empty()) {
    WORD flags = word(at, ok);
    at += 2;
    UINT_PTR id = 0;
    if (!(flags & MF_POPUP)) {
      id = word(at, ok);
      at += 2;
    }
    std::wstring text;
    for (;;) {
      WORD ch = word(at, ok);
      at += 2;
      if (!ok || ch == 0) break;
      text.push_back(static_cast<wchar_t>(ch));
    }
    if (!ok) break;
    UINT itemFlags = flags & ~static_cast<UINT>(MF_END);
    if (flags & MF_POPUP) {
      if (flags & MF_END) stack.back().ending = true;
      COwnerDrawMenu* popup = new COwnerDrawMenu;
      popup->m_ownedByParent = true;
      popup->CMenu::CreatePopupMenu();
      stack.back().menu->AppendMenu(itemFlags, reinterpret_cast<UINT_PTR>(popup->m_hMenu), text.c_str(), -1);
      stack.push_back(Level{popup, false});
    } else {
      stack.back().menu->AppendMenu(itemFlags, id, text.c_str(), -1);
      if (flags & MF_END) stack.back().ending = true;
      while (!stack.empty() && stack.back().ending) {
        stack.back().menu->AlignAccelerators();
        stack.pop_back();
      }
    }
  }

  // The top level is a plain menu of strings; only its pop-ups are owner-drawn.
  for (size_t pos = 0; pos < m_items.size(); ++pos) {
    OwnerDrawItem* record = m_items[pos];
    bool popup = (record->flags & MF_POPUP) != 0;
    record->flags = MF_BYPOSITION | (popup ? MF_POPUP : 0);
    std::string gbk = WideToGbk(record->text);
    ::ModifyMenuA(m_hMenu, static_cast<UINT>(pos), record->flags | MF_STRING, record->commandId, gbk.c_str());
  }
  return TRUE;
}

void COwnerDrawMenu::AlignAccelerators() {
  MeasureDC m;
  m.SelectGuiFont();
  auto width = [&](const std::wstring& text) {
    std::string gbk = WideToGbk(text);
    SIZE size{};
    ::GetTextExtentPoint32A(m.dc, gbk.c_str(), static_cast<int>(gbk.size()), &size);
    return static_cast<int>(size.cx);
  };
  int widest = 0;
  for (const OwnerDrawItem* item : m_items) {
    std::wstring head = item->text.substr(0, item->text.find(L'\t'));
    widest = std::max(widest, width(head + L" "));
  }
  for (OwnerDrawItem* item : m_items) {
    size_t tab = item->text.find(L'\t');
    if (tab == std::wstring::npos) continue;
    std::wstring head = item->text.substr(0, tab);
    // Bounded so that a font without a space width cannot loop for ever.
    for (int guard = 0; width(head) < widest && guard < 1000; ++guard) head.push_back(L' ');
    item->text = head + item->text.substr(tab);
  }
}

CMenu* COwnerDrawMenu::GetSubMenu(int nPos) const { return CMenu::FromHandle(::GetSubMenu(m_hMenu, nPos)); }

BOOL COwnerDrawMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem, int nImage) {
  std::wstring wide = ToWide(lpszNewItem);
  return AppendMenu(nFlags, nIDNewItem, lpszNewItem != nullptr ? wide.c_str() : nullptr, nImage);
}

BOOL COwnerDrawMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem, int nImage) {
  (void)nImage;  // every caller passes -1: images come through ModifyItemImage
  if (nIDNewItem == 0) {
    nFlags = (nFlags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
  } else {
    nFlags |= MF_OWNERDRAW;
  }
  if (nFlags & MF_POPUP) m_subMenus.push_back(reinterpret_cast<HMENU>(nIDNewItem));
  auto* record = new OwnerDrawItem;
  record->hasText = lpszNewItem != nullptr;
  if (lpszNewItem != nullptr) record->text = lpszNewItem;
  record->flags = nFlags;
  record->commandId = nIDNewItem;
  m_items.push_back(record);
  return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, reinterpret_cast<LPCSTR>(record));
}

BOOL COwnerDrawMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem, int nImage) {
  std::wstring wide = ToWide(lpszNewItem);
  return InsertMenu(nPosition, nFlags, nIDNewItem, lpszNewItem != nullptr ? wide.c_str() : nullptr, nImage);
}

BOOL COwnerDrawMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem, int nImage) {
  if (!(nFlags & MF_BYPOSITION)) {
    int position = 0;
    COwnerDrawMenu* holder = FindMenuHolding(nPosition, &position);
    if (holder == nullptr) return FALSE;
    return holder->InsertMenu(static_cast<UINT>(position), nFlags | MF_BYPOSITION, nIDNewItem, lpszNewItem, nImage);
  }
  if (nIDNewItem == 0) {
    nFlags = MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW;
  } else {
    nFlags |= MF_OWNERDRAW;
  }
  if (nFlags & MF_POPUP) m_subMenus.push_back(reinterpret_cast<HMENU>(nIDNewItem));
  if (nPosition == static_cast<UINT>(-1) || nPosition > m_items.size()) nPosition = static_cast<UINT>(m_items.size());
  auto* record = new OwnerDrawItem;
  record->hasText = lpszNewItem != nullptr;
  if (lpszNewItem != nullptr) record->text = lpszNewItem;
  record->flags = nFlags;
  record->commandId = nIDNewItem;
  m_items.insert(m_items.begin() + nPosition, record);
  return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, reinterpret_cast<LPCSTR>(record));
}

COwnerDrawMenu* COwnerDrawMenu::FindMenuHolding(UINT_PTR command, int* position) {
  for (size_t i = 0; i < m_items.size(); ++i) {
    OwnerDrawItem* record = m_items[i];
    if (record->flags & MF_POPUP) {
      COwnerDrawMenu* popup = OwnedPopup(reinterpret_cast<HMENU>(record->commandId));
      if (popup != nullptr && popup != this) {
        COwnerDrawMenu* found = popup->FindMenuHolding(command, position);
        if (found != nullptr) return found;
      }
    } else if (!(record->flags & MF_SEPARATOR) && record->commandId == command) {
      *position = static_cast<int>(i);
      return this;
    }
  }
  return nullptr;
}

void COwnerDrawMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
  if (!(nFlags & MF_BYPOSITION)) {
    int position = 0;
    COwnerDrawMenu* holder = FindMenuHolding(nPosition, &position);
    if (holder == nullptr) {
      CMenu::RemoveMenu(nPosition, nFlags);
      return;
    }
    holder->RemoveMenu(static_cast<UINT>(position), nFlags | MF_BYPOSITION);
    return;
  }
  if (nPosition >= m_items.size()) {
    CMenu::RemoveMenu(nPosition, nFlags);
    return;
  }
  OwnerDrawItem* record = m_items[nPosition];
  UINT state = ::GetMenuState(m_hMenu, nPosition, MF_BYPOSITION);
  if ((state != static_cast<UINT>(-1) && (state & MF_POPUP)) || (record->flags & MF_POPUP)) {
    HMENU handle = ::GetSubMenu(m_hMenu, static_cast<int>(nPosition));
    if (handle == nullptr) handle = reinterpret_cast<HMENU>(record->commandId);
    m_subMenus.erase(std::remove(m_subMenus.begin(), m_subMenus.end(), handle), m_subMenus.end());
    COwnerDrawMenu* popup = OwnedPopup(handle);
    if (popup != nullptr) {
      for (int i = popup->GetItemRecordCount() - 1; i >= 0; --i) popup->RemoveMenu(static_cast<UINT>(i), MF_BYPOSITION);
    }
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [&](const OwnerDrawItem* r) { return r->commandId == reinterpret_cast<UINT_PTR>(handle); });
    if (it != m_items.end()) {
      FreeRecord(*it);
      m_items.erase(it);
    }
    // The item leaves this menu before its pop-up is destroyed, so the menu never names a
    // destroyed handle.
    CMenu::RemoveMenu(nPosition, nFlags);
    if (popup != nullptr && popup->m_ownedByParent) delete popup;
    return;
  }
  if (record->flags & MF_SEPARATOR) {
    FreeRecord(record);
    m_items.erase(m_items.begin() + nPosition);
  } else {
    UINT_PTR id = record->commandId;
    auto it = std::find_if(m_items.begin(), m_items.end(), [&](const OwnerDrawItem* r) {
      return !(r->flags & (MF_SEPARATOR | MF_POPUP)) && r->commandId == id;
    });
    if (it != m_items.end()) {
      FreeRecord(*it);
      m_items.erase(it);
    }
  }
  CMenu::RemoveMenu(nPosition, nFlags);
}

BOOL COwnerDrawMenu::ModifyItemImage(LPCTSTR lpszText, UINT nID, CImageList* pImageList, int nImage) {
  std::wstring wide = ToWide(lpszText);
  return ModifyItemImage(lpszText != nullptr ? wide.c_str() : nullptr, nID, pImageList, nImage);
}

BOOL COwnerDrawMenu::ModifyItemImage(LPCWSTR lpszText, UINT nID, CImageList* pImageList, int nImage) {
  OwnerDrawItem* last = nullptr;
  std::vector<COwnerDrawMenu*> seen;
  // Depth-first in position order; each menu is visited once even if it appears twice.
  std::vector<std::pair<COwnerDrawMenu*, size_t>> walk{{this, 0}};
  seen.push_back(this);
  while (!walk.empty()) {
    auto& [menu, index] = walk.back();
    if (index >= menu->m_items.size()) {
      walk.pop_back();
      continue;
    }
    OwnerDrawItem* record = menu->m_items[index++];
    if (record->flags & MF_POPUP) {
      COwnerDrawMenu* popup = OwnedPopup(reinterpret_cast<HMENU>(record->commandId));
      if (popup != nullptr && std::find(seen.begin(), seen.end(), popup) == seen.end()) {
        seen.push_back(popup);
        walk.push_back({popup, 0});
      }
      continue;
    }
    if ((record->flags & MF_SEPARATOR) || record->commandId != nID) continue;
    if (lpszText != nullptr) {
      record->text = lpszText;
      record->hasText = true;
    }
    if (pImageList != nullptr) {
      if (record->imageList == nullptr) record->imageList = new CImageList;
      record->imageList->DeleteImageList();
      CopyListImage(pImageList, nImage, record->imageList);
      record->imageIndex = 0;
      record->imageSource = 0;
    } else {
      record->imageIndex = -1;
      record->imageSource = -1;
    }
    record->flags = (record->flags & ~static_cast<UINT>(MF_BYPOSITION)) | MF_OWNERDRAW;
    last = record;
  }
  // A command that no item has is refused: a record without a platform item would put the
  // records out of step with the positions of the items appended after it.
  if (last == nullptr) return FALSE;
  return ::ModifyMenuA(m_hMenu, nID, last->flags, nID, reinterpret_cast<LPCSTR>(last));
}

BOOL COwnerDrawMenu::SetMenuText(UINT nPosition, LPCTSTR lpszText, UINT nFlags) {
  std::wstring wide = ToWide(lpszText);
  return SetMenuText(nPosition, lpszText != nullptr ? wide.c_str() : nullptr, nFlags);
}

BOOL COwnerDrawMenu::SetMenuText(UINT nPosition, LPCWSTR lpszText, UINT nFlags) {
  if (nFlags & MF_BYPOSITION) {
    if (nPosition >= m_items.size()) return FALSE;
    OwnerDrawItem* record = m_items[nPosition];
    record->hasText = lpszText != nullptr;
    record->text = lpszText != nullptr ? lpszText : L"";
    return TRUE;
  }
  int position = 0;
  COwnerDrawMenu* holder = FindMenuHolding(nPosition, &position);
  if (holder == nullptr) return FALSE;
  return holder->SetMenuText(static_cast<UINT>(position), lpszText, nFlags | MF_BYPOSITION);
}

BOOL COwnerDrawMenu::DestroyMenu() {
  for (size_t i = m_subMenus.size(); i-- > 0;) {
    COwnerDrawMenu* popup = OwnedPopup(m_subMenus[i]);
    if (popup != nullptr && popup->m_ownedByParent) delete popup;
  }
  m_subMenus.clear();
  for (OwnerDrawItem* record : m_items) FreeRecord(record);
  m_items.clear();
  if (m_hMenu == nullptr) return FALSE;
  return CMenu::DestroyMenu();
}

void COwnerDrawMenu::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
  const OwnerDrawItem* record = reinterpret_cast<const OwnerDrawItem*>(lpMeasureItemStruct->itemData);
  if (record == nullptr) return;
  if (record->flags & MF_SEPARATOR) {
    lpMeasureItemStruct->itemWidth = 0;
    lpMeasureItemStruct->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENU) >> 1);
    return;
  }
  MeasureDC m;
  if (IsModernShell()) m.SelectGuiFont();
  SIZE size{};
  ::GetTextExtentPoint32W(m.dc, record->text.c_str(), static_cast<int>(record->text.size()), &size);
  lpMeasureItemStruct->itemWidth = static_cast<UINT>(size.cx + 2 * m_iconWidth + 1);
  lpMeasureItemStruct->itemHeight = static_cast<UINT>(std::max(m_iconHeight + 4, ::GetSystemMetrics(SM_CYMENU)));
}
