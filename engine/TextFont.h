// Renders marked-up GBK text into a 32-bit B, G, R, A pixel buffer. Each character is drawn with
// the platform's text output into a private 300 x 300 glyph surface (white on black) and its lit
// pixels are copied into the target in the text colour, blending by coverage; a single-byte
// character narrower than its cell stands in the cell's middle. Around that the font lays text
// out in lines: fixed advances (the height for a double-byte character, half of it
// for a single byte), letter spacing (pitch), line spacing (row space), margins, wrapping, mixed
// sizes sharing the bottom of their line, and the tag markup of TextMarkup.h, which changes the
// font in the middle of a text. A measuring mode lays the text out without drawing.
//
// A drawn line is laid out twice: the first pass finds the line's height (its tallest character)
// and the second draws every character with its bottom on the line's bottom.
//
// One font lays out one text at a time and keeps its layout state in itself; UI thread only.
// As everywhere on this platform, the members CreateFont and DrawText take the names of the
// narrow-text calls (CreateFontA, DrawTextA) through the platform's macros.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ResourceManager.h"
#include "platform/base/WinTypes.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"

// The font description that callers keep and hand over whole.
struct TextFontInfo {
  char face[32];
  DWORD colour;   // 0x00BBGGRR
  int height;     // character height in pixels
  int advance;    // advance of a double-byte character; every layout sets it to the height
  int weight;     // 400 normal, 700 bold
  int pitch;      // extra pixels before a single-byte character not starting a line, twice that
                  // before a double-byte one
  int rowSpace;   // extra pixels between lines
  int leftMargin;
  int rightMargin;
  int wrap;       // non-zero: text reaching the right margin continues on a new line
  int underline;
  int italic;
};

class TextFont {
 public:
  static constexpr int GLYPH_AREA = 300;
  static constexpr int MAX_HEIGHT = 300;
  static constexpr DWORD DEFAULT_COLOUR = 0xff7d327d;

  TextFont();
  ~TextFont();
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  // Makes the glyph surface. On failure the font logs, shows the system error box and draws
  // nothing afterwards (layout and measuring still work).
  void Init();
  // Re-creates the font unless a font exists with exactly these five values. Heights are kept
  // within 0 to 300.
  void CreateFont(int height, int weight, const char* face, int italic, int underline);
  void UpdateAdvance();
  void SelectFont(const TextFontInfo& info);
  void GetFontInfo(TextFontInfo* info) const;
  void SetColor(DWORD colour);
  // Italic and underline go off.
  void SetSize(int height);

  // Lays out and draws the text from (x, y) into a buffer of width x height B, G, R, A pixels.
  void DrawText(BYTE* pixels, int width, int height, int x, int y, const char* text);
  // Lays the text out from (x, y) without drawing; gives the widest x reached (pen x plus right
  // margin, 0 when nothing was laid out) and the bottom of the last line.
  void MeasureText(int x, int y, const char* text, int* width, int* height);
  // Draws one character of `bytes` bytes with its top at y and moves the pen.
  void DrawGlyphs(BYTE* pixels, int width, int height, int* penX, int y, const char* character, int bytes);

  // Reads the tag content between "<" and ">" and applies it; 1 when it counts as a tag.
  int ParseTag(const char* content, size_t length);
  // Applies one markup item; 0 for a key the font does not know or a value it refuses.
  int ApplyTag(const std::string& key, const std::string& value);

  void ClearScriptTags();
  const std::vector<std::string>& GetScriptTags() const { return m_scriptTags; }
  int GetScriptTagIndex() const { return m_scriptTagIndex; }
  void ReleaseDC();

  const TextFontInfo& Current() const { return m_current; }
  int GetHalfAdvance() const { return m_halfAdvance; }
  HFONT GetFontHandle() const { return m_font; }
  HDC GetGlyphDC() const { return m_glyphDC; }
  // The extent of the last layout: widest x reached and bottom of the last line.
  int GetExtentWidth() const { return ClampInt(m_extentWidth); }
  int GetExtentHeight() const { return ClampInt(m_extentHeight); }
  // The blend of one glyph pixel of coverage g into a B, G, R, A target pixel.
  static void BlendGlyphPixel(BYTE* target, DWORD colour, BYTE coverage);
  ResLock& Lock() { return m_lock; }

 private:
  void Layout(BYTE* pixels, int width, int height, int x, int y, const char* text, bool measuring);
  void EndLine();
  void ClearGlyphRows(int rows);

  int m_halfAdvance = 0;
  TextFontInfo m_current{};
  TextFontInfo m_snapshot{};
  HDC m_glyphDC = nullptr;
  HBITMAP m_glyphBitmap = nullptr;
  BYTE* m_glyphPixels = nullptr;
  int m_glyphHalfWidth = GLYPH_AREA / 2;
  int m_maxHeight = MAX_HEIGHT;
  HFONT m_font = nullptr;
  DWORD m_drawColour = 0;

  // Layout state.
  int m_bufWidth = 0;
  int m_bufHeight = 0;
  BYTE* m_bufPixels = nullptr;
  int m_penX = 0;
  // Lines may run far below a measuring buffer with large row spaces: 64 bits.
  int64_t m_lineTop = 0;
  int m_lineHeight = 0;
  int64_t m_lineBottom = 0;
  size_t m_position = 0;
  size_t m_lineStartPos = 0;
  int m_lineStartX = 0;
  bool m_drawingPass = false;
  bool m_measuring = false;
  TextFontInfo m_lineStart{};

  int64_t m_extentWidth = 0;
  int64_t m_extentHeight = 0;
  ResLock m_lock;
  std::vector<std::string> m_scriptTags;
  int m_scriptTagIndex = -1;
  HGDIOBJ m_dcOwnFont = nullptr;
  bool m_dcOwnFontSaved = false;

  static int ClampInt(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int>(value);
  }
};
