#pragma once

#include <cstdint>

// The value that means "no colour" wherever a key colour or a back colour is expected.
constexpr uint32_t DEFAULT_KEY_COLOR = 0xff00ff;

// Picture flags (ImageRecord::flags).
// The picture has a key: a palettised picture skips pixels whose index equals `transparent`,
// a 32-bit picture skips pixels whose alpha byte is 0.
constexpr int32_t IMGFLAG_TRANSPARENT = 0x1;
// Palettised; the palette is a named global ColorPalette that the record does not own.
constexpr int32_t IMGFLAG_GLOBAL_PALETTE = 0x2;
// Palettised with a palette of its own.
constexpr int32_t IMGFLAG_PALETTE = 0x4;
// The picture has an alpha channel.
constexpr int32_t IMGFLAG_ALPHA = 0x8;
// The durations table is present.
constexpr int32_t IMGFLAG_ANIMATED = 0x10;
// The hot spot is present.
constexpr int32_t IMGFLAG_HOTSPOT = 0x20;

// A palettised key index above 255 matches no pixel; the .pps reader uses this one.
constexpr uint32_t IMG_NO_KEY_INDEX = 256;

// Size in bytes of the name of a global palette held in `palette` until it is resolved.
constexpr int IMG_PALETTE_NAME_SIZE = 32;

// One decoded picture. All frames are stacked vertically in one pixel block: frame i occupies
// rows i * height to (i + 1) * height - 1, each row width pixels long, rows back to back.
// Pixel formats: palettised without alpha 1 byte (index), palettised with alpha 2 bytes
// (index, alpha), otherwise 4 bytes (B, G, R, A). Palette entries are 3 bytes R, G, B.
// The record is plain: a copy made for one draw call owns nothing.
struct ImageRecord {
  // Id of the picture resource the record was loaded for.
  uint32_t resourceId;
  // Size of one frame in pixels.
  uint16_t width;
  uint16_t height;
  // All frames, owned.
  uint8_t* pixels;
  // Size of the pixel block in bytes.
  uint32_t bufferSize;
  // Palettised: key index 0..255, or above 255 for none. 32-bit: the key colour 0x00BBGGRR,
  // informational only since 32-bit pictures carry their transparency in the alpha byte.
  uint32_t transparent;
  // Number of frames, at least 1.
  uint16_t frameCount;
  // IMGFLAG_* bits.
  int32_t flags;
  // Palette entries (R, G, B). Owned with IMGFLAG_PALETTE. With IMGFLAG_GLOBAL_PALETTE it first
  // holds the 32-byte name of the global palette, then points at that palette's entries.
  // Blits index it with any pixel byte, so a palette always holds 256 entries (768 bytes),
  // whatever paletteEntries says; entries a file does not give are black.
  uint8_t* palette;
  // Number of palette entries.
  uint16_t paletteEntries;
  // Display time of each frame in milliseconds; owned and present with IMGFLAG_ANIMATED.
  int32_t* durations;
  // Kept for the game: hotSpot[0] from the high 16 bits of the stored word, hotSpot[1] from
  // the low 16 bits.
  int16_t hotSpot[2];
};

// A picture is palettised when it has a palette of either kind.
inline bool IsPalettised(const ImageRecord& image) {
  return (image.flags & (IMGFLAG_GLOBAL_PALETTE | IMGFLAG_PALETTE)) != 0;
}

// Bytes per pixel of the picture's pixel format: 1, 2 or 4.
inline int BytesPerPixel(const ImageRecord& image) {
  if (!IsPalettised(image)) {
    return 4;
  }
  return (image.flags & IMGFLAG_ALPHA) != 0 ? 2 : 1;
}
