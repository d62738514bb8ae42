#include "platform/user/controls/ControlSupport.h"

#include <algorithm>
#include <mutex>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"

namespace platform {

namespace {
std::mutex g_clipboardLock;
std::string g_clipboard;
}  // namespace

void SetClipboardText(const std::string& gbk) {
  std::lock_guard<std::mutex> g(g_clipboardLock);
  g_clipboard = gbk;
}

std::string GetClipboardText() {
  std::lock_guard<std::mutex> g(g_clipboardLock);
  return g_clipboard;
}

void RegisterStandardControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct Entry {
      const char* name;
      WNDPROC proc;
      UINT style;
      LPCSTR cursor;
      int background;  // system colour + 1, or 0
    };
    // Win32's class styles: the controls that answer double clicks have CS_DBLCLKS, and the
    // ones whose drawing depends on their size repaint whole on resizing.
    const Entry entries[] = {
        {"Button", controls::ButtonProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, IDC_ARROW, 0},
        {"Static", controls::StaticProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {"Edit", controls::EditProc, CS_DBLCLKS | CS_PARENTDC, IDC_IBEAM, 0},
        {"ListBox", controls::ListBoxProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {"ComboLBox", controls::ListBoxProc, CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW, 0},
        {"ComboBox", controls::ComboBoxProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, IDC_ARROW, 0},
        {"ScrollBar", controls::ScrollBarProc, CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW, IDC_ARROW, 0},
    };
    for (const Entry& e : entries) {
      WNDCLASSA wc{};
      wc.style = e.style | CS_GLOBALCLASS;
      wc.lpfnWndProc = e.proc;
      wc.cbWndExtra = sizeof(void*);
      wc.hCursor = LoadCursorA(nullptr, e.cursor);
      wc.lpszClassName = e.name;
      RegisterClassA(&wc);
    }
  });
}

}  // namespace platform

namespace platform::controls {

HFONT FontOr(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

int ControlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

void Notify(HWND hwnd, int code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(ControlId(hwnd)), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(hwnd));
}

HBRUSH ControlBrush(HWND hwnd, HDC dc, UINT message) {
  bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  SetTextColor(dc, GetSysColor(window ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
  SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_BTNFACE));
  SetBkMode(dc, OPAQUE);
  HWND parent = GetParent(hwnd);
  LRESULT r = parent ? SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)) : 0;
  if (r) return reinterpret_cast<HBRUSH>(r);
  return GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE);
}

int FontHeight(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOr(font));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  DeleteDC(dc);
  return tm.tmHeight > 0 ? tm.tmHeight : 12;
}

int TextWidth(HDC dc, const char* text, size_t length) {
  if (length == 0) return 0;
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size);
  return size.cx;
}

size_t NextChar(const std::string& s, size_t pos) {
  if (pos >= s.size()) return s.size();
  return pos + GbkCharLength(s.data() + pos, s.size() - pos);
}

size_t CharStart(const std::string& s, size_t pos) {
  pos = std::min(pos, s.size());
  // Walk from the start of the line: a trail byte can look like a lead byte, so only a walk
  // from a known boundary finds where characters begin.
  size_t lineStart = pos;
  while (lineStart > 0 && s[lineStart - 1] != '\n') --lineStart;
  size_t at = lineStart;
  while (at < pos) {
    size_t next = NextChar(s, at);
    if (next > pos) return at;
    at = next;
  }
  return at;
}

size_t PrevChar(const std::string& s, size_t pos) {
  pos = CharStart(s, pos);
  if (pos == 0) return 0;
  return CharStart(s, pos - 1);
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  return CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// ---- The scroll-bar model

int ScrollModel::MaxPos() const {
  // With a page, the last position shows the last page: max - page + 1.
  int top = page ? max - static_cast<int>(page) + 1 : max;
  return std::max(top, min);
}

void ScrollModel::Clamp() {
  pos = std::clamp(pos, min, MaxPos());
  trackPos = std::clamp(trackPos, min, MaxPos());
}

int ScrollModel::Apply(const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    min = info.nMin;
    max = std::max(info.nMax, info.nMin);
  }
  if (info.fMask & SIF_PAGE) page = info.nPage;
  // A page is never more than the whole range, also when the range shrinks under it.
  long long range = static_cast<long long>(max) - min + 1;
  page = static_cast<UINT>(std::min<long long>(page, range));
  if (info.fMask & SIF_POS) pos = info.nPos;
  Clamp();
  return pos;
}

void ScrollModel::Fill(SCROLLINFO& info) const {
  if (info.fMask & SIF_RANGE) {
    info.nMin = min;
    info.nMax = max;
  }
  if (info.fMask & SIF_PAGE) info.nPage = page;
  if (info.fMask & SIF_POS) info.nPos = pos;
  if (info.fMask & SIF_TRACKPOS) info.nTrackPos = tracking ? trackPos : pos;
}

namespace {

constexpr int MIN_THUMB = 8;

int Along(const RECT& r, bool vertical) { return vertical ? RectHeight(r) : RectWidth(r); }
int Across(const RECT& r, bool vertical) { return vertical ? RectWidth(r) : RectHeight(r); }

}  // namespace

ScrollGeometry MeasureScroll(const RECT& rc, bool vertical, const ScrollModel& m) {
  ScrollGeometry g;
  int length = Along(rc, vertical);
  int arrow = std::min(Across(rc, vertical), length / 2);
  if (vertical) {
    g.arrowUp = RECT{rc.left, rc.top, rc.right, rc.top + arrow};
    g.arrowDown = RECT{rc.left, rc.bottom - arrow, rc.right, rc.bottom};
    g.track = RECT{rc.left, rc.top + arrow, rc.right, rc.bottom - arrow};
  } else {
    g.arrowUp = RECT{rc.left, rc.top, rc.left + arrow, rc.bottom};
    g.arrowDown = RECT{rc.right - arrow, rc.top, rc.right, rc.bottom};
    g.track = RECT{rc.left + arrow, rc.top, rc.right - arrow, rc.bottom};
  }
  int track = Along(g.track, vertical);
  long long range = static_cast<long long>(m.max) - m.min + 1;
  if (range <= 1 || track < MIN_THUMB || (m.page && m.page >= range)) return g;
  int thumb = m.page ? static_cast<int>(track * static_cast<long long>(m.page) / range) : Across(rc, vertical);
  thumb = std::clamp(thumb, MIN_THUMB, track);
  int span = m.MaxPos() - m.min;
  int at = m.tracking ? m.trackPos : m.pos;
  int offset = span > 0 ? static_cast<int>(static_cast<long long>(track - thumb) * (at - m.min) / span) : 0;
  g.thumbShown = true;
  if (vertical) {
    g.thumb = RECT{rc.left, g.track.top + offset, rc.right, g.track.top + offset + thumb};
  } else {
    g.thumb = RECT{g.track.left + offset, rc.top, g.track.left + offset + thumb, rc.bottom};
  }
  return g;
}

ScrollPart HitScroll(const ScrollGeometry& g, bool vertical, POINT pt) {
  if (PtInRect(&g.arrowUp, pt)) return ScrollPart::ARROW_UP;
  if (PtInRect(&g.arrowDown, pt)) return ScrollPart::ARROW_DOWN;
  if (!PtInRect(&g.track, pt)) return ScrollPart::NONE;
  if (!g.thumbShown) return ScrollPart::NONE;
  if (PtInRect(&g.thumb, pt)) return ScrollPart::THUMB;
  int p = vertical ? pt.y : pt.x;
  int t = vertical ? g.thumb.top : g.thumb.left;
  return p < t ? ScrollPart::PAGE_UP : ScrollPart::PAGE_DOWN;
}

int ScrollPosFromThumb(const ScrollGeometry& g, bool vertical, const ScrollModel& m, int offset) {
  int track = Along(g.track, vertical);
  int thumb = vertical ? RectHeight(g.thumb) : RectWidth(g.thumb);
  int room = track - thumb;
  int span = m.MaxPos() - m.min;
  if (room <= 0 || span <= 0) return m.min;
  offset = std::clamp(offset, 0, room);
  // Rounded to the nearest position, so that the thumb follows the pointer evenly.
  return m.min + static_cast<int>((static_cast<long long>(offset) * span + room / 2) / room);
}

void DrawScroll(HDC dc, const RECT& rc, bool vertical, const ScrollModel& m, bool enabled, ScrollPart pressed) {
  ScrollGeometry g = MeasureScroll(rc, vertical, m);
  bool usable = enabled && g.thumbShown;
  auto arrow = [&](RECT r, UINT kind, bool disabled, bool down) {
    UINT state = kind | (disabled ? DFCS_INACTIVE : 0) | (down ? DFCS_PUSHED | DFCS_FLAT : 0);
    DrawFrameControl(dc, &r, DFC_SCROLL, state);
  };
  arrow(g.arrowUp, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT, !usable || (m.disabledArrows & ESB_DISABLE_UP),
        pressed == ScrollPart::ARROW_UP);
  arrow(g.arrowDown, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT,
        !usable || (m.disabledArrows & ESB_DISABLE_DOWN), pressed == ScrollPart::ARROW_DOWN);
  // The classic track: a checker of the highlight and face colours, darkened where a page
  // press repeats.
  if (!IsRectEmpty(&g.track)) {
    WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HBITMAP bits = CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = CreatePatternBrush(bits);
    COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
    COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    FillRect(dc, &g.track, brush);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    DeleteObject(brush);
    DeleteObject(bits);
    if (usable && (pressed == ScrollPart::PAGE_UP || pressed == ScrollPart::PAGE_DOWN)) {
      RECT part = g.track;
      if (pressed == ScrollPart::PAGE_UP) {
        (vertical ? part.bottom : part.right) = vertical ? g.thumb.top : g.thumb.left;
      } else {
        (vertical ? part.top : part.left) = vertical ? g.thumb.bottom : g.thumb.right;
      }
      FillSolidRect(dc, &part, GetSysColor(COLOR_3DDKSHADOW));
    }
  }
  if (usable) {
    RECT t = g.thumb;
    FillSolidRect(dc, &t, GetSysColor(COLOR_BTNFACE));
    DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
  }
}

// ---- Tracking a press

void ScrollTracker::Send(int code, int pos) {
  UINT message = m_vertical ? WM_VSCROLL : WM_HSCROLL;
  SendMessageA(m_target, message, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)),
               reinterpret_cast<LPARAM>(m_control));
}

bool ScrollTracker::Press(const RECT& rc, ScrollModel& m, POINT pt) {
  ScrollGeometry g = MeasureScroll(rc, m_vertical, m);
  ScrollPart part = HitScroll(g, m_vertical, pt);
  if (part == ScrollPart::NONE) return false;
  if (part == ScrollPart::ARROW_UP && (m.disabledArrows & ESB_DISABLE_UP)) return false;
  if (part == ScrollPart::ARROW_DOWN && (m.disabledArrows & ESB_DISABLE_DOWN)) return false;
  if (!g.thumbShown) return false;
  m_part = part;
  m_hot = true;
  m_last = pt;
  if (part == ScrollPart::THUMB) {
    m_grabOffset = m_vertical ? pt.y - g.thumb.top : pt.x - g.thumb.left;
    m.tracking = true;
    m.trackPos = m.pos;
    return true;
  }
  switch (part) {
    case ScrollPart::ARROW_UP: Send(SB_LINEUP, 0); break;
    case ScrollPart::ARROW_DOWN: Send(SB_LINEDOWN, 0); break;
    case ScrollPart::PAGE_UP: Send(SB_PAGEUP, 0); break;
    case ScrollPart::PAGE_DOWN: Send(SB_PAGEDOWN, 0); break;
    default: break;
  }
  return true;
}

void ScrollTracker::Move(const RECT& rc, ScrollModel& m, POINT pt) {
  m_last = pt;
  if (m_part != ScrollPart::THUMB) {
    ScrollGeometry g = MeasureScroll(rc, m_vertical, m);
    m_hot = HitScroll(g, m_vertical, pt) == m_part;
    return;
  }
  ScrollGeometry g = MeasureScroll(rc, m_vertical, m);
  // Far off the bar sideways the thumb goes back to where it started, as in Win32.
  int across = m_vertical ? pt.x : pt.y;
  int lo = m_vertical ? rc.left : rc.top, hi = m_vertical ? rc.right : rc.bottom;
  int pos = m.pos;
  if (across >= lo - 64 && across < hi + 64) {
    int lead = (m_vertical ? pt.y - g.track.top : pt.x - g.track.left) - m_grabOffset;
    pos = ScrollPosFromThumb(g, m_vertical, m, lead);
  }
  if (pos != m.trackPos) {
    m.trackPos = pos;
    Send(SB_THUMBTRACK, pos);
  }
}

void ScrollTracker::Repeat(const RECT& rc, const ScrollModel& m) {
  if (m_part == ScrollPart::THUMB || m_part == ScrollPart::NONE) return;
  ScrollGeometry g = MeasureScroll(rc, m_vertical, m);
  m_hot = HitScroll(g, m_vertical, m_last) == m_part;
  if (!m_hot) return;
  switch (m_part) {
    case ScrollPart::ARROW_UP: Send(SB_LINEUP, 0); break;
    case ScrollPart::ARROW_DOWN: Send(SB_LINEDOWN, 0); break;
    case ScrollPart::PAGE_UP: Send(SB_PAGEUP, 0); break;
    case ScrollPart::PAGE_DOWN: Send(SB_PAGEDOWN, 0); break;
    default: break;
  }
}

void ScrollTracker::Release(ScrollModel& m) {
  if (m_part == ScrollPart::THUMB) {
    int pos = m.trackPos;
    m.tracking = false;
    Send(SB_THUMBPOSITION, pos);
  }
  if (m_part != ScrollPart::NONE) Send(SB_ENDSCROLL, 0);
  m_part = ScrollPart::NONE;
  m_hot = false;
}

}  // namespace platform::controls
