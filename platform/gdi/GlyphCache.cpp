#include "platform/gdi/GlyphCache.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

namespace {

// The cache is emptied when it grows past this many glyphs or bytes of images; chat text uses
// far fewer, and the byte limit keeps a run of very large sizes from holding much memory.
constexpr size_t MAX_GLYPHS = 16384;
constexpr size_t MAX_BYTES = 32u << 20;
// Synthetic italic slants by a quarter of a pixel per pixel above the baseline.
constexpr int SLANT_NUM = 1;
constexpr int SLANT_DEN = 4;

struct Key {
  GlyphStyle style;
  char32_t codePoint;
  bool operator==(const Key&) const = default;
};

struct KeyHash {
  size_t operator()(const Key& k) const {
    uint64_t h = static_cast<uint64_t>(static_cast<uint32_t>(k.style.faceId));
    h = h * 1000003u + static_cast<uint32_t>(k.style.pixelHeight);
    h = h * 1000003u + static_cast<uint32_t>(k.style.pixelWidth);
    h = h * 1000003u + static_cast<uint32_t>(k.style.emboldenPixels);
    h = h * 1000003u + (k.style.slant ? 1u : 0u);
    h = h * 1000003u + k.codePoint;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

bool IsWide(char32_t cp) {
  return cp >= 0x2E80;
}

// The blank cell used when there is no font at all: layout still works, nothing is drawn.
Glyph EmptyBox(int height, char32_t cp) {
  Glyph g;
  g.advance = IsWide(cp) ? height : (height + 1) / 2;
  return g;
}

// The rendered FreeType bitmap as 8-bit coverage.
void CopyBitmap(const FT_Bitmap& bm, Glyph& g) {
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.coverage.assign(static_cast<size_t>(g.width) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    uint8_t* out = &g.coverage[static_cast<size_t>(y) * g.width];
    for (int x = 0; x < g.width; ++x) {
      switch (bm.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
          out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
          break;
        case FT_PIXEL_MODE_GRAY: {
          int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
          out[x] = static_cast<uint8_t>(std::min(255, row[x] * 255 / levels));
          break;
        }
        default:
          out[x] = 0;
          break;
      }
    }
  }
}

// Widens every row by n pixels to the right, the way a bold face is simulated.
void Embolden(Glyph& g, int n) {
  if (n <= 0) return;
  g.advance += n;
  if (g.width == 0 || g.rows == 0) return;
  int w = g.width + n;
  std::vector<uint8_t> out(static_cast<size_t>(w) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const uint8_t* in = &g.coverage[static_cast<size_t>(y) * g.width];
    uint8_t* o = &out[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x) {
      uint8_t v = 0;
      for (int k = 0; k <= n; ++k) {
        int sx = x - k;
        if (sx >= 0 && sx < g.width) v = std::max(v, in[sx]);
      }
      o[x] = v;
    }
  }
  g.width = w;
  g.coverage.swap(out);
}

// Shifts rows of a bitmap image sideways by their height above the baseline.
void SlantBitmap(Glyph& g) {
  if (g.width == 0 || g.rows == 0) return;
  auto shiftOf = [&](int y) {
    int above = g.top - 1 - y;  // pixel rows above the baseline row
    return above >= 0 ? above * SLANT_NUM / SLANT_DEN : -((-above * SLANT_NUM + SLANT_DEN - 1) / SLANT_DEN);
  };
  int minShift = std::min(shiftOf(0), shiftOf(g.rows - 1));
  int maxShift = std::max(shiftOf(0), shiftOf(g.rows - 1));
  int w = g.width + maxShift - minShift;
  std::vector<uint8_t> out(static_cast<size_t>(w) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    int dx = shiftOf(y) - minShift;
    std::copy_n(&g.coverage[static_cast<size_t>(y) * g.width], g.width, &out[static_cast<size_t>(y) * w + dx]);
  }
  g.left += minShift;
  g.width = w;
  g.coverage.swap(out);
}

}  // namespace

struct GlyphCache::Impl {
  std::mutex mutex;
  FT_Library library = nullptr;
  std::vector<FT_Face> faces;
  std::map<std::pair<std::string, int>, int> faceIds;
  std::unordered_map<Key, std::shared_ptr<const Glyph>, KeyHash> glyphs;
  size_t bytes = 0;

  bool SetSize(FT_Face face, const GlyphStyle& style) {
    int w = style.pixelWidth > 0 ? style.pixelWidth : style.pixelHeight;
    return FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(w), static_cast<FT_UInt>(style.pixelHeight)) == 0;
  }

  bool StrikeFor(FT_Face face, const GlyphStyle& style) {
    if (!FT_HAS_FIXED_SIZES(face)) return false;
    if (style.pixelWidth > 0 && style.pixelWidth != style.pixelHeight) return false;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
      if ((face->available_sizes[i].y_ppem + 32) / 64 == style.pixelHeight) return true;
    }
    return false;
  }

  Glyph Render(const GlyphStyle& style, char32_t cp) {
    if (style.faceId < 0 || style.faceId >= static_cast<int>(faces.size())) {
      Glyph g = EmptyBox(style.pixelHeight, cp);
      Embolden(g, style.emboldenPixels);
      return g;
    }
    FT_Face face = faces[style.faceId];
    Glyph g;
    if (!SetSize(face, style)) return EmptyBox(style.pixelHeight, cp);
    bool strike = StrikeFor(face, style);
    FT_UInt index = FT_Get_Char_Index(face, cp);
    // Embedded bitmaps are wanted (FT_LOAD_DEFAULT); a slanted outline is transformed before
    // rendering, while a slanted strike is sheared as an image below.
    FT_Int32 flags = FT_LOAD_DEFAULT;
    if (FT_Load_Glyph(face, index, flags) != 0) return EmptyBox(style.pixelHeight, cp);
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (style.slant) {
        FT_Matrix shear = {0x10000, 0x10000 * SLANT_NUM / SLANT_DEN, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
      }
      if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return EmptyBox(style.pixelHeight, cp);
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) return EmptyBox(style.pixelHeight, cp);
    CopyBitmap(slot->bitmap, g);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.solid = strike && slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (style.slant && g.solid) SlantBitmap(g);
    Embolden(g, style.emboldenPixels);
    return g;
  }
};

GlyphCache::GlyphCache() : m_impl(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&m_impl->library) != 0) m_impl->library = nullptr;
}

GlyphCache::~GlyphCache() {
  for (FT_Face f : m_impl->faces) FT_Done_Face(f);
  if (m_impl->library) FT_Done_FreeType(m_impl->library);
}

GlyphCache& GlyphCache::Instance() {
  // Never destroyed: glyphs may still be drawn by threads that outlive static destruction.
  static GlyphCache* cache = new GlyphCache();
  return *cache;
}

int GlyphCache::FaceId(const std::string& file, int index) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  if (!m_impl->library || file.empty()) return -1;
  auto key = std::make_pair(file, index);
  auto it = m_impl->faceIds.find(key);
  if (it != m_impl->faceIds.end()) return it->second;
  FT_Face face = nullptr;
  int id = -1;
  if (FT_New_Face(m_impl->library, file.c_str(), index, &face) == 0) {
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    id = static_cast<int>(m_impl->faces.size());
    m_impl->faces.push_back(face);
  }
  m_impl->faceIds.emplace(key, id);
  return id;
}

std::shared_ptr<const Glyph> GlyphCache::Get(const GlyphStyle& style, char32_t codePoint) {
  Key key{style, codePoint};
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  auto it = m_impl->glyphs.find(key);
  if (it != m_impl->glyphs.end()) return it->second;
  auto glyph = std::make_shared<const Glyph>(m_impl->Render(style, codePoint));
  size_t size = glyph->coverage.size() + sizeof(Glyph);
  if (m_impl->glyphs.size() >= MAX_GLYPHS || m_impl->bytes + size > MAX_BYTES) {
    m_impl->glyphs.clear();
    m_impl->bytes = 0;
  }
  m_impl->glyphs.emplace(key, glyph);
  m_impl->bytes += size;
  return glyph;
}

bool GlyphCache::HasStrike(const GlyphStyle& style) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  if (style.faceId < 0 || style.faceId >= static_cast<int>(m_impl->faces.size())) return false;
  return m_impl->StrikeFor(m_impl->faces[style.faceId], style);
}

size_t GlyphCache::CachedGlyphs() {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->glyphs.size();
}

void GlyphCache::Clear() {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->glyphs.clear();
  m_impl->bytes = 0;
}
