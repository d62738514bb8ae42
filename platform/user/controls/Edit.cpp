// The "Edit" control: single-line and multi-line GBK text with a caret, selection, scrolling,
// a text limit, one level of undo and the in-process clipboard.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/user/User.h"
#include "platform/user/controls/ControlSupport.h"

namespace platform::controls {
namespace {

// Win32's limits: 30000 characters until EM_LIMITTEXT, and "no limit" for a limit of 0.
constexpr size_t DEFAULT_LIMIT = 30000;
constexpr size_t NO_LIMIT = 0x7FFFFFFE;
constexpr UINT CARET_BLINK = 530;

struct Line {
  size_t start;
  size_t length;  // without the line break
};

struct EditState {
  HFONT font = nullptr;
  int lineHeight = 0;  // the font's height, kept from WM_SETFONT
  std::string text;
  size_t caret = 0;
  size_t anchor = 0;
  size_t limit = DEFAULT_LIMIT;
  bool modified = false;
  char passwordChar = 0;
  std::string undoText;
  size_t undoCaret = 0;
  bool canUndo = false;
  int pendingLead = -1;  // the first byte of a double-byte character typed as two WM_CHARs
  std::vector<Line> lines;
  int firstLine = 0;
  int xOffset = 0;
  bool focus = false;
  bool caretShown = false;
  bool mouseDown = false;
  HWND combo = nullptr;  // the combo box this edit belongs to
  bool hasRect = false;
  RECT formatRect{};
};

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
bool Multi(HWND hwnd) { return (StyleOf(hwnd) & ES_MULTILINE) != 0; }

size_t SelStart(const EditState& s) { return std::min(s.caret, s.anchor); }
size_t SelEnd(const EditState& s) { return std::max(s.caret, s.anchor); }

// The text as drawn: password characters stand for whole characters.
std::string Shown(HWND hwnd, const EditState& s, size_t from, size_t to) {
  std::string part = s.text.substr(from, to - from);
  if (!s.passwordChar || Multi(hwnd)) return part;
  size_t n = 0;
  for (size_t i = 0; i < part.size(); i = NextChar(part, i)) ++n;
  return std::string(n, s.passwordChar);
}

RECT FormatRect(HWND hwnd, const EditState& s) {
  if (s.hasRect) return s.formatRect;
  RECT rc{};
  GetClientRect(hwnd, &rc);
  rc.left += 1;
  rc.right -= 1;
  if (rc.right < rc.left) rc.right = rc.left;
  if (!Multi(hwnd) && RectHeight(rc) > s.lineHeight + 1) rc.top += 1;
  return rc;
}

struct EditDc {
  HWND hwnd;
  HDC dc;
  HGDIOBJ old;
  EditDc(HWND h, const EditState& s) : hwnd(h), dc(GetDC(h)) { old = SelectObject(dc, FontOr(s.font)); }
  ~EditDc() {
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
  }
};

int Width(HWND hwnd, HDC dc, const EditState& s, size_t from, size_t to) {
  std::string shown = Shown(hwnd, s, from, to);
  return TextWidth(dc, shown.data(), shown.size());
}

// Splits the text into lines: at line breaks, and for multi-line edits without ES_AUTOHSCROLL
// where a line gets wider than the format rectangle (after a space if there is one).
void Layout(HWND hwnd, EditState& s) {
  s.lines.clear();
  if (!Multi(hwnd)) {
    s.lines.push_back(Line{0, s.text.size()});
    return;
  }
  bool wrap = !(StyleOf(hwnd) & ES_AUTOHSCROLL);
  RECT fr = FormatRect(hwnd, s);
  int width = std::max<int>(RectWidth(fr), 1);
  EditDc e(hwnd, s);
  size_t start = 0;
  while (true) {
    size_t end = s.text.find('\n', start);
    size_t paraEnd = end == std::string::npos ? s.text.size() : end;
    if (paraEnd > start && s.text[paraEnd - 1] == '\r') --paraEnd;
    size_t lineStart = start;
    if (wrap) {
      // Character widths add up (the fonts have no kerning), so a paragraph is measured once,
      // character by character.
      std::vector<size_t> starts;
      std::vector<int> widths;
      for (size_t i = start; i < paraEnd; i = NextChar(s.text, i)) {
        starts.push_back(i);
        widths.push_back(Width(hwnd, e.dc, s, i, NextChar(s.text, i)));
      }
      size_t k = 0;
      while (k < starts.size()) {
        int used = 0;
        size_t j = k;
        size_t afterSpace = 0;  // index after the last space that fits, 0 for none
        while (j < starts.size() && used + widths[j] <= width) {
          used += widths[j];
          if (s.text[starts[j]] == ' ') afterSpace = j + 1;
          ++j;
        }
        if (j == starts.size()) break;  // the rest fits
        size_t breakAt = afterSpace > k ? afterSpace : j;
        if (breakAt == k) breakAt = k + 1;  // one character at least
        s.lines.push_back(Line{starts[k], starts[breakAt] - starts[k]});
        k = breakAt;
      }
      lineStart = k < starts.size() ? starts[k] : paraEnd;
    }
    s.lines.push_back(Line{lineStart, paraEnd - lineStart});
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

int LineOf(const EditState& s, size_t pos) {
  int found = 0;
  for (size_t i = 0; i < s.lines.size(); ++i) {
    if (s.lines[i].start <= pos) found = static_cast<int>(i);
  }
  return found;
}

int VisibleLines(HWND hwnd, const EditState& s) {
  RECT fr = FormatRect(hwnd, s);
  return std::max(1, RectHeight(fr) / s.lineHeight);
}

int LineX(HWND hwnd, HDC dc, const EditState& s, int line) {
  RECT fr = FormatRect(hwnd, s);
  DWORD style = StyleOf(hwnd);
  const Line& l = s.lines[static_cast<size_t>(line)];
  int w = Width(hwnd, dc, s, l.start, l.start + l.length);
  int x = fr.left;
  if (style & ES_CENTER) x += (RectWidth(fr) - w) / 2;
  else if (style & ES_RIGHT) x += RectWidth(fr) - w;
  return x - s.xOffset;
}

POINT PosToPoint(HWND hwnd, HDC dc, const EditState& s, size_t pos) {
  int line = LineOf(s, pos);
  const Line& l = s.lines[static_cast<size_t>(line)];
  RECT fr = FormatRect(hwnd, s);
  int x = LineX(hwnd, dc, s, line) + Width(hwnd, dc, s, l.start, std::min(pos, l.start + l.length));
  int y = fr.top + (line - s.firstLine) * s.lineHeight;
  return POINT{x, y};
}

// The character boundary nearest to a point in client coordinates.
size_t PointToPos(HWND hwnd, HDC dc, const EditState& s, POINT pt) {
  RECT fr = FormatRect(hwnd, s);
  int line = s.firstLine + (pt.y - fr.top) / s.lineHeight;
  if (pt.y < fr.top) line = s.firstLine - 1;
  line = std::clamp(line, 0, static_cast<int>(s.lines.size()) - 1);
  const Line& l = s.lines[static_cast<size_t>(line)];
  int x = LineX(hwnd, dc, s, line);
  size_t best = l.start;
  for (size_t i = l.start; i < l.start + l.length;) {
    size_t next = NextChar(s.text, i);
    int left = x + Width(hwnd, dc, s, l.start, i);
    int right = x + Width(hwnd, dc, s, l.start, next);
    if (pt.x < (left + right + 1) / 2) return i;
    best = next;
    i = next;
  }
  return best;
}

void UpdateScrollBar(HWND hwnd, EditState& s) {
  if (!Multi(hwnd) || !(StyleOf(hwnd) & WS_VSCROLL)) return;
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0,
                static_cast<int>(s.lines.size()) - 1, static_cast<UINT>(VisibleLines(hwnd, s)), s.firstLine, 0};
  SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

void ScrollCaret(HWND hwnd, EditState& s) {
  EditDc e(hwnd, s);
  RECT fr = FormatRect(hwnd, s);
  DWORD style = StyleOf(hwnd);
  if (Multi(hwnd)) {
    int line = LineOf(s, s.caret);
    int visible = VisibleLines(hwnd, s);
    if (line < s.firstLine) s.firstLine = line;
    if (line >= s.firstLine + visible) s.firstLine = line - visible + 1;
    s.firstLine = std::max(0, s.firstLine);
  }
  if ((style & ES_AUTOHSCROLL) && !(style & (ES_CENTER | ES_RIGHT))) {
    int width = RectWidth(fr);
    const Line& l = s.lines[static_cast<size_t>(LineOf(s, s.caret))];
    int caretX = Width(hwnd, e.dc, s, l.start, s.caret);
    // The text jumps by a third of the width, so that typing does not scroll on every key.
    if (caretX - s.xOffset >= width) s.xOffset = caretX - width + width / 3 + 1;
    if (caretX < s.xOffset) s.xOffset = std::max(0, caretX - width / 3);
  } else {
    s.xOffset = 0;
  }
  UpdateScrollBar(hwnd, s);
}

void Repaint(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

void PaintEdit(HWND hwnd, HDC dc, EditState& s) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  DWORD style = StyleOf(hwnd);
  bool enabled = IsWindowEnabled(hwnd) != 0;
  // Read-only and disabled edits ask for the static colours, as in Win32.
  UINT ask = (!enabled || (style & ES_READONLY)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  HGDIOBJ oldFont = SelectObject(dc, FontOr(s.font));
  HBRUSH brush = ControlBrush(hwnd, dc, ask);
  FillRect(dc, &rc, brush);
  COLORREF textColour = enabled ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
  RECT fr = FormatRect(hwnd, s);
  int height = s.lineHeight;
  bool showSel = s.focus || (style & ES_NOHIDESEL);
  size_t selStart = SelStart(s), selEnd = SelEnd(s);
  SetBkMode(dc, TRANSPARENT);
  for (int i = s.firstLine; i < static_cast<int>(s.lines.size()); ++i) {
    int y = fr.top + (i - s.firstLine) * height;
    if (y >= fr.bottom) break;
    const Line& l = s.lines[static_cast<size_t>(i)];
    int x = LineX(hwnd, dc, s, i);
    size_t end = l.start + l.length;
    std::string shown = Shown(hwnd, s, l.start, end);
    SetTextColor(dc, textColour);
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &fr, shown.c_str(), static_cast<UINT>(shown.size()), nullptr);
    size_t a = std::max(selStart, l.start), b = std::min(selEnd, end);
    if (showSel && a < b) {
      int left = x + Width(hwnd, dc, s, l.start, a);
      int right = x + Width(hwnd, dc, s, l.start, b);
      RECT hl{std::max<LONG>(left, fr.left), y, std::min<LONG>(right, fr.right), std::min<LONG>(y + height, fr.bottom)};
      FillSolidRect(dc, &hl, GetSysColor(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      std::string part = Shown(hwnd, s, a, b);
      ExtTextOutA(dc, left, y, ETO_CLIPPED, &fr, part.c_str(), static_cast<UINT>(part.size()), nullptr);
    }
  }
  if (s.focus && s.caretShown) {
    POINT p = PosToPoint(hwnd, dc, s, s.caret);
    RECT caret{p.x, p.y, p.x + 1, p.y + height};
    RECT shown{};
    if (IntersectRect(&shown, &caret, &fr)) FillSolidRect(dc, &shown, GetSysColor(COLOR_WINDOWTEXT));
  }
  SelectObject(dc, oldFont);
}

// Puts `insert` in place of the selection. Returns false when nothing could be inserted.
bool ReplaceSel(HWND hwnd, EditState& s, std::string insert, bool undoable) {
  DWORD style = StyleOf(hwnd);
  if (!Multi(hwnd)) {
    size_t cut = insert.find_first_of("\r\n");
    if (cut != std::string::npos) insert.resize(cut);
  }
  size_t a = SelStart(s), b = SelEnd(s);
  size_t kept = s.text.size() - (b - a);
  size_t room = s.limit > kept ? s.limit - kept : 0;
  bool truncated = false;
  if (insert.size() > room) {
    insert.resize(GbkSafeCut(insert.data(), room));
    truncated = true;
  }
  std::string next = s.text.substr(0, a) + insert + s.text.substr(b);
  // A single-line edit without ES_AUTOHSCROLL takes only what fits its width.
  if (!Multi(hwnd) && !(style & ES_AUTOHSCROLL) && !insert.empty()) {
    EditState probe = s;
    RECT fr = FormatRect(hwnd, s);
    EditDc e(hwnd, s);
    while (!insert.empty()) {
      probe.text = s.text.substr(0, a) + insert + s.text.substr(b);
      if (Width(hwnd, e.dc, probe, 0, probe.text.size()) <= RectWidth(fr)) break;
      insert.resize(PrevChar(insert, insert.size()));
      truncated = true;
    }
    next = s.text.substr(0, a) + insert + s.text.substr(b);
  }
  if (insert.empty() && a == b) {
    if (truncated) Notify(hwnd, EN_MAXTEXT);
    return false;
  }
  if (undoable) {
    s.undoText = s.text;
    s.undoCaret = s.caret;
    s.canUndo = true;
  }
  s.text = std::move(next);
  s.caret = s.anchor = a + insert.size();
  s.modified = true;
  Layout(hwnd, s);
  ScrollCaret(hwnd, s);
  Notify(hwnd, EN_UPDATE);
  if (!IsWindow(hwnd)) return true;
  Repaint(hwnd);
  UpdateWindow(hwnd);
  Notify(hwnd, EN_CHANGE);
  if (truncated && IsWindow(hwnd)) Notify(hwnd, EN_MAXTEXT);
  return true;
}

void SetSel(HWND hwnd, EditState& s, size_t anchor, size_t caret) {
  s.anchor = CharStart(s.text, anchor);
  s.caret = CharStart(s.text, caret);
  ScrollCaret(hwnd, s);
  Repaint(hwnd);
}

// Moves the caret; with `extend` the anchor stays, so the selection grows or shrinks.
void MoveCaret(HWND hwnd, EditState& s, size_t pos, bool extend) {
  s.caret = pos;
  if (!extend) s.anchor = pos;
  s.caretShown = true;
  ScrollCaret(hwnd, s);
  Repaint(hwnd);
}

bool IsWordByte(char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; }

void SelectWord(HWND hwnd, EditState& s, size_t pos) {
  size_t a = pos, b = pos;
  while (a > 0) {
    size_t p = PrevChar(s.text, a);
    if (!IsWordByte(s.text[p])) break;
    a = p;
  }
  while (b < s.text.size() && IsWordByte(s.text[b])) b = NextChar(s.text, b);
  s.anchor = a;
  s.caret = b;
  ScrollCaret(hwnd, s);
  Repaint(hwnd);
}

void Copy(HWND hwnd, const EditState& s) {
  if (s.passwordChar && !Multi(hwnd)) return;  // a password is never copied out
  if (SelStart(s) == SelEnd(s)) return;
  SetClipboardText(s.text.substr(SelStart(s), SelEnd(s) - SelStart(s)));
}

bool ReadOnly(HWND hwnd) { return (StyleOf(hwnd) & ES_READONLY) != 0; }

void KeyDown(HWND hwnd, EditState& s, WPARAM key) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  size_t pos = s.caret;
  int line = LineOf(s, pos);
  const Line& l = s.lines[static_cast<size_t>(line)];
  switch (key) {
    case VK_LEFT:
      if (!shift && s.caret != s.anchor) return MoveCaret(hwnd, s, SelStart(s), false);
      if (pos == 0) return MoveCaret(hwnd, s, 0, shift);
      // Across a line break in one step.
      if (pos >= 2 && s.text.compare(pos - 2, 2, "\r\n") == 0) return MoveCaret(hwnd, s, pos - 2, shift);
      return MoveCaret(hwnd, s, PrevChar(s.text, pos), shift);
    case VK_RIGHT:
      if (!shift && s.caret != s.anchor) return MoveCaret(hwnd, s, SelEnd(s), false);
      if (s.text.compare(pos, 2, "\r\n") == 0) return MoveCaret(hwnd, s, pos + 2, shift);
      return MoveCaret(hwnd, s, NextChar(s.text, pos), shift);
    case VK_HOME:
      return MoveCaret(hwnd, s, ctrl ? 0 : l.start, shift);
    case VK_END:
      return MoveCaret(hwnd, s, ctrl ? s.text.size() : l.start + l.length, shift);
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!Multi(hwnd)) {
        if (key == VK_UP) return KeyDown(hwnd, s, VK_LEFT);
        if (key == VK_DOWN) return KeyDown(hwnd, s, VK_RIGHT);
        return;
      }
      int step = (key == VK_UP || key == VK_DOWN) ? 1 : VisibleLines(hwnd, s);
      int target = line + ((key == VK_UP || key == VK_PRIOR) ? -step : step);
      target = std::clamp(target, 0, static_cast<int>(s.lines.size()) - 1);
      if (target == line) return MoveCaret(hwnd, s, pos, shift);
      EditDc e(hwnd, s);
      POINT p = PosToPoint(hwnd, e.dc, s, pos);
      if (key == VK_PRIOR || key == VK_NEXT) s.firstLine = std::max(0, s.firstLine + (target - line));
      RECT fr = FormatRect(hwnd, s);
      p.y = fr.top + (target - s.firstLine) * s.lineHeight;
      return MoveCaret(hwnd, s, PointToPos(hwnd, e.dc, s, p), shift);
    }
    case VK_DELETE: {
      if (ReadOnly(hwnd)) return;
      if (shift) {
        // Shift+Delete cuts.
        Copy(hwnd, s);
        if (s.caret != s.anchor) ReplaceSel(hwnd, s, "", true);
        return;
      }
      if (s.caret == s.anchor) {
        if (pos >= s.text.size()) return;
        s.anchor = s.text.compare(pos, 2, "\r\n") == 0 ? pos + 2 : NextChar(s.text, pos);
      }
      ReplaceSel(hwnd, s, "", true);
      return;
    }
    case VK_INSERT:
      if (ctrl) Copy(hwnd, s);
      else if (shift && !ReadOnly(hwnd)) ReplaceSel(hwnd, s, GetClipboardText(), true);
      return;
    default:
      return;
  }
}

void Char(HWND hwnd, EditState& s, unsigned char c) {
  DWORD style = StyleOf(hwnd);
  if (s.pendingLead >= 0) {
    // The second byte of a double-byte character: the pair goes in as one. A byte that cannot
    // be a trail byte drops the lone lead byte and counts on its own.
    int lead = s.pendingLead;
    s.pendingLead = -1;
    if (c >= 0x40 && c != 0x7F && c != 0xFF) {
      std::string pair{static_cast<char>(lead), static_cast<char>(c)};
      if (!ReadOnly(hwnd) && !(style & ES_NUMBER)) ReplaceSel(hwnd, s, pair, true);
      return;
    }
  }
  switch (c) {
    case 0x03: Copy(hwnd, s); return;  // Ctrl+C
    case 0x16:                          // Ctrl+V
      if (!ReadOnly(hwnd)) ReplaceSel(hwnd, s, GetClipboardText(), true);
      return;
    case 0x18:  // Ctrl+X
      if (ReadOnly(hwnd)) return;
      Copy(hwnd, s);
      if (s.caret != s.anchor && !(s.passwordChar && !Multi(hwnd))) ReplaceSel(hwnd, s, "", true);
      return;
    case 0x1A:  // Ctrl+Z
      SendMessageA(hwnd, EM_UNDO, 0, 0);
      return;
    case 0x01:  // Ctrl+A
      SetSel(hwnd, s, 0, s.text.size());
      return;
    case VK_BACK: {
      if (ReadOnly(hwnd)) return;
      if (s.caret == s.anchor) {
        if (s.caret == 0) return;
        size_t p = s.caret;
        s.anchor = (p >= 2 && s.text.compare(p - 2, 2, "\r\n") == 0) ? p - 2 : PrevChar(s.text, p);
      }
      ReplaceSel(hwnd, s, "", true);
      return;
    }
    case '\r':
      if (Multi(hwnd) && !ReadOnly(hwnd)) ReplaceSel(hwnd, s, "\r\n", true);
      return;
    case '\t':
      if (Multi(hwnd) && !ReadOnly(hwnd)) ReplaceSel(hwnd, s, "\t", true);
      return;
    default:
      break;
  }
  if (c < 0x20 || c == 0x7F || ReadOnly(hwnd)) return;
  if (c >= 0x81 && c <= 0xFE) {
    s.pendingLead = c;
    return;
  }
  if ((style & ES_NUMBER) && (c < '0' || c > '9')) return;
  if (style & ES_UPPERCASE) c = static_cast<unsigned char>(toupper(c));
  if (style & ES_LOWERCASE) c = static_cast<unsigned char>(tolower(c));
  ReplaceSel(hwnd, s, std::string(1, static_cast<char>(c)), true);
}

void Blink(HWND hwnd, EditState& s, bool restart) {
  if (!s.focus) return;
  s.caretShown = restart ? true : !s.caretShown;
  if (restart) SetTimer(hwnd, CARET_TIMER, CARET_BLINK, nullptr);
  Repaint(hwnd);
}

void ScrollLines(HWND hwnd, EditState& s, int delta) {
  int maxFirst = std::max(0, static_cast<int>(s.lines.size()) - VisibleLines(hwnd, s));
  int first = std::clamp(s.firstLine + delta, 0, maxFirst);
  if (first == s.firstLine) return;
  s.firstLine = first;
  UpdateScrollBar(hwnd, s);
  Repaint(hwnd);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* st = new EditState;
    st->lineHeight = FontHeight(nullptr);
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    if (cs && (cs->style & ES_PASSWORD)) st->passwordChar = '*';
    if (cs && (cs->style & ES_MULTILINE)) {
      // A multi-line edit with a vertical scroll bar scrolls vertically by itself.
      if (cs->style & WS_VSCROLL) SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(cs->style | ES_AUTOVSCROLL));
    }
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) st->text = cs->lpszName;
    if (!(cs && (cs->style & ES_MULTILINE))) {
      size_t cut = st->text.find_first_of("\r\n");
      if (cut != std::string::npos) st->text.resize(cut);
    }
    // One line until WM_CREATE lays the text out, so that no message finds no line at all.
    st->lines.push_back(Line{0, st->text.size()});
    return TRUE;
  }
  EditState* s = StateOf<EditState>(hwnd);
  if (message == WM_NCDESTROY) {
    delete s;
    SetWindowLongPtrA(hwnd, 0, 0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      Layout(hwnd, *s);
      return 0;
    case WM_SIZE:
      Layout(hwnd, *s);
      ScrollCaret(hwnd, *s);
      Repaint(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintEdit(hwnd, dc, *s);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE: {
      // A multi-line edit wants every key but Escape, and Enter only with ES_WANTRETURN (else
      // Enter is the dialog's default button), as the dialog manager asks about each key.
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (s->combo && ComboDropped(s->combo)) return code | DLGC_WANTALLKEYS;
      if (!Multi(hwnd)) return code;
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
        bool enter = msg->message == WM_KEYDOWN ? msg->wParam == VK_RETURN : msg->wParam == '\r';
        bool escape = msg->message == WM_KEYDOWN ? msg->wParam == VK_ESCAPE : msg->wParam == 0x1B;
        if (escape) return code;
        if (enter && !(StyleOf(hwnd) & ES_WANTRETURN)) return code;
      }
      return code | DLGC_WANTALLKEYS;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      s->lineHeight = FontHeight(s->font);
      Layout(hwnd, *s);
      ScrollCaret(hwnd, *s);
      if (LOWORD(lParam)) Repaint(hwnd);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      s->text = text ? text : "";
      if (!Multi(hwnd)) {
        size_t cut = s->text.find_first_of("\r\n");
        if (cut != std::string::npos) s->text.resize(cut);
      }
      s->caret = s->anchor = 0;
      s->firstLine = 0;
      s->xOffset = 0;
      s->modified = false;
      s->canUndo = false;
      Layout(hwnd, *s);
      ScrollCaret(hwnd, *s);
      Notify(hwnd, EN_UPDATE);
      if (!IsWindow(hwnd)) return TRUE;
      Repaint(hwnd);
      Notify(hwnd, EN_CHANGE);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = GbkSafeCut(s->text.data(), std::min(s->text.size(), static_cast<size_t>(wParam) - 1));
      memcpy(buffer, s->text.data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(s->text.size());
    case WM_ENABLE:
    case WM_STYLECHANGED:
      Repaint(hwnd);
      return 0;
    case WM_SETFOCUS:
      s->focus = true;
      Blink(hwnd, *s, true);
      Notify(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focus = false;
      s->caretShown = false;
      s->pendingLead = -1;
      KillTimer(hwnd, CARET_TIMER);
      Repaint(hwnd);
      Notify(hwnd, EN_KILLFOCUS);
      return 0;
    case WM_TIMER:
      if (wParam == CARET_TIMER) {
        Blink(hwnd, *s, false);
        return 0;
      }
      if (wParam == SCROLL_TIMER && s->mouseDown) {
        POINT pt{};
        GetCursorPos(&pt);
        ScreenToClient(hwnd, &pt);
        SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        return 0;
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      s = StateOf<EditState>(hwnd);
      if (!s) return 0;
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      size_t pos;
      {
        EditDc e(hwnd, *s);
        pos = PointToPos(hwnd, e.dc, *s, pt);
      }
      // A double click selects a word, and the drag that may follow extends the selection.
      if (message == WM_LBUTTONDBLCLK) {
        SelectWord(hwnd, *s, pos);
      } else {
        MoveCaret(hwnd, *s, pos, (wParam & MK_SHIFT) != 0);
      }
      s->mouseDown = true;
      SetCapture(hwnd);
      SetTimer(hwnd, SCROLL_TIMER, 100, nullptr);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->mouseDown) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        size_t pos;
        {
          EditDc e(hwnd, *s);
          pos = PointToPos(hwnd, e.dc, *s, pt);
        }
        if (pos != s->caret) MoveCaret(hwnd, *s, pos, true);
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (s->mouseDown) {
        s->mouseDown = false;
        KillTimer(hwnd, SCROLL_TIMER);
        if (message == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    case WM_KEYDOWN:
      if (s->combo && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_F4 || wParam == VK_PRIOR ||
                       wParam == VK_NEXT || ((wParam == VK_RETURN || wParam == VK_ESCAPE) && ComboDropped(s->combo)))) {
        return SendMessageA(s->combo, WM_KEYDOWN, wParam, lParam);
      }
      s->caretShown = true;
      KeyDown(hwnd, *s, wParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (s->combo && (wParam == VK_UP || wParam == VK_DOWN)) return SendMessageA(s->combo, message, wParam, lParam);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CHAR:
      if (s->combo && (wParam == '\r' || wParam == 0x1B)) return 0;
      Char(hwnd, *s, static_cast<unsigned char>(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      if (Multi(hwnd)) {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        ScrollLines(hwnd, *s, -3 * notches);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_VSCROLL: {
      if (!Multi(hwnd)) return 0;
      int visible = VisibleLines(hwnd, *s);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollLines(hwnd, *s, -1); break;
        case SB_LINEDOWN: ScrollLines(hwnd, *s, 1); break;
        case SB_PAGEUP: ScrollLines(hwnd, *s, -visible); break;
        case SB_PAGEDOWN: ScrollLines(hwnd, *s, visible); break;
        case SB_TOP: ScrollLines(hwnd, *s, -s->firstLine); break;
        case SB_BOTTOM: ScrollLines(hwnd, *s, static_cast<int>(s->lines.size())); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollLines(hwnd, *s, static_cast<int>(HIWORD(wParam)) - s->firstLine); break;
        default: break;
      }
      return 0;
    }
    case WM_CUT:
      if (ReadOnly(hwnd)) return 0;
      Copy(hwnd, *s);
      if (s->caret != s->anchor) ReplaceSel(hwnd, *s, "", true);
      return 0;
    case WM_COPY:
      Copy(hwnd, *s);
      return 0;
    case WM_PASTE:
      if (!ReadOnly(hwnd)) ReplaceSel(hwnd, *s, GetClipboardText(), true);
      return 0;
    case WM_CLEAR:
      if (!ReadOnly(hwnd) && s->caret != s->anchor) ReplaceSel(hwnd, *s, "", true);
      return 0;
    case EM_GETSEL: {
      DWORD a = static_cast<DWORD>(SelStart(*s)), b = static_cast<DWORD>(SelEnd(*s));
      if (wParam) *reinterpret_cast<LPDWORD>(wParam) = a;
      if (lParam) *reinterpret_cast<LPDWORD>(lParam) = b;
      return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
    }
    case EM_SETSEL: {
      // -1 as the start takes the selection away; -1 as the end means the end of the text.
      long long a = static_cast<int>(wParam), b = static_cast<int>(lParam);
      if (a == -1) {
        SetSel(hwnd, *s, s->caret, s->caret);
        return 0;
      }
      size_t n = s->text.size();
      size_t start = a < 0 ? n : std::min<size_t>(static_cast<size_t>(a), n);
      size_t end = b < 0 ? n : std::min<size_t>(static_cast<size_t>(b), n);
      SetSel(hwnd, *s, start, end);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lParam);
      ReplaceSel(hwnd, *s, text ? text : "", wParam != 0);
      return 0;
    }
    case EM_LIMITTEXT:
      s->limit = wParam ? static_cast<size_t>(wParam) : NO_LIMIT;
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(s->limit);
    case EM_SETREADONLY: {
      DWORD style = StyleOf(hwnd);
      SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
      Repaint(hwnd);
      return TRUE;
    }
    case EM_GETMODIFY:
      return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      s->modified = wParam != 0;
      return 0;
    case EM_CANUNDO:
      return s->canUndo ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO: {
      if (!s->canUndo) return FALSE;
      // Undo swaps, so a second undo redoes.
      std::string before = s->text;
      size_t caret = s->caret;
      s->text = s->undoText;
      s->caret = s->anchor = std::min(s->undoCaret, s->text.size());
      s->undoText = before;
      s->undoCaret = caret;
      s->modified = true;
      Layout(hwnd, *s);
      ScrollCaret(hwnd, *s);
      Notify(hwnd, EN_UPDATE);
      Repaint(hwnd);
      Notify(hwnd, EN_CHANGE);
      return TRUE;
    }
    case EM_EMPTYUNDOBUFFER:
      s->canUndo = false;
      return 0;
    case EM_SETPASSWORDCHAR:
      s->passwordChar = static_cast<char>(wParam);
      Layout(hwnd, *s);
      Repaint(hwnd);
      return 0;
    case EM_GETPASSWORDCHAR:
      return static_cast<unsigned char>(s->passwordChar);
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(s->lines.size());
    case EM_GETFIRSTVISIBLELINE:
      return Multi(hwnd) ? s->firstLine : 0;
    case EM_LINEINDEX: {
      int line = static_cast<int>(wParam);
      if (line == -1) line = LineOf(*s, s->caret);
      if (line < 0 || line >= static_cast<int>(s->lines.size())) return -1;
      return static_cast<LRESULT>(s->lines[static_cast<size_t>(line)].start);
    }
    case EM_LINELENGTH: {
      int index = static_cast<int>(wParam);
      if (index < 0) return static_cast<LRESULT>(s->lines[static_cast<size_t>(LineOf(*s, s->caret))].length);
      return static_cast<LRESULT>(s->lines[static_cast<size_t>(LineOf(*s, static_cast<size_t>(index)))].length);
    }
    case EM_LINEFROMCHAR: {
      int index = static_cast<int>(wParam);
      return LineOf(*s, index < 0 ? SelStart(*s) : static_cast<size_t>(index));
    }
    case EM_GETLINE: {
      // The first WORD of the buffer holds its size; the line is copied without a terminator.
      char* buffer = reinterpret_cast<char*>(lParam);
      int line = static_cast<int>(wParam);
      if (!buffer || line < 0 || line >= static_cast<int>(s->lines.size())) return 0;
      WORD size = 0;
      memcpy(&size, buffer, sizeof size);
      const Line& l = s->lines[static_cast<size_t>(line)];
      size_t n = GbkSafeCut(s->text.data() + l.start, std::min<size_t>(l.length, size));
      memcpy(buffer, s->text.data() + l.start, n);
      return static_cast<LRESULT>(n);
    }
    case EM_LINESCROLL:
      if (!Multi(hwnd)) return FALSE;
      ScrollLines(hwnd, *s, static_cast<int>(lParam));
      return TRUE;
    case EM_SCROLLCARET:
      ScrollCaret(hwnd, *s);
      Repaint(hwnd);
      return TRUE;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (lParam) {
        s->formatRect = *reinterpret_cast<const RECT*>(lParam);
        s->hasRect = true;
      } else {
        s->hasRect = false;
      }
      Layout(hwnd, *s);
      ScrollCaret(hwnd, *s);
      if (message == EM_SETRECT) Repaint(hwnd);
      return 0;
    case EM_GETRECT:
      if (lParam) *reinterpret_cast<RECT*>(lParam) = FormatRect(hwnd, *s);
      return 0;
    case WM_PRIVATE_EDIT_COMBO:
      s->combo = reinterpret_cast<HWND>(wParam);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace platform::controls
