#include "platform/gdi/Text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

using gdi::DcState;
using gdi::DeviceContext;

namespace {

// The font selected in a DC; the system font when none is (a DC always has one in Win32).
std::shared_ptr<const FontObject> DcFont(const DeviceContext& dc) {
  if (dc.m_state.font && dc.m_state.font->Type() == OBJ_FONT) {
    return std::static_pointer_cast<const FontObject>(dc.m_state.font);
  }
  return DefaultFont();
}

RECT Offset(const RECT& rc, POINT by) {
  return RECT{rc.left + by.x, rc.top + by.y, rc.right + by.x, rc.bottom + by.y};
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) r = RECT{0, 0, 0, 0};
  return r;
}

// Fills a rectangle (surface coordinates), kept inside clip when there is one.
void Fill(DeviceContext& dc, RECT rc, const RECT* clip, COLORREF colour) {
  if (clip) rc = Intersect(rc, *clip);
  if (rc.left >= rc.right || rc.top >= rc.bottom) return;
  gdi::FillSurfaceRect(dc, rc, gdi::ColorToPixel(colour));
}

// Blends one glyph whose pen position is x on the line whose cells start at top.
void DrawGlyph(DeviceContext& dc, const Glyph& g, int x, int baseline, const RECT* clip, COLORREF colour) {
  if (g.width <= 0 || g.rows <= 0) return;
  RECT box{x + g.left, baseline - g.top, x + g.left + g.width, baseline - g.top + g.rows};
  RECT visible = clip ? Intersect(box, *clip) : box;
  if (visible.left >= visible.right || visible.top >= visible.bottom) return;
  const uint8_t* start = g.coverage.data() + static_cast<size_t>(visible.top - box.top) * g.width + (visible.left - box.left);
  gdi::BlendCoverage(dc, visible.left, visible.top, visible.right - visible.left, visible.bottom - visible.top, start,
                     g.width, colour);
}

// Draws characters placed at surface x positions on a line whose cells start at top (surface
// coordinates): the opaque background, the glyphs, the font's underline and strike-out, and
// the prefix underlines.
void DrawLine(DeviceContext& dc, const FontObject& font, const std::vector<PlacedChar>& chars, int left, int width,
              int top, const RECT* clip, bool prefixOnly = false) {
  const TEXTMETRICA& tm = font.Metrics();
  const DcState& st = dc.m_state;
  int thick = font.LineThickness();
  if (!prefixOnly) {
    if (st.bkMode == OPAQUE && width > 0) Fill(dc, RECT{left, top, left + width, top + tm.tmHeight}, clip, st.bkColour);
    int baseline = top + tm.tmAscent;
    for (const PlacedChar& c : chars) DrawGlyph(dc, *font.GlyphOf(c.ch), c.x, baseline, clip, st.textColour);
  }
  if (tm.tmUnderlined && width > 0 && !prefixOnly) {
    int y = top + font.UnderlineRow();
    Fill(dc, RECT{left, y, left + width, y + thick}, clip, st.textColour);
  }
  if (tm.tmStruckOut && width > 0 && !prefixOnly) {
    int y = top + font.StrikeOutRow();
    Fill(dc, RECT{left, y, left + width, y + thick}, clip, st.textColour);
  }
  for (const PlacedChar& c : chars) {
    if (!c.underline) continue;
    int y = top + font.UnderlineRow();
    Fill(dc, RECT{c.x, y, c.x + c.advance, y + thick}, clip, st.textColour);
  }
}

// A font turned by a quarter, a half or three quarters of a turn (escapement 900, 1800, 2700:
// tenths of a degree, counter-clockwise) writes its line turned about the reference point. The
// line is drawn level into a scratch surface that first receives the destination pixels it will
// cover (so a transparent background stays transparent), then copied back turned, pixel for
// pixel, within the DC's clip. Other angles are drawn level.
int QuarterTurns(const FontObject& font) {
  int e = static_cast<int>(font.LogFont().lfEscapement % 3600);
  if (e < 0) e += 3600;
  return (e % 900 == 0) ? e / 900 : 0;
}

void DrawTurnedLine(DeviceContext& dc, const FontObject& font, std::vector<PlacedChar> chars, int width, int turns,
                    POINT reference, int leftOffset, int topOffset, const RECT* clip) {
  gdi::Surface* dest = dc.GetSurface();
  const int height = font.Metrics().tmHeight;
  if (dest == nullptr || !dest->Valid() || width <= 0 || height <= 0) return;
  auto scratch = std::make_shared<gdi::Surface>();
  if (!scratch->Allocate(width, height, 32, 4, false)) return;
  // (u, v): the level line's own axes from the reference point, u along the baseline and v down.
  // A pixel covers [u, u + 1), so a coordinate that turns to run backwards lands one lower.
  auto place = [&](int i, int j) {
    const int u = leftOffset + i, v = topOffset + j;
    switch (turns) {
      case 1: return POINT{reference.x + v, reference.y - u - 1};
      case 2: return POINT{reference.x - u - 1, reference.y - v - 1};
      default: return POINT{reference.x - v - 1, reference.y + u};
    }
  };
  auto inside = [&](POINT p) {
    if (p.x < 0 || p.y < 0 || p.x >= dest->Width() || p.y >= dest->Height()) return false;
    if (clip && (p.x < clip->left || p.x >= clip->right || p.y < clip->top || p.y >= clip->bottom)) return false;
    return dc.EffectiveClip().Contains(p.x, p.y);
  };
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) {
      POINT p = place(i, j);
      if (p.x >= 0 && p.y >= 0 && p.x < dest->Width() && p.y < dest->Height()) scratch->SetPixel(i, j, dest->GetPixel(p.x, p.y));
    }
  HDC scratchDc = gdi::CreateSurfaceDC(scratch, POINT{0, 0}, nullptr);
  auto level = gdi::LookupDc(scratchDc);
  if (level) {
    level->m_state.textColour = dc.m_state.textColour;
    level->m_state.bkColour = dc.m_state.bkColour;
    level->m_state.bkMode = dc.m_state.bkMode;
    int pen = 0;
    for (PlacedChar& c : chars) {
      c.x = pen;
      pen += c.advance;
    }
    DrawLine(*level, font, chars, 0, width, 0, nullptr);
    for (int j = 0; j < height; ++j)
      for (int i = 0; i < width; ++i) {
        POINT p = place(i, j);
        if (inside(p)) dest->SetPixel(p.x, p.y, scratch->GetPixel(i, j));
      }
  }
  DeleteDC(scratchDc);
}

// ExtTextOut on wide text with one advance per character (or none).
BOOL TextOutCore(HDC h, int x, int y, UINT options, const RECT* rect, std::wstring_view text, const int* dx) {
  auto dc = gdi::LookupDc(h);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto font = DcFont(*dc);
  const TEXTMETRICA& tm = font->Metrics();
  DcState& st = dc->m_state;
  UINT align = st.textAlign;
  if (align & TA_UPDATECP) {
    x = st.currentPos.x;
    y = st.currentPos.y;
  }
  std::vector<int> advances(text.size());
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    advances[i] = dx ? dx[i] : font->Advance(static_cast<char32_t>(text[i])) + st.textCharExtra;
    width += advances[i];
  }
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) left = x - width / 2;
  else if (align & TA_RIGHT) left = x - width;
  int top = y;
  if ((align & TA_BASELINE) == TA_BASELINE) top = y - tm.tmAscent;
  else if (align & TA_BOTTOM) top = y - tm.tmHeight;

  POINT off = dc->LogicalOffset();
  RECT clipRect{};
  const RECT* clip = nullptr;
  if (rect && (options & ETO_CLIPPED)) {
    clipRect = Offset(*rect, off);
    clip = &clipRect;
  }
  if (rect && (options & ETO_OPAQUE)) Fill(*dc, Offset(*rect, off), clip, st.bkColour);

  std::vector<PlacedChar> chars;
  chars.reserve(text.size());
  int pen = left + off.x;
  for (size_t i = 0; i < text.size(); ++i) {
    chars.push_back({static_cast<char32_t>(text[i]), pen, advances[i], false});
    pen += advances[i];
  }
  if (int turns = QuarterTurns(*font); turns != 0) {
    DrawTurnedLine(*dc, *font, chars, width, turns, dc->ToSurface(x, y), left - x, top - y, clip);
  } else {
    DrawLine(*dc, *font, chars, left + off.x, width, top + off.y, clip);
  }

  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_CENTER) {
      // The reference point stays in the middle of the text.
    } else if (align & TA_RIGHT) {
      st.currentPos.x -= width;
    } else {
      st.currentPos.x += width;
    }
  }
  return TRUE;
}

// The wide characters of GBK bytes, each with the sum of its bytes' lpDx entries.
std::wstring GbkWithAdvances(const char* s, size_t n, const INT* dx, std::vector<int>* advances) {
  std::wstring wide;
  size_t pos = 0;
  while (pos < n) {
    size_t len = GbkCharLength(s + pos, n - pos);
    std::wstring one = GbkToWide(std::string_view(s + pos, len));
    if (one.size() == 1) {
      wide += one;
      if (dx) advances->push_back(len == 2 ? dx[pos] + dx[pos + 1] : dx[pos]);
    } else {
      // The bytes did not form one character: each stands for itself.
      for (size_t i = 0; i < one.size(); ++i) {
        wide += one[i];
        if (dx) advances->push_back(i < len ? dx[pos + i] : 0);
      }
    }
    pos += len;
  }
  return wide;
}

int DrawTextCore(HDC h, std::wstring_view text, LPRECT rect, UINT format) {
  auto dc = gdi::LookupDc(h);
  if (!dc || !rect) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return 0;
  }
  auto font = DcFont(*dc);
  const TEXTMETRICA& tm = font->Metrics();
  int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  TextLayoutResult layout = TextLayout::Layout(
      text, *rect, format, [&](char32_t c) { return font->Advance(c); }, lineHeight, tm.tmAveCharWidth);
  if (format & DT_CALCRECT) {
    *rect = layout.calcRect;
    return layout.height;
  }
  POINT off = dc->LogicalOffset();
  RECT clipRect = Offset(*rect, off);
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : &clipRect;
  for (LayoutLine& line : layout.lines) {
    for (PlacedChar& c : line.chars) c.x += off.x;
    DrawLine(*dc, *font, line.chars, line.x + off.x, line.width, line.y + off.y, clip, (format & DT_PREFIXONLY) != 0);
  }
  return layout.height;
}

// DrawState's text kinds, through the drawing layer's hooks: flags hold the kind (DST_TEXT
// keeps '&', DST_PREFIXTEXT underlines after it) and DSS_HIDEPREFIX / DSS_PREFIXONLY.
UINT DrawStateFormat(UINT flags) {
  UINT format = DT_SINGLELINE | DT_NOCLIP;
  if ((flags & 0x000F) == DST_TEXT) format |= DT_NOPREFIX;
  if (flags & DSS_HIDEPREFIX) format |= DT_HIDEPREFIX;
  if (flags & DSS_PREFIXONLY) format |= DT_PREFIXONLY;
  return format;
}

BOOL DrawStateDraw(HDC h, LPCSTR text, int length, int x, int y, UINT flags) {
  auto dc = gdi::LookupDc(h);
  if (!dc || !text || length < 0) return FALSE;
  RECT rc{x, y, x, y};
  int oldMode = dc->m_state.bkMode;
  dc->m_state.bkMode = TRANSPARENT;
  DrawTextCore(h, GbkToWide(std::string_view(text, static_cast<size_t>(length))), &rc, DrawStateFormat(flags));
  dc->m_state.bkMode = oldMode;
  return TRUE;
}

SIZE DrawStateMeasure(HDC h, LPCSTR text, int length) {
  RECT rc{0, 0, 0, 0};
  if (text && length >= 0) {
    DrawTextCore(h, GbkToWide(std::string_view(text, static_cast<size_t>(length))), &rc,
                 DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  }
  return SIZE{rc.right, rc.bottom};
}


}  // namespace

void RegisterDrawStateTextHooks() {
  gdi::DrawStateTextHooks hooks;
  hooks.draw = &DrawStateDraw;
  hooks.measure = &DrawStateMeasure;
  gdi::SetDrawStateTextHooks(hooks);
}

UINT SetTextAlign(HDC h, UINT align) {
  auto dc = gdi::LookupDc(h);
  if (!dc) return GDI_ERROR;
  UINT old = dc->m_state.textAlign;
  dc->m_state.textAlign = align;
  return old;
}

UINT GetTextAlign(HDC h) {
  auto dc = gdi::LookupDc(h);
  return dc ? dc->m_state.textAlign : GDI_ERROR;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0 || (!text && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TextOutCore(dc, x, y, 0, nullptr, GbkToWide(std::string_view(text ? text : "", static_cast<size_t>(count))),
                     nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  if (count < 0 || (!text && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TextOutCore(dc, x, y, 0, nullptr, std::wstring_view(text ? text : L"", static_cast<size_t>(count)), nullptr);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx) {
  if (!text && count > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<int> advances;
  std::wstring wide = GbkWithAdvances(text ? text : "", text ? count : 0, dx, &advances);
  return TextOutCore(dc, x, y, options, rect, wide, dx ? advances.data() : nullptr);
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
  if (!text && count > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TextOutCore(dc, x, y, options, rect, std::wstring_view(text ? text : L"", text ? count : 0), dx);
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
  if (!text) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
  return DrawTextCore(dc, GbkToWide(std::string_view(text, n)), rect, format);
}

int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  if (!text) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = count < 0 ? std::wcslen(text) : static_cast<size_t>(count);
  return DrawTextCore(dc, std::wstring_view(text, n), rect, format);
}

BOOL GetTextMetricsA(HDC h, LPTEXTMETRICA metrics) {
  auto dc = gdi::LookupDc(h);
  if (!dc || !metrics) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *metrics = DcFont(*dc)->Metrics();
  return TRUE;
}

namespace {

BOOL ExtentCore(HDC h, std::wstring_view text, LPSIZE size) {
  auto dc = gdi::LookupDc(h);
  if (!dc || !size) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto font = DcFont(*dc);
  *size = font->Extent(text);
  size->cx += dc->m_state.textCharExtra * static_cast<LONG>(text.size());
  return TRUE;
}

}  // namespace

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  if (count < 0 || (!text && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtentCore(dc, GbkToWide(std::string_view(text ? text : "", static_cast<size_t>(count))), size);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size) {
  if (count < 0 || (!text && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtentCore(dc, std::wstring_view(text ? text : L"", static_cast<size_t>(count)), size);
}
