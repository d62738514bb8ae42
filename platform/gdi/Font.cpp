#include "platform/gdi/Font.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/gdi/Text.h"

namespace {

// Sizes beyond this are clamped: they would only make huge glyph images.
constexpr int MAX_PIXELS = 1000;
constexpr int DEFAULT_PIXELS = 12;

int Clamp(int v, int lo, int hi) {
  return std::max(lo, std::min(hi, v));
}

}  // namespace

FontObject::FontObject(const LOGFONTA& logFont) : gdi::GdiObject(OBJ_FONT), m_logFont(logFont), m_metrics{} {
  // The face name may come without a terminator: keep at most LF_FACESIZE - 1 bytes and never a
  // lead byte without its trail byte.
  size_t n = strnlen(m_logFont.lfFaceName, LF_FACESIZE - 1);
  n = GbkSafeCut(m_logFont.lfFaceName, n);
  std::memset(m_logFont.lfFaceName + n, 0, LF_FACESIZE - n);
  std::string face(m_logFont.lfFaceName, n);

  bool systemFace = FontMatcher::IsSystemFace(face);
  int weight = m_logFont.lfWeight > 0 ? std::min<LONG>(m_logFont.lfWeight, 1000) : FW_NORMAL;
  if (systemFace) weight = std::max(weight, FW_BOLD);
  m_match = FontMatcher::Match(face, weight, m_logFont.lfItalic != 0);

  // A negative height is the em (character) height, a positive one the cell height; with no
  // internal leading the two are the same.
  int64_t h = m_logFont.lfHeight;
  int em = h == 0 ? DEFAULT_PIXELS : static_cast<int>(std::min<int64_t>(h < 0 ? -h : h, MAX_PIXELS));
  m_style.faceId = GlyphCache::Instance().FaceId(m_match.file, m_match.faceIndex);
  m_style.pixelHeight = em;
  m_style.pixelWidth = 0;
  m_style.emboldenPixels = m_match.emboldened ? std::max(1, (em + 12) / 24) : 0;
  m_style.slant = m_match.slanted;

  auto averageLetterWidth = [&] {
    int sum = 0;
    for (char32_t c = 'a'; c <= 'z'; ++c) sum += Advance(c) + Advance(c - 'a' + 'A');
    return (sum + 26) / 52;
  };
  if (m_logFont.lfWidth != 0) {
    // A width asks for the average character width: the em is stretched to get it.
    int64_t wanted = std::min<int64_t>(std::abs(static_cast<int64_t>(m_logFont.lfWidth)), MAX_PIXELS);
    int natural = std::max(1, averageLetterWidth());
    m_style.pixelWidth = Clamp(static_cast<int>((em * wanted + natural / 2) / natural), 1, MAX_PIXELS);
    if (m_style.pixelWidth == em) m_style.pixelWidth = 0;
  }

  TEXTMETRICA& tm = m_metrics;
  tm.tmHeight = em;
  tm.tmAscent = (em * 220 + 128) / 256;
  tm.tmDescent = em - tm.tmAscent;
  tm.tmInternalLeading = 0;
  tm.tmExternalLeading = 0;
  tm.tmAveCharWidth = averageLetterWidth();
  tm.tmMaxCharWidth = std::max<LONG>(tm.tmAveCharWidth, Advance(0x4E00));
  tm.tmWeight = weight;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = m_logFont.lfItalic ? 1 : 0;
  tm.tmUnderlined = m_logFont.lfUnderline ? 1 : 0;
  tm.tmStruckOut = m_logFont.lfStrikeOut ? 1 : 0;
  // TMPF_FIXED_PITCH set means a variable pitch, as in Win32.
  tm.tmPitchAndFamily = static_cast<BYTE>((m_logFont.lfPitchAndFamily & 0xF0) | TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE);
  tm.tmCharSet = m_logFont.lfCharSet == DEFAULT_CHARSET ? GB2312_CHARSET : m_logFont.lfCharSet;
}

char32_t FontObject::Sanitize(char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

int FontObject::Advance(char32_t codePoint) const {
  return GlyphCache::Instance().Advance(m_style, Sanitize(codePoint));
}

std::shared_ptr<const Glyph> FontObject::GlyphOf(char32_t codePoint) const {
  return GlyphCache::Instance().Get(m_style, Sanitize(codePoint));
}

SIZE FontObject::Extent(std::wstring_view text) const {
  SIZE size{0, m_metrics.tmHeight};
  for (wchar_t c : text) size.cx += Advance(static_cast<char32_t>(c));
  return size;
}

// The underline sits in the middle of the descent; the strike-out line at 40 % of the ascent.
int FontObject::UnderlineRow() const {
  return m_metrics.tmAscent + m_metrics.tmDescent / 2;
}

int FontObject::StrikeOutRow() const {
  return m_metrics.tmAscent - (m_metrics.tmAscent * 2 + 2) / 5;
}

int FontObject::LineThickness() const {
  return std::max<LONG>(1, m_metrics.tmHeight / 12);
}

// ---- handles ----

namespace {

struct StockFontSpec {
  int index;
  LONG height;
  LONG weight;
  BYTE charSet;
  BYTE pitchAndFamily;
  const char* face;
};

// The stock fonts of a Simplified Chinese system: the GUI font is 12-pixel 宋体, the system font
// a bold 16-pixel face.
const StockFontSpec STOCK_FONTS[] = {
    {OEM_FIXED_FONT, 12, FW_NORMAL, GB2312_CHARSET, FIXED_PITCH | FF_MODERN, "Terminal"},
    {ANSI_FIXED_FONT, 12, FW_NORMAL, ANSI_CHARSET, FIXED_PITCH | FF_MODERN, "Courier"},
    {ANSI_VAR_FONT, 12, FW_NORMAL, ANSI_CHARSET, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"},
    {SYSTEM_FONT, 16, FW_BOLD, GB2312_CHARSET, VARIABLE_PITCH | FF_SWISS, "System"},
    {DEVICE_DEFAULT_FONT, 16, FW_BOLD, GB2312_CHARSET, VARIABLE_PITCH | FF_SWISS, "System"},
    {SYSTEM_FIXED_FONT, 16, FW_NORMAL, GB2312_CHARSET, FIXED_PITCH | FF_MODERN, "Fixedsys"},
    {DEFAULT_GUI_FONT, -12, FW_NORMAL, GB2312_CHARSET, DEFAULT_PITCH | FF_DONTCARE, "宋体"},
};

// GetStockObject asks the text part for the stock fonts, and DrawState for its text, through
// hooks. They are set at start-up when this file is part of the program, which it is whenever
// anything creates a font or draws or measures text (text output needs this file, and this
// file needs text output through the DrawState hooks).
const bool HOOKS_REGISTERED = [] {
  gdi::SetStockFontMaker(&MakeStockFont);
  RegisterDrawStateTextHooks();
  return true;
}();

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
  if (!logFont) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HFONT>(gdi::AllocHandle(std::make_shared<FontObject>(*logFont)));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strikeOut ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) {
    size_t n = GbkSafeCut(faceName, strnlen(faceName, LF_FACESIZE - 1));
    std::memcpy(lf.lfFaceName, faceName, n);
  }
  return CreateFontIndirectA(&lf);
}

std::shared_ptr<const FontObject> FontFromHandle(HFONT font) {
  return gdi::LookupAs<FontObject>(font, OBJ_FONT);
}

std::shared_ptr<gdi::GdiObject> MakeStockFont(int index) {
  for (const StockFontSpec& s : STOCK_FONTS) {
    if (s.index != index) continue;
    LOGFONTA lf{};
    lf.lfHeight = s.height;
    lf.lfWeight = s.weight;
    lf.lfCharSet = s.charSet;
    lf.lfPitchAndFamily = s.pitchAndFamily;
    std::strncpy(lf.lfFaceName, s.face, LF_FACESIZE - 1);
    return std::make_shared<FontObject>(lf);
  }
  return nullptr;
}

std::shared_ptr<const FontObject> DefaultFont() {
  auto stock = gdi::StockObject(SYSTEM_FONT);
  if (stock && stock->Type() == OBJ_FONT) return std::static_pointer_cast<const FontObject>(stock);
  // Only reached if the stock table could not be filled: a font of our own then.
  static const std::shared_ptr<const FontObject> fallback =
      std::static_pointer_cast<const FontObject>(MakeStockFont(SYSTEM_FONT));
  return fallback;
}

int FontObject::GetInfo(int size, void* out) const {
  if (!out) return static_cast<int>(sizeof(LOGFONTA));
  if (size <= 0) return 0;
  size_t n = std::min(static_cast<size_t>(size), sizeof(LOGFONTA));
  std::memcpy(out, &m_logFont, n);
  return static_cast<int>(n);
}
