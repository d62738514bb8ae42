#include "platform/user/Menu.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/base/WinError.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"
#include "platform/user/WindowClass.h"

namespace {

struct MenuItem {
  UINT type = 0;   // MFT_ bits
  UINT state = 0;  // MFS_ bits
  UINT id = 0;
  HMENU sub = nullptr;
  std::string text;
  ULONG_PTR data = 0;
  HBITMAP checked = nullptr;
  HBITMAP unchecked = nullptr;
};

struct MenuRecord {
  bool popup = false;
  std::vector<MenuItem> items;
};

struct MenuTable {
  std::recursive_mutex lock;
  std::map<UINT_PTR, std::unique_ptr<MenuRecord>> menus;
  // Menu handles count up from here and are never reused, so a stale handle stays invalid.
  UINT_PTR next = 0x00A10000;
};

MenuTable& Table() {
  static MenuTable table;
  return table;
}

UINT_PTR Key(HMENU menu) { return reinterpret_cast<UINT_PTR>(menu); }

MenuRecord* Find(HMENU menu) {
  auto it = Table().menus.find(Key(menu));
  return it == Table().menus.end() ? nullptr : it->second.get();
}

HMENU NewMenu(bool popup) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  UINT_PTR h = Table().next;
  Table().next += 4;
  auto rec = std::make_unique<MenuRecord>();
  rec->popup = popup;
  Table().menus.emplace(h, std::move(rec));
  return reinterpret_cast<HMENU>(h);
}

// Finds an item by position or, by command, depth-first through the sub-menus in position order:
// a command item with that id, or a sub-menu item whose handle equals it.
struct ItemRef {
  MenuRecord* menu = nullptr;
  HMENU handle = nullptr;
  size_t index = 0;
  MenuItem* item() const { return &menu->items[index]; }
};

bool Locate(HMENU menu, UINT item, bool byPosition, ItemRef& out, int depth = 0) {
  MenuRecord* rec = Find(menu);
  if (!rec || depth > 32) return false;
  if (byPosition) {
    if (item >= rec->items.size()) return false;
    out = ItemRef{rec, menu, item};
    return true;
  }
  for (size_t i = 0; i < rec->items.size(); ++i) {
    MenuItem& it = rec->items[i];
    if (it.sub) {
      if (Key(it.sub) == item) {
        out = ItemRef{rec, menu, i};
        return true;
      }
      if (Locate(it.sub, item, false, out, depth + 1)) return true;
    } else if (it.id == item && !(it.type & MFT_SEPARATOR)) {
      out = ItemRef{rec, menu, i};
      return true;
    }
  }
  return false;
}

void DestroyTree(HMENU menu, int depth = 0) {
  auto it = Table().menus.find(Key(menu));
  if (it == Table().menus.end() || depth > 32) return;
  std::unique_ptr<MenuRecord> rec = std::move(it->second);
  Table().menus.erase(it);
  for (MenuItem& item : rec->items) {
    if (item.sub) DestroyTree(item.sub, depth + 1);
  }
}

// Builds an item from the classic MF_ flags of AppendMenu/InsertMenu/ModifyMenu.
bool ItemFromFlags(UINT flags, UINT_PTR newItem, LPCSTR text, MenuItem& out) {
  MenuItem m;
  m.type = flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
  m.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(newItem);
    if (!Find(sub)) return false;
    m.sub = sub;
    m.id = static_cast<UINT>(newItem);
  } else {
    m.id = static_cast<UINT>(newItem);
  }
  if (m.type & MF_OWNERDRAW) {
    m.data = reinterpret_cast<ULONG_PTR>(text);
  } else if (!(m.type & (MF_SEPARATOR | MF_BITMAP)) && text) {
    m.text = text;
  }
  out = std::move(m);
  return true;
}

UINT FlagsOf(const MenuItem& m) {
  UINT f = (m.type & ~MFT_RADIOCHECK) | m.state;
  if (m.sub) f |= MF_POPUP;
  return f;
}

}  // namespace

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL IsMenu(HMENU menu) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  return Find(menu) != nullptr;
}

BOOL DestroyMenu(HMENU menu) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  if (!Find(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  DestroyTree(menu);
  return TRUE;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text) {
  return InsertMenuA(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, newItem, text);
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  MenuRecord* rec = Find(menu);
  MenuItem item;
  if (!rec || !ItemFromFlags(flags, newItem, text, item)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (flags & MF_BYPOSITION) {
    size_t at = position >= rec->items.size() ? rec->items.size() : position;
    rec->items.insert(rec->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    return TRUE;
  }
  ItemRef ref;
  if (!Locate(menu, position, false, ref)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  ref.menu->items.insert(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index), std::move(item));
  return TRUE;
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  MenuItem item;
  if (!Locate(menu, position, (flags & MF_BYPOSITION) != 0, ref) || !ItemFromFlags(flags, newItem, text, item)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  MenuItem* old = ref.item();
  // A sub-menu that the item no longer names is destroyed, as Win32 does.
  if (old->sub && old->sub != item.sub) DestroyTree(old->sub);
  item.checked = old->checked;
  item.unchecked = old->unchecked;
  *old = std::move(item);
  return TRUE;
}

static BOOL RemoveItem(HMENU menu, UINT position, UINT flags, bool destroySub) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!Locate(menu, position, (flags & MF_BYPOSITION) != 0, ref)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  HMENU sub = ref.item()->sub;
  ref.menu->items.erase(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index));
  if (destroySub && sub) DestroyTree(sub);
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return RemoveItem(menu, position, flags, false); }
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return RemoveItem(menu, position, flags, true); }

int GetMenuItemCount(HMENU menu) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  MenuRecord* rec = Find(menu);
  if (!rec) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(rec->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (position < 0 || !Locate(menu, static_cast<UINT>(position), true, ref) || ref.item()->sub) return static_cast<UINT>(-1);
  return ref.item()->id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (position < 0 || !Locate(menu, static_cast<UINT>(position), true, ref)) return nullptr;
  return ref.item()->sub;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!info || !Locate(menu, item, byPosition != FALSE, ref)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  const MenuItem& m = *ref.item();
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = m.type;
  if (info->fMask & MIIM_STATE) info->fState = m.state;
  if (info->fMask & MIIM_ID) info->wID = m.id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = m.sub;
  if (info->fMask & MIIM_CHECKMARKS) {
    info->hbmpChecked = m.checked;
    info->hbmpUnchecked = m.unchecked;
  }
  if (info->fMask & MIIM_DATA) info->dwItemData = m.data;
  bool wantsText = (info->fMask & MIIM_STRING) || ((info->fMask & MIIM_TYPE) && !(m.type & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_BITMAP)));
  if (wantsText) {
    if (info->dwTypeData && info->cch > 0) {
      size_t n = GbkSafeCut(m.text.data(), std::min<size_t>(m.text.size(), info->cch - 1));
      memcpy(info->dwTypeData, m.text.data(), n);
      info->dwTypeData[n] = 0;
      info->cch = static_cast<UINT>(n);
    } else {
      info->cch = static_cast<UINT>(m.text.size());
    }
  }
  return TRUE;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!info || !Locate(menu, item, byPosition != FALSE, ref)) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return FALSE;
  }
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu && !Find(info->hSubMenu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuItem& m = *ref.item();
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) m.type = info->fType;
  if (info->fMask & MIIM_STATE) m.state = info->fState;
  if (info->fMask & MIIM_ID) m.id = info->wID;
  if (info->fMask & MIIM_SUBMENU) m.sub = info->hSubMenu;
  if (info->fMask & MIIM_CHECKMARKS) {
    m.checked = info->hbmpChecked;
    m.unchecked = info->hbmpUnchecked;
  }
  if (info->fMask & MIIM_DATA) m.data = info->dwItemData;
  if ((info->fMask & MIIM_STRING) || ((info->fMask & MIIM_TYPE) && !(info->fType & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_BITMAP)))) {
    m.text = info->dwTypeData ? info->dwTypeData : "";
  }
  return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  MenuRecord* rec = Find(menu);
  if (!rec || !info) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuRecord* target = rec;
  size_t at = rec->items.size();
  if (byPosition) {
    at = std::min<size_t>(item, rec->items.size());
  } else {
    ItemRef ref;
    if (Locate(menu, item, false, ref)) {
      target = ref.menu;
      at = ref.index;
    }
  }
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(at), MenuItem{});
  UINT pos = static_cast<UINT>(at);
  HMENU targetHandle = menu;
  if (target != rec) {
    // Find the handle of the sub-menu the command lives in.
    for (auto& [h, r] : Table().menus) {
      if (r.get() == target) targetHandle = reinterpret_cast<HMENU>(h);
    }
  }
  if (!SetMenuItemInfoA(targetHandle, pos, TRUE, info)) {
    target->items.erase(target->items.begin() + static_cast<std::ptrdiff_t>(at));
    return FALSE;
  }
  return TRUE;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!Locate(menu, item, (flags & MF_BYPOSITION) != 0, ref)) return 0;
  const std::string& t = ref.item()->text;
  if (!buffer) return static_cast<int>(t.size());
  if (maxCount <= 0) return 0;
  size_t n = GbkSafeCut(t.data(), std::min<size_t>(t.size(), static_cast<size_t>(maxCount - 1)));
  memcpy(buffer, t.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!Locate(menu, item, (check & MF_BYPOSITION) != 0, ref)) return static_cast<DWORD>(-1);
  MenuItem& m = *ref.item();
  DWORD old = m.state & MF_CHECKED;
  m.state = (m.state & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef a, b, c;
  bool byPos = (flags & MF_BYPOSITION) != 0;
  if (!Locate(menu, first, byPos, a) || !Locate(menu, last, byPos, b) || !Locate(menu, check, byPos, c)) return FALSE;
  if (a.menu != b.menu || a.menu != c.menu || a.index > b.index) return FALSE;
  for (size_t i = a.index; i <= b.index; ++i) {
    MenuItem& m = a.menu->items[i];
    if (i == c.index) {
      m.state |= MF_CHECKED;
      m.type |= MFT_RADIOCHECK;
    } else {
      m.state &= ~static_cast<UINT>(MF_CHECKED);
    }
  }
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!Locate(menu, item, (enable & MF_BYPOSITION) != 0, ref)) return -1;
  MenuItem& m = *ref.item();
  UINT old = m.state & (MF_GRAYED | MF_DISABLED);
  m.state = (m.state & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(old);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  ItemRef ref;
  if (!Locate(menu, item, (flags & MF_BYPOSITION) != 0, ref)) return static_cast<UINT>(-1);
  const MenuItem& m = *ref.item();
  UINT state = FlagsOf(m);
  if (m.sub) {
    MenuRecord* sub = Find(m.sub);
    UINT count = sub ? static_cast<UINT>(std::min<size_t>(sub->items.size(), 255)) : 0;
    state = (count << 8) | (state & 0xFF);
  }
  return state;
}

LONG GetMenuCheckMarkDimensions() {
  return MAKELONG(GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK));
}

// ---- templates

namespace {

struct TemplateReader {
  const BYTE* p;
  size_t size;
  size_t pos = 0;
  bool Word(WORD& out) {
    if (pos + 2 > size) return false;
    out = static_cast<WORD>(p[pos] | (p[pos + 1] << 8));
    pos += 2;
    return true;
  }
  bool Text(std::string& out) {
    std::wstring wide;
    for (;;) {
      WORD ch;
      if (!Word(ch)) return false;
      if (ch == 0) break;
      wide.push_back(static_cast<wchar_t>(ch));
    }
    out = WideToGbk(wide);
    return true;
  }
};

// Reads one level's items up to the one with MF_END; nested levels recurse. Depth is bounded so
// that a malformed template cannot exhaust the stack.
bool ReadLevel(TemplateReader& r, HMENU into, int depth) {
  if (depth > 16) return false;
  for (;;) {
    WORD flags, id = 0;
    std::string text;
    if (!r.Word(flags)) return false;
    bool popup = (flags & MF_POPUP) != 0;
    if (!popup && !r.Word(id)) return false;
    if (!r.Text(text)) return false;
    UINT itemFlags = flags & ~static_cast<UINT>(MF_END | MF_POPUP);
    if (popup) {
      HMENU sub = CreatePopupMenu();
      if (!ReadLevel(r, sub, depth + 1)) {
        DestroyMenu(sub);
        return false;
      }
      AppendMenuA(into, itemFlags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else if (id == 0 && text.empty() && !(flags & ~static_cast<UINT>(MF_END))) {
      // A template writes a separator as an item with no id, no text and no flags.
      AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(into, itemFlags, id, text.c_str());
    }
    if (flags & MF_END) return true;
  }
}

}  // namespace

HMENU platform::LoadMenuTemplate(const void* menuTemplate, size_t size) {
  if (!menuTemplate) return nullptr;
  TemplateReader r{static_cast<const BYTE*>(menuTemplate), size};
  WORD version, offset;
  if (!r.Word(version) || !r.Word(offset) || version != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (offset > size - r.pos) return nullptr;
  r.pos += offset;
  HMENU menu = CreateMenu();
  if (!ReadLevel(r, menu, 0)) {
    DestroyMenu(menu);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return menu;
}

HMENU LoadMenuIndirectA(const void* menuTemplate) {
  // The caller gives no size; the template ends where its last level ends.
  return platform::LoadMenuTemplate(menuTemplate, static_cast<size_t>(1) << 30);
}

// ---- tracking

namespace {

const char MENU_CLASS[] = "#32768";
const int BORDER = 3;
const int SEPARATOR_HEIGHT = 9;

struct Row {
  MenuItem item;
  RECT rc{};
};

struct Level {
  HMENU menu = nullptr;
  HWND hwnd = nullptr;
  std::vector<Row> rows;
  int selected = -1;
  int width = 0;
  int height = 0;
  int textColumn = 0;   // widest text before a TAB
  int accelColumn = 0;  // widest text after it
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  std::vector<std::unique_ptr<Level>> levels;
  bool done = false;
  UINT chosen = 0;
};

thread_local Tracker* t_tracker = nullptr;

HFONT MenuFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

bool Selectable(const MenuItem& m) { return !(m.type & MFT_SEPARATOR); }
bool Enabled(const MenuItem& m) { return !(m.state & (MF_GRAYED | MF_DISABLED)); }

void SplitAccel(const std::string& text, std::string& main, std::string& accel) {
  size_t tab = text.find('\t');
  main = text.substr(0, tab);
  accel = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

void LayoutLevel(Tracker& t, Level& lv) {
  lv.rows.clear();
  {
    std::lock_guard<std::recursive_mutex> g(Table().lock);
    if (MenuRecord* rec = Find(lv.menu)) {
      for (const MenuItem& m : rec->items) lv.rows.push_back(Row{m, {}});
    }
  }
  HDC dc = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  int check = GetSystemMetrics(SM_CXMENUCHECK);
  int rowHeight = std::max(GetSystemMetrics(SM_CYMENU), 18);
  int textW = 0, accelW = 0, ownerW = 0;
  std::vector<int> heights;
  for (size_t i = 0; i < lv.rows.size(); ++i) {
    const MenuItem& m = lv.rows[i].item;
    int h = rowHeight;
    if (m.type & MFT_OWNERDRAW) {
      MEASUREITEMSTRUCT mis{ODT_MENU, 0, m.id, 0, 0, m.data};
      SendMessageA(t.owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      h = static_cast<int>(mis.itemHeight);
      ownerW = std::max(ownerW, static_cast<int>(mis.itemWidth));
    } else if (m.type & MFT_SEPARATOR) {
      h = SEPARATOR_HEIGHT;
    } else {
      std::string main, accel;
      SplitAccel(m.text, main, accel);
      RECT rc{0, 0, 0, 0};
      DrawTextA(dc, main.c_str(), static_cast<int>(main.size()), &rc, DT_CALCRECT | DT_SINGLELINE);
      textW = std::max(textW, static_cast<int>(rc.right));
      if (!accel.empty()) {
        SIZE sz{};
        GetTextExtentPoint32A(dc, accel.c_str(), static_cast<int>(accel.size()), &sz);
        accelW = std::max(accelW, static_cast<int>(sz.cx));
      }
    }
    heights.push_back(std::max(h, 0));
  }
  SelectObject(dc, oldFont);
  ReleaseDC(nullptr, dc);
  lv.textColumn = textW;
  lv.accelColumn = accelW;
  // Check column, text, a gap before the accelerators, the accelerators, the arrow column.
  int inner = check + 4 + textW + (accelW ? 16 + accelW : 0) + check + 4;
  inner = std::max(inner, ownerW);
  lv.width = inner + 2 * BORDER;
  int y = BORDER;
  for (size_t i = 0; i < lv.rows.size(); ++i) {
    lv.rows[i].rc = RECT{BORDER, y, BORDER + inner, y + heights[i]};
    y += heights[i];
  }
  lv.height = y + BORDER;
}

void DrawArrow(HDC dc, int x, int yMid, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  for (int k = 0; k < 4; ++k) {
    MoveToEx(dc, x + k, yMid - 3 + k, nullptr);
    LineTo(dc, x + k, yMid + 4 - k);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF colour) {
  int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  if (radio) {
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
    Ellipse(dc, cx - 3, cy - 3, cx + 3, cy + 3);
    SelectObject(dc, ob);
    SelectObject(dc, op);
    DeleteObject(brush);
    DeleteObject(pen);
    return;
  }
  // A tick of seven columns, three pixels tall each.
  static const int rise[7] = {2, 3, 4, 3, 2, 1, 0};
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  for (int k = 0; k < 7; ++k) {
    MoveToEx(dc, cx - 3 + k, cy - 3 + rise[k], nullptr);
    LineTo(dc, cx - 3 + k, cy - 3 + rise[k] + 3);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawRow(Tracker& t, Level& lv, HDC dc, size_t i) {
  const Row& row = lv.rows[i];
  const MenuItem& m = row.item;
  bool selected = static_cast<int>(i) == lv.selected;
  if (m.type & MFT_OWNERDRAW) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = m.id;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (selected ? ODS_SELECTED : 0) | ((m.state & MF_GRAYED) ? ODS_GRAYED : 0) |
                    ((m.state & MF_DISABLED) ? ODS_DISABLED : 0) | ((m.state & MF_CHECKED) ? ODS_CHECKED : 0) |
                    ((m.state & MF_DEFAULT) ? ODS_DEFAULT : 0);
    dis.hwndItem = reinterpret_cast<HWND>(lv.menu);
    dis.hDC = dc;
    dis.rcItem = row.rc;
    dis.itemData = m.data;
    int saved = SaveDC(dc);
    // The owner starts from the menu's font and the colours of the item's state, as ordinary
    // items are drawn.
    SelectObject(dc, MenuFont());
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    SendMessageA(t.owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dc, saved);
    return;
  }
  RECT rc = row.rc;
  if (m.type & MFT_SEPARATOR) {
    FillRect(dc, &rc, GetSysColorBrush(COLOR_MENU));
    RECT line{rc.left + 1, (rc.top + rc.bottom) / 2 - 1, rc.right - 1, rc.bottom};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  bool enabled = Enabled(m);
  FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_MENUTEXT);
  int check = GetSystemMetrics(SM_CXMENUCHECK);
  if (m.state & MF_CHECKED) {
    RECT box{rc.left, rc.top, rc.left + check + 4, rc.bottom};
    DrawCheck(dc, box, (m.type & MFT_RADIOCHECK) != 0, enabled ? text : GetSysColor(COLOR_GRAYTEXT));
  }
  std::string main, accel;
  SplitAccel(m.text, main, accel);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  SetBkMode(dc, TRANSPARENT);
  RECT textRc{rc.left + check + 4, rc.top, rc.right - check - 4, rc.bottom};
  auto drawTexts = [&](COLORREF colour, int dx) {
    SetTextColor(dc, colour);
    RECT a = textRc;
    OffsetRect(&a, dx, dx);
    DrawTextA(dc, main.c_str(), static_cast<int>(main.size()), &a, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!accel.empty()) {
      DrawTextA(dc, accel.c_str(), static_cast<int>(accel.size()), &a, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
  };
  if (enabled) {
    drawTexts(text, 0);
  } else if (selected) {
    drawTexts(GetSysColor(COLOR_GRAYTEXT), 0);
  } else {
    // Grey text with a light shadow, as disabled items are drawn on the classic desktop.
    drawTexts(GetSysColor(COLOR_BTNHIGHLIGHT), 1);
    drawTexts(GetSysColor(COLOR_BTNSHADOW), 0);
  }
  SelectObject(dc, oldFont);
  if (m.sub) DrawArrow(dc, rc.right - check + 2, (rc.top + rc.bottom) / 2, enabled ? text : GetSysColor(COLOR_GRAYTEXT));
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Tracker* t = t_tracker;
      Level* lv = nullptr;
      if (t) {
        for (auto& l : t->levels) {
          if (l->hwnd == hwnd) lv = l.get();
        }
      }
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
      DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
      if (lv) {
        for (size_t i = 0; i < lv->rows.size(); ++i) DrawRow(*t, *lv, dc, i);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void RegisterMenuClass() {
  static bool done = [] {
    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = MenuWindowProc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = MENU_CLASS;
    return RegisterClassA(&wc) != 0;
  }();
  (void)done;
}

void Notify(Tracker& t, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!(t.flags & TPM_NONOTIFY)) SendMessageA(t.owner, message, wParam, lParam);
}

// Opens a level of `menu` at a screen point, aligned as the flags say, kept on the screen.
void OpenLevel(Tracker& t, HMENU menu, POINT at, UINT align, int positionInParent, const RECT* parentItem) {
  Notify(t, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(positionInParent, 0));
  auto lv = std::make_unique<Level>();
  lv->menu = menu;
  LayoutLevel(t, *lv);
  int x = at.x, y = at.y;
  if (align & TPM_RIGHTALIGN) x -= lv->width;
  else if (align & TPM_CENTERALIGN) x -= lv->width / 2;
  if (align & TPM_BOTTOMALIGN) y -= lv->height;
  else if (align & TPM_VCENTERALIGN) y -= lv->height / 2;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (x + lv->width > sw) x = parentItem ? parentItem->left - lv->width : sw - lv->width;
  if (y + lv->height > sh) y = sh - lv->height;
  x = std::max(x, 0);
  y = std::max(y, 0);
  lv->hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, MENU_CLASS, "", WS_POPUP, x, y, lv->width, lv->height,
                             t.owner, nullptr, nullptr, nullptr);
  Level* raw = lv.get();
  t.levels.push_back(std::move(lv));
  if (raw->hwnd) {
    ShowWindow(raw->hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(raw->hwnd);
  }
}

void CloseLevelsAbove(Tracker& t, size_t keep) {
  while (t.levels.size() > keep) {
    if (t.levels.back()->hwnd) DestroyWindow(t.levels.back()->hwnd);
    t.levels.pop_back();
  }
  if (!t.levels.empty() && t.levels[0]->hwnd && GetCapture() != t.levels[0]->hwnd) SetCapture(t.levels[0]->hwnd);
}

void Select(Tracker& t, size_t levelIndex, int row) {
  Level& lv = *t.levels[levelIndex];
  if (lv.selected == row) return;
  lv.selected = row;
  if (lv.hwnd) InvalidateRect(lv.hwnd, nullptr, FALSE);
  if (row >= 0) {
    const MenuItem& m = lv.rows[static_cast<size_t>(row)].item;
    UINT f = FlagsOf(m) | MF_HILITE;
    WPARAM w = MAKEWPARAM(m.sub ? static_cast<WORD>(row) : static_cast<WORD>(m.id), static_cast<WORD>(f & 0xFFFF));
    Notify(t, WM_MENUSELECT, w, reinterpret_cast<LPARAM>(lv.menu));
  }
}

void OpenSelectedSub(Tracker& t, size_t levelIndex, bool selectFirst) {
  Level& lv = *t.levels[levelIndex];
  if (lv.selected < 0) return;
  const Row& row = lv.rows[static_cast<size_t>(lv.selected)];
  if (!row.item.sub || !Enabled(row.item)) return;
  if (t.levels.size() > levelIndex + 1 && t.levels[levelIndex + 1]->menu == row.item.sub) return;
  CloseLevelsAbove(t, levelIndex + 1);
  RECT item = row.rc;
  MapWindowPoints(lv.hwnd, nullptr, reinterpret_cast<POINT*>(&item), 2);
  OpenLevel(t, row.item.sub, POINT{item.right, item.top - BORDER}, 0, lv.selected, &item);
  if (selectFirst) {
    Level& sub = *t.levels.back();
    for (size_t i = 0; i < sub.rows.size(); ++i) {
      if (Selectable(sub.rows[i].item)) {
        Select(t, t.levels.size() - 1, static_cast<int>(i));
        break;
      }
    }
  }
}

void Choose(Tracker& t, const MenuItem& m) {
  if (m.sub || !Enabled(m) || (m.type & MFT_SEPARATOR)) return;
  t.chosen = m.id;
  t.done = true;
}

void MoveSelection(Tracker& t, int step) {
  size_t li = t.levels.size() - 1;
  Level& lv = *t.levels[li];
  int n = static_cast<int>(lv.rows.size());
  if (n == 0) return;
  int i = lv.selected;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
    if (Selectable(lv.rows[static_cast<size_t>(i)].item)) {
      Select(t, li, i);
      return;
    }
  }
}

void HandleKey(Tracker& t, WPARAM vk) {
  size_t li = t.levels.size() - 1;
  Level& lv = *t.levels[li];
  switch (vk) {
    case VK_UP:
      MoveSelection(t, -1);
      break;
    case VK_DOWN:
      MoveSelection(t, 1);
      break;
    case VK_RIGHT:
      OpenSelectedSub(t, li, true);
      break;
    case VK_LEFT:
      if (li > 0) CloseLevelsAbove(t, li);
      break;
    case VK_ESCAPE:
      if (li > 0) CloseLevelsAbove(t, li);
      else t.done = true;
      break;
    case VK_RETURN:
      if (lv.selected >= 0) {
        const MenuItem& m = lv.rows[static_cast<size_t>(lv.selected)].item;
        if (m.sub) OpenSelectedSub(t, li, true);
        else Choose(t, m);
      }
      break;
    default:
      if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        // The letter after '&' in an item's text chooses that item (or opens its sub-menu).
        for (size_t i = 0; i < lv.rows.size(); ++i) {
          const std::string& text = lv.rows[i].item.text;
          size_t amp = text.find('&');
          while (amp != std::string::npos && amp + 1 < text.size() && text[amp + 1] == '&') amp = text.find('&', amp + 2);
          if (amp == std::string::npos || amp + 1 >= text.size()) continue;
          if (toupper(static_cast<unsigned char>(text[amp + 1])) != static_cast<int>(vk)) continue;
          Select(t, li, static_cast<int>(i));
          const MenuItem& m = lv.rows[i].item;
          if (m.sub) OpenSelectedSub(t, li, true);
          else Choose(t, m);
          break;
        }
      }
      break;
  }
}

// The level and row under a screen point; level -1 when the point is outside every level.
void HitTest(Tracker& t, POINT screen, int& level, int& row) {
  level = -1;
  row = -1;
  for (size_t li = t.levels.size(); li-- > 0;) {
    Level& lv = *t.levels[li];
    RECT wr;
    if (!lv.hwnd || !GetWindowRect(lv.hwnd, &wr) || !PtInRect(&wr, screen)) continue;
    level = static_cast<int>(li);
    POINT p = screen;
    ScreenToClient(lv.hwnd, &p);
    for (size_t i = 0; i < lv.rows.size(); ++i) {
      if (PtInRect(&lv.rows[i].rc, p)) row = static_cast<int>(i);
    }
    return;
  }
}

void HandleMouse(Tracker& t, const MSG& msg) {
  POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  bool client = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
  if (client) ClientToScreen(msg.hwnd, &screen);
  UINT m = client ? msg.message : msg.message + (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN);
  if (msg.message == WM_NCMOUSEMOVE) m = WM_MOUSEMOVE;
  int level, row;
  HitTest(t, screen, level, row);
  bool down = m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
              m == WM_RBUTTONDBLCLK;
  bool up = m == WM_LBUTTONUP || m == WM_RBUTTONUP;
  if (level < 0) {
    if (down) t.done = true;  // a click outside dismisses the menu
    return;
  }
  size_t li = static_cast<size_t>(level);
  if (m == WM_MOUSEMOVE || down) {
    if (row >= 0 && !Selectable(t.levels[li]->rows[static_cast<size_t>(row)].item)) row = -1;
    if (row < 0) {
      // Over a border or separator: keep an open sub-menu's parent item lit.
      if (t.levels.size() > li + 1) return;
      Select(t, li, -1);
      return;
    }
    Select(t, li, row);
    const MenuItem& it = t.levels[li]->rows[static_cast<size_t>(row)].item;
    if (it.sub) OpenSelectedSub(t, li, false);
    else CloseLevelsAbove(t, li + 1);
    return;
  }
  if (up && row >= 0) {
    if (m == WM_RBUTTONUP && !(t.flags & TPM_RIGHTBUTTON)) return;
    Choose(t, t.levels[li]->rows[static_cast<size_t>(row)].item);
  }
}

}  // namespace

HWND platform::TrackedMenuWindow(int level) {
  Tracker* t = t_tracker;
  if (!t || t->levels.empty()) return nullptr;
  if (level < 0) return t->levels.back()->hwnd;
  return static_cast<size_t>(level) < t->levels.size() ? t->levels[static_cast<size_t>(level)]->hwnd : nullptr;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
  if (!IsMenu(menu) || !IsWindow(owner)) {
    SetLastError(!IsMenu(menu) ? ERROR_INVALID_MENU_HANDLE : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (t_tracker) {
    // One menu loop per thread, as in Win32.
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return FALSE;
  }
  RegisterMenuClass();
  Tracker t;
  t.owner = owner;
  t.flags = flags;
  t_tracker = &t;
  Notify(t, WM_ENTERMENULOOP, TRUE, 0);
  OpenLevel(t, menu, POINT{x, y}, flags, 0, nullptr);
  HWND previousCapture = GetCapture();
  if (t.levels[0]->hwnd) SetCapture(t.levels[0]->hwnd);
  bool idleSent = false;
  bool quit = false;
  int quitCode = 0;
  while (!t.done) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!idleSent) {
        idleSent = true;
        HWND top = t.levels.back()->hwnd;
        SendMessageA(owner, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(top));
        continue;
      }
      if (!IsWindow(owner)) break;
      WaitMessage();
      continue;
    }
    idleSent = false;
    if (msg.message == WM_QUIT) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEWHEEL) ||
        (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)) {
      HandleMouse(t, msg);
      continue;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      HandleKey(t, msg.wParam);
      continue;
    }
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP || msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
      continue;
    }
    if (msg.message == WM_CANCELMODE) {
      t.done = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (!IsWindow(owner)) break;
  }
  HWND first = t.levels.empty() ? nullptr : t.levels[0]->hwnd;
  if (first && GetCapture() == first) ReleaseCapture();
  if (previousCapture && IsWindow(previousCapture)) SetCapture(previousCapture);
  CloseLevelsAbove(t, 0);
  t_tracker = nullptr;
  if (IsWindow(owner)) {
    Notify(t, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    Notify(t, WM_EXITMENULOOP, TRUE, 0);
  }
  if (quit) PostQuitMessage(quitCode);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(t.chosen);
  if (t.chosen && IsWindow(owner)) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(t.chosen, 0), 0);
  return t.chosen != 0;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

namespace {
std::map<HWND, HMENU>& MenuBars() {
  static std::map<HWND, HMENU> bars;
  return bars;
}
}  // namespace

BOOL SetMenu(HWND hwnd, HMENU menu) {
  if (!IsWindow(hwnd) || (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) || (menu && !IsMenu(menu))) {
    SetLastError(!IsWindow(hwnd) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  if (menu) MenuBars()[hwnd] = menu;
  else MenuBars().erase(hwnd);
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  std::lock_guard<std::recursive_mutex> g(Table().lock);
  auto it = MenuBars().find(hwnd);
  if (it == MenuBars().end()) return nullptr;
  if (!IsWindow(hwnd) || !Find(it->second)) {
    // The window or the menu is gone; forget the pairing rather than hand out a stale handle.
    MenuBars().erase(it);
    return nullptr;
  }
  return it->second;
}

BOOL DrawMenuBar(HWND hwnd) { return IsWindow(hwnd); }

BOOL EndMenu() {
  if (!t_tracker) return FALSE;
  t_tracker->done = true;
  return TRUE;
}
