#include "tools/PpsWriter.h"

#include <zlib.h>

#include <cstring>

#include "engine/ImageRecord.h"

namespace {

void Put16(std::vector<BYTE>& out, DWORD v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
  for (int i = 0; i < 4; i++) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

// Emits one item: op 0/2 (run) or 1/3 (literal) with a count up to 16383.
void PutItem(std::vector<BYTE>& out, bool run, size_t count, const BYTE* src, int unit) {
  if (count < 64) {
    out.push_back(static_cast<BYTE>(count << 2 | (run ? 0 : 1)));
  } else {
    out.push_back(static_cast<BYTE>((count % 64) << 2 | (run ? 2 : 3)));
    out.push_back(static_cast<BYTE>(count / 64));
  }
  out.insert(out.end(), src, src + (run ? unit : count * unit));
}

}  // namespace

std::vector<BYTE> EncodePpsRle(const BYTE* data, size_t units, int unit) {
  constexpr size_t MAX_COUNT = 63 + 64 * 255;
  std::vector<BYTE> out;
  size_t i = 0;
  size_t literalStart = 0;
  auto flushLiteral = [&](size_t end) {
    while (literalStart < end) {
      const size_t n = std::min(end - literalStart, MAX_COUNT);
      PutItem(out, false, n, data + literalStart * unit, unit);
      literalStart += n;
    }
  };
  while (i < units) {
    size_t run = 1;
    while (i + run < units && run < MAX_COUNT && std::memcmp(data + (i + run) * unit, data + i * unit, unit) == 0) run++;
    if (run >= 3) {
      flushLiteral(i);
      PutItem(out, true, run, data + i * unit, unit);
      i += run;
      literalStart = i;
    } else {
      i += run;
    }
  }
  flushLiteral(units);
  return out;
}

std::vector<BYTE> EncodeZlib(const BYTE* data, size_t size) {
  uLongf capacity = compressBound(size);
  std::vector<BYTE> out(capacity);
  if (compress2(out.data(), &capacity, data, size, 9) != Z_OK) return {};
  out.resize(capacity);
  return out;
}

PpsWriter::PpsWriter(int codec, WORD width, WORD height, DWORD flags)
    : m_codec(codec), m_width(width), m_height(height), m_flags(flags & ~(IMGFLAG_ANIMATED | IMGFLAG_HOTSPOT)) {}

void PpsWriter::SetPalette(const std::vector<BYTE>& rgb) {
  m_palette = rgb;
  m_paletteEntries = static_cast<WORD>(rgb.size() / 3);
  m_flags |= IMGFLAG_PALETTE;
}

void PpsWriter::SetGlobalPalette(const std::string& name, WORD entries) {
  m_globalName = name;
  m_paletteEntries = entries;
  m_flags |= IMGFLAG_GLOBAL_PALETTE;
}

void PpsWriter::SetHotSpot(int16_t first, int16_t second) {
  m_hotSpot[0] = first;
  m_hotSpot[1] = second;
  m_flags |= IMGFLAG_HOTSPOT;
}

int PpsWriter::BytesPerPixel() const {
  if (m_flags & (IMGFLAG_PALETTE | IMGFLAG_GLOBAL_PALETTE)) return (m_flags & IMGFLAG_ALPHA) ? 2 : 1;
  return 4;
}

void PpsWriter::AddFrame(const BYTE* pixels, DWORD displayTime) {
  const size_t size = static_cast<size_t>(m_width) * m_height * BytesPerPixel();
  m_frames.push_back(Frame{std::vector<BYTE>(pixels, pixels + size), displayTime});
  if (displayTime) m_flags |= IMGFLAG_ANIMATED;
}

std::vector<BYTE> PpsWriter::Write() const {
  const int bpp = BytesPerPixel();
  const bool palettised = bpp < 4;
  const bool alpha = (m_flags & IMGFLAG_ALPHA) != 0;
  const size_t pixels = static_cast<size_t>(m_width) * m_height;
  const size_t frameSize = pixels * bpp;

  std::vector<BYTE> out;
  out.insert(out.end(), {'p', 'p', 's', static_cast<BYTE>(m_codec)});
  Put32(out, m_flags);
  Put16(out, static_cast<DWORD>(m_frames.size()));
  Put16(out, m_width);
  Put16(out, m_height);
  Put16(out, 0);
  Put32(out, m_transparent);
  Put32(out, static_cast<DWORD>(frameSize * m_frames.size()));
  Put32(out, 0);
  Put16(out, m_paletteEntries);
  Put16(out, 0);
  if (m_flags & IMGFLAG_GLOBAL_PALETTE) {
    char name[32] = {};
    std::strncpy(name, m_globalName.c_str(), sizeof name - 1);
    out.insert(out.end(), name, name + sizeof name);
  } else if (m_flags & IMGFLAG_PALETTE) {
    out.insert(out.end(), m_palette.begin(), m_palette.begin() + m_paletteEntries * 3);
  }

  for (const Frame& frame : m_frames) {
    WORD frameFlags = 0;
    if (palettised) frameFlags |= 0x1;
    if (alpha) frameFlags |= 0x4;
    std::vector<BYTE> colourData, alphaData;
    if (m_codec == 1) {
      colourData = frame.pixels;
    } else {
      // Split the decoded pixels into a colour plane (indices or B, G, R) and an alpha plane.
      std::vector<BYTE> colour, alphaPlane;
      for (size_t i = 0; i < pixels; i++) {
        const BYTE* p = frame.pixels.data() + i * bpp;
        if (palettised) {
          colour.push_back(p[0]);
          if (alpha) alphaPlane.push_back(p[1]);
        } else {
          colour.insert(colour.end(), p, p + 3);
          alphaPlane.push_back(p[3]);
        }
      }
      const int unit = palettised ? 1 : 3;
      const size_t units = pixels;
      const bool colourZlib = m_codec == 5 || (m_codec == 6 && m_zlibColour);
      if (m_codec == 6 && m_zlibColour) frameFlags |= 0x20;
      colourData = colourZlib ? EncodeZlib(colour.data(), colour.size()) : EncodePpsRle(colour.data(), units, unit);
      if (alpha) {
        alphaData = m_codec == 3 ? EncodePpsRle(alphaPlane.data(), pixels, 1)
                                 : EncodeZlib(alphaPlane.data(), alphaPlane.size());
      }
    }
    Put16(out, frameFlags);
    Put16(out, 0);
    Put32(out, frame.displayTime);
    Put32(out, static_cast<DWORD>(colourData.size()));
    Put32(out, static_cast<DWORD>(alphaData.size()));
    Put32(out, static_cast<DWORD>(frameSize));
    out.insert(out.end(), colourData.begin(), colourData.end());
    out.insert(out.end(), alphaData.begin(), alphaData.end());
  }
  if (m_flags & IMGFLAG_HOTSPOT) {
    Put32(out, static_cast<DWORD>(static_cast<uint16_t>(m_hotSpot[0])) << 16 | static_cast<uint16_t>(m_hotSpot[1]));
  }
  return out;
}
