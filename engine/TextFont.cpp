#include "engine/TextFont.h"

#include <algorithm>
#include <cstring>

#include "engine/EngineUtil.h"
#include "engine/TextMarkup.h"
#include "platform/base/Gbk.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"

namespace {

// The buffer a measuring layout pretends to draw into.
constexpr int MEASURE_WIDTH = 9999999;
constexpr int MEASURE_HEIGHT = 999999;
// Layout values that markup sets are kept within this, so that a tag can never carry the pen's
// arithmetic past the range of its integers.
constexpr int MAX_MARKUP_LAYOUT = 1000000;

int MarkupLayoutValue(const std::string& value) {
  return std::clamp(TextMarkup::ParseNumber(value), -MAX_MARKUP_LAYOUT, MAX_MARKUP_LAYOUT);
}

void CopyFace(char (&out)[32], const char* face) {
  if (!face) face = "";
  const size_t length = GbkSafeCut(face, strnlen(face, sizeof out - 1));
  std::memcpy(out, face, length);
  out[length] = 0;
}

}  // namespace

TextFont::TextFont() {
  InitializeCriticalSection(&m_lock.section);
  m_lock.held = 0;
}

TextFont::~TextFont() {
  ReleaseDC();
  m_scriptTags.clear();
  if (m_lock.held) {
    m_lock.held = 0;
    LeaveCriticalSection(&m_lock.section);
  }
  DeleteCriticalSection(&m_lock.section);
}

void TextFont::Init() {
  // A font made before keeps its values; it is made again for the new glyph surface.
  if (m_glyphDC) {
    if (m_dcOwnFontSaved) SelectObject(m_glyphDC, m_dcOwnFont);
    DeleteDC(m_glyphDC);
  }
  if (m_glyphBitmap) DeleteObject(m_glyphBitmap);
  m_glyphDC = nullptr;
  m_glyphBitmap = nullptr;
  m_glyphPixels = nullptr;
  m_dcOwnFontSaved = false;

  m_glyphDC = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = GLYPH_AREA;
  info.bmiHeader.biHeight = -GLYPH_AREA;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_glyphBitmap = m_glyphDC ? CreateDIBSection(m_glyphDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (!m_glyphBitmap || !bits) {
    WriteLog("字体创建错误，m_hBitmap==NULL||m_data==NULL");
    ShowLastErrorBox("字体创建");
    m_glyphPixels = nullptr;
  } else {
    m_glyphPixels = static_cast<BYTE*>(bits);
    std::memset(m_glyphPixels, 0, static_cast<size_t>(GLYPH_AREA) * GLYPH_AREA * 4);
    SelectObject(m_glyphDC, m_glyphBitmap);
    SetBkColor(m_glyphDC, 0x000000);
    SetTextColor(m_glyphDC, 0xFFFFFF);
    if (m_font) {
      m_dcOwnFont = SelectObject(m_glyphDC, m_font);
      m_dcOwnFontSaved = true;
    }
  }
  m_current.colour = DEFAULT_COLOUR;
  m_drawColour = DEFAULT_COLOUR;
  m_current.pitch = 0;
  m_current.rowSpace = 0;
  UpdateAdvance();
  ClearScriptTags();
  m_lineStart = TextFontInfo{};
}

void TextFont::CreateFont(int height, int weight, const char* face, int italic, int underline) {
  // Negative heights would make negative advances; 300 is the largest glyph the surface holds.
  height = std::clamp(height, 0, MAX_HEIGHT);
  char wanted[32];
  CopyFace(wanted, face);
  if (m_font && height == m_current.height && weight == m_current.weight && !std::strcmp(wanted, m_current.face) &&
      italic == m_current.italic && underline == m_current.underline) {
    return;
  }
  if (m_font) {
    if (m_glyphDC && m_dcOwnFontSaved) SelectObject(m_glyphDC, m_dcOwnFont);
    DeleteObject(m_font);
    m_font = nullptr;
  }
  m_current.height = height;
  m_current.advance = height;
  m_current.weight = weight;
  m_current.italic = italic;
  m_current.underline = underline;
  std::memcpy(m_current.face, wanted, sizeof wanted);
  m_font = ::CreateFontA(-height, 0, 0, 0, weight, static_cast<DWORD>(italic), static_cast<DWORD>(underline), 0,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                       m_current.face);
  if (m_font && m_glyphDC) {
    HGDIOBJ old = SelectObject(m_glyphDC, m_font);
    if (!m_dcOwnFontSaved) {
      m_dcOwnFont = old;
      m_dcOwnFontSaved = true;
    }
  }
  UpdateAdvance();
}

void TextFont::UpdateAdvance() {
  m_current.advance = m_current.height;
  m_halfAdvance = (m_current.height + 1) / 2;
}

void TextFont::SelectFont(const TextFontInfo& info) {
  CreateFont(info.height, info.weight, info.face, info.italic, info.underline);
  SetColor(info.colour);
  m_current = info;
  m_current.face[sizeof m_current.face - 1] = 0;
}

void TextFont::GetFontInfo(TextFontInfo* info) const {
  if (info) *info = m_current;
}

void TextFont::SetColor(DWORD colour) {
  m_current.colour = colour;
  m_drawColour = colour;
}

void TextFont::SetSize(int height) {
  char face[32];
  std::memcpy(face, m_current.face, sizeof face);
  CreateFont(height, m_current.weight, face, 0, 0);
}

void TextFont::BlendGlyphPixel(BYTE* target, DWORD colour, BYTE coverage) {
  const DWORD g = coverage;
  const BYTE k[3] = {static_cast<BYTE>(colour >> 16), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour)};
  if (target[3] != 0) {
    for (int c = 0; c < 3; c++) target[c] = static_cast<BYTE>((k[c] * g + target[c] * (255 - g)) >> 8);
    target[3] = std::max<BYTE>(target[3], coverage);
  } else {
    target[0] = k[0];
    target[1] = k[1];
    target[2] = k[2];
    target[3] = coverage;
  }
}

void TextFont::ClearGlyphRows(int rows) {
  // Text output touches only the character cell at the top of the surface; bold and italic
  // glyphs stay within twice the height.
  rows = std::min(GLYPH_AREA, rows);
  if (m_glyphPixels && rows > 0) std::memset(m_glyphPixels, 0, static_cast<size_t>(rows) * GLYPH_AREA * 4);
}

void TextFont::DrawGlyphs(BYTE* pixels, int width, int height, int* penX, int y, const char* character, int bytes) {
  int n = bytes == 1 ? m_halfAdvance : m_current.advance;
  if (static_cast<int64_t>(*penX) + n >= width) {
    n = width - *penX;
    if (n <= 0) return;
  }
  if (m_current.height > m_lineHeight) {
    m_lineHeight = m_current.height;
    m_lineBottom = m_lineTop + m_lineHeight;
  }
  if (m_drawingPass) {
    if (*penX < m_current.leftMargin || y < 0) {
      *penX += n + bytes * m_current.pitch;
      return;
    }
    // Without a glyph surface (it could not be made) the font lays out but draws nothing.
    if (m_glyphPixels && m_glyphDC && pixels && width > 0 && height > 0 && m_current.height > 0) {
      // A single-byte character takes a fixed half-width cell, but the face's Latin letters are
      // proportional: a narrow one ('l', 'i', '.') drawn at the cell's left edge leaves its gap
      // after it ("pl ayer"). Such a letter is centred in its cell, as a monospaced face has it.
      int glyphX = 0;
      if (bytes == 1) {
        SIZE extent{};
        if (::GetTextExtentPoint32A(m_glyphDC, character, 1, &extent) && extent.cx > 0 && extent.cx < m_halfAdvance)
          glyphX = (m_halfAdvance - extent.cx) / 2;
      }
      ::TextOutA(m_glyphDC, glyphX, 0, character, bytes);
      const int rows = std::min(m_current.height, GLYPH_AREA);
      const int columns = std::min(n, GLYPH_AREA);
      for (int i = 0; i < rows && static_cast<int64_t>(y) + i < height; i++) {
        const BYTE* glyphRow = m_glyphPixels + static_cast<size_t>(i) * GLYPH_AREA * 4;
        BYTE* targetRow = pixels + (static_cast<size_t>(y) + i) * static_cast<size_t>(width) * 4;
        for (int j = 0; j < columns; j++) {
          // Columns outside the buffer are never written, whatever margins and pitch put the pen at.
          const int64_t x = static_cast<int64_t>(*penX) + j;
          if (x < 0 || x >= width) continue;
          const BYTE* glyph = glyphRow + static_cast<size_t>(j) * 4;
          if ((glyph[0] | glyph[1] | glyph[2]) == 0) continue;
          BlendGlyphPixel(targetRow + static_cast<size_t>(x) * 4, m_drawColour, glyph[2]);
        }
      }
      ClearGlyphRows(2 * m_current.height + 2);
    }
  }
  *penX += n;
}

void TextFont::EndLine() {
  if (m_measuring) {
    m_lineTop += m_lineHeight + m_current.rowSpace;
    m_penX = std::max(0, m_current.leftMargin);
    m_lineStartX = m_penX;
    m_lineHeight = 1;
    m_lineBottom = m_lineTop + 1;
    m_lineStartPos = m_position;
    m_lineStart = m_current;
  } else if (!m_drawingPass) {
    // The line was measured: draw it from its start, with the tags met on it undone first (they
    // are applied again as the line is drawn).
    m_drawingPass = true;
    m_position = m_lineStartPos;
    m_penX = m_lineStartX;
    SelectFont(m_lineStart);
  } else {
    m_lineTop += m_lineHeight + m_current.rowSpace;
    m_penX = std::max(0, m_current.leftMargin);
    m_lineStartX = m_penX;
    m_lineHeight = m_current.height;
    m_lineBottom = m_lineTop + m_current.height;
    m_lineStartPos = m_position;
    m_lineStart = m_current;
    m_drawingPass = false;
  }
}

void TextFont::Layout(BYTE* pixels, int width, int height, int x, int y, const char* text, bool measuring) {
  if (!text) text = "";
  if (m_current.height >= MAX_HEIGHT) return;
  m_snapshot = m_current;
  UpdateAdvance();
  m_drawColour = m_current.colour;
  m_position = 0;
  m_extentWidth = 0;
  m_extentHeight = 0;
  m_bufPixels = pixels;
  m_bufWidth = width;
  m_bufHeight = height;
  m_measuring = measuring;
  if (static_cast<int64_t>(y) + m_current.height > height) {
    m_current = m_snapshot;
    return;
  }
  m_penX = x;
  if (m_current.leftMargin > 0 && x < m_current.leftMargin) m_penX = m_current.leftMargin;
  m_lineStartX = m_penX;
  m_lineTop = y;
  m_lineHeight = 1;
  m_lineBottom = static_cast<int64_t>(y) + 1;
  m_lineStartPos = 0;
  m_drawingPass = false;
  m_lineStart = m_current;

  const size_t length = std::strlen(text);
  const bool drawing = !measuring;
  while (m_position < length) {
    const BYTE c = static_cast<BYTE>(text[m_position]);
    if (c == '<') {
      const size_t tag = TextMarkup::FindTag(text, length, m_position);
      if (tag && ParseTag(text + m_position + 1, tag)) {
        m_position += tag + 2;
        if (m_penX >= static_cast<int64_t>(width) - m_current.rightMargin) {
          EndLine();
        } else if (drawing && m_position >= length && !m_drawingPass) {
          EndLine();
        }
        continue;
      }
    }
    // A lead byte with nothing after it is laid out as a single byte.
    const bool wide = c >= 0x81 && m_position + 1 < length;
    const int bytes = wide ? 2 : 1;
    const int64_t space = wide ? static_cast<int64_t>(m_current.advance) + 2LL * m_current.pitch
                               : static_cast<int64_t>(m_halfAdvance) + m_current.pitch;
    const int64_t limit = static_cast<int64_t>(width) - m_current.rightMargin;
    if (m_penX + space <= limit) {
      if (m_penX != m_lineStartX) {
        // The pen never goes left of the buffer, whatever pitch a tag set.
        m_penX = std::max(0, m_penX + bytes * m_current.pitch);
      }
      const int64_t top = m_lineBottom - m_current.height;
      const int glyphTop = top < INT32_MIN ? INT32_MIN : top > INT32_MAX ? INT32_MAX : static_cast<int>(top);
      DrawGlyphs(pixels, width, height, &m_penX, glyphTop, text + m_position, bytes);
      m_position += bytes;
      m_extentWidth = std::max<int64_t>(m_extentWidth, static_cast<int64_t>(m_penX) + m_current.rightMargin);
      if (drawing && m_position >= length && !m_drawingPass) EndLine();
      continue;
    }
    // The character does not fit on this line.
    if (!m_current.wrap) {
      // The line is still drawn up to this character; then the layout stops.
      if (drawing && !m_drawingPass) {
        EndLine();
        continue;
      }
      break;
    }
    if (drawing && m_drawingPass &&
        m_lineTop + m_lineHeight + m_current.rowSpace + m_current.height > static_cast<int64_t>(height)) {
      break;
    }
    const bool newLine = measuring || m_drawingPass;
    EndLine();
    if (newLine) {
      const int edge = wide ? m_current.advance : m_halfAdvance;
      if (static_cast<int64_t>(m_penX) + edge > width) break;
      // A character that does not fit at the start of a fresh line never will: stopping here
      // keeps such a text from making empty lines without end.
      if (m_penX + space > static_cast<int64_t>(width) - m_current.rightMargin) break;
    }
  }
  m_extentHeight = m_lineBottom;
  SelectFont(m_snapshot);
}

void TextFont::DrawText(BYTE* pixels, int width, int height, int x, int y, const char* text) {
  if (!pixels || width <= 0 || height <= 0) return;
  Layout(pixels, width, height, x, y, text, false);
}

void TextFont::MeasureText(int x, int y, const char* text, int* width, int* height) {
  m_extentWidth = 0;
  m_extentHeight = 0;
  Layout(nullptr, MEASURE_WIDTH, MEASURE_HEIGHT, x, y, text, true);
  if (width) *width = GetExtentWidth();
  if (height) *height = GetExtentHeight();
}

int TextFont::ParseTag(const char* content, size_t length) {
  const MarkupTag tag = TextMarkup::Read(content, length);
  if (tag.kind == MarkupTag::Script) {
    m_scriptTags.push_back(tag.text);
    m_scriptTagIndex = 0;
    return 1;
  }
  if (tag.kind == MarkupTag::Comment) return 1;
  int applied = 0;
  for (const MarkupItem& item : tag.items) {
    // Items applied before a refused one stay applied.
    if (!ApplyTag(item.key, item.value)) return applied > 0 ? 1 : 0;
    applied++;
  }
  return 1;
}

int TextFont::ApplyTag(const std::string& key, const std::string& value) {
  char face[32];
  std::memcpy(face, m_current.face, sizeof face);
  const int h = m_current.height;
  const int w = m_current.weight;
  switch (TextMarkup::KeyOf(key)) {
    case MarkupKey::Color:
    case MarkupKey::C:
      m_snapshot.colour = m_current.colour;
      SetColor(static_cast<DWORD>(TextMarkup::ParseNumber(value)));
      return 1;
    case MarkupKey::Rgb: {
      DWORD colour = 0;
      if (!TextMarkup::ParseRgb(value, &colour)) return 0;
      m_snapshot.colour = m_current.colour;
      SetColor(colour);
      return 1;
    }
    case MarkupKey::EndColor:
      SetColor(m_snapshot.colour);
      return 1;
    case MarkupKey::Size:
      CreateFont(TextMarkup::ParseNumber(value), w, face, 0, 0);
      return 1;
    case MarkupKey::EndSize:
      CreateFont(m_snapshot.height, w, face, 0, 0);
      return 1;
    case MarkupKey::FontName:
      CreateFont(h, w, UnquotePath(value.c_str()).c_str(), 0, 0);
      return 1;
    case MarkupKey::EndFontName: {
      char start[32];
      std::memcpy(start, m_snapshot.face, sizeof start);
      CreateFont(h, w, start, 0, 0);
      return 1;
    }
    case MarkupKey::Bold:
      CreateFont(h, value.empty() ? 700 : TextMarkup::ParseNumber(value), face, 0, 0);
      return 1;
    case MarkupKey::EndBold:
      CreateFont(h, m_snapshot.weight, face, 0, 0);
      return 1;
    case MarkupKey::Underline:
      CreateFont(h, w, face, m_current.italic, 1);
      return 1;
    case MarkupKey::EndUnderline:
      CreateFont(h, w, face, m_current.italic, 0);
      return 1;
    case MarkupKey::Italic:
      CreateFont(h, w, face, 1, m_current.underline);
      return 1;
    case MarkupKey::EndItalic:
      CreateFont(h, w, face, 0, m_current.underline);
      return 1;
    case MarkupKey::RowSpace:
      m_current.rowSpace = MarkupLayoutValue(value);
      return 1;
    case MarkupKey::EndRowSpace:
      m_current.rowSpace = m_snapshot.rowSpace;
      return 1;
    case MarkupKey::Pitch:
      m_current.pitch = MarkupLayoutValue(value);
      return 1;
    case MarkupKey::EndPitch:
      m_current.pitch = m_snapshot.pitch;
      return 1;
    case MarkupKey::RightMargin:
      m_current.rightMargin = MarkupLayoutValue(value);
      return 1;
    case MarkupKey::EndRightMargin:
      m_current.rightMargin = m_snapshot.rightMargin;
      return 1;
    case MarkupKey::LeftMargin:
      m_current.leftMargin = MarkupLayoutValue(value);
      if (m_current.leftMargin > m_lineStartX) m_lineStartX = m_current.leftMargin;
      return 1;
    case MarkupKey::EndLeftMargin:
      m_current.leftMargin = m_snapshot.leftMargin;
      return 1;
    case MarkupKey::Break:
      m_penX = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(m_bufWidth) - m_current.rightMargin, 0, INT32_MAX));
      return 1;
    case MarkupKey::None:
      break;
  }
  return 0;
}

void TextFont::ClearScriptTags() {
  m_scriptTagIndex = -1;
  m_scriptTags.clear();
}

void TextFont::ReleaseDC() {
  if (m_glyphDC && m_dcOwnFontSaved) SelectObject(m_glyphDC, m_dcOwnFont);
  m_dcOwnFontSaved = false;
  m_dcOwnFont = nullptr;
  if (m_font) DeleteObject(m_font);
  m_font = nullptr;
  if (m_glyphDC) DeleteDC(m_glyphDC);
  m_glyphDC = nullptr;
  if (m_glyphBitmap) DeleteObject(m_glyphBitmap);
  m_glyphBitmap = nullptr;
  m_glyphPixels = nullptr;
}
