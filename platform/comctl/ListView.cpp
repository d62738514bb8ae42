// The list view in report mode: a header child for the columns, rows of items with sub-item
// texts, a small image per item, item data, selection and focus states, custom draw, hit tests
// and vertical scrolling by whole rows. Other view modes are drawn as report mode.
//
// Mouse: a press on an item selects and focuses it (LVN_ITEMCHANGED for every state change),
// a press on empty space clears the selection; NM_CLICK/NM_RCLICK follow on release, NM_DBLCLK
// on a double click, and a right-button release sends WM_CONTEXTMENU, which the list passes to
// its parent. The wheel scrolls three rows. Header notifications are passed to the list's parent
// (its answer is the header's answer, so a parent can refuse a divider drag), and a header item
// click becomes LVN_COLUMNCLICK.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"

namespace platform {
void RegisterHeaderClass();
}

namespace {

// WM_GETDLGCODE's answer: the list takes the arrow keys (DLGC_WANTARROWS; the dialog layer
// declares the name).
const LRESULT WANTS_ARROWS = 0x0001;

struct Column {
  int fmt = LVCFMT_LEFT;
  int width = 0;
  std::string text;
  int subItem = 0;
};

struct Item {
  std::map<int, std::string> texts;  // by sub-item index
  int image = -1;
  LPARAM data = 0;
  UINT state = 0;
};

struct ListState {
  HWND header = nullptr;
  std::vector<Column> columns;
  std::vector<Item> items;
  HIMAGELIST small = nullptr;
  HIMAGELIST normal = nullptr;
  HIMAGELIST stateList = nullptr;
  HFONT font = nullptr;
  DWORD exStyle = 0;
  COLORREF bk = CLR_DEFAULT;
  COLORREF text = CLR_DEFAULT;
  COLORREF textBk = CLR_DEFAULT;
  int top = 0;
  int headerHeight = 0;
  int rowHeight = 0;     // cached; 0 when the font or the small image list changed
  int pressedItem = -2;  // item under the last button press, -1 for empty space
  bool rightPressed = false;
};

ListState* State(HWND hwnd) { return reinterpret_cast<ListState*>(GetWindowLongPtrA(hwnd, 0)); }

COLORREF Resolve(COLORREF c, int sys) { return c == CLR_DEFAULT ? GetSysColor(sys) : c; }

int RowHeight(HWND hwnd, const ListState& cs) {
  ListState& s = const_cast<ListState&>(cs);
  if (s.rowHeight > 0) return s.rowHeight;
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, s.font ? s.font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  int h = tm.tmHeight + 3;
  int cx = 0, cy = 0;
  if (s.small && ImageList_GetIconSize(s.small, &cx, &cy)) h = std::max(h, cy);
  s.rowHeight = std::max(h, 1);
  return s.rowHeight;
}

int CountPerPage(HWND hwnd, const ListState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  return std::max(0, static_cast<int>(client.bottom - s.headerHeight) / RowHeight(hwnd, s));
}

int ColumnLeft(const ListState& s, size_t column) {
  int x = 0;
  for (size_t i = 0; i < column && i < s.columns.size(); ++i) x += s.columns[i].width;
  return x;
}

int TotalWidth(const ListState& s) { return ColumnLeft(s, s.columns.size()); }

int IconWidth(const ListState& s) {
  int cx = 0, cy = 0;
  return s.small && ImageList_GetIconSize(s.small, &cx, &cy) ? cx : 0;
}

RECT RowRect(HWND hwnd, const ListState& s, int index) {
  int h = RowHeight(hwnd, s);
  int y = s.headerHeight + (index - s.top) * h;
  return RECT{0, y, TotalWidth(s), y + h};
}

// Rectangles of LVM_GETITEMRECT's codes and of sub-items.
RECT PartRect(HWND hwnd, const ListState& s, int index, int subItem, int code) {
  RECT row = RowRect(hwnd, s, index);
  if (subItem > 0) {
    if (static_cast<size_t>(subItem) >= s.columns.size()) return RECT{};
    int left = ColumnLeft(s, static_cast<size_t>(subItem));
    return RECT{left, row.top, left + s.columns[static_cast<size_t>(subItem)].width, row.bottom};
  }
  int col0 = s.columns.empty() ? 0 : s.columns[0].width;
  int icon = IconWidth(s);
  switch (code) {
    case LVIR_ICON:
      return RECT{0, row.top, icon, row.bottom};
    case LVIR_LABEL:
      return RECT{icon, row.top, std::max(icon, col0), row.bottom};
    case LVIR_SELECTBOUNDS:
      return (s.exStyle & LVS_EX_FULLROWSELECT) ? row : RECT{0, row.top, col0, row.bottom};
    default:
      return row;
  }
}

LRESULT Notify(HWND hwnd, NMHDR* hdr, UINT code) {
  hdr->hwndFrom = hwnd;
  hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  hdr->code = code;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessageA(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
}

void NotifyItem(HWND hwnd, UINT code, int item, UINT newState, UINT oldState, UINT changed, LPARAM data) {
  NMLISTVIEW nm{};
  nm.iItem = item;
  nm.uNewState = newState;
  nm.uOldState = oldState;
  nm.uChanged = changed;
  nm.lParam = data;
  Notify(hwnd, &nm.hdr, code);
}

void InvalidateItem(HWND hwnd, const ListState& s, int index) {
  RECT rc = RowRect(hwnd, s, index);
  RECT client;
  GetClientRect(hwnd, &client);
  rc.right = client.right;
  InvalidateRect(hwnd, &rc, TRUE);
}

// Sets the masked state bits of one item with the notifications; single selection clears the
// other selected items first.
bool SetState(HWND hwnd, ListState& s, int index, UINT state, UINT mask) {
  if (index < 0 || static_cast<size_t>(index) >= s.items.size()) return false;
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (style & LVS_SINGLESEL)) {
    for (size_t i = 0; i < s.items.size(); ++i) {
      if (static_cast<int>(i) != index && (s.items[i].state & LVIS_SELECTED)) SetState(hwnd, s, static_cast<int>(i), 0, LVIS_SELECTED);
    }
  }
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) {
    for (size_t i = 0; i < s.items.size(); ++i) {
      if (static_cast<int>(i) != index && (s.items[i].state & LVIS_FOCUSED)) SetState(hwnd, s, static_cast<int>(i), 0, LVIS_FOCUSED);
    }
  }
  Item& it = s.items[static_cast<size_t>(index)];
  UINT old = it.state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return true;
  NMLISTVIEW nm{};
  nm.iItem = index;
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  nm.lParam = it.data;
  if (Notify(hwnd, &nm.hdr, LVN_ITEMCHANGING)) return false;
  // The handler may have deleted items; look the item up again.
  if (static_cast<size_t>(index) >= s.items.size()) return false;
  s.items[static_cast<size_t>(index)].state = now;
  InvalidateItem(hwnd, s, index);
  NotifyItem(hwnd, LVN_ITEMCHANGED, index, now, old, LVIF_STATE, s.items[static_cast<size_t>(index)].data);
  return true;
}

void Layout(HWND hwnd, ListState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  if (!s.header) return;
  if (style & LVS_NOCOLUMNHEADER) {
    ShowWindow(s.header, SW_HIDE);
    s.headerHeight = 0;
    return;
  }
  RECT rc = client;
  WINDOWPOS wp{};
  HDLAYOUT layout{&rc, &wp};
  SendMessageA(s.header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
  SetWindowPos(s.header, nullptr, wp.x, wp.y, wp.cx, wp.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  s.headerHeight = wp.cy;
}

void ClampTop(HWND hwnd, ListState& s) {
  int maxTop = std::max(0, static_cast<int>(s.items.size()) - std::max(1, CountPerPage(hwnd, s)));
  s.top = std::clamp(s.top, 0, maxTop);
}

std::string CopyOut(const std::string& text, LPSTR buffer, int max) {
  if (!buffer || max <= 0) return text;
  size_t n = GbkSafeCut(text.data(), std::min<size_t>(text.size(), static_cast<size_t>(max - 1)));
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return text.substr(0, n);
}

void SyncHeaderItem(ListState& s, size_t i, bool insert) {
  if (!s.header) return;
  const Column& c = s.columns[i];
  HDITEMA hdi{};
  hdi.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
  hdi.cxy = c.width;
  hdi.pszText = const_cast<LPSTR>(c.text.c_str());
  hdi.fmt = HDF_STRING | (c.fmt & LVCFMT_JUSTIFYMASK);
  SendMessageA(s.header, insert ? HDM_INSERTITEMA : HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&hdi));
}

void DrawCell(HDC dc, const RECT& cell, const std::string& text, int fmt) {
  RECT rc = cell;
  InflateRect(&rc, -6, 0);
  if (rc.left >= rc.right) return;
  UINT align = (fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? DT_RIGHT : (fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void Paint(HWND hwnd, HDC dc) {
  ListState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  COLORREF bk = Resolve(s.bk, COLOR_WINDOW);
  HBRUSH bkBrush = CreateSolidBrush(bk);
  FillRect(dc, &client, bkBrush);
  DeleteObject(bkBrush);
  HFONT font = s.font ? s.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ oldFont = SelectObject(dc, font);

  NMLVCUSTOMDRAW cd{};
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = client;
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  cd.clrText = Resolve(s.text, COLOR_WINDOWTEXT);
  cd.clrTextBk = Resolve(s.textBk, COLOR_WINDOW);
  LRESULT pre = Notify(hwnd, &cd.nmcd.hdr, NM_CUSTOMDRAW);
  if (pre & CDRF_SKIPDEFAULT) {
    SelectObject(dc, oldFont);
    return;
  }
  bool focused = GetFocus() == hwnd;
  int rowH = RowHeight(hwnd, s);
  int icon = IconWidth(s);
  int per = CountPerPage(hwnd, s) + 1;
  for (int i = s.top; i < static_cast<int>(s.items.size()) && i < s.top + per; ++i) {
    const RECT row = RowRect(hwnd, s, i);
    bool selected = (s.items[static_cast<size_t>(i)].state & LVIS_SELECTED) && (focused || (style & LVS_SHOWSELALWAYS));
    NMLVCUSTOMDRAW ic{};
    ic.nmcd.hdc = dc;
    ic.nmcd.rc = row;
    ic.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
    ic.nmcd.uItemState = (selected ? CDIS_SELECTED : 0) | ((s.items[static_cast<size_t>(i)].state & LVIS_FOCUSED) && focused ? CDIS_FOCUS : 0);
    ic.nmcd.lItemlParam = s.items[static_cast<size_t>(i)].data;
    ic.clrText = Resolve(s.text, COLOR_WINDOWTEXT);
    ic.clrTextBk = Resolve(s.textBk, COLOR_WINDOW);
    LRESULT itemResult = CDRF_DODEFAULT;
    if (pre & CDRF_NOTIFYITEMDRAW) {
      ic.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
      itemResult = Notify(hwnd, &ic.nmcd.hdr, NM_CUSTOMDRAW);
      if (static_cast<size_t>(i) >= s.items.size()) break;  // the handler deleted rows
      if (itemResult & CDRF_SKIPDEFAULT) continue;
    }
    COLORREF selBk = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    COLORREF selText = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    bool fullRow = (s.exStyle & LVS_EX_FULLROWSELECT) != 0;
    for (size_t c = 0; c < s.columns.size(); ++c) {
      RECT cell{ColumnLeft(s, c), row.top, ColumnLeft(s, c) + s.columns[c].width, row.bottom};
      NMLVCUSTOMDRAW sc = ic;
      sc.iSubItem = static_cast<int>(c);
      if (itemResult & CDRF_NOTIFYSUBITEMDRAW) {
        sc.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        sc.nmcd.rc = cell;
        LRESULT r = Notify(hwnd, &sc.nmcd.hdr, NM_CUSTOMDRAW);
        if (static_cast<size_t>(i) >= s.items.size()) break;
        if (r & CDRF_SKIPDEFAULT) continue;
        if (!(r & CDRF_NEWFONT)) SelectObject(dc, font);
      } else if (!(itemResult & CDRF_NEWFONT)) {
        SelectObject(dc, font);
      }
      const Item& it = s.items[static_cast<size_t>(i)];
      bool lit = selected && (fullRow || c == 0);
      RECT textArea = cell;
      if (c == 0) {
        if (s.small && it.image >= 0) {
          int cx = 0, cy = 0;
          ImageList_GetIconSize(s.small, &cx, &cy);
          ImageList_Draw(s.small, it.image, dc, cell.left, cell.top + (rowH - cy) / 2,
                         ILD_TRANSPARENT | (lit && focused ? ILD_SELECTED : 0));
        }
        textArea.left += icon;
      }
      COLORREF back = lit ? selBk : sc.clrTextBk;
      COLORREF fore = lit ? selText : sc.clrText;
      if (back != CLR_NONE && textArea.left < textArea.right) {
        HBRUSH b = CreateSolidBrush(back);
        FillRect(dc, &textArea, b);
        DeleteObject(b);
      }
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, fore);
      auto t = it.texts.find(s.columns[c].subItem);
      if (t != it.texts.end()) DrawCell(dc, textArea, t->second, c == 0 ? LVCFMT_LEFT : s.columns[c].fmt);
    }
    if (static_cast<size_t>(i) >= s.items.size()) break;
    if ((s.items[static_cast<size_t>(i)].state & LVIS_FOCUSED) && focused) {
      RECT fr = PartRect(hwnd, s, i, 0, LVIR_SELECTBOUNDS);
      if (fr.left < icon) fr.left = icon;
      DrawFocusRect(dc, &fr);
    }
    if (itemResult & CDRF_NOTIFYPOSTPAINT) {
      ic.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
      Notify(hwnd, &ic.nmcd.hdr, NM_CUSTOMDRAW);
    }
  }
  SelectObject(dc, font);
  if (s.exStyle & LVS_EX_GRIDLINES) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    int x = 0;
    for (const Column& c : s.columns) {
      x += c.width;
      MoveToEx(dc, x - 1, s.headerHeight, nullptr);
      LineTo(dc, x - 1, client.bottom);
    }
    for (int y = s.headerHeight + rowH - 1; y < client.bottom; y += rowH) {
      MoveToEx(dc, 0, y, nullptr);
      LineTo(dc, x, y);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (pre & CDRF_NOTIFYPOSTPAINT) {
    cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
    Notify(hwnd, &cd.nmcd.hdr, NM_CUSTOMDRAW);
  }
  SelectObject(dc, oldFont);
}

void HitTest(HWND hwnd, const ListState& s, LVHITTESTINFO& info, bool subItems) {
  info.flags = LVHT_NOWHERE;
  info.iItem = -1;
  info.iSubItem = 0;
  RECT client;
  GetClientRect(hwnd, &client);
  POINT pt = info.pt;
  if (pt.y < s.headerHeight) {
    info.flags = LVHT_ABOVE;
    return;
  }
  if (pt.y >= client.bottom) {
    info.flags = LVHT_BELOW;
    return;
  }
  if (pt.x < 0) {
    info.flags = LVHT_TOLEFT;
    return;
  }
  int index = s.top + (pt.y - s.headerHeight) / RowHeight(hwnd, s);
  if (index >= static_cast<int>(s.items.size())) return;
  int total = TotalWidth(s);
  if (pt.x >= total) {
    if (pt.x >= client.right) info.flags = LVHT_TORIGHT;
    return;
  }
  int column = 0;
  for (size_t c = 0; c < s.columns.size(); ++c) {
    if (pt.x >= ColumnLeft(s, c)) column = static_cast<int>(c);
  }
  if (column > 0 && !subItems && !(s.exStyle & LVS_EX_FULLROWSELECT)) return;
  info.iItem = index;
  info.iSubItem = subItems ? column : 0;
  info.flags = column == 0 && pt.x < IconWidth(s) ? LVHT_ONITEMICON : LVHT_ONITEMLABEL;
}

void NotifyActivate(HWND hwnd, UINT code, int item, int subItem, POINT pt) {
  NMITEMACTIVATE nm{};
  nm.iItem = item;
  nm.iSubItem = subItem;
  nm.ptAction = pt;
  Notify(hwnd, &nm.hdr, code);
}

void ClickSelect(HWND hwnd, ListState& s, int index) {
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (index < 0) {
    if (!ctrl) {
      for (size_t i = 0; i < s.items.size(); ++i) SetState(hwnd, s, static_cast<int>(i), 0, LVIS_SELECTED);
    }
    return;
  }
  if (!(style & LVS_SINGLESEL) && !ctrl) {
    for (size_t i = 0; i < s.items.size(); ++i) {
      if (static_cast<int>(i) != index) SetState(hwnd, s, static_cast<int>(i), 0, LVIS_SELECTED);
    }
  }
  if (ctrl && !(style & LVS_SINGLESEL)) {
    UINT now = s.items[static_cast<size_t>(index)].state & LVIS_SELECTED;
    SetState(hwnd, s, index, (now ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    SetState(hwnd, s, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

LRESULT ItemMessage(HWND hwnd, ListState& s, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LVM_GETITEMCOUNT:
      return static_cast<LRESULT>(s.items.size());
    case LVM_INSERTITEMA: {
      auto* lv = reinterpret_cast<const LVITEMA*>(lParam);
      if (!lv || lv->iSubItem != 0 || lv->iItem < 0) return -1;
      size_t at = std::min<size_t>(static_cast<size_t>(lv->iItem), s.items.size());
      Item it;
      if ((lv->mask & LVIF_TEXT) && lv->pszText && lv->pszText != LPSTR_TEXTCALLBACKA) it.texts[0] = lv->pszText;
      if (lv->mask & LVIF_IMAGE) it.image = lv->iImage;
      if (lv->mask & LVIF_PARAM) it.data = lv->lParam;
      UINT state = (lv->mask & LVIF_STATE) ? (lv->state & lv->stateMask) : 0;
      s.items.insert(s.items.begin() + static_cast<std::ptrdiff_t>(at), std::move(it));
      NotifyItem(hwnd, LVN_INSERTITEM, static_cast<int>(at), 0, 0, 0, s.items[at].data);
      if (state && at < s.items.size()) SetState(hwnd, s, static_cast<int>(at), state, state);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(at);
    }
    case LVM_SETITEMA:
    case LVM_GETITEMA: {
      auto* lv = reinterpret_cast<LVITEMA*>(lParam);
      if (!lv || lv->iItem < 0 || static_cast<size_t>(lv->iItem) >= s.items.size() || lv->iSubItem < 0) return FALSE;
      Item& it = s.items[static_cast<size_t>(lv->iItem)];
      if (message == LVM_GETITEMA) {
        if (lv->mask & LVIF_TEXT) {
          auto t = it.texts.find(lv->iSubItem);
          CopyOut(t == it.texts.end() ? std::string() : t->second, lv->pszText, lv->cchTextMax);
        }
        if (lv->mask & LVIF_IMAGE) lv->iImage = lv->iSubItem == 0 ? it.image : -1;
        if (lv->mask & LVIF_PARAM) lv->lParam = it.data;
        if (lv->mask & LVIF_STATE) lv->state = it.state & lv->stateMask;
        return TRUE;
      }
      if (lv->mask & LVIF_TEXT) it.texts[lv->iSubItem] = lv->pszText && lv->pszText != LPSTR_TEXTCALLBACKA ? lv->pszText : "";
      if (lv->iSubItem == 0) {
        if (lv->mask & LVIF_IMAGE) it.image = lv->iImage;
        if (lv->mask & LVIF_PARAM) it.data = lv->lParam;
      }
      InvalidateItem(hwnd, s, lv->iItem);
      if ((lv->mask & LVIF_STATE) && lv->iSubItem == 0) SetState(hwnd, s, lv->iItem, lv->state, lv->stateMask);
      return TRUE;
    }
    case LVM_SETITEMTEXTA: {
      auto* lv = reinterpret_cast<const LVITEMA*>(lParam);
      if (!lv || wParam >= s.items.size() || lv->iSubItem < 0) return FALSE;
      s.items[wParam].texts[lv->iSubItem] = lv->pszText && lv->pszText != LPSTR_TEXTCALLBACKA ? lv->pszText : "";
      InvalidateItem(hwnd, s, static_cast<int>(wParam));
      return TRUE;
    }
    case LVM_GETITEMTEXTA: {
      auto* lv = reinterpret_cast<LVITEMA*>(lParam);
      if (!lv || wParam >= s.items.size()) return 0;
      auto t = s.items[wParam].texts.find(lv->iSubItem);
      std::string out = CopyOut(t == s.items[wParam].texts.end() ? std::string() : t->second, lv->pszText, lv->cchTextMax);
      return lv->pszText && lv->cchTextMax > 0 ? static_cast<LRESULT>(out.size()) : 0;
    }
    case LVM_DELETEITEM: {
      if (wParam >= s.items.size()) return FALSE;
      NotifyItem(hwnd, LVN_DELETEITEM, static_cast<int>(wParam), 0, 0, 0, s.items[wParam].data);
      if (wParam >= s.items.size()) return FALSE;
      s.items.erase(s.items.begin() + static_cast<std::ptrdiff_t>(wParam));
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_DELETEALLITEMS: {
      NotifyItem(hwnd, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0);
      s.items.clear();
      s.top = 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETNEXTITEM: {
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      UINT flags = static_cast<UINT>(lParam) & (LVNI_SELECTED | LVNI_FOCUSED);
      for (int i = std::max(start + 1, 0); i < static_cast<int>(s.items.size()); ++i) {
        if ((s.items[static_cast<size_t>(i)].state & flags) == flags) return i;
      }
      return -1;
    }
    case LVM_SETITEMSTATE: {
      auto* lv = reinterpret_cast<const LVITEMA*>(lParam);
      if (!lv) return FALSE;
      int index = static_cast<int>(static_cast<INT_PTR>(wParam));
      if (index == -1) {
        for (size_t i = 0; i < s.items.size(); ++i) SetState(hwnd, s, static_cast<int>(i), lv->state, lv->stateMask);
        return TRUE;
      }
      return SetState(hwnd, s, index, lv->state, lv->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETITEMSTATE:
      return wParam < s.items.size() ? static_cast<LRESULT>(s.items[wParam].state & static_cast<UINT>(lParam)) : 0;
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(s.items.begin(), s.items.end(), [](const Item& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_FINDITEMA: {
      auto* fi = reinterpret_cast<const LVFINDINFOA*>(lParam);
      if (!fi) return -1;
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      for (int i = std::max(start + 1, 0); i < static_cast<int>(s.items.size()); ++i) {
        const Item& it = s.items[static_cast<size_t>(i)];
        if (fi->flags & LVFI_PARAM) {
          if (it.data == fi->lParam) return i;
        } else if ((fi->flags & (LVFI_STRING | LVFI_PARTIAL)) && fi->psz) {
          auto t = it.texts.find(0);
          std::string text = t == it.texts.end() ? std::string() : t->second;
          size_t n = strlen(fi->psz);
          if ((fi->flags & LVFI_PARTIAL) ? strncasecmp(text.c_str(), fi->psz, n) == 0 : strcasecmp(text.c_str(), fi->psz) == 0) return i;
        }
      }
      return -1;
    }
    case LVM_SORTITEMS: {
      auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
      if (!compare) return FALSE;
      LPARAM sort = static_cast<LPARAM>(wParam);
      std::stable_sort(s.items.begin(), s.items.end(), [&](const Item& a, const Item& b) { return compare(a.data, b.data, sort) < 0; });
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    default:
      return 0;
  }
}

LRESULT ColumnMessage(HWND hwnd, ListState& s, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LVM_INSERTCOLUMNA: {
      auto* lc = reinterpret_cast<const LVCOLUMNA*>(lParam);
      if (!lc) return -1;
      size_t at = std::min<size_t>(wParam, s.columns.size());
      Column c;
      if (lc->mask & LVCF_FMT) c.fmt = lc->fmt;
      if (lc->mask & LVCF_WIDTH) c.width = std::max(lc->cx, 0);
      if ((lc->mask & LVCF_TEXT) && lc->pszText) c.text = lc->pszText;
      c.subItem = (lc->mask & LVCF_SUBITEM) ? lc->iSubItem : static_cast<int>(at);
      s.columns.insert(s.columns.begin() + static_cast<std::ptrdiff_t>(at), c);
      SyncHeaderItem(s, at, true);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(at);
    }
    case LVM_DELETECOLUMN:
      if (wParam >= s.columns.size()) return FALSE;
      s.columns.erase(s.columns.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (s.header) SendMessageA(s.header, HDM_DELETEITEM, wParam, 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case LVM_GETCOLUMNA:
    case LVM_SETCOLUMNA: {
      auto* lc = reinterpret_cast<LVCOLUMNA*>(lParam);
      if (!lc || wParam >= s.columns.size()) return FALSE;
      Column& c = s.columns[wParam];
      if (message == LVM_GETCOLUMNA) {
        if (lc->mask & LVCF_FMT) lc->fmt = c.fmt;
        if (lc->mask & LVCF_WIDTH) lc->cx = c.width;
        if (lc->mask & LVCF_TEXT) CopyOut(c.text, lc->pszText, lc->cchTextMax);
        if (lc->mask & LVCF_SUBITEM) lc->iSubItem = c.subItem;
        return TRUE;
      }
      if (lc->mask & LVCF_FMT) c.fmt = lc->fmt;
      if (lc->mask & LVCF_WIDTH) c.width = std::max(lc->cx, 0);
      if ((lc->mask & LVCF_TEXT) && lc->pszText) c.text = lc->pszText;
      if (lc->mask & LVCF_SUBITEM) c.subItem = lc->iSubItem;
      SyncHeaderItem(s, wParam, false);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH:
      return wParam < s.columns.size() ? s.columns[wParam].width : 0;
    case LVM_SETCOLUMNWIDTH: {
      if (wParam >= s.columns.size()) return FALSE;
      int width = static_cast<int>(static_cast<short>(LOWORD(lParam)));
      if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, s.font ? s.font : GetStockObject(DEFAULT_GUI_FONT));
        int widest = 0;
        auto measure = [&](const std::string& t) {
          SIZE sz{};
          GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &sz);
          widest = std::max(widest, static_cast<int>(sz.cx));
        };
        for (const Item& it : s.items) {
          auto t = it.texts.find(s.columns[wParam].subItem);
          if (t != it.texts.end()) measure(t->second);
        }
        if (width == LVSCW_AUTOSIZE_USEHEADER) measure(s.columns[wParam].text);
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        width = widest + 12 + (wParam == 0 ? IconWidth(s) : 0);
      }
      s.columns[wParam].width = std::max(width, 0);
      SyncHeaderItem(s, wParam, false);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    default:
      return 0;
  }
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ListState* sp = State(hwnd);
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new ListState));
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  if (!sp) return DefWindowProcA(hwnd, message, wParam, lParam);
  ListState& s = *sp;
  if ((message >= LVM_GETITEMCOUNT && message <= LVM_FINDITEMA) || message == LVM_SETITEMSTATE || message == LVM_GETITEMSTATE ||
      message == LVM_GETITEMTEXTA || message == LVM_SETITEMTEXTA || message == LVM_SORTITEMS || message == LVM_GETSELECTEDCOUNT) {
    return ItemMessage(hwnd, s, message, wParam, lParam);
  }
  if (message >= LVM_GETCOLUMNA && message <= LVM_SETCOLUMNWIDTH) return ColumnMessage(hwnd, s, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: {
      DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
      s.header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | HDS_HORZ | ((style & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS), 0, 0,
                                 0, 0, hwnd, nullptr, nullptr, nullptr);
      Layout(hwnd, s);
      return 0;
    }
    case WM_NCDESTROY:
      delete sp;
      SetWindowLongPtrA(hwnd, 0, 0);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SIZE:
      Layout(hwnd, s);
      ClampTop(hwnd, s);
      return 0;
    case WM_STYLECHANGED:
      Layout(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      s.font = reinterpret_cast<HFONT>(wParam);
      s.rowHeight = 0;
      if (s.header) SendMessageA(s.header, WM_SETFONT, wParam, lParam);
      Layout(hwnd, s);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s.font);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      SetFocus(hwnd);
      LVHITTESTINFO info{};
      info.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HitTest(hwnd, s, info, false);
      s.pressedItem = info.iItem;
      s.rightPressed = message == WM_RBUTTONDOWN;
      if (message == WM_LBUTTONDOWN || info.iItem < 0 || !(s.items[static_cast<size_t>(info.iItem)].state & LVIS_SELECTED)) {
        ClickSelect(hwnd, s, info.iItem);
      }
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      bool right = message == WM_RBUTTONUP;
      if (s.pressedItem == -2 || s.rightPressed != right) return 0;
      LVHITTESTINFO info{};
      info.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HitTest(hwnd, s, info, true);
      s.pressedItem = -2;
      NotifyActivate(hwnd, right ? NM_RCLICK : NM_CLICK, info.iItem, info.iSubItem, info.pt);
      if (right && IsWindow(hwnd)) {
        POINT screen = info.pt;
        ClientToScreen(hwnd, &screen);
        SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(screen.x, screen.y));
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
      LVHITTESTINFO info{};
      info.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HitTest(hwnd, s, info, false);
      if (info.iItem >= 0) ClickSelect(hwnd, s, info.iItem);
      HitTest(hwnd, s, info, true);
      s.pressedItem = -2;
      NotifyActivate(hwnd, message == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RDBLCLK, info.iItem, info.iSubItem, info.pt);
      return 0;
    }
    case WM_GETDLGCODE:
      return WANTS_ARROWS;
    case WM_KEYDOWN: {
      // The arrows, Home, End and the page keys move the focused item and select it.
      int count = static_cast<int>(s.items.size());
      if (count == 0) return 0;
      int focus = -1;
      for (int i = 0; i < count; ++i) {
        if (s.items[static_cast<size_t>(i)].state & LVIS_FOCUSED) focus = i;
      }
      int per = std::max(1, CountPerPage(hwnd, s));
      int next = focus;
      switch (wParam) {
        case VK_UP: next = focus < 0 ? 0 : focus - 1; break;
        case VK_DOWN: next = focus + 1; break;
        case VK_HOME: next = 0; break;
        case VK_END: next = count - 1; break;
        case VK_PRIOR: next = focus - per; break;
        case VK_NEXT: next = focus < 0 ? per - 1 : focus + per; break;
        default: return 0;
      }
      next = std::clamp(next, 0, count - 1);
      if (next != focus || !(s.items[static_cast<size_t>(next)].state & LVIS_SELECTED)) {
        for (int i = 0; i < count && static_cast<size_t>(i) < s.items.size(); ++i) {
          if (i != next) SetState(hwnd, s, i, 0, LVIS_SELECTED);
        }
        SetState(hwnd, s, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageA(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(next), FALSE);
      }
      return 0;
    }
    case WM_CONTEXTMENU:
      if (HWND parent = GetParent(hwnd)) return SendMessageA(parent, WM_CONTEXTMENU, wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL: {
      int rows = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
      s.top += rows;
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (!hdr || hdr->hwndFrom != s.header) return 0;
      auto* nm = reinterpret_cast<NMHEADERA*>(lParam);
      if ((hdr->code == HDN_ITEMCHANGEDA || hdr->code == HDN_ITEMCHANGEDW) && nm->iItem >= 0 &&
          static_cast<size_t>(nm->iItem) < s.columns.size() && nm->pitem && (nm->pitem->mask & HDI_WIDTH)) {
        s.columns[static_cast<size_t>(nm->iItem)].width = nm->pitem->cxy;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      if (hdr->code == HDN_ITEMCLICKA || hdr->code == HDN_ITEMCLICKW) {
        NMLISTVIEW lv{};
        lv.iItem = -1;
        lv.iSubItem = nm->iItem;
        Notify(hwnd, &lv.hdr, LVN_COLUMNCLICK);
      }
      HWND parent = GetParent(hwnd);
      return parent ? SendMessageA(parent, WM_NOTIFY, wParam, lParam) : 0;
    }
    case WM_DRAWITEM:
      // The header's owner-drawn items: the list's owner draws them.
      if (HWND parent = GetParent(hwnd)) return SendMessageA(parent, WM_DRAWITEM, wParam, lParam);
      return FALSE;
    case LVM_GETHEADER:
      return reinterpret_cast<LRESULT>(s.header);
    case LVM_SETIMAGELIST: {
      HIMAGELIST list = reinterpret_cast<HIMAGELIST>(lParam);
      HIMAGELIST* slot = wParam == LVSIL_SMALL ? &s.small : wParam == LVSIL_STATE ? &s.stateList : &s.normal;
      HIMAGELIST old = *slot;
      *slot = list;
      s.rowHeight = 0;
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == LVSIL_SMALL ? s.small : wParam == LVSIL_STATE ? s.stateList : s.normal);
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = s.exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
      s.exStyle = (s.exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return s.exStyle;
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR: {
      COLORREF& slot = message == LVM_SETBKCOLOR ? s.bk : message == LVM_SETTEXTCOLOR ? s.text : s.textBk;
      slot = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETBKCOLOR:
      return Resolve(s.bk, COLOR_WINDOW);
    case LVM_GETTEXTCOLOR:
      return Resolve(s.text, COLOR_WINDOWTEXT);
    case LVM_GETTEXTBKCOLOR:
      return Resolve(s.textBk, COLOR_WINDOW);
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc || wParam >= s.items.size()) return FALSE;
      int sub = message == LVM_GETSUBITEMRECT ? rc->top : 0;
      if (sub < 0 || (sub > 0 && static_cast<size_t>(sub) >= s.columns.size())) return FALSE;
      *rc = PartRect(hwnd, s, static_cast<int>(wParam), sub, rc->left);
      return TRUE;
    }
    case LVM_GETITEMPOSITION: {
      auto* pt = reinterpret_cast<POINT*>(lParam);
      if (!pt || wParam >= s.items.size()) return FALSE;
      RECT rc = RowRect(hwnd, s, static_cast<int>(wParam));
      *pt = POINT{rc.left, rc.top};
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!info) return -1;
      HitTest(hwnd, s, *info, message == LVM_SUBITEMHITTEST);
      return info->iItem;
    }
    case LVM_ENSUREVISIBLE: {
      int index = static_cast<int>(wParam);
      if (index < 0 || static_cast<size_t>(index) >= s.items.size()) return FALSE;
      int per = std::max(1, CountPerPage(hwnd, s));
      if (index < s.top) s.top = index;
      else if (index >= s.top + per) s.top = index - per + 1;
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETTOPINDEX:
      return s.top;
    case LVM_GETCOUNTPERPAGE:
      return CountPerPage(hwnd, s);
    case LVM_SCROLL: {
      int dy = static_cast<int>(lParam);
      int h = RowHeight(hwnd, s);
      // Whole rows: a partial row counts as one in the direction of the scroll.
      s.top += dy >= 0 ? (dy + h - 1) / h : -((-dy + h - 1) / h);
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_REDRAWITEMS:
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

namespace platform {

void RegisterTooltipClass();

void RegisterCommonControlClasses() {
  static bool done = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = ListViewProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = WC_LISTVIEWA;
    RegisterClassA(&wc);
    RegisterHeaderClass();
    RegisterTooltipClass();
    return true;
  }();
  (void)done;
}

}  // namespace platform

void InitCommonControls() { platform::RegisterCommonControlClasses(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  platform::RegisterCommonControlClasses();
  return TRUE;
}
