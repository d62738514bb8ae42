#include "controls/CustomTabCtrl.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/base/Gbk.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Time.h"
#include "platform/mfc/WinApp.h"
#include "platform/user/User.h"
#include "platform/user/controls/Controls.h"

namespace {

// The six button glyphs, 8 x 7 pixels each side by side, one bit a pixel, most significant bit
// leftmost; a 0 bit is ink.
const BYTE GLYPH_BITS[42] = {
    0xBD, 0xFB, 0xDF, 0xBD, 0x3C, 0x00,  //
    0xB9, 0xF3, 0xCF, 0x9D, 0x99, 0x00,  //
    0xB1, 0xE3, 0xC7, 0x8D, 0xC3, 0x00,  //
    0xA3, 0xC7, 0xE3, 0xC5, 0xE7, 0x00,  //
    0xB1, 0xE3, 0xC7, 0x8D, 0xC3, 0x00,  //
    0xB9, 0xF3, 0xCF, 0x9D, 0x99, 0x00,  //
    0xBD, 0xFB, 0xDF, 0xBD, 0x3C, 0x00,  //
};

bool HasStyle(DWORD style, DWORD bit) { return (style & bit) != 0; }

int ButtonForHit(int hit) {
  switch (hit) {
    case TABHIT_FIRST:
      return TABBTN_FIRST;
    case TABHIT_PREV:
      return TABBTN_PREV;
    case TABHIT_NEXT:
      return TABBTN_NEXT;
    case TABHIT_LAST:
      return TABBTN_LAST;
    default:
      return TABBTN_CLOSE;
  }
}

// A label is kept within `limit` bytes without splitting a double-byte character.
CString BoundedLabel(const CString& text, int limit) {
  if (text.GetLength() <= limit) return text;
  size_t n = GbkSafeCut(text, static_cast<size_t>(limit));
  return CString(static_cast<LPCTSTR>(text), static_cast<int>(n));
}

}  // namespace

LOGFONTA CCustomTabCtrl::s_guiLogFont{};

BEGIN_MESSAGE_MAP(CCustomTabCtrl, CWnd)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
  ON_WM_TIMER()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONDBLCLK()
  ON_EN_UPDATE(TAB_LABEL_EDIT_ID, OnLabelEditUpdate)
END_MESSAGE_MAP()

CCustomTabCtrl::CCustomTabCtrl() {
  // The class library would throw its resource exception here; this layer has none, so a failed
  // registration shows as a failed Create instead.
  RegisterTabClass();
  CreateTabFonts();
  CreateGlyphStrip();
}

CCustomTabCtrl::~CCustomTabCtrl() {
  DestroyLabelEdit();
  for (CCustomTabItem* item : m_tabs) delete item;
  m_tabs.clear();
  if (m_hWnd) DestroyWindow();
}

BOOL CCustomTabCtrl::RegisterTabClass() {
  WNDCLASS wc{};
  HINSTANCE instance = AfxGetInstanceHandle();
  if (GetClassInfo(instance, TAB_CLASS_NAME, &wc)) return TRUE;
  wc = WNDCLASS{};
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = TAB_CLASS_NAME;
  return AfxRegisterClass(&wc);
}

void CCustomTabCtrl::CreateTabFonts() {
  LOGFONTA lf{};
  if (GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTA), &lf) == sizeof(LOGFONTA)) s_guiLogFont = lf;
  else lf = s_guiLogFont;
  if (!m_normalFont.CreateFontIndirect(&lf)) m_normalFont.CreateFontIndirect(&s_guiLogFont);
  lf.lfWeight = 700;
  m_boldFont.CreateFontIndirect(&lf);
}

void CCustomTabCtrl::CreateGlyphStrip() { m_glyphStrip.CreateBitmap(48, 7, 1, 1, GLYPH_BITS); }

BOOL CCustomTabCtrl::PreTranslateMessage(MSG* pMsg) { return CWnd::PreTranslateMessage(pMsg); }

void CCustomTabCtrl::PreSubclassWindow() {
  CWnd::ModifyStyle(0, WS_CLIPCHILDREN);
  RecalcLayout(LAYOUT_FIT, m_selection);
  CWnd::PreSubclassWindow();
}

// ---- tabs and selection

int CCustomTabCtrl::InsertItem(int index, LPCTSTR text, DWORD itemData) {
  if (index < 0 || index > GetItemCount()) return TABERR_BAD_INDEX;
  const char* label = text ? text : "";
  if (std::strlen(label) > TAB_MAX_INSERT_TEXT) return TABERR_TEXT_TOO_LONG;
  CCustomTabItem* item = new (std::nothrow) CCustomTabItem;
  if (!item) return TABERR_OUT_OF_MEMORY;
  try {
    item->m_text = label;
    item->m_itemData = itemData;
    m_tabs.insert(m_tabs.begin() + index, item);
  } catch (const std::bad_alloc&) {
    delete item;
    return TABERR_OUT_OF_MEMORY;
  }
  if (m_selection >= index) m_selection += 1;
  RecalcLayout(LAYOUT_FIT, m_selection);
  if (m_hWnd) Invalidate(FALSE);
  return index;
}

int CCustomTabCtrl::SetCurSel(int index) { return SelectTab(index, 0, 0); }

int CCustomTabCtrl::SelectTab(int index, int scroll, int ctrl) {
  if (index < 0 || index >= GetItemCount()) return TABERR_BAD_INDEX;
  if (m_selection >= 0 && m_selection < GetItemCount()) m_tabs[m_selection]->m_selected = FALSE;
  m_selection = index;
  m_tabs[index]->m_selected = TRUE;
  if (scroll) {
    RecalcLayout(LAYOUT_SHOW_TAB, index);
  } else {
    m_firstVisible = index;
    RecalcLayout(LAYOUT_FIT, index);
  }
  if (m_hWnd) Invalidate(FALSE);
  UpdateHighlight(index, scroll, ctrl);
  return 0;
}

int CCustomTabCtrl::UpdateHighlight(int index, int notify, int ctrl) {
  if (!HasStyle(m_hWnd ? GetStyle() : 0, TABSTYLE_MULTI_HIGHLIGHT)) return TABERR_NO_HIGHLIGHT_STYLE;
  if (index < 0 || index >= GetItemCount()) return TABERR_BAD_INDEX;
  for (CCustomTabItem* item : m_tabs) item->m_highlightChanged = FALSE;
  CCustomTabItem* tab = m_tabs[index];
  if (!ctrl) {
    if (!tab->m_highlighted) {
      tab->m_highlighted = TRUE;
      tab->m_highlightChanged = TRUE;
      for (int i = 0; i < GetItemCount(); ++i) {
        if (i == index || i == m_selection || !m_tabs[i]->m_highlighted) continue;
        m_tabs[i]->m_highlighted = FALSE;
        if (notify) m_tabs[i]->m_highlightChanged = TRUE;
      }
    }
  } else if (index != m_selection) {
    tab->m_highlighted = !tab->m_highlighted;
    if (!notify) {
      Invalidate(FALSE);
      return 0;
    }
    tab->m_highlightChanged = TRUE;
  }
  if (notify) RecalcLayout(LAYOUT_SHOW_TAB, index);
  Invalidate(FALSE);
  return 0;
}

int CCustomTabCtrl::SetItemData(int index, DWORD value) {
  if (index < 0 || index >= GetItemCount()) return TABERR_BAD_INDEX;
  m_tabs[index]->m_itemData = value;
  return 0;
}

BOOL CCustomTabCtrl::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  if (HasStyle(remove, TABSTYLE_MULTI_HIGHLIGHT)) {
    for (CCustomTabItem* item : m_tabs) item->m_highlighted = FALSE;
  }
  if (HasStyle(add, TABSTYLE_MULTI_HIGHLIGHT) && m_selection >= 0 && m_selection < GetItemCount()) {
    m_tabs[m_selection]->m_highlighted = TRUE;
  }
  CWnd::ModifyStyle(remove, add, flags);
  RecalcLayout(LAYOUT_FIT, m_selection);
  if (m_hWnd) Invalidate(FALSE);
  return TRUE;
}

// ---- layout

void CCustomTabCtrl::GetStripSize(int& length, int& thickness) const {
  RECT rc{};
  if (m_hWnd) GetClientRect(&rc);
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  const bool vertical = m_hWnd && HasStyle(GetStyle(), TABSTYLE_VERTICAL);
  length = vertical ? h : w;
  thickness = vertical ? w : h;
}

POINT CCustomTabCtrl::ToStrip(int x, int y) const {
  if (m_hWnd && HasStyle(GetStyle(), TABSTYLE_VERTICAL)) {
    RECT rc{};
    GetClientRect(&rc);
    return POINT{(rc.bottom - rc.top) - y, x};
  }
  return POINT{x, y};
}

SIZE CCustomTabCtrl::MeasureBold(const CString& text) {
  SIZE size{0, 0};
  CClientDC dc(this);
  if (!dc.GetSafeHdc()) return size;
  CFont* old = dc.SelectObject(&m_boldFont);
  RECT rc{0, 0, 0, 0};
  if (dc.DrawText(text, &rc, DT_CALCRECT) > 0) {
    size.cx = rc.right - rc.left;
    size.cy = rc.bottom - rc.top;
  }
  dc.SelectObject(old);
  return size;
}

TabStrip CCustomTabCtrl::GetStrip() const {
  TabStrip strip;
  GetStripSize(strip.length, strip.thickness);
  strip.style = m_hWnd ? GetStyle() : 0;
  strip.firstVisible = m_firstVisible;
  strip.selection = m_selection;
  std::copy(m_buttonStates, m_buttonStates + 5, strip.buttonStates);
  strip.tabs.resize(m_tabs.size());
  for (size_t i = 0; i < m_tabs.size(); ++i) {
    strip.tabs[i].tabRect = m_tabs[i]->m_tabRect;
    strip.tabs[i].textRect = m_tabs[i]->m_textRect;
    strip.tabs[i].shape = m_tabs[i]->m_shape;
  }
  return strip;
}

TabStrip CCustomTabCtrl::MakeStrip() {
  TabStrip strip = GetStrip();
  CClientDC dc(this);
  if (!dc.GetSafeHdc()) return strip;
  CFont* old = dc.SelectObject(&m_boldFont);
  for (size_t i = 0; i < m_tabs.size(); ++i) {
    RECT rc{0, 0, 0, 0};
    strip.tabs[i].textWidth = dc.DrawText(m_tabs[i]->m_text, &rc, DT_CALCRECT) > 0 ? rc.right - rc.left : 0;
  }
  dc.SelectObject(old);
  return strip;
}

void CCustomTabCtrl::ApplyStrip(const TabStrip& strip) {
  m_firstVisible = strip.firstVisible;
  std::copy(strip.buttonStates, strip.buttonStates + 5, m_buttonStates);
  for (size_t i = 0; i < m_tabs.size() && i < strip.tabs.size(); ++i) {
    m_tabs[i]->m_tabRect = strip.tabs[i].tabRect;
    m_tabs[i]->m_textRect = strip.tabs[i].textRect;
    m_tabs[i]->m_shape = strip.tabs[i].shape;
  }
}

void CCustomTabCtrl::RebuildRegions() {
  const bool top = m_hWnd && HasStyle(GetStyle(), TABSTYLE_TOP);
  for (CCustomTabItem* item : m_tabs) item->RebuildRegion(top);
}

void CCustomTabCtrl::RecalcLayout(int mode, int index) {
  // Without a window there is no strip to lay out yet; subclassing and WM_SIZE do it later.
  if (!m_hWnd) return;
  TabStrip strip = MakeStrip();
  LayoutOutcome outcome = RecalcStrip(strip, mode, index);
  ApplyStrip(strip);
  if (outcome.placeEdit) PositionLabelEdit(outcome.editStart, index);
  RebuildRegions();
}

int CCustomTabCtrl::HitTest(int x, int y) {
  POINT pt = ToStrip(x, y);
  int hit = HitTestButtons(GetStrip(), pt);
  if (hit != TABHIT_NOWHERE) return hit;
  // Where two regions overlap, the tab with the lower index is hit.
  for (int i = 0; i < GetItemCount(); ++i) {
    if (m_tabs[i]->HitRegion(pt)) return i;
  }
  return TABHIT_NOWHERE;
}

void CCustomTabCtrl::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  if (cx != 0 && cy != 0) RecalcLayout(LAYOUT_FIT, m_selection);
}

LRESULT CCustomTabCtrl::OnSizeParent(WPARAM, LPARAM lParam) {
  auto* params = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
  if (!params) return 0;
  RECT wr{};
  GetWindowRect(&wr);
  const int w = wr.right - wr.left;
  const int h = wr.bottom - wr.top;
  RECT& room = params->rect;
  const DWORD style = GetStyle();
  const bool top = HasStyle(style, TABSTYLE_TOP);
  if (HasStyle(style, TABSTYLE_VERTICAL)) {
    if (top) {
      MoveWindow(room.left, room.top, w, room.bottom - room.top, TRUE);
      room.left += w;
    } else {
      MoveWindow(room.right - w, room.top, w, room.bottom - room.top, TRUE);
      room.right -= w;
    }
  } else if (top) {
    MoveWindow(room.left, room.top, room.right - room.left, h, TRUE);
    room.top += h;
  } else {
    MoveWindow(room.left, room.bottom - h, room.right - room.left, h, TRUE);
    room.bottom -= h;
  }
  return 0;
}

// ---- painting

BOOL CCustomTabCtrl::OnEraseBkgnd(CDC*) { return TRUE; }

void CCustomTabCtrl::DrawButtonGlyph(CDC* pDC, CPoint at, int glyph, int) {
  if (!m_glyphStrip.GetSafeHandle() || glyph < 0 || glyph > 5) return;
  CDC mono;
  CDC colour;
  CBitmap colourBitmap;
  if (!mono.CreateCompatibleDC(pDC) || !colour.CreateCompatibleDC(pDC) ||
      !colourBitmap.CreateCompatibleBitmap(pDC, 8, 7)) {
    return;
  }
  CBitmap* oldMono = mono.SelectObject(&m_glyphStrip);
  CBitmap* oldColour = colour.SelectObject(&colourBitmap);
  // A colour copy of the glyph, ink in the glyph colour on white.
  colour.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
  colour.SetBkColor(RGB(255, 255, 255));
  colour.BitBlt(0, 0, 8, 7, &mono, glyph * 8, 0, SRCCOPY);
  // Inverting with the copy, masking with the glyph (ink black) and inverting again leaves the
  // background as it was and puts the glyph colour on the ink.
  COLORREF oldText = pDC->SetTextColor(RGB(0, 0, 0));
  COLORREF oldBack = pDC->SetBkColor(RGB(255, 255, 255));
  pDC->BitBlt(at.x, at.y, 8, 7, &colour, 0, 0, SRCINVERT);
  pDC->BitBlt(at.x, at.y, 8, 7, &mono, glyph * 8, 0, SRCAND);
  pDC->BitBlt(at.x, at.y, 8, 7, &colour, 0, 0, SRCINVERT);
  pDC->SetTextColor(oldText);
  pDC->SetBkColor(oldBack);
  colour.SelectObject(oldColour);
  mono.SelectObject(oldMono);
}

void CCustomTabCtrl::OnPaint() {
  CPaintDC dc(this);
  TabStrip strip = GetStrip();
  const int length = strip.length;
  const int thickness = strip.thickness;
  const DWORD style = strip.style;
  const bool top = HasStyle(style, TABSTYLE_TOP);
  const bool rtl = HasStyle(GetExStyle(), WS_EX_LAYOUTRTL);
  // Everything is drawn off-screen and reaches the window in one blit, so nothing flickers.
  CDC mem;
  CBitmap bitmap;
  if (!dc.GetSafeHdc() || length <= 0 || thickness <= 0 || !mem.CreateCompatibleDC(&dc) ||
      !bitmap.CreateCompatibleBitmap(&dc, length, thickness)) {
    return;
  }
  CBitmap* oldBitmap = mem.SelectObject(&bitmap);
  RECT all{0, 0, length, thickness};
  mem.FillSolidRect(&all, TAB_BACKGROUND_COLOUR);

  // The selected tab is drawn last, over its neighbours.
  for (int i = 0; i < GetItemCount(); ++i) {
    CCustomTabItem* item = m_tabs[i];
    if (item->m_shape == TABSHAPE_HIDDEN || i == m_selection) continue;
    item->Draw(&mem, item->m_highlighted ? &m_boldFont : &m_normalFont, top, rtl);
  }
  if (m_selection >= 0 && m_selection < GetItemCount() && m_tabs[m_selection]->m_shape != TABSHAPE_HIDDEN) {
    m_tabs[m_selection]->Draw(&mem, &m_boldFont, top, rtl);
  }

  CPen outline(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT));
  CPen* oldPen = mem.SelectObject(&outline);
  RECT area = ButtonAreaRect(strip);
  if (area.right > area.left) {
    // The DC's default brush is white.
    mem.Rectangle(&area);
  }
  static const int ORDER[5] = {TABBTN_CLOSE, TABBTN_FIRST, TABBTN_LAST, TABBTN_PREV, TABBTN_NEXT};
  static const int GLYPH[5] = {1, 2, 0, 3, 4};  // by TabButton: previous, next, first, last, close
  for (int button : ORDER) {
    RECT face = ButtonFaceRect(strip, button);
    if (face.right <= face.left) continue;
    UINT state = DFCS_BUTTONPUSH;
    if (m_buttonStates[button] == TABBTN_PRESSED) state |= DFCS_PUSHED;
    mem.DrawFrameControl(&face, DFC_BUTTON, state);
    const int w = face.right - face.left;
    const int h = face.bottom - face.top;
    CPoint at(face.left + (w - 8) / 2, face.top + (h - 7) / 2);
    if (button == TABBTN_CLOSE) at.x += w % 2;
    DrawButtonGlyph(&mem, at, GLYPH[button], m_buttonStates[button] - 1);
  }

  BaseLine line = ComputeBaseLine(strip);
  for (int s = 0; s < line.segments; ++s) {
    mem.MoveTo(line.from[s], line.y);
    mem.LineTo(line.to[s], line.y);
  }
  mem.SelectObject(oldPen);

  if (HasStyle(style, TABSTYLE_VERTICAL)) {
    // A quarter turn counter-clockwise: strip x = 0 lands on the bottom edge of the control.
    const int shift = rtl ? -1 : 0;
    POINT corners[3] = {{shift, length}, {shift, 0}, {thickness + shift, length}};
    CBitmap noMask;
    dc.PlgBlt(corners, &mem, shift, 0, length, thickness, noMask, 0, 0);
  } else {
    dc.BitBlt(0, 0, length, thickness, &mem, 0, 0, SRCCOPY);
  }
  mem.SelectObject(oldBitmap);
}

// ---- input

int CCustomTabCtrl::NotifyParent(int code, int index, int x, int y) {
  TabNotifyRecord record;
  std::memset(&record, 0, sizeof(record));
  record.hdr.hwndFrom = m_hWnd;
  record.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
  record.hdr.code = static_cast<UINT>(code);
  record.index = index;
  if (index >= 0 && index < GetItemCount()) {
    const CCustomTabItem* item = m_tabs[index];
    // The label field holds 31 bytes and its terminator, whatever the tab's text has become.
    size_t n = GbkSafeCut(item->m_text, std::min<size_t>(static_cast<size_t>(item->m_text.GetLength()), 31));
    std::memcpy(record.label, static_cast<LPCTSTR>(item->m_text), n);
    record.itemData = item->m_itemData;
    record.textRect = item->m_textRect;
    record.selected = item->m_selected;
    record.highlighted = item->m_highlighted;
  }
  record.point = POINT{x, y};
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return 0;
  return static_cast<int>(::SendMessageA(parent, WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID()),
                                         reinterpret_cast<LPARAM>(&record)));
}

int CCustomTabCtrl::OnPress(int hit, UINT keyFlags, CPoint point) {
  SetCapture();
  switch (hit) {
    case TABHIT_NOWHERE:
      m_pressedCode = TABHIT_NOWHERE;
      return hit;
    case TABHIT_CLOSE:
      // The close button only changes its look; releasing it does nothing else.
      m_pressedCode = TABHIT_CLOSE;
      m_buttonStates[TABBTN_CLOSE] = TABBTN_PRESSED;
      RecalcLayout(LAYOUT_KEEP, m_selection);
      Invalidate(FALSE);
      return hit;
    case TABHIT_FIRST:
    case TABHIT_PREV:
    case TABHIT_NEXT:
    case TABHIT_LAST: {
      static const int MODE[4] = {LAYOUT_FIRST, LAYOUT_SCROLL_LEFT, LAYOUT_SCROLL_RIGHT, LAYOUT_LAST};
      m_pressedCode = hit;
      m_buttonStates[ButtonForHit(hit)] = TABBTN_PRESSED;
      RecalcLayout(MODE[-hit - 1], m_selection);
      Invalidate(FALSE);
      m_stepTime = GetTickCount();
      SetTimer(TAB_TIMER_REPEAT, 100, nullptr);
      return hit;
    }
    default:
      break;
  }
  if (hit < 0 || hit >= GetItemCount()) return hit;
  m_pressedCode = TABHIT_NOWHERE;
  if (HasStyle(GetStyle(), TABSTYLE_MULTI_HIGHLIGHT) && (keyFlags & MK_CONTROL)) {
    UpdateHighlight(hit, 1, MK_CONTROL);
  } else {
    const bool changed = hit != m_selection;
    SelectTab(hit, 1, keyFlags & MK_CONTROL);
    if (changed) NotifyParent(TABN_SELECTION_CHANGED, m_selection, point.x, point.y);
  }
  for (int i = 0; i < GetItemCount(); ++i) {
    if (!m_tabs[i]->m_highlightChanged) continue;
    // The flag is read once per click, so a later click without highlight changes (or after
    // the style went away) does not report this one again.
    m_tabs[i]->m_highlightChanged = FALSE;
    NotifyParent(TABN_HIGHLIGHT_CHANGED, i, point.x, point.y);
  }
  return hit;
}

void CCustomTabCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
  int hit = HitTest(point.x, point.y);
  NotifyParent(TABN_CLICK, hit, point.x, point.y);
  OnPress(hit, nFlags, point);
  CWnd::OnLButtonDown(nFlags, point);
}

void CCustomTabCtrl::OnLButtonDblClk(UINT nFlags, CPoint point) {
  HWND self = m_hWnd;
  int pressed = OnPress(HitTest(point.x, point.y), nFlags, point);
  if (pressed >= 0) {
    m_pressedCode = TABHIT_NOWHERE;
    // The press may have scrolled the strip; only a tab still under the pointer is renamed.
    if (HitTest(point.x, point.y) == pressed) RenameTab(pressed, 1);
  }
  // The label edit's loop may have let the window go away.
  if (!::IsWindow(self) || m_hWnd != self) return;
  NotifyParent(TABN_DOUBLE_CLICK, HitTest(point.x, point.y), point.x, point.y);
  CWnd::OnLButtonDblClk(nFlags, point);
}

void CCustomTabCtrl::ReleaseButtonStates() {
  if (m_buttonStates[TABBTN_CLOSE]) m_buttonStates[TABBTN_CLOSE] = TABBTN_NORMAL;
  if (m_buttonStates[TABBTN_PREV]) m_buttonStates[TABBTN_PREV] = m_buttonStates[TABBTN_NEXT] = TABBTN_NORMAL;
  if (m_buttonStates[TABBTN_FIRST]) m_buttonStates[TABBTN_FIRST] = m_buttonStates[TABBTN_LAST] = TABBTN_NORMAL;
  Invalidate(FALSE);
  KillTimer(TAB_TIMER_REPEAT);
}

void CCustomTabCtrl::OnLButtonUp(UINT, CPoint) {
  bool any = false;
  for (int state : m_buttonStates) any = any || state != TABBTN_HIDDEN;
  if (any) ReleaseButtonStates();
  m_pressedCode = TABHIT_NOWHERE;
  ::ReleaseCapture();
}

void CCustomTabCtrl::OnMouseMove(UINT nFlags, CPoint point) {
  TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
  TrackMouseEvent(&track);
  const int hit = HitTest(point.x, point.y);
  static const int ORDER[5] = {TABBTN_FIRST, TABBTN_PREV, TABBTN_NEXT, TABBTN_LAST, TABBTN_CLOSE};
  static const int CODE[5] = {TABHIT_FIRST, TABHIT_PREV, TABHIT_NEXT, TABHIT_LAST, TABHIT_CLOSE};
  for (int i = 0; i < 5; ++i) {
    int& state = m_buttonStates[ORDER[i]];
    if (state == TABBTN_HIDDEN) continue;
    if (hit == CODE[i]) {
      if (m_pressedCode == CODE[i]) state = TABBTN_PRESSED;
      else if (m_pressedCode == TABHIT_NOWHERE && !(nFlags & MK_LBUTTON)) state = TABBTN_HOT;
      else state = TABBTN_NORMAL;
    } else {
      state = TABBTN_NORMAL;
    }
  }
  Invalidate(FALSE);
}

LRESULT CCustomTabCtrl::OnMouseLeave(WPARAM, LPARAM) {
  if (m_buttonStates[TABBTN_FIRST] || m_buttonStates[TABBTN_PREV] || m_buttonStates[TABBTN_CLOSE]) {
    ReleaseButtonStates();
  }
  return 0;
}

void CCustomTabCtrl::OnTimer(UINT_PTR nIDEvent) {
  CWnd::OnTimer(nIDEvent);
  if (nIDEvent != TAB_TIMER_REPEAT) return;
  const DWORD now = GetTickCount();
  if (now - m_stepTime < 250) return;
  static const int ORDER[4] = {TABBTN_FIRST, TABBTN_PREV, TABBTN_NEXT, TABBTN_LAST};
  static const int MODE[4] = {LAYOUT_FIRST, LAYOUT_SCROLL_LEFT, LAYOUT_SCROLL_RIGHT, LAYOUT_LAST};
  for (int i = 0; i < 4; ++i) {
    if (m_buttonStates[ORDER[i]] != TABBTN_PRESSED) continue;
    RecalcLayout(MODE[i], m_selection);
    Invalidate(FALSE);
    m_stepTime = now;
    return;
  }
}

void CCustomTabCtrl::OnRButtonDown(UINT nFlags, CPoint point) {
  NotifyParent(TABN_RIGHT_CLICK, HitTest(point.x, point.y), point.x, point.y);
  CWnd::OnRButtonDown(nFlags, point);
}

void CCustomTabCtrl::OnRButtonDblClk(UINT nFlags, CPoint point) {
  NotifyParent(TABN_RIGHT_DOUBLE_CLICK, HitTest(point.x, point.y), point.x, point.y);
  CWnd::OnRButtonDblClk(nFlags, point);
}

// ---- label editing

RECT CCustomTabCtrl::LabelEditRect(int index, const CString& measured) {
  const int th = MeasureBold(measured).cy;
  RECT rc = m_tabs[index]->m_textRect;
  const int height = rc.bottom - rc.top;
  if (height > th) {
    rc.top += (height - th) / 2;
    rc.bottom -= (rc.bottom - rc.top - th) / 2;
  }
  rc.left += 2;
  return rc;
}

void CCustomTabCtrl::PositionLabelEdit(int start, int index) {
  if (!m_labelEdit || !m_labelEdit->m_hWnd || index < 0 || index >= GetItemCount()) return;
  RECT client{};
  GetClientRect(&client);
  int limit = client.right - client.left;
  if (HasStyle(GetStyle(), TABSTYLE_BUTTONS_AFTER)) limit -= start;
  RECT rc{};
  for (;;) {
    CString probe = m_tabs[index]->m_text;
    probe += "X";
    rc = LabelEditRect(index, probe);
    if (rc.right > limit && m_selection > m_firstVisible) {
      m_firstVisible += 1;
      TabStrip strip = MakeStrip();
      ComputeTabRects(strip);
      PositionTabs(strip, start);
      ApplyStrip(strip);
      continue;
    }
    if (rc.right > limit) rc.right = limit;
    break;
  }
  m_labelEdit->MoveWindow(&rc, TRUE);
  // With the caret at the end and nothing selected, the text is scrolled to show its beginning
  // and then the caret again.
  int from = 0;
  int to = 0;
  m_labelEdit->GetSel(from, to);
  const int length = m_labelEdit->GetWindowTextLength();
  if (from == to && to == length) {
    m_labelEdit->SetSel(0, 0);
    m_labelEdit->SetSel(length, length);
  }
}

void CCustomTabCtrl::OnLabelEditUpdate() {
  if (!m_labelEdit || !m_labelEdit->m_hWnd) return;
  if (m_selection < 0 || m_selection >= GetItemCount()) return;
  CString text;
  m_labelEdit->GetWindowText(text);
  m_tabs[m_selection]->m_text = BoundedLabel(text, TAB_MAX_EDIT_TEXT);
  RecalcLayout(LAYOUT_EDIT, m_selection);
  Invalidate(FALSE);
}

void CCustomTabCtrl::DestroyLabelEdit() {
  if (!m_labelEdit) return;
  CEdit* edit = m_labelEdit;
  m_labelEdit = nullptr;
  if (edit->m_hWnd) edit->DestroyWindow();
  delete edit;
}

void CCustomTabCtrl::CommitLabel(int index) {
  if (m_labelEdit && m_labelEdit->m_hWnd && index >= 0 && index < GetItemCount()) {
    CString text;
    m_labelEdit->GetWindowText(text);
    m_tabs[index]->m_text = BoundedLabel(text, TAB_MAX_EDIT_TEXT);
  }
  DestroyLabelEdit();
}

int CCustomTabCtrl::RenameTab(int index, int releaseCapture) {
  if (index < 0 || index >= GetItemCount()) return TABERR_BAD_INDEX;
  if (!HasStyle(GetStyle(), TABSTYLE_EDIT_LABELS)) return TABERR_NO_EDIT_STYLE;
  if (index != m_selection) return TABERR_NOT_SELECTED;
  if (m_labelEdit) return TABERR_ALREADY_EDITING;
  if (HasStyle(GetStyle(), TABSTYLE_VERTICAL)) return TABERR_VERTICAL;

  const HWND self = m_hWnd;
  try {
    const CString kept = m_tabs[index]->m_text;
    RECT rc = LabelEditRect(index, kept);
    m_labelEdit = new CEdit;
    if (!m_labelEdit->Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, rc, this, TAB_LABEL_EDIT_ID)) {
      delete m_labelEdit;
      m_labelEdit = nullptr;
      return 0;
    }
    m_labelEdit->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_boldFont)), FALSE);
    m_labelEdit->LimitText(TAB_MAX_EDIT_TEXT);
    m_labelEdit->SetWindowText(kept);
    m_labelEdit->SetFocus();
    m_labelEdit->SetSel(0, -1, TRUE);
    m_labelEdit->SendMessage(EM_SCROLLCARET);
    if (releaseCapture) ::ReleaseCapture();

    // The edit runs in a loop of its own, which filters the mouse so that a click outside the
    // label ends the edit instead of acting.
    MSG msg;
    for (;;) {
      BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        // The application is quitting: the edit is given up as if cancelled (the parent was
        // never asked to accept the text) and the quit message goes back to the outer loop.
        if (::IsWindow(self) && m_hWnd == self) {
          m_tabs[index]->m_text = kept;
          DestroyLabelEdit();
          RecalcLayout(LAYOUT_FIT, m_selection);
          Invalidate(FALSE);
        }
        if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
        return 0;
      }
      // A dispatched message may have destroyed the control or its edit.
      if (!::IsWindow(self) || m_hWnd != self) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        return 0;
      }
      if (!m_labelEdit || !::IsWindow(m_labelEdit->m_hWnd)) {
        DestroyLabelEdit();
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        return 0;
      }
      const HWND edit = m_labelEdit->m_hWnd;
      bool dispatch = true;
      bool done = false;
      switch (msg.message) {
        case WM_KEYDOWN:
          if (msg.wParam == VK_ESCAPE) {
            m_tabs[index]->m_text = kept;
            DestroyLabelEdit();
            RecalcLayout(LAYOUT_FIT, m_selection);
            Invalidate(FALSE);
            dispatch = false;
            done = true;
          } else if (msg.wParam == VK_RETURN) {
            dispatch = false;
            if (NotifyParent(TABN_LABEL_UPDATE, index, 0, 0) == 0) {
              CommitLabel(index);
              RecalcLayout(LAYOUT_FIT, index);
              Invalidate(FALSE);
              done = true;
            }
          }
          break;
        case WM_SYSKEYDOWN:
          if (msg.wParam == VK_F4 && (msg.lParam & (1L << 29))) dispatch = false;
          break;
        case WM_LBUTTONDOWN:
          if (msg.hwnd == self) {
            POINT pt{static_cast<SHORT>(LOWORD(msg.lParam)), static_cast<SHORT>(HIWORD(msg.lParam))};
            if (HitTest(pt.x, pt.y) == m_selection) {
              dispatch = false;
              break;
            }
            if (NotifyParent(TABN_LABEL_UPDATE, index, 0, 0) != 0) {
              dispatch = false;
              break;
            }
            CommitLabel(m_selection);
            done = true;
          } else if (msg.hwnd != edit) {
            dispatch = false;
            if (NotifyParent(TABN_LABEL_UPDATE, index, 0, 0) == 0) {
              CommitLabel(m_selection);
              done = true;
            }
          }
          break;
        case WM_NCLBUTTONDOWN:
          if (NotifyParent(TABN_LABEL_UPDATE, index, 0, 0) != 0) {
            dispatch = false;
            break;
          }
          CommitLabel(m_selection);
          done = true;
          break;
        case WM_LBUTTONUP:
          dispatch = msg.hwnd == edit;
          break;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
          dispatch = false;
          break;
        default:
          break;
      }
      if (dispatch) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
      }
      if (done) return 0;
    }
  } catch (const std::bad_alloc&) {
    if (::IsWindow(self) && m_hWnd == self) DestroyLabelEdit();
    if (releaseCapture) NotifyParent(TABN_OUT_OF_MEMORY, index, 0, 0);
    return TABERR_OUT_OF_MEMORY;
  }
}
