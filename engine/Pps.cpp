#include "engine/Pps.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

namespace {

WORD Get16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }
DWORD Get32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

// Shared body of both run-length codes; `unit` is 1 for byte units and 3 for pixel units.
long DecodeRuns(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity, DWORD unit) {
  DWORD in = 0;
  DWORD out = 0;
  while (in < codedLength) {
    const BYTE k = coded[in];
    const DWORD n = k >> 2;
    const int op = k & 3;
    DWORD count = n;
    DWORD head = 1;
    if (op >= 2) {
      if (in + 1 >= codedLength) return -1;
      count = n + 64u * coded[in + 1];
      head = 2;
    }
    // Runs carry one unit after the head; literals carry `count` units.
    const DWORD payload = (op == 0 || op == 2) ? unit : count * unit;
    if (static_cast<unsigned long long>(in) + head + payload > codedLength) return -1;
    const unsigned long long produced = static_cast<unsigned long long>(count) * unit;
    if (out + produced > capacity) return -1;
    const BYTE* src = coded + in + head;
    if (op == 0 || op == 2) {
      for (DWORD i = 0; i < count; i++) std::memcpy(plane + out + i * unit, src, unit);
    } else {
      std::memcpy(plane + out, src, static_cast<size_t>(produced));
    }
    out += static_cast<DWORD>(produced);
    in += head + payload;
  }
  return static_cast<long>(out);
}

// Inflates one complete zlib stream into the plane. A stream that fails leaves the rest of the
// plane as it was; the frame is kept as the format's readers always did.
void Inflate(const BYTE* coded, DWORD codedLength, BYTE* plane, DWORD capacity) {
  uLongf size = capacity;
  uncompress(plane, &size, coded, codedLength);
}

int BytesPerPixelOf(DWORD flags) {
  if (flags & (IMGFLAG_GLOBAL_PALETTE | IMGFLAG_PALETTE)) return (flags & IMGFLAG_ALPHA) ? 2 : 1;
  return 4;
}

}  // namespace

PpsHeader ReadPpsHeader(const BYTE* b) {
  PpsHeader h;
  std::memcpy(h.magic, b, 3);
  h.codec = b[3];
  h.flags = Get32(b + 4);
  h.frameCount = Get16(b + 8);
  h.width = Get16(b + 10);
  h.height = Get16(b + 12);
  h.transparent = Get32(b + 16);
  h.decodedSize = Get32(b + 20);
  h.paletteEntries = Get16(b + 28);
  return h;
}

PpsFrameHeader ReadPpsFrameHeader(const BYTE* b) {
  PpsFrameHeader f;
  f.flags = Get16(b);
  f.displayTime = Get32(b + 4);
  f.colourLength = Get32(b + 8);
  f.alphaLength = Get32(b + 12);
  f.decodedSize = Get32(b + 16);
  return f;
}

long DecodePpsRle8(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity) {
  return DecodeRuns(coded, plane, codedLength, capacity, 1);
}

long DecodePpsRle24(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity) {
  return DecodeRuns(coded, plane, codedLength, capacity, 3);
}

long DecodePpsRle(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity, WORD frameFlags) {
  if (frameFlags & PPS_FRAME_ZLIB) {
    Inflate(coded, codedLength, plane, capacity);
    return static_cast<long>(capacity);
  }
  if (frameFlags & PPS_FRAME_INDEXED) return DecodePpsRle8(coded, plane, codedLength, capacity);
  return DecodePpsRle24(coded, plane, codedLength, capacity);
}

void MergeAlphaPlane(const BYTE* colour, const BYTE* alpha, BYTE* dest, DWORD pixelCount, int mode) {
  if (mode == 8) {
    for (DWORD i = 0; i < pixelCount; i++) {
      dest[i * 2] = colour[i];
      dest[i * 2 + 1] = alpha[i];
    }
  } else if (mode == 32) {
    for (DWORD i = 0; i < pixelCount; i++) {
      dest[i * 4] = colour[i * 3];
      dest[i * 4 + 1] = colour[i * 3 + 1];
      dest[i * 4 + 2] = colour[i * 3 + 2];
      dest[i * 4 + 3] = alpha[i];
    }
  }
}

int DecodePpsFrame(const BYTE* data, DWORD available, BYTE* slot, const PpsHeader& header,
                   const PpsFrameHeader& frame, int codec) {
  const DWORD size = frame.decodedSize;
  const DWORD pixels = static_cast<DWORD>(header.width) * header.height;
  if (codec == 1) {
    if (size > available) return 0;
    std::memcpy(slot, data, size);
    return 1;
  }
  if (codec < 3 || codec > 6) return 1;

  const bool indexed = frame.flags & PPS_FRAME_INDEXED;
  const bool alpha = frame.flags & PPS_FRAME_ALPHA;
  // The frame's planes must make exactly the pixels of the header's format, or the slot and the
  // draw routines would disagree about where pixels lie.
  const DWORD bytesPerPixel = indexed ? (alpha ? 2 : 1) : 4;
  if (static_cast<unsigned long long>(pixels) * bytesPerPixel != size) return 0;
  if (static_cast<unsigned long long>(frame.colourLength) + frame.alphaLength > available) return 0;
  const BYTE* colourData = data;
  const BYTE* alphaData = data + frame.colourLength;

  const bool colourZlib = codec == 5 || (codec == 6 && (frame.flags & PPS_FRAME_ZLIB));
  const bool alphaZlib = codec != 3;
  const DWORD colourCapacity = indexed ? pixels : pixels * 3;

  auto decodeColour = [&](BYTE* plane) -> bool {
    if (colourZlib) {
      Inflate(colourData, frame.colourLength, plane, colourCapacity);
      return true;
    }
    const long n = indexed ? DecodePpsRle8(colourData, plane, frame.colourLength, colourCapacity)
                           : DecodePpsRle24(colourData, plane, frame.colourLength, colourCapacity);
    return n >= 0;
  };

  if (indexed && !alpha) return decodeColour(slot) ? 1 : 0;

  BYTE* colourPlane = static_cast<BYTE*>(std::calloc(colourCapacity ? colourCapacity : 1, 1));
  BYTE* alphaPlane = static_cast<BYTE*>(std::calloc(pixels ? pixels : 1, 1));
  int ok = colourPlane && alphaPlane;
  if (ok) ok = decodeColour(colourPlane);
  if (ok) {
    if (alpha) {
      if (alphaZlib) {
        Inflate(alphaData, frame.alphaLength, alphaPlane, pixels);
      } else {
        ok = DecodePpsRle8(alphaData, alphaPlane, frame.alphaLength, pixels) >= 0;
      }
    } else {
      std::memset(alphaPlane, 255, pixels);
    }
  }
  if (ok) MergeAlphaPlane(colourPlane, alphaPlane, slot, pixels, indexed ? 8 : 32);
  std::free(colourPlane);
  std::free(alphaPlane);
  return ok ? 1 : 0;
}

DWORD ParsePps(const BYTE* bytes, DWORD length, ImageRecord* image) {
  if (!bytes || !image || length < PPS_HEADER_SIZE) return 0;
  if (bytes[0] != 'p' || bytes[1] != 'p' || bytes[2] != 's') return 0;
  const PpsHeader header = ReadPpsHeader(bytes);

  // A picture needs at least one frame and one pixel; a frame count of 0 would divide by zero in
  // every frame lookup.
  if (header.frameCount == 0 || header.width == 0 || header.height == 0) return 0;
  const DWORD flags = header.flags;
  const bool palettised = flags & (IMGFLAG_GLOBAL_PALETTE | IMGFLAG_PALETTE);
  const int bytesPerPixel = BytesPerPixelOf(flags);
  const unsigned long long frameSize =
      static_cast<unsigned long long>(header.width) * header.height * bytesPerPixel;
  if (frameSize * header.frameCount != header.decodedSize) return 0;
  if (header.decodedSize > PPS_MAX_DECODED_SIZE) return 0;
  // Every frame needs its header, so the count cannot exceed what the file could hold.
  if (static_cast<unsigned long long>(header.frameCount) * PPS_FRAME_HEADER_SIZE > length) return 0;

  ImageRecord r = {};
  r.resourceId = image->resourceId;
  r.frameCount = header.frameCount;
  r.width = header.width;
  r.height = header.height;
  r.transparent = header.transparent;
  r.bufferSize = header.decodedSize;
  r.flags = static_cast<int32_t>(flags);
  r.paletteEntries = header.paletteEntries;

  bool ok = true;
  DWORD at = PPS_HEADER_SIZE;
  if (flags & IMGFLAG_ANIMATED) {
    r.durations = static_cast<int32_t*>(std::calloc(header.frameCount, sizeof(int32_t)));
    ok = r.durations != nullptr;
  }
  if (ok && (flags & IMGFLAG_GLOBAL_PALETTE)) {
    // The name block wins over an own palette; the record then owns no palette entries, so the
    // own-palette flag goes.
    r.flags &= ~IMGFLAG_PALETTE;
    if (length - at < IMG_PALETTE_NAME_SIZE) {
      ok = false;
    } else {
      r.palette = static_cast<uint8_t*>(std::malloc(IMG_PALETTE_NAME_SIZE));
      ok = r.palette != nullptr;
      if (ok) {
        std::memcpy(r.palette, bytes + at, IMG_PALETTE_NAME_SIZE);
        r.palette[IMG_PALETTE_NAME_SIZE - 1] = 0;
      }
      at += IMG_PALETTE_NAME_SIZE;
    }
  } else if (ok && (flags & IMGFLAG_PALETTE)) {
    const DWORD entries = header.paletteEntries;
    // Pixels may hold any index 0..255, so an own palette always has 256 entries; the ones the
    // file does not give stay black.
    if (entries > 256 || length - at < entries * 3) {
      ok = false;
    } else {
      r.palette = static_cast<uint8_t*>(std::calloc(256, 3));
      ok = r.palette != nullptr;
      if (ok) std::memcpy(r.palette, bytes + at, entries * 3);
      at += entries * 3;
    }
  }
  if (ok && palettised && !(flags & IMGFLAG_TRANSPARENT)) r.transparent = IMG_NO_KEY_INDEX;

  if (ok) {
    r.pixels = static_cast<uint8_t*>(std::calloc(header.decodedSize, 1));
    ok = r.pixels != nullptr;
  }
  for (DWORD i = 0; ok && i < header.frameCount; i++) {
    if (length - at < PPS_FRAME_HEADER_SIZE) {
      ok = false;
      break;
    }
    const PpsFrameHeader frame = ReadPpsFrameHeader(bytes + at);
    at += PPS_FRAME_HEADER_SIZE;
    const unsigned long long data = static_cast<unsigned long long>(frame.colourLength) + frame.alphaLength;
    if (data > length - at || frame.decodedSize != frameSize) {
      ok = false;
      break;
    }
    ok = DecodePpsFrame(bytes + at, static_cast<DWORD>(data), r.pixels + i * frameSize, header, frame,
                        header.codec) != 0;
    if (ok && r.durations) r.durations[i] = static_cast<int32_t>(frame.displayTime);
    at += static_cast<DWORD>(data);
  }
  if (ok && (flags & IMGFLAG_HOTSPOT)) {
    if (length - at < 4) {
      ok = false;
    } else {
      const DWORD word = Get32(bytes + at);
      r.hotSpot[0] = static_cast<int16_t>(word >> 16);
      r.hotSpot[1] = static_cast<int16_t>(word & 0xffff);
    }
  }
  if (!ok) {
    std::free(r.durations);
    std::free(r.palette);
    std::free(r.pixels);
    return 0;
  }
  *image = r;
  return header.decodedSize;
}

void FreePps(ImageRecord* image) {
  if (!image) return;
  if (image->flags & IMGFLAG_ANIMATED) std::free(image->durations);
  // Only a palette of the record's own is freed; a resolved global palette belongs to the palette
  // table, and a palette flag beside the global one is never the record's.
  if ((image->flags & IMGFLAG_PALETTE) && !(image->flags & IMGFLAG_GLOBAL_PALETTE)) std::free(image->palette);
  std::free(image->pixels);
  std::memset(image, 0, sizeof *image);
}
