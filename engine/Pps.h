// The engine's own picture format, .pps: one picture of equally sized frames, palettised or 32-bit,
// with or without alpha, with per-frame display times and an optional hot spot. Each frame is one
// or two planes (colour, and alpha when present), run-length coded or zlib-compressed.
//
// Every length in a .pps file is checked against the file and against the picture before use: a
// file whose frames, planes or runs do not fit is refused as a whole and leaves the record as it
// was.
#pragma once

#include "engine/ImageRecord.h"
#include "platform/base/WinTypes.h"

constexpr DWORD PPS_HEADER_SIZE = 32;
constexpr DWORD PPS_FRAME_HEADER_SIZE = 20;
// The largest decoded picture a .pps file may describe. Small files can describe huge pictures
// through runs and zlib; the game's largest pictures are far below this.
constexpr DWORD PPS_MAX_DECODED_SIZE = 64u << 20;

// Frame flags.
constexpr WORD PPS_FRAME_INDEXED = 0x1;
constexpr WORD PPS_FRAME_ALPHA = 0x4;
constexpr WORD PPS_FRAME_ZLIB = 0x20;

struct PpsHeader {
  char magic[3];
  BYTE codec;
  DWORD flags;
  WORD frameCount;
  WORD width;
  WORD height;
  DWORD transparent;
  DWORD decodedSize;
  WORD paletteEntries;
};

struct PpsFrameHeader {
  WORD flags;
  DWORD displayTime;
  DWORD colourLength;
  DWORD alphaLength;
  DWORD decodedSize;
};

// Reads the little-endian header fields from 32 (or 20) bytes.
PpsHeader ReadPpsHeader(const BYTE* bytes);
PpsFrameHeader ReadPpsFrameHeader(const BYTE* bytes);

// Fills `image` from the `length` bytes of a .pps file and returns the decoded size of all frames;
// 0 when the bytes are not a well-formed .pps file (the record then stays as it was). The caller
// keeps the input bytes and sets the record's resource id; the record owns what is allocated here
// and gives it back with FreePps.
DWORD ParsePps(const BYTE* bytes, DWORD length, ImageRecord* image);

// Decodes one frame whose data (`available` bytes after its frame header: colour then alpha data)
// into `slot`, which holds width x height pixels of the header's format. 1 decoded, 0 malformed.
// Codecs that this reader does not know leave the slot as it is.
int DecodePpsFrame(const BYTE* data, DWORD available, BYTE* slot, const PpsHeader& header,
                   const PpsFrameHeader& frame, int codec);

// The colour plane of codec 6: zlib with frame flag 0x20, else the byte-unit run-length code with
// flag 0x1, else the pixel-unit code. Returns the bytes written, or -1 for input that runs past
// its coded length or the plane's capacity.
long DecodePpsRle(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity, WORD frameFlags);
// The byte-unit run-length code (index and alpha planes).
long DecodePpsRle8(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity);
// The pixel-unit run-length code (3-byte colour planes).
long DecodePpsRle24(const BYTE* coded, BYTE* plane, DWORD codedLength, DWORD capacity);

// Joins a colour plane and an alpha plane of `pixelCount` pixels: mode 8 writes (index, alpha),
// mode 32 writes (B, G, R, alpha).
void MergeAlphaPlane(const BYTE* colour, const BYTE* alpha, BYTE* dest, DWORD pixelCount, int mode);

// Frees what the record owns (durations with IMGFLAG_ANIMATED, a palette of its own, the pixels)
// and zeroes it. A global palette is never freed here. A null record is ignored.
void FreePps(ImageRecord* image);
