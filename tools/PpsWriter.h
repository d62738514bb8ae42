// Writes .pps pictures: the engine's own animated picture format. The tests make their fixtures
// with it, and pxqd-ppswrite turns ordinary pictures into .pps files for the game's packages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// Codes `units` units of `unit` bytes (1: index or alpha bytes, 3: B, G, R pixels) with the
// format's run-length code: runs of three or more units become run items, everything else
// literal items; counts above 63 use the long items.
std::vector<BYTE> EncodePpsRle(const BYTE* data, size_t units, int unit);
// One complete zlib stream of the bytes.
std::vector<BYTE> EncodeZlib(const BYTE* data, size_t size);

class PpsWriter {
 public:
  // Header flags are the picture flags: IMGFLAG_PALETTE or IMGFLAG_GLOBAL_PALETTE for a palettised
  // picture, IMGFLAG_ALPHA for an alpha channel, IMGFLAG_TRANSPARENT for a key. The durations and
  // hot-spot flags are set by AddFrame and SetHotSpot.
  PpsWriter(int codec, WORD width, WORD height, DWORD flags);

  // The picture's own palette (R, G, B per entry, at most 256 entries).
  void SetPalette(const std::vector<BYTE>& rgb);
  // The name of a global palette and the number of its entries the picture uses.
  void SetGlobalPalette(const std::string& name, WORD entries);
  void SetTransparent(DWORD transparent) { m_transparent = transparent; }
  void SetHotSpot(int16_t first, int16_t second);
  // Codec 6 only: whether colour planes are zlib streams (else run-length coded).
  void SetZlibColour(bool zlib) { m_zlibColour = zlib; }
  // Adds one frame of width x height pixels in the picture's decoded format (1 byte index, 2 bytes
  // index and alpha, or 4 bytes B, G, R, A). A display time other than 0 turns on the durations.
  void AddFrame(const BYTE* pixels, DWORD displayTime = 0);

  int BytesPerPixel() const;
  std::vector<BYTE> Write() const;

 private:
  struct Frame {
    std::vector<BYTE> pixels;
    DWORD displayTime;
  };

  int m_codec;
  WORD m_width;
  WORD m_height;
  DWORD m_flags;
  DWORD m_transparent = 0;
  std::vector<BYTE> m_palette;
  std::string m_globalName;
  WORD m_paletteEntries = 0;
  int16_t m_hotSpot[2] = {0, 0};
  bool m_zlibColour = true;
  std::vector<Frame> m_frames;
};
