// Logical fonts: LOGFONT, TEXTMETRIC, CreateFont and the font objects behind HFONT handles.
// Every face maps to one CJK font (see FontMatcher.h); sizes, weight, italics, underline and
// strike-out are honoured, escapement and orientation are kept in the LOGFONT but text is always
// drawn horizontally. The metrics follow the bitmap Song faces the program's layouts were made
// with: the character cell is the em square (no internal leading), 86 % of it above the
// baseline, so a 12-pixel font gives lines 12 pixels apart and CJK characters 12 pixels wide.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"
#include "platform/gdi/DcInternal.h"
#include "platform/gdi/FontMatcher.h"
#include "platform/gdi/GlyphCache.h"

#define LF_FACESIZE 32

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTA LOGFONT;
typedef LOGFONTA* PLOGFONTA;
typedef LOGFONTA* LPLOGFONTA;
typedef LOGFONTA* LPLOGFONT;

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
typedef TEXTMETRICA TEXTMETRIC;
typedef TEXTMETRICA* LPTEXTMETRICA;
typedef TEXTMETRICA* LPTEXTMETRIC;

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255

#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_DEVICE_PRECIS 5
#define OUT_RASTER_PRECIS 6
#define OUT_TT_ONLY_PRECIS 7
#define OUT_OUTLINE_PRECIS 8

#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define CLIP_LH_ANGLES 16

#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4

#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50

#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// The realised form of a LOGFONT: the face, the glyph style and the metrics. It lives in the
// drawing layer's object table (OBJ_FONT), so SelectObject, DeleteObject and GetObject work on it
// as on every GDI object.
class FontObject : public gdi::GdiObject {
 public:
  explicit FontObject(const LOGFONTA& logFont);

  // GetObject: the LOGFONTA, or as much of it as fits in size bytes.
  int GetInfo(int size, void* out) const override;

  const LOGFONTA& LogFont() const { return m_logFont; }
  const TEXTMETRICA& Metrics() const { return m_metrics; }
  const GlyphStyle& Style() const { return m_style; }
  const FontMatch& Match() const { return m_match; }

  // The advance of one code point; invalid code points measure as U+FFFD.
  int Advance(char32_t codePoint) const;
  std::shared_ptr<const Glyph> GlyphOf(char32_t codePoint) const;
  // Width of the text and the cell height.
  SIZE Extent(std::wstring_view text) const;

  // Underline and strike-out lines, in rows below the top of the character cell.
  int UnderlineRow() const;
  int StrikeOutRow() const;
  int LineThickness() const;

 private:
  static char32_t Sanitize(char32_t codePoint);

  LOGFONTA m_logFont;
  FontMatch m_match;
  GlyphStyle m_style;
  TEXTMETRICA m_metrics;
};

// GDI's font calls. Face names are GBK; a face name is cut at LF_FACESIZE - 1 bytes without
// splitting a character.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
HFONT CreateFontIndirectA(const LOGFONTA* logFont);
#define CreateFont CreateFontA
#define CreateFontIndirect CreateFontIndirectA

// The font object behind a handle, or null for a handle that is not a live font.
std::shared_ptr<const FontObject> FontFromHandle(HFONT font);
// The font a DC uses when none is selected: the system font.
std::shared_ptr<const FontObject> DefaultFont();
// Makes the stock fonts (OEM_FIXED_FONT ... DEFAULT_GUI_FONT) for GetStockObject; null for
// other indices.
std::shared_ptr<gdi::GdiObject> MakeStockFont(int index);
