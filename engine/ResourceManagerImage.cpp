// Picture and palette resources: standard formats through the image library, the engine's own
// .pps animations with their global palettes, and ".quad" palettes.
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/PackFile.h"
#include "engine/Pps.h"
#include "engine/ResourceManager.h"
#include "image/RasterImage.h"

namespace {

// The largest decoded picture taken from the image library (a 4096 x 4096 true-colour picture);
// the game's largest pictures are far below it. The record's size and frame fields are 16 bits.
constexpr unsigned long long MAX_DECODED_SIZE = 64ull << 20;

DWORD FormatOfExtension(const char* ext) {
  static const struct {
    const char* ext;
    DWORD code;
  } FORMATS[] = {{".gif", 2}, {".bmp", 1}, {".png", 4},  {".jpg", 3}, {".ico", 5},  {".tif", 6},
                 {".tga", 7}, {".mng", 17}, {".pcx", 8}, {".wbmp", 9}, {".wmf", 10}};
  for (const auto& f : FORMATS) {
    if (std::strcmp(ext, f.ext) == 0) return f.code;
  }
  return 0;
}

void FreeImage(ImageRecord* image) {
  if (!image) return;
  const DWORD id = image->resourceId;
  FreePps(image);
  image->resourceId = id;
}

}  // namespace

int ResourceManager::DecodeImage(BYTE* bytes, DWORD length, const char* extension, ImageRecord* image) {
  if (!extension || !image) return 0;
  const DWORD format = FormatOfExtension(extension);
  if (!format) return 0;
  if (!bytes) return 0;
  const bool gifOrPng = format == 2 || format == 4;

  CRasterImage picture(bytes, length, format);
  const DWORD width = picture.GetWidth();
  const DWORD height = picture.GetHeight();
  // An empty result is a picture the library could not read, whatever the extension promised.
  if (!picture.IsValid() || width == 0 || height == 0 || width > 0xffff || height > 0xffff) return 0;

  int32_t flags = IMGFLAG_TRANSPARENT;
  picture.IsTransparent();
  const bool alpha = picture.AlphaIsValid();
  if (alpha) flags |= IMGFLAG_ALPHA;

  const long libraryFrames = picture.GetNumFrames();
  if (libraryFrames < 0 || libraryFrames > 0xffff) return 0;
  DWORD frames = 1;
  if (libraryFrames != 0) {
    frames = static_cast<DWORD>(libraryFrames);
    flags |= IMGFLAG_ANIMATED;
  }
  const DWORD colours = picture.GetPaletteSize() / 4;
  const bool palettised = colours >= 1 && colours <= 256;
  const DWORD bytesPerPixel = palettised ? (alpha ? 2 : 1) : 4;
  const unsigned long long frameBytes = static_cast<unsigned long long>(width) * height * bytesPerPixel;
  const unsigned long long total = frameBytes * frames;
  if (total > MAX_DECODED_SIZE) return 0;

  ImageRecord r = *image;
  r.width = static_cast<uint16_t>(width);
  r.height = static_cast<uint16_t>(height);
  r.frameCount = static_cast<uint16_t>(frames);
  r.bufferSize = static_cast<uint32_t>(total);
  r.pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(total), 1));
  r.palette = nullptr;
  r.durations = nullptr;
  r.paletteEntries = 0;
  if (!r.pixels) return 0;

  const RGBQUAD magenta = {255, 0, 255, 0};  // blue, green, red, reserved
  if (palettised) {
    flags |= IMGFLAG_PALETTE;
    // Every index 0..255 may be drawn, so the palette always has 256 entries.
    r.palette = static_cast<uint8_t*>(std::calloc(256, 3));
    if (!r.palette) {
      std::free(r.pixels);
      return 0;
    }
    r.paletteEntries = static_cast<uint16_t>(colours);
    for (DWORD i = 0; i < colours; i++) {
      const RGBQUAD c = picture.GetPaletteColor(static_cast<BYTE>(i));
      r.palette[i * 3] = c.rgbRed;
      r.palette[i * 3 + 1] = c.rgbGreen;
      r.palette[i * 3 + 2] = c.rgbBlue;
    }
    if (gifOrPng) {
      r.transparent = static_cast<uint32_t>(picture.GetTransIndex());
    } else {
      const BYTE i = picture.GetNearestIndex(magenta);
      const RGBQUAD c = picture.GetPaletteColor(i);
      if (c.rgbBlue == 255 && c.rgbGreen == 0 && c.rgbRed == 255 && c.rgbReserved == 0) {
        picture.SetTransIndex(i);
        r.transparent = i;
      } else {
        r.transparent = DEFAULT_KEY_COLOR & ~1u;
      }
    }
  } else if (gifOrPng) {
    const RGBQUAD t = picture.GetTransColor();
    r.transparent = t.rgbRed + t.rgbGreen * 256u + t.rgbBlue * 65536u;
  } else {
    const RGBQUAD key = {static_cast<BYTE>((r.transparent >> 16) & 0xff), static_cast<BYTE>((r.transparent >> 8) & 0xff),
                         static_cast<BYTE>(r.transparent & 0xff), 0};
    picture.SetTransColor(key);
  }

  if (frames > 1) {
    r.durations = static_cast<int32_t*>(std::calloc(frames, sizeof(int32_t)));
    if (r.durations) {
      for (DWORD k = 0; k < frames; k++) r.durations[k] = 100;
    }
    picture.SetRetrieveAllFrames(true);
    picture.SetFrame(picture.GetNumFrames() - 1);
    picture.Decode(bytes, length, format);
  }

  bool anyTransparent = false;
  for (DWORD k = 0; k < frames; k++) {
    if (k > 0) {
      // A frame the library did not keep stays empty rather than repeating another one.
      CRasterImage* frame = picture.GetFrame(static_cast<long>(k));
      if (!frame) continue;
      picture.Copy(*frame, true, true, true);
      if (r.durations) r.durations[k] = static_cast<int32_t>(picture.GetFrameDelay() * 10);
    }
    BYTE* out = r.pixels + k * frameBytes;
    if (palettised) {
      const long trans = picture.GetTransIndex();
      for (DWORD y = 0; y < height; y++) {
        const long row = static_cast<long>(height - 1 - y);
        for (DWORD x = 0; x < width; x++) {
          const BYTE index = picture.GetPixelIndex(static_cast<long>(x), row);
          *out++ = index;
          if (alpha) {
            *out++ = picture.AlphaGet(static_cast<long>(x), row);
          } else if (trans >= 0 && index == trans) {
            anyTransparent = true;
          }
        }
      }
    } else {
      const RGBQUAD t = picture.GetTransColor();
      for (DWORD y = 0; y < height; y++) {
        const long row = static_cast<long>(height - 1 - y);
        for (DWORD x = 0; x < width; x++) {
          const RGBQUAD p = picture.GetPixelColor(static_cast<long>(x), row, false);
          out[0] = p.rgbBlue;
          out[1] = p.rgbGreen;
          out[2] = p.rgbRed;
          if (alpha) {
            out[3] = picture.AlphaGet(static_cast<long>(x), row);
          } else if (p.rgbBlue == t.rgbBlue && p.rgbGreen == t.rgbGreen && p.rgbRed == t.rgbRed) {
            out[3] = 0;
            anyTransparent = true;
          } else {
            out[3] = 255;
          }
          out += 4;
        }
      }
    }
  }
  if (!alpha && !anyTransparent) flags &= ~IMGFLAG_TRANSPARENT;
  r.flags = flags;
  picture.DestroyFrames();
  picture.Destroy();
  *image = r;
  return 1;
}

int ResourceManager::DecodeImageFile(const char* path, const char* extension, ImageRecord* image) {
  if (!path) return 0;
  std::string copy = path;
  DWORD length = 0;
  BYTE* bytes = ReadWholeFile(copy.data(), &length);
  if (!bytes) return 0;
  const int result = DecodeImage(bytes, length, extension, image);
  FreeWholeFile(bytes);
  return result;
}

DWORD ResourceManager::LoadPps(BYTE* bytes, DWORD length, ImageRecord* image) {
  if (!bytes) return 0;
  DWORD result = ParsePps(bytes, length, image);
  if (result && (image->flags & IMGFLAG_GLOBAL_PALETTE)) {
    // The name block is terminated at its last byte by ParsePps.
    char name[IMG_PALETTE_NAME_SIZE];
    std::memcpy(name, image->palette, sizeof name);
    ColorPalette* palette = FindPalette(name);
    if (!palette) {
      WriteLog("pps:结构加载错误,全局调色板%s未在内存中!", name);
      result = 0;
    } else if (palette->GetCount() < image->paletteEntries) {
      WriteLog("pps:结构加载错误,全局调色板%s长度不匹配!", name);
      result = 0;
    }
    std::free(image->palette);
    image->palette = nullptr;
    if (result) {
      image->palette = palette->GetEntries();
    } else {
      FreeImage(image);
    }
  }
  FreeData(bytes);
  return result;
}

int ResourceManager::LoadImage(ResourceRecord* record) {
  ImageRecord* image = static_cast<ImageRecord*>(std::calloc(1, sizeof(ImageRecord)));
  if (!image) return 0;
  image->resourceId = record->id;
  image->transparent = DEFAULT_KEY_COLOR;
  image->flags = IMGFLAG_TRANSPARENT;
  const bool inPack = record->flags & RESFLAG_IN_PACK;
  int ok = 0;
  if (record->extensionHash == RESKIND_PPS) {
    DWORD length = record->length;
    BYTE* bytes = ReadResourceData(record->path.c_str(), record->flags, record->offset, &length);
    if (bytes && !inPack) record->length = length;
    ok = bytes && LoadPps(bytes, length, image) != 0;
  } else if (!inPack) {
    char extension[MAX_PATH];
    GetFileExt(record->path.c_str(), extension);
    AsciiLower(extension);
    ok = DecodeImageFile(record->path.c_str(), extension, image);
  } else {
    DWORD length = record->length;
    BYTE* bytes = ReadResourceData(record->path.c_str(), record->flags, record->offset, &length);
    if (bytes) {
      ok = DecodeImage(bytes, length, GetImageExtension(record->extensionHash), image);
      FreeData(bytes);
    }
  }
  if (!ok) {
    if (inPack) {
      WriteLog("资源包图片%d,%d,%d加载失败!", static_cast<int>(record->id), static_cast<int>(record->key1),
               static_cast<int>(record->key2));
    } else {
      WriteLog("图片%s加载失败!", record->path.c_str());
    }
    // A failed picture leaves no data behind, so that asking again tries again instead of taking
    // a half-filled record for a loaded one.
    FreeImage(image);
    std::free(image);
    record->data = nullptr;
    return 0;
  }
  record->data = image;
  return 1;
}

int ResourceManager::LoadPalette(ResourceRecord* record) {
  DWORD length = record->length;
  BYTE* bytes = ReadResourceData(record->path.c_str(), record->flags, record->offset, &length);
  if (!bytes) return 0;
  if (!(record->flags & RESFLAG_IN_PACK)) record->length = length;
  ColorPalette palette;
  const int result = palette.Copy(bytes, length);
  FreeData(bytes);
  if (result != 0) {
    WriteLog("图片%s加载失败!", record->path.c_str());
    return 0;
  }
  m_palettes.emplace(palette.GetName(), palette);
  return 1;
}

ColorPalette* ResourceManager::FindPalette(const char* name) {
  if (!name) return nullptr;
  auto it = m_palettes.find(name);
  return it == m_palettes.end() ? nullptr : &it->second;
}
