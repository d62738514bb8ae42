// The header control: a row of column items, each a width, a text, a format and caller data.
// Dragging a divider (the 4 pixels either side of an item's right edge) resizes the item
// left of it: HDN_BEGINTRACK (a non-zero answer refuses the drag), HDN_TRACK and
// HDN_ITEMCHANGING/HDN_ITEMCHANGED per move, HDN_ENDTRACK on release. A click on an item sends
// HDN_ITEMCLICK (HDS_BUTTONS draws it pressed meanwhile), a double click on a divider
// HDN_DIVIDERDBLCLICK. HDF_OWNERDRAW items are drawn by the parent through WM_DRAWITEM
// (ODT_HEADER).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/comctl/CommCtrl.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"

namespace {

const int DIVIDER_SLACK = 4;

struct HeaderItem {
  int width = 0;
  std::string text;
  int fmt = HDF_LEFT | HDF_STRING;
  LPARAM data = 0;
  int image = -1;
};

struct HeaderState {
  std::vector<HeaderItem> items;
  HFONT font = nullptr;
  int tracking = -1;  // item whose divider is dragged
  int trackOffset = 0;
  int pressed = -1;   // item held down with HDS_BUTTONS
  bool pressedInside = false;
};

HeaderState* State(HWND hwnd) { return reinterpret_cast<HeaderState*>(GetWindowLongPtrA(hwnd, 0)); }

RECT ItemRect(HWND hwnd, const HeaderState& s, int index) {
  RECT client;
  GetClientRect(hwnd, &client);
  int x = 0;
  for (int i = 0; i < index; ++i) x += s.items[static_cast<size_t>(i)].width;
  return RECT{x, 0, x + s.items[static_cast<size_t>(index)].width, client.bottom};
}

int HeaderHeight(HWND hwnd) {
  HeaderState* s = State(hwnd);
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, s && s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return tm.tmHeight + 8;
}

LRESULT Notify(HWND hwnd, UINT code, int item, HDITEMA* hdi, int button = 0) {
  NMHEADERA nm{};
  nm.hdr.hwndFrom = hwnd;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iButton = button;
  nm.pitem = hdi;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessageA(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) : 0;
}

void HitTest(HWND hwnd, const HeaderState& s, POINT pt, HDHITTESTINFO& info) {
  info.flags = HHT_NOWHERE;
  info.iItem = -1;
  RECT client;
  GetClientRect(hwnd, &client);
  if (pt.y < 0 || pt.y >= client.bottom) return;
  int x = 0;
  for (size_t i = 0; i < s.items.size(); ++i) {
    int right = x + s.items[i].width;
    if (std::abs(pt.x - right) <= DIVIDER_SLACK && pt.x >= x) {
      info.flags = HHT_ONDIVIDER;
      info.iItem = static_cast<int>(i);
      // A later divider within reach wins only when the pointer is past this one.
      if (pt.x >= right && i + 1 < s.items.size() && s.items[i + 1].width == 0) continue;
      return;
    }
    if (pt.x >= x && pt.x < right) {
      info.flags = HHT_ONHEADER;
      info.iItem = static_cast<int>(i);
    }
    x = right;
  }
}

void FillItem(const HeaderItem& item, HDITEMA& hdi) {
  if (hdi.mask & HDI_WIDTH) hdi.cxy = item.width;
  if (hdi.mask & HDI_FORMAT) hdi.fmt = item.fmt;
  if (hdi.mask & HDI_LPARAM) hdi.lParam = item.data;
  if (hdi.mask & HDI_IMAGE) hdi.iImage = item.image;
  if ((hdi.mask & HDI_TEXT) && hdi.pszText && hdi.cchTextMax > 0) {
    size_t n = GbkSafeCut(item.text.data(), std::min<size_t>(item.text.size(), static_cast<size_t>(hdi.cchTextMax - 1)));
    std::copy_n(item.text.data(), n, hdi.pszText);
    hdi.pszText[n] = 0;
  }
}

void ApplyItem(HeaderItem& item, const HDITEMA& hdi) {
  if (hdi.mask & HDI_WIDTH) item.width = std::max(hdi.cxy, 0);
  if (hdi.mask & HDI_FORMAT) item.fmt = hdi.fmt;
  if (hdi.mask & HDI_LPARAM) item.data = hdi.lParam;
  if (hdi.mask & HDI_IMAGE) item.image = hdi.iImage;
  if ((hdi.mask & HDI_TEXT) && hdi.pszText != LPSTR_TEXTCALLBACKA) item.text = hdi.pszText ? hdi.pszText : "";
}

// Changes an item's width as the user drags, asking the parent first.
void SetWidthByUser(HWND hwnd, HeaderState& s, int index, int width) {
  width = std::max(width, 0);
  HeaderItem& item = s.items[static_cast<size_t>(index)];
  if (item.width == width) return;
  HDITEMA hdi{};
  hdi.mask = HDI_WIDTH;
  hdi.cxy = width;
  if (Notify(hwnd, HDN_TRACKA, index, &hdi)) return;
  if (Notify(hwnd, HDN_ITEMCHANGINGA, index, &hdi)) return;
  item.width = width;
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, HDN_ITEMCHANGEDA, index, &hdi);
}

void Paint(HWND hwnd, HDC dc) {
  HeaderState* s = State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (!s) return;
  HGDIOBJ oldFont = SelectObject(dc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
  int x = 0;
  for (size_t i = 0; i < s->items.size(); ++i) {
    const HeaderItem& item = s->items[i];
    RECT rc{x, 0, x + item.width, client.bottom};
    x = rc.right;
    bool pressed = static_cast<int>(i) == s->pressed && s->pressedInside;
    if (item.fmt & HDF_OWNERDRAW) {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_HEADER;
      dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
      dis.itemID = static_cast<UINT>(i);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = pressed ? ODS_SELECTED : 0;
      dis.hwndItem = hwnd;
      dis.hDC = dc;
      dis.rcItem = rc;
      dis.itemData = static_cast<ULONG_PTR>(item.data);
      int saved = SaveDC(dc);
      SendMessageA(GetParent(hwnd), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      RestoreDC(dc, saved);
    } else {
      RECT text = rc;
      InflateRect(&text, -6, 0);
      if (pressed) OffsetRect(&text, 1, 1);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                   : (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                                                               : DT_LEFT;
      if (text.left < text.right) {
        DrawTextA(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text,
                  align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      }
    }
    DrawEdge(dc, &rc, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | (pressed ? BF_FLAT : 0));
  }
  if (x < client.right) {
    RECT rest{x, 0, client.right, client.bottom};
    DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT);
  }
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK HeaderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HeaderState* s = State(hwnd);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new HeaderState));
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(hwnd, 0, 0);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SETFONT:
      if (s) s->font = reinterpret_cast<HFONT>(wParam);
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return s ? reinterpret_cast<LRESULT>(s->font) : 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case HDM_GETITEMCOUNT:
      return s ? static_cast<LRESULT>(s->items.size()) : -1;
    case HDM_INSERTITEMA: {
      auto* hdi = reinterpret_cast<const HDITEMA*>(lParam);
      if (!s || !hdi) return -1;
      size_t at = std::min<size_t>(static_cast<size_t>(wParam), s->items.size());
      HeaderItem item;
      ApplyItem(item, *hdi);
      s->items.insert(s->items.begin() + static_cast<std::ptrdiff_t>(at), item);
      InvalidateRect(hwnd, nullptr, TRUE);
      return static_cast<LRESULT>(at);
    }
    case HDM_DELETEITEM:
      if (!s || wParam >= s->items.size()) return FALSE;
      s->items.erase(s->items.begin() + static_cast<std::ptrdiff_t>(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case HDM_GETITEMA: {
      auto* hdi = reinterpret_cast<HDITEMA*>(lParam);
      if (!s || !hdi || wParam >= s->items.size()) return FALSE;
      FillItem(s->items[wParam], *hdi);
      return TRUE;
    }
    case HDM_SETITEMA: {
      auto* hdi = reinterpret_cast<HDITEMA*>(lParam);
      if (!s || !hdi || wParam >= s->items.size()) return FALSE;
      if (Notify(hwnd, HDN_ITEMCHANGINGA, static_cast<int>(wParam), hdi)) return FALSE;
      ApplyItem(s->items[wParam], *hdi);
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, HDN_ITEMCHANGEDA, static_cast<int>(wParam), hdi);
      return TRUE;
    }
    case HDM_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!s || !rc || wParam >= s->items.size()) return FALSE;
      *rc = ItemRect(hwnd, *s, static_cast<int>(wParam));
      return TRUE;
    }
    case HDM_HITTEST: {
      auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
      if (!s || !info) return -1;
      HitTest(hwnd, *s, info->pt, *info);
      return info->iItem;
    }
    case HDM_LAYOUT: {
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      if (!layout || !layout->prc || !layout->pwpos) return FALSE;
      RECT* rc = layout->prc;
      int h = (GetWindowLongA(hwnd, GWL_STYLE) & HDS_HIDDEN) ? 0 : HeaderHeight(hwnd);
      *layout->pwpos = WINDOWPOS{hwnd, nullptr, rc->left, rc->top, rc->right - rc->left, h, SWP_NOZORDER};
      rc->top += h;
      return TRUE;
    }
    case WM_SETCURSOR: {
      POINT pt;
      GetCursorPos(&pt);
      ScreenToClient(hwnd, &pt);
      HDHITTESTINFO info{};
      if (s) HitTest(hwnd, *s, pt, info);
      if (s && (info.flags & HHT_ONDIVIDER)) {
        SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!s) return 0;
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      HDHITTESTINFO info{};
      HitTest(hwnd, *s, pt, info);
      if (info.flags & HHT_ONDIVIDER) {
        if (message == WM_LBUTTONDBLCLK) {
          Notify(hwnd, HDN_DIVIDERDBLCLICKA, info.iItem, nullptr);
          return 0;
        }
        HDITEMA hdi{};
        hdi.mask = HDI_WIDTH;
        hdi.cxy = s->items[static_cast<size_t>(info.iItem)].width;
        if (Notify(hwnd, HDN_BEGINTRACKA, info.iItem, &hdi)) return 0;  // the parent refused the drag
        s->tracking = info.iItem;
        s->trackOffset = pt.x - ItemRect(hwnd, *s, info.iItem).right;
        SetCapture(hwnd);
        return 0;
      }
      if ((info.flags & HHT_ONHEADER) && (GetWindowLongA(hwnd, GWL_STYLE) & HDS_BUTTONS)) {
        s->pressed = info.iItem;
        s->pressedInside = true;
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!s) return 0;
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (s->tracking >= 0) {
        RECT rc = ItemRect(hwnd, *s, s->tracking);
        SetWidthByUser(hwnd, *s, s->tracking, pt.x - s->trackOffset - rc.left);
      } else if (s->pressed >= 0) {
        RECT rc = ItemRect(hwnd, *s, s->pressed);
        bool inside = PtInRect(&rc, pt) != FALSE;
        if (inside != s->pressedInside) {
          s->pressedInside = inside;
          InvalidateRect(hwnd, nullptr, TRUE);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
      if (!s) return 0;
      if (s->tracking >= 0) {
        int item = s->tracking;
        s->tracking = -1;
        HDITEMA hdi{};
        hdi.mask = HDI_WIDTH;
        hdi.cxy = s->items[static_cast<size_t>(item)].width;
        Notify(hwnd, HDN_ENDTRACKA, item, &hdi);
      } else if (s->pressed >= 0) {
        int item = s->pressed;
        bool inside = s->pressedInside && message == WM_LBUTTONUP;
        s->pressed = -1;
        s->pressedInside = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        if (inside) Notify(hwnd, HDN_ITEMCLICKA, item, nullptr);
      }
      if (message == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

namespace platform {

void RegisterHeaderClass() {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = HeaderProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_HEADERA;
  RegisterClassA(&wc);
}

}  // namespace platform
