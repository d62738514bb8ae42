// Glyph images and advances from FreeType, cached per (face, size, style, code point) so that
// drawing a line of chat costs blits and not rasterising. Embedded bitmap strikes are used at the
// sizes where the font has them (they are drawn solid); other sizes are anti-aliased outlines.
// Emboldening and slanting stand in for bold and italic faces the file does not have.
// Thread-safe: the program draws from more than one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One realised size and style of a face.
struct GlyphStyle {
  int faceId = -1;        // from GlyphCache::FaceId; -1 means no font (glyphs are empty boxes)
  int pixelHeight = 12;   // the em height in pixels
  int pixelWidth = 0;     // the em width in pixels; 0 means the same as the height
  int emboldenPixels = 0; // horizontal widening of every glyph, added to the advance too
  bool slant = false;     // synthetic italic

  bool operator==(const GlyphStyle&) const = default;
};

struct Glyph {
  int left = 0;      // from the pen position to the first column of the image
  int top = 0;       // from the baseline up to the first row of the image
  int width = 0;     // image columns
  int rows = 0;      // image rows
  int advance = 0;   // pen movement in pixels
  bool solid = false;             // from a bitmap strike: coverage is 0 or 255 only
  std::vector<uint8_t> coverage;  // width * rows bytes, row by row, 0 to 255
};

class GlyphCache {
 public:
  static GlyphCache& Instance();

  // An id for the face at index of file, opening it once; -1 when FreeType cannot open it.
  int FaceId(const std::string& file, int index);

  // The glyph of a code point; never null. A code point the face lacks gives the face's
  // missing-glyph image; with no face at all, a blank cell half an em wide (a full em for
  // code points from U+2E80 up), so that layout still works.
  std::shared_ptr<const Glyph> Get(const GlyphStyle& style, char32_t codePoint);
  int Advance(const GlyphStyle& style, char32_t codePoint) { return Get(style, codePoint)->advance; }

  // True when the face has an embedded bitmap strike for this size.
  bool HasStrike(const GlyphStyle& style);

  size_t CachedGlyphs();
  void Clear();

  GlyphCache(const GlyphCache&) = delete;
  GlyphCache& operator=(const GlyphCache&) = delete;

 private:
  GlyphCache();
  ~GlyphCache();
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
