#include "platform/comctl/RichEdit.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/comctl/RichEditDocument.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

#ifndef DLGC_WANTARROWS
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTCHARS 0x0080
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_HASSETSEL 0x0008
#endif

namespace {

using platform::RichCharFormat;
using platform::RichEditDocument;

// Space between the client edge and the text, left and right.
constexpr int MARGIN = 2;
// Lines a wheel notch scrolls.
constexpr int WHEEL_LINES = 3;
// The limit EM_EXLIMITTEXT with 0 sets, as the rich edit documents it.
constexpr LONG DEFAULT_EXPLICIT_LIMIT = 64000;
constexpr LONG NO_LIMIT = 0x7FFFFFFF;
// The rich edit's own number for EM_GETLIMITTEXT.
constexpr UINT EM_GETLIMITTEXT_RICHEDIT = WM_USER + 37;

class RichEditOle;

struct RichEditState {
  HWND hwnd = nullptr;
  RichEditDocument doc;
  LONG selStart = 0;
  LONG selEnd = 0;
  LONG anchor = 0;  // the fixed end while the selection is extended
  bool hasInsertFormat = false;
  uint32_t insertFormat = 0;
  uint32_t defaultFormat = 0;
  DWORD eventMask = 0;
  bool bkSystem = true;
  COLORREF bk = 0;
  bool hideSelection = false;
  int scrollY = 0;
  LONG limit = NO_LIMIT;
  bool dragging = false;
  bool draggingThumb = false;
  int thumbGrab = 0;
  HFONT font = nullptr;
  RichEditOle* ole = nullptr;
  // The control draws its vertical bar inside its client area itself. WS_VSCROLL is taken out of
  // the window's style and kept here, so that the window system does not add a second, empty bar
  // of its own beside it.
  bool ownBar = false;
};

RichEditState* StateOf(HWND hwnd) { return reinterpret_cast<RichEditState*>(GetWindowLongPtrA(hwnd, 0)); }

// The rich edit's OLE interface. It outlives its window only as an empty shell: once the window
// is gone every call fails.
class RichEditOle final : public IRichEditOle {
 public:
  explicit RichEditOle(RichEditState* state) : m_state(state) {}
  void Detach() { m_state = nullptr; }
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IRichEditOle)) {
      *object = static_cast<IRichEditOle*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetClientSite(IOleClientSite** site) override {
    if (!site) return E_INVALIDARG;
    *site = nullptr;
    if (!m_state) return E_UNEXPECTED;
    *site = platform::NewClientSite();
    return S_OK;
  }
  LONG GetObjectCount() override { return m_state ? static_cast<LONG>(m_state->doc.Pictures().size()) : 0; }
  HRESULT GetObject(LONG index, REOBJECT* object, DWORD flags) override;
  HRESULT InsertObject(REOBJECT* object) override;

 private:
  ~RichEditOle() = default;
  std::atomic<ULONG> m_refs{1};
  RichEditState* m_state;
};

// ---- geometry -------------------------------------------------------------------------------

bool HasBar(HWND hwnd) {
  RichEditState* s = StateOf(hwnd);
  return s != nullptr && s->ownBar;
}

// Moves WS_VSCROLL from the window's style into the control's own flag; true when it was there.
bool TakeOverBar(HWND hwnd, RichEditState* s) {
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  if (!(style & WS_VSCROLL)) return false;
  s->ownBar = true;
  SetWindowLongA(hwnd, GWL_STYLE, style & ~WS_VSCROLL);
  return true;
}

int BarWidth() {
  int w = GetSystemMetrics(SM_CXVSCROLL);
  return w > 0 ? w : 16;
}

RECT ClientRect(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return rc;
}

// The part of the client area that shows text.
RECT TextRect(HWND hwnd) {
  RECT rc = ClientRect(hwnd);
  if (HasBar(hwnd)) rc.right = std::max(rc.left, rc.right - BarWidth());
  return rc;
}

RECT BarRect(HWND hwnd) {
  RECT rc = ClientRect(hwnd);
  rc.left = std::max(rc.left, rc.right - BarWidth());
  return rc;
}

void UpdateWrapWidth(HWND hwnd, RichEditState* s) {
  bool multiline = (GetWindowLongA(hwnd, GWL_STYLE) & ES_MULTILINE) != 0;
  RECT rc = TextRect(hwnd);
  int width = static_cast<int>(rc.right - rc.left) - 2 * MARGIN;
  // A control with no room (not yet laid out by its parent, or squeezed to nothing) keeps its
  // lines rather than breaking the whole text into one character a line.
  if (multiline && width <= 0) return;
  s->doc.SetWrapWidth(multiline ? width : 0);
}

int MaxScroll(HWND hwnd, RichEditState* s) {
  RECT rc = TextRect(hwnd);
  return std::max(0, s->doc.TotalHeight() - static_cast<int>(rc.bottom - rc.top));
}

// The scroll bar's parts: arrow buttons, the track between them and the thumb in it.
struct BarParts {
  RECT up, down, track, thumb;
  bool enabled;
};

BarParts BarLayout(HWND hwnd, RichEditState* s) {
  BarParts p{};
  RECT bar = BarRect(hwnd);
  int h = bar.bottom - bar.top;
  int button = std::min(static_cast<int>(bar.right - bar.left), h / 2);
  p.up = RECT{bar.left, bar.top, bar.right, bar.top + button};
  p.down = RECT{bar.left, bar.bottom - button, bar.right, bar.bottom};
  p.track = RECT{bar.left, p.up.bottom, bar.right, p.down.top};
  int maxScroll = MaxScroll(hwnd, s);
  int trackLen = p.track.bottom - p.track.top;
  p.enabled = maxScroll > 0 && trackLen > 8;
  if (p.enabled) {
    int total = s->doc.TotalHeight();
    int thumb = std::clamp(static_cast<int>(static_cast<long long>(trackLen) * (total - maxScroll) / total), 8, trackLen);
    int pos = static_cast<int>(static_cast<long long>(trackLen - thumb) * s->scrollY / maxScroll);
    p.thumb = RECT{bar.left, p.track.top + pos, bar.right, p.track.top + pos + thumb};
  }
  return p;
}

// ---- scrolling ------------------------------------------------------------------------------

void ScrollTo(HWND hwnd, RichEditState* s, int y) {
  y = std::clamp(y, 0, MaxScroll(hwnd, s));
  if (y == s->scrollY) return;
  s->scrollY = y;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Scrolls by whole lines from the first visible line; returns the lines moved.
int ScrollLines(HWND hwnd, RichEditState* s, int lines) {
  const auto& all = s->doc.Lines();
  LONG first = s->doc.LineFromY(s->scrollY);
  LONG target = std::clamp<LONG>(first + lines, 0, static_cast<LONG>(all.size()) - 1);
  int before = s->scrollY;
  ScrollTo(hwnd, s, all[static_cast<size_t>(target)].top);
  if (s->scrollY == before) return 0;
  return static_cast<int>(s->doc.LineFromY(s->scrollY) - first);
}

int PageHeight(HWND hwnd) {
  RECT rc = TextRect(hwnd);
  return std::max(1, static_cast<int>(rc.bottom - rc.top));
}

// Scrolls as WM_VSCROLL and EM_SCROLL ask; returns the lines moved.
int ScrollRequest(HWND hwnd, RichEditState* s, int request, int position) {
  LONG first = s->doc.LineFromY(s->scrollY);
  switch (request) {
    case SB_LINEUP: return ScrollLines(hwnd, s, -1);
    case SB_LINEDOWN: return ScrollLines(hwnd, s, 1);
    case SB_PAGEUP: ScrollTo(hwnd, s, s->scrollY - PageHeight(hwnd)); break;
    case SB_PAGEDOWN: ScrollTo(hwnd, s, s->scrollY + PageHeight(hwnd)); break;
    case SB_TOP: ScrollTo(hwnd, s, 0); break;
    case SB_BOTTOM: ScrollTo(hwnd, s, MaxScroll(hwnd, s)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(hwnd, s, position); break;
    default: return 0;
  }
  return static_cast<int>(s->doc.LineFromY(s->scrollY) - first);
}

void ScrollCharIntoView(HWND hwnd, RichEditState* s, LONG cp);

void ScrollCaretIntoView(HWND hwnd, RichEditState* s) { ScrollCharIntoView(hwnd, s, s->selEnd); }

// ---- selection and edits --------------------------------------------------------------------

void SetSelection(HWND hwnd, RichEditState* s, LONG start, LONG end) {
  LONG length = s->doc.Length();
  start = std::clamp<LONG>(start, 0, length);
  end = std::clamp<LONG>(end, 0, length);
  s->anchor = start;
  if (start > end) std::swap(start, end);
  if (start == s->selStart && end == s->selEnd) return;
  s->selStart = start;
  s->selEnd = end;
  s->hasInsertFormat = false;
  InvalidateRect(hwnd, nullptr, FALSE);
}

// EM_SETSEL and EM_EXSETSEL: -1 as the start (with another end) only drops the selection;
// otherwise a negative position means the end of the text.
void SetSelectionFromMessage(HWND hwnd, RichEditState* s, LONG start, LONG end) {
  LONG length = s->doc.Length();
  if (start == -1 && end != -1) {
    SetSelection(hwnd, s, s->selEnd, s->selEnd);
    return;
  }
  if (start < 0) start = length;
  if (end < 0) end = length;
  SetSelection(hwnd, s, start, end);
}

uint32_t InsertionFormat(RichEditState* s) {
  if (s->hasInsertFormat) return s->insertFormat;
  if (s->selStart < s->selEnd) return s->doc.FormatIdAt(s->selStart);
  if (s->selStart > 0) return s->doc.FormatIdAt(s->selStart - 1);
  if (s->doc.Length() > 0) return s->doc.FormatIdAt(0);
  return s->defaultFormat;
}

// GBK text as the control keeps it: every line break one paragraph end, no object characters.
std::wstring Normalise(const char* gbk) {
  std::wstring wide = GbkToWide(gbk ? std::string_view(gbk) : std::string_view());
  std::wstring out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    WCHAR c = wide[i];
    if (c == L'\r') {
      if (i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
      out += platform::PARA_CHAR;
    } else if (c == L'\n') {
      out += platform::PARA_CHAR;
    } else if (c == platform::OBJECT_CHAR) {
      out += L' ';
    } else {
      out += c;
    }
  }
  return out;
}

void AfterEdit(HWND hwnd, RichEditState* s) {
  // Only a scrolled view can end up past the text; at the top, layout waits for a need.
  if (s->scrollY > 0) s->scrollY = std::clamp(s->scrollY, 0, MaxScroll(hwnd, s));
  InvalidateRect(hwnd, nullptr, FALSE);
}

// Replaces the selection by text in the insertion format, within the text limit; the caret
// goes after the new text.
void ReplaceSelection(HWND hwnd, RichEditState* s, std::wstring text) {
  uint32_t format = InsertionFormat(s);
  LONG room = s->limit - (s->doc.Length() - (s->selEnd - s->selStart));
  if (room < static_cast<LONG>(text.size())) text.resize(static_cast<size_t>(std::max<LONG>(0, room)));
  LONG start = s->selStart;
  s->doc.Replace(s->selStart, s->selEnd, text, format);
  s->selStart = s->selEnd = s->anchor = start + static_cast<LONG>(text.size());
  s->hasInsertFormat = false;
  if (GetWindowLongA(hwnd, GWL_STYLE) & ES_AUTOVSCROLL) ScrollCaretIntoView(hwnd, s);
  AfterEdit(hwnd, s);
}

// ---- character formats ----------------------------------------------------------------------

constexpr DWORD EFFECT_BITS = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_PROTECTED | CFE_LINK;
constexpr DWORD SUPPORTED_MASK = CFM_ALL;

bool ValidSize(UINT cbSize) { return cbSize == sizeof(CHARFORMATA) || cbSize == sizeof(CHARFORMAT2A); }

void ApplyCharFormat(RichCharFormat& f, const CHARFORMATA* cf) {
  DWORD mask = cf->dwMask;
  DWORD effects = mask & EFFECT_BITS;
  f.effects = (f.effects & ~effects) | (cf->dwEffects & effects);
  if (mask & CFM_COLOR) {
    f.color = cf->crTextColor & 0x00FFFFFF;
    f.effects = (f.effects & ~CFE_AUTOCOLOR) | (cf->dwEffects & CFE_AUTOCOLOR);
  }
  if (mask & CFM_SIZE) f.height = std::max<LONG>(0, cf->yHeight);
  if (mask & CFM_OFFSET) f.offset = cf->yOffset;
  if (mask & CFM_CHARSET) f.charSet = cf->bCharSet;
  if (mask & CFM_FACE) {
    f.face.assign(cf->szFaceName, strnlen(cf->szFaceName, LF_FACESIZE_RICHEDIT - 1));
    f.face.resize(GbkSafeCut(f.face.data(), f.face.size()));
    f.pitchAndFamily = cf->bPitchAndFamily;
  }
  if (cf->cbSize == sizeof(CHARFORMAT2A) && (mask & CFM_WEIGHT)) {
    const auto* cf2 = static_cast<const CHARFORMAT2A*>(cf);
    f.weight = std::clamp<WORD>(cf2->wWeight, 0, 1000);
  }
}

// Fills a CHARFORMAT or CHARFORMAT2 record; the weight is only in the second.
void FillCharFormat(CHARFORMATA* cf, const RichCharFormat& f, DWORD mask) {
  UINT size = cf->cbSize;
  if (size != sizeof(CHARFORMAT2A)) mask &= ~static_cast<DWORD>(CFM_WEIGHT);
  std::memset(reinterpret_cast<BYTE*>(cf) + sizeof(UINT), 0, size - sizeof(UINT));
  cf->dwMask = mask;
  cf->dwEffects = f.effects;
  cf->yHeight = f.height;
  cf->yOffset = f.offset;
  cf->crTextColor = f.color;
  cf->bCharSet = f.charSet;
  cf->bPitchAndFamily = f.pitchAndFamily;
  std::memcpy(cf->szFaceName, f.face.data(), std::min<size_t>(f.face.size(), LF_FACESIZE_RICHEDIT - 1));
  if (size == sizeof(CHARFORMAT2A)) {
    auto* cf2 = static_cast<CHARFORMAT2A*>(cf);
    cf2->wWeight = (f.effects & CFE_BOLD) ? FW_BOLD : f.weight;
  }
}

// The format of the selection: the insertion format when it is empty, else the first
// character's format with the mask bits cleared for every attribute that changes in the range.
DWORD GetSelectionFormat(RichEditState* s, CHARFORMATA* cf) {
  DWORD mask = SUPPORTED_MASK | CFM_WEIGHT;
  if (s->selStart == s->selEnd) {
    FillCharFormat(cf, s->doc.Format(InsertionFormat(s)), mask);
    return cf->dwMask;
  }
  uint32_t firstId = s->doc.FormatIdAt(s->selStart);
  const RichCharFormat first = s->doc.Format(firstId);
  uint32_t last = firstId;
  for (LONG i = s->selStart + 1; i < s->selEnd; ++i) {
    uint32_t id = s->doc.FormatIdAt(i);
    if (id == last || id == firstId) continue;
    last = id;
    const RichCharFormat& f = s->doc.Format(id);
    mask &= ~((f.effects ^ first.effects) & EFFECT_BITS);
    if (f.color != first.color || ((f.effects ^ first.effects) & CFE_AUTOCOLOR)) mask &= ~CFM_COLOR;
    if (f.height != first.height) mask &= ~CFM_SIZE;
    if (f.offset != first.offset) mask &= ~CFM_OFFSET;
    if (f.charSet != first.charSet) mask &= ~CFM_CHARSET;
    if (f.face != first.face) mask &= ~CFM_FACE;
    if (f.weight != first.weight) mask &= ~CFM_WEIGHT;
  }
  FillCharFormat(cf, first, mask);
  return cf->dwMask;
}

// A new default format also reformats the text that still has the old default.
void SetDefaultFormat(RichEditState* s, const RichCharFormat& format) {
  uint32_t old = s->defaultFormat;
  uint32_t next = s->doc.Intern(format);
  if (next == old) return;
  s->defaultFormat = next;
  LONG length = s->doc.Length();
  LONG i = 0;
  while (i < length) {
    if (s->doc.FormatIdAt(i) != old) {
      ++i;
      continue;
    }
    LONG j = i;
    while (j < length && s->doc.FormatIdAt(j) == old) ++j;
    s->doc.ChangeFormats(i, j, [&](RichCharFormat& f) { f = format; });
    i = j;
  }
  if (s->hasInsertFormat && s->insertFormat == old) s->insertFormat = next;
}

LRESULT SetCharFormat(HWND hwnd, RichEditState* s, WPARAM which, const CHARFORMATA* cf) {
  if (!cf || !ValidSize(cf->cbSize)) return 0;
  if (which == SCF_DEFAULT) {
    RichCharFormat f = s->doc.Format(s->defaultFormat);
    ApplyCharFormat(f, cf);
    SetDefaultFormat(s, f);
  } else if (which & SCF_ALL) {
    s->doc.ChangeFormats(0, s->doc.Length(), [&](RichCharFormat& f) { ApplyCharFormat(f, cf); });
    s->hasInsertFormat = false;
  } else if (which & SCF_SELECTION) {
    if (s->selStart == s->selEnd) {
      RichCharFormat f = s->doc.Format(InsertionFormat(s));
      ApplyCharFormat(f, cf);
      s->insertFormat = s->doc.Intern(f);
      s->hasInsertFormat = true;
    } else {
      s->doc.ChangeFormats(s->selStart, s->selEnd, [&](RichCharFormat& f) { ApplyCharFormat(f, cf); });
    }
  } else {
    return 0;
  }
  AfterEdit(hwnd, s);
  return 1;
}

RichCharFormat FormatFromFont(const RichCharFormat& base, HFONT font) {
  RichCharFormat f = base;
  LOGFONTA lf{};
  if (!font || GetObjectA(font, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return f;
  LONG pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
  if (pixels > 0) f.height = pixels * 1440 / 96;
  f.effects &= ~(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT);
  if (lf.lfWeight >= FW_BOLD) f.effects |= CFE_BOLD;
  if (lf.lfItalic) f.effects |= CFE_ITALIC;
  if (lf.lfUnderline) f.effects |= CFE_UNDERLINE;
  if (lf.lfStrikeOut) f.effects |= CFE_STRIKEOUT;
  f.weight = lf.lfWeight > 0 ? static_cast<WORD>(std::min<LONG>(lf.lfWeight, 1000)) : 400;
  f.charSet = lf.lfCharSet;
  f.pitchAndFamily = lf.lfPitchAndFamily;
  f.face.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE_RICHEDIT - 1));
  return f;
}

// ---- text out -------------------------------------------------------------------------------

LRESULT CopyOut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = GbkSafeCut(text.data(), std::min(text.size(), size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

// ---- links ----------------------------------------------------------------------------------

POINT DocPoint(HWND hwnd, RichEditState* s, POINT client) {
  RECT rc = TextRect(hwnd);
  return POINT{client.x - rc.left - MARGIN, client.y - rc.top + s->scrollY};
}

LONG LinkCharAt(HWND hwnd, RichEditState* s, POINT client) {
  RECT rc = TextRect(hwnd);
  if (client.x < rc.left || client.x >= rc.right || client.y < rc.top || client.y >= rc.bottom) return -1;
  POINT d = DocPoint(hwnd, s, client);
  LONG cp = s->doc.HitChar(d.x, d.y);
  return (cp >= 0 && s->doc.IsLink(cp)) ? cp : -1;
}

// Tells the parent about a mouse message over link text; returns the parent's answer.
LRESULT NotifyLink(HWND hwnd, RichEditState* s, LONG cp, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!(s->eventMask & ENM_LINK)) return 0;
  HWND parent = GetParent(hwnd);
  if (!parent) return 0;
  ENLINK link{};
  link.nmhdr.hwndFrom = hwnd;
  link.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  link.nmhdr.code = EN_LINK;
  link.msg = msg;
  link.wParam = wParam;
  link.lParam = lParam;
  link.chrg = s->doc.LinkRange(cp);
  return SendMessageA(parent, WM_NOTIFY, link.nmhdr.idFrom, reinterpret_cast<LPARAM>(&link));
}

// ---- painting -------------------------------------------------------------------------------

void DrawArrow(HDC dc, const RECT& rc, bool up, bool enabled) {
  int cx = (rc.left + rc.right) / 2;
  int cy = (rc.top + rc.bottom) / 2;
  int half = std::max(2, static_cast<int>(rc.right - rc.left) / 4);
  POINT pts[3];
  if (up) {
    pts[0] = POINT{cx - half, cy + half / 2};
    pts[1] = POINT{cx + half, cy + half / 2};
    pts[2] = POINT{cx, cy - half / 2 - 1};
  } else {
    pts[0] = POINT{cx - half, cy - half / 2};
    pts[1] = POINT{cx + half, cy - half / 2};
    pts[2] = POINT{cx, cy + half / 2 + 1};
  }
  COLORREF colour = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Polygon(dc, pts, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void DrawBar(HWND hwnd, RichEditState* s, HDC dc) {
  BarParts p = BarLayout(hwnd, s);
  FillSolidRect(dc, &p.track, GetSysColor(COLOR_SCROLLBAR));
  RECT up = p.up, down = p.down;
  DrawFrameControl(dc, &up, DFC_BUTTON, DFCS_BUTTONPUSH);
  DrawFrameControl(dc, &down, DFC_BUTTON, DFCS_BUTTONPUSH);
  DrawArrow(dc, p.up, true, p.enabled);
  DrawArrow(dc, p.down, false, p.enabled);
  if (p.enabled) {
    RECT thumb = p.thumb;
    DrawFrameControl(dc, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
  }
}

bool SelectionShown(HWND hwnd, RichEditState* s) {
  if (s->hideSelection) return false;
  return GetFocus() == hwnd || (GetWindowLongA(hwnd, GWL_STYLE) & ES_NOHIDESEL);
}

void Paint(HWND hwnd, RichEditState* s) {
  PAINTSTRUCT ps;
  HDC target = BeginPaint(hwnd, &ps);
  RECT client = ClientRect(hwnd);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (target && width > 0 && height > 0) {
    // Drawn off screen first so that a repaint never shows a half-drawn log.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT text = TextRect(hwnd);
    FillSolidRect(dc, &text, s->bkSystem ? GetSysColor(COLOR_WINDOW) : s->bk);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
    RECT clip{text.left + MARGIN, text.top, text.right - MARGIN, text.bottom};
    bool shown = SelectionShown(hwnd, s);
    s->doc.Draw(dc, clip, s->scrollY - text.top, s->selStart, s->selEnd, shown);
    if (GetFocus() == hwnd && s->selStart == s->selEnd) {
      // The caret: a thin bar at the insertion point as tall as its line.
      POINT pt = s->doc.PointFromChar(s->selEnd);
      const auto& line = s->doc.Lines()[static_cast<size_t>(s->doc.LineFromChar(s->selEnd))];
      RECT caret{clip.left + pt.x, pt.y - s->scrollY + text.top, clip.left + pt.x + 1,
                 pt.y - s->scrollY + text.top + line.height};
      FillSolidRect(dc, &caret, GetSysColor(COLOR_WINDOWTEXT));
    }
    RestoreDC(dc, saved);
    if (HasBar(hwnd)) DrawBar(hwnd, s, dc);
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  EndPaint(hwnd, &ps);
}

// ---- mouse and keys -------------------------------------------------------------------------

bool InRect(const RECT& rc, POINT pt) { return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom; }

void ThumbTo(HWND hwnd, RichEditState* s, int y) {
  BarParts p = BarLayout(hwnd, s);
  if (!p.enabled) return;
  int thumb = p.thumb.bottom - p.thumb.top;
  int range = (p.track.bottom - p.track.top) - thumb;
  if (range <= 0) return;
  int pos = std::clamp(y - s->thumbGrab - static_cast<int>(p.track.top), 0, range);
  ScrollTo(hwnd, s, static_cast<int>(static_cast<long long>(pos) * MaxScroll(hwnd, s) / range));
}

void BarClick(HWND hwnd, RichEditState* s, POINT pt) {
  BarParts p = BarLayout(hwnd, s);
  if (!p.enabled) return;
  if (InRect(p.up, pt)) {
    ScrollRequest(hwnd, s, SB_LINEUP, 0);
  } else if (InRect(p.down, pt)) {
    ScrollRequest(hwnd, s, SB_LINEDOWN, 0);
  } else if (InRect(p.thumb, pt)) {
    s->draggingThumb = true;
    s->thumbGrab = pt.y - p.thumb.top;
    SetCapture(hwnd);
  } else if (pt.y < p.thumb.top) {
    ScrollRequest(hwnd, s, SB_PAGEUP, 0);
  } else {
    ScrollRequest(hwnd, s, SB_PAGEDOWN, 0);
  }
}

LONG CaretFromClient(HWND hwnd, RichEditState* s, POINT pt) {
  POINT d = DocPoint(hwnd, s, pt);
  return s->doc.CharFromPoint(d.x, d.y);
}

void ScrollCharIntoView(HWND hwnd, RichEditState* s, LONG cp) {
  const auto& line = s->doc.Lines()[static_cast<size_t>(s->doc.LineFromChar(cp))];
  int page = PageHeight(hwnd);
  if (line.top < s->scrollY) {
    ScrollTo(hwnd, s, line.top);
  } else if (line.top + line.height > s->scrollY + page) {
    ScrollTo(hwnd, s, line.top + line.height - page);
  }
}

// Moves the caret (the selection's moving end) to `to`, keeping the anchor when extending.
void MoveCaret(HWND hwnd, RichEditState* s, LONG to, bool extend) {
  LONG anchor = extend ? s->anchor : to;
  SetSelection(hwnd, s, anchor, to);
  s->anchor = anchor;
  ScrollCharIntoView(hwnd, s, to);
}

void KeyDown(HWND hwnd, RichEditState* s, WPARAM key) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  LONG caret = (s->anchor == s->selStart) ? s->selEnd : s->selStart;
  LONG length = s->doc.Length();
  switch (key) {
    case VK_LEFT: {
      LONG to = (!shift && s->selStart != s->selEnd) ? s->selStart : std::max<LONG>(0, caret - 1);
      MoveCaret(hwnd, s, to, shift);
      break;
    }
    case VK_RIGHT: {
      LONG to = (!shift && s->selStart != s->selEnd) ? s->selEnd : std::min(length, caret + 1);
      MoveCaret(hwnd, s, to, shift);
      break;
    }
    case VK_UP:
    case VK_DOWN: {
      POINT pt = s->doc.PointFromChar(caret);
      LONG line = s->doc.LineFromChar(caret) + (key == VK_UP ? -1 : 1);
      const auto& lines = s->doc.Lines();
      if (line < 0 || line >= static_cast<LONG>(lines.size())) break;
      MoveCaret(hwnd, s, s->doc.CharFromPoint(pt.x, lines[static_cast<size_t>(line)].top), shift);
      break;
    }
    case VK_HOME:
    case VK_END: {
      if (ctrl) {
        MoveCaret(hwnd, s, key == VK_HOME ? 0 : length, shift);
        break;
      }
      const auto& line = s->doc.Lines()[static_cast<size_t>(s->doc.LineFromChar(caret))];
      LONG end = line.end;
      if (end > line.start && s->doc.Text()[static_cast<size_t>(end - 1)] == platform::PARA_CHAR) --end;
      MoveCaret(hwnd, s, key == VK_HOME ? line.start : end, shift);
      break;
    }
    case VK_PRIOR: ScrollRequest(hwnd, s, SB_PAGEUP, 0); break;
    case VK_NEXT: ScrollRequest(hwnd, s, SB_PAGEDOWN, 0); break;
    case 'A':
      if (ctrl) SetSelection(hwnd, s, 0, length);
      break;
    default: break;
  }
}

// ---- the window procedure -------------------------------------------------------------------

LRESULT CALLBACK RichEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  RichEditState* s = StateOf(hwnd);
  if (!s) {
    if (message == WM_NCCREATE) {
      s = new RichEditState;
      s->hwnd = hwnd;
      s->bk = GetSysColor(COLOR_WINDOW);
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(s));
      TakeOverBar(hwnd, s);
      UpdateWrapWidth(hwnd, s);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  switch (message) {
    case WM_NCDESTROY: {
      if (s->ole) {
        s->ole->Detach();
        s->ole->Release();
      }
      SetWindowLongPtrA(hwnd, 0, 0);
      delete s;
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_CREATE: {
      // The client area is measured again now that the window system draws no bar.
      if (s->ownBar) {
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && *cs->lpszName) {
        s->doc.Replace(0, 0, Normalise(cs->lpszName), s->defaultFormat);
      }
      return 0;
    }
    case WM_SIZE:
      UpdateWrapWidth(hwnd, s);
      AfterEdit(hwnd, s);
      return 0;
    case WM_STYLECHANGED:
      if (TakeOverBar(hwnd, s)) {
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      UpdateWrapWidth(hwnd, s);
      AfterEdit(hwnd, s);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd, s); return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      if (GetWindowLongA(hwnd, GWL_STYLE) & ES_MULTILINE) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETFOCUS:
      s->hideSelection = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      SetDefaultFormat(s, FormatFromFont(s->doc.Format(s->defaultFormat), s->font));
      AfterEdit(hwnd, s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT:
      s->doc.Replace(0, s->doc.Length(), Normalise(reinterpret_cast<const char*>(lParam)), s->defaultFormat);
      s->selStart = s->selEnd = s->anchor = 0;
      s->hasInsertFormat = false;
      s->scrollY = 0;
      AfterEdit(hwnd, s);
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(s->doc.GetText(0, s->doc.Length(), true), reinterpret_cast<char*>(lParam), wParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(s->doc.GetText(0, s->doc.Length(), true).size());
    case EM_GETTEXTLENGTHEX: {
      auto* gtl = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
      DWORD flags = gtl ? gtl->flags : GTL_DEFAULT;
      bool crlf = (flags & GTL_USECRLF) != 0;
      if (flags & GTL_NUMCHARS) {
        LONG n = s->doc.Length();
        if (crlf) n += static_cast<LONG>(std::count(s->doc.Text().begin(), s->doc.Text().end(), platform::PARA_CHAR));
        return n;
      }
      return static_cast<LRESULT>(s->doc.GetText(0, s->doc.Length(), crlf).size());
    }
    case EM_GETSEL: {
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s->selStart);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(s->selEnd);
      if (s->selStart > 0xFFFF || s->selEnd > 0xFFFF) return -1;
      return MAKELRESULT(s->selStart, s->selEnd);
    }
    case EM_SETSEL:
      SetSelectionFromMessage(hwnd, s, static_cast<LONG>(wParam), static_cast<LONG>(lParam));
      return 0;
    case EM_EXGETSEL: {
      auto* range = reinterpret_cast<CHARRANGE*>(lParam);
      if (range) *range = CHARRANGE{s->selStart, s->selEnd};
      return 0;
    }
    case EM_EXSETSEL: {
      auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
      if (!range) return s->selEnd;
      SetSelectionFromMessage(hwnd, s, range->cpMin, range->cpMax);
      return s->selEnd;
    }
    case EM_REPLACESEL:
      ReplaceSelection(hwnd, s, Normalise(reinterpret_cast<const char*>(lParam)));
      return 0;
    case WM_CLEAR:
      if (!(GetWindowLongA(hwnd, GWL_STYLE) & ES_READONLY) && s->selStart != s->selEnd) {
        ReplaceSelection(hwnd, s, std::wstring());
      }
      return 0;
    case EM_GETSELTEXT:
      if (!lParam) return 0;
      // The caller's buffer holds the selection's characters as the selection's length told it,
      // at most two bytes each, and the terminator.
      return CopyOut(s->doc.GetText(s->selStart, s->selEnd, false), reinterpret_cast<char*>(lParam),
                     static_cast<size_t>(s->selEnd - s->selStart) * 2 + 1);
    case EM_GETTEXTRANGE: {
      auto* range = reinterpret_cast<TEXTRANGEA*>(lParam);
      if (!range || !range->lpstrText) return 0;
      LONG a = range->chrg.cpMin, b = range->chrg.cpMax < 0 ? s->doc.Length() : range->chrg.cpMax;
      a = std::clamp<LONG>(a, 0, s->doc.Length());
      b = std::clamp<LONG>(b, a, s->doc.Length());
      return CopyOut(s->doc.GetText(a, b, false), range->lpstrText, static_cast<size_t>(b - a) * 2 + 1);
    }
    case EM_GETCHARFORMAT: {
      auto* cf = reinterpret_cast<CHARFORMATA*>(lParam);
      if (!cf || !ValidSize(cf->cbSize)) return 0;
      if (wParam == SCF_DEFAULT) {
        FillCharFormat(cf, s->doc.Format(s->defaultFormat), SUPPORTED_MASK | CFM_WEIGHT);
        return static_cast<LRESULT>(cf->dwMask);
      }
      return static_cast<LRESULT>(GetSelectionFormat(s, cf));
    }
    case EM_SETCHARFORMAT: return SetCharFormat(hwnd, s, wParam, reinterpret_cast<const CHARFORMATA*>(lParam));
    case EM_GETLINECOUNT: return static_cast<LRESULT>(s->doc.Lines().size());
    case EM_LINEINDEX: {
      LONG line = static_cast<LONG>(wParam);
      if (line == -1) line = s->doc.LineFromChar(s->selStart);
      const auto& lines = s->doc.Lines();
      if (line < 0 || line >= static_cast<LONG>(lines.size())) return -1;
      return lines[static_cast<size_t>(line)].start;
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
      LONG cp = message == EM_LINEFROMCHAR ? static_cast<LONG>(wParam) : static_cast<LONG>(lParam);
      if (cp < 0) cp = s->selStart;
      return s->doc.LineFromChar(cp);
    }
    case EM_LINELENGTH: {
      LONG cp = static_cast<LONG>(wParam);
      if (cp < 0) cp = s->selStart;
      const auto& line = s->doc.Lines()[static_cast<size_t>(s->doc.LineFromChar(cp))];
      LONG end = line.end;
      if (end > line.start && s->doc.Text()[static_cast<size_t>(end - 1)] == platform::PARA_CHAR) --end;
      return end - line.start;
    }
    case EM_GETFIRSTVISIBLELINE: return s->doc.LineFromY(s->scrollY);
    case EM_LINESCROLL: ScrollLines(hwnd, s, static_cast<int>(lParam)); return TRUE;
    case EM_SCROLL: {
      if (wParam > SB_PAGEDOWN) return 0;
      int moved = ScrollRequest(hwnd, s, static_cast<int>(wParam), 0);
      return MAKELRESULT(static_cast<WORD>(moved), TRUE);
    }
    case EM_SCROLLCARET: ScrollCaretIntoView(hwnd, s); return 0;
    case WM_VSCROLL: ScrollRequest(hwnd, s, LOWORD(wParam), static_cast<short>(HIWORD(wParam))); return 0;
    case EM_POSFROMCHAR: {
      auto* out = reinterpret_cast<POINTL*>(wParam);
      if (!out) return 0;
      POINT pt = s->doc.PointFromChar(static_cast<LONG>(lParam));
      RECT rc = TextRect(hwnd);
      out->x = pt.x + rc.left + MARGIN;
      out->y = pt.y - s->scrollY + rc.top;
      return 0;
    }
    case EM_CHARFROMPOS: {
      auto* in = reinterpret_cast<const POINTL*>(lParam);
      if (!in) return 0;
      return CaretFromClient(hwnd, s, POINT{in->x, in->y});
    }
    case EM_SETBKGNDCOLOR: {
      COLORREF old = s->bkSystem ? GetSysColor(COLOR_WINDOW) : s->bk;
      s->bkSystem = wParam != 0;
      if (!s->bkSystem) s->bk = static_cast<COLORREF>(lParam) & 0x00FFFFFF;
      InvalidateRect(hwnd, nullptr, FALSE);
      return static_cast<LRESULT>(old);
    }
    case EM_SETEVENTMASK: {
      DWORD old = s->eventMask;
      s->eventMask = static_cast<DWORD>(lParam);
      return static_cast<LRESULT>(old);
    }
    case EM_GETEVENTMASK: return static_cast<LRESULT>(s->eventMask);
    case EM_AUTOURLDETECT:
      if (wParam > 1) return E_INVALIDARG;
      s->doc.SetAutoUrlDetect(wParam != 0);
      AfterEdit(hwnd, s);
      return 0;
    case EM_SETREADONLY: {
      LONG style = GetWindowLongA(hwnd, GWL_STYLE);
      SetWindowLongA(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
      return TRUE;
    }
    case EM_HIDESELECTION:
      s->hideSelection = wParam != 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case EM_EXLIMITTEXT:
    case EM_LIMITTEXT: {
      LPARAM limit = message == EM_EXLIMITTEXT ? lParam : static_cast<LPARAM>(wParam);
      s->limit = limit > 0 ? static_cast<LONG>(std::min<LPARAM>(limit, NO_LIMIT)) : DEFAULT_EXPLICIT_LIMIT;
      return 0;
    }
    case EM_GETLIMITTEXT:
    case EM_GETLIMITTEXT_RICHEDIT: return s->limit;
    case EM_GETOLEINTERFACE: {
      auto* out = reinterpret_cast<IRichEditOle**>(lParam);
      if (!out) return 0;
      if (!s->ole) s->ole = new RichEditOle(s);
      s->ole->AddRef();
      *out = s->ole;
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (GetFocus() != hwnd) SetFocus(hwnd);
      s->hideSelection = false;
      if (HasBar(hwnd) && InRect(BarRect(hwnd), pt)) {
        BarClick(hwnd, s, pt);
        return 0;
      }
      LONG link = LinkCharAt(hwnd, s, pt);
      if (link >= 0 && NotifyLink(hwnd, s, link, message, wParam, lParam)) return 0;
      LONG cp = CaretFromClient(hwnd, s, pt);
      if (wParam & MK_SHIFT) {
        LONG anchor = s->anchor;
        SetSelection(hwnd, s, anchor, cp);
        s->anchor = anchor;
      } else {
        SetSelection(hwnd, s, cp, cp);
      }
      s->dragging = true;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (s->draggingThumb) {
        ThumbTo(hwnd, s, pt.y);
        return 0;
      }
      if (s->dragging) {
        RECT text = TextRect(hwnd);
        if (pt.y < text.top) ScrollLines(hwnd, s, -1);
        if (pt.y >= text.bottom) ScrollLines(hwnd, s, 1);
        LONG anchor = s->anchor;
        SetSelection(hwnd, s, anchor, CaretFromClient(hwnd, s, pt));
        s->anchor = anchor;
        return 0;
      }
      LONG link = LinkCharAt(hwnd, s, pt);
      if (link >= 0) NotifyLink(hwnd, s, link, message, wParam, lParam);
      return 0;
    }
    case WM_LBUTTONUP: {
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool wasDragging = s->dragging || s->draggingThumb;
      s->dragging = s->draggingThumb = false;
      if (wasDragging && GetCapture() == hwnd) ReleaseCapture();
      LONG link = LinkCharAt(hwnd, s, pt);
      if (link >= 0) NotifyLink(hwnd, s, link, message, wParam, lParam);
      return 0;
    }
    case WM_CAPTURECHANGED:
      s->dragging = s->draggingThumb = false;
      return 0;
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wParam) != hwnd || LOWORD(lParam) != HTCLIENT) break;
      POINT pt{};
      GetCursorPos(&pt);
      ScreenToClient(hwnd, &pt);
      if (HasBar(hwnd) && InRect(BarRect(hwnd), pt)) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        return TRUE;
      }
      LONG link = LinkCharAt(hwnd, s, pt);
      if (link >= 0) {
        if (NotifyLink(hwnd, s, link, WM_SETCURSOR, wParam, MAKELPARAM(pt.x, pt.y))) return TRUE;
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;
      }
      SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
      return TRUE;
    }
    case WM_MOUSEWHEEL: {
      int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      ScrollLines(hwnd, s, -notches * WHEEL_LINES);
      return 0;
    }
    case WM_KEYDOWN: KeyDown(hwnd, s, wParam); return 0;
    default: break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HRESULT RichEditOle::GetObject(LONG index, REOBJECT* object, DWORD flags) {
  if (!object || object->cbStruct != sizeof(REOBJECT)) return E_INVALIDARG;
  if (!m_state) return E_UNEXPECTED;
  const auto& pictures = m_state->doc.Pictures();
  const RichEditDocument::Picture* p = nullptr;
  if (index == static_cast<LONG>(REO_IOB_SELECTION)) {
    p = m_state->doc.PictureAt(m_state->selStart);
  } else if (index >= 0 && index < static_cast<LONG>(pictures.size())) {
    p = &pictures[static_cast<size_t>(index)];
  }
  if (!p) return E_INVALIDARG;
  object->cp = p->cp;
  object->clsid = CLSID_StaticDib;
  object->poleobj = nullptr;
  object->pstg = nullptr;
  object->polesite = nullptr;
  object->sizel = SIZEL{p->width, p->height};
  object->dvaspect = DVASPECT_CONTENT;
  if (flags & REO_GETOBJ_POLEOBJ) {
    p->object->AddRef();
    object->poleobj = p->object;
  }
  if (flags & REO_GETOBJ_POLESITE) object->polesite = platform::NewClientSite();
  return S_OK;
}

HRESULT RichEditOle::InsertObject(REOBJECT* object) {
  if (!object || object->cbStruct != sizeof(REOBJECT) || !object->poleobj) return E_INVALIDARG;
  if (!m_state) return E_UNEXPECTED;
  if (!platform::StaticObjectBitmap(object->poleobj)) return E_INVALIDARG;
  RichEditState* s = m_state;
  HWND hwnd = s->hwnd;
  LONG start = s->selStart, end = s->selEnd;
  if (object->cp != static_cast<LONG>(REO_CP_SELECTION)) {
    if (object->cp < 0 || object->cp > s->doc.Length()) return E_INVALIDARG;
    start = end = object->cp;
  }
  if (s->doc.Length() - (end - start) + 1 > s->limit) return E_OUTOFMEMORY;
  uint32_t format = InsertionFormat(s);
  object->poleobj->AddRef();
  if (!s->doc.Replace(start, end, std::wstring_view(), format, object->poleobj)) {
    object->poleobj->Release();
    return E_INVALIDARG;
  }
  s->selStart = s->selEnd = s->anchor = start + 1;
  s->hasInsertFormat = false;
  if (GetWindowLongA(hwnd, GWL_STYLE) & ES_AUTOVSCROLL) ScrollCaretIntoView(hwnd, s);
  AfterEdit(hwnd, s);
  return S_OK;
}

// ---- the module stand-in --------------------------------------------------------------------

}  // namespace

BOOL RegisterRichEditClasses() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = RichEditProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
    wc.lpszClassName = RICHEDIT_CLASSA;
    bool ok = RegisterClassA(&wc) != 0;
    wc.lpszClassName = RICHEDIT_CLASS10A;
    return RegisterClassA(&wc) != 0 && ok;
  }();
  return registered ? TRUE : FALSE;
}

namespace {
// The rich-edit library is part of this program: loading "RICHED20.DLL" registers the control's
// classes, as loading the real library does.
const bool g_richEditModuleRegistered = [] {
  platform::RegisterBuiltinModule("riched20.dll", {}, [] { return RegisterRichEditClasses(); });
  return true;
}();
}  // namespace

BOOL AfxInitRichEdit() { return RegisterRichEditClasses(); }

namespace platform {

uint64_t RichEditParagraphsLaidOut(HWND hwnd) {
  char name[32] = {};
  if (!IsWindow(hwnd) || !GetClassNameA(hwnd, name, sizeof name)) return 0;
  if (!ClassNameEquals(name, RICHEDIT_CLASSA) && !ClassNameEquals(name, RICHEDIT_CLASS10A)) return 0;
  RichEditState* s = StateOf(hwnd);
  return s ? s->doc.ParagraphsLaidOut() : 0;
}

}  // namespace platform
