#include "image/RasterImageGIF.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const int CODE_MASK[13] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F,
                           0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF, 0x0FFF};

// A work image whose info block the decoder sets directly (the composed background must carry
// the first frame's transparent index whatever its palette size).
class GifCanvas : public CRasterImage {
 public:
  GifCanvas() : CRasterImage(RASTER_FORMAT_GIF) {}
  RasterInfo& Info() { return m_info; }
};

struct RgbTable {
  BYTE rgb[256 * 3];
  int entries;
};

}  // namespace

// The logical screen and the colour tables, shared by the counting pass and the decode.
struct CRasterImageGIF::ScreenState {
  long width;
  long height;
  RgbTable global;
  bool hasGlobal;
  // The disposal of every counted frame as the decode will see it.
  std::vector<signed char> disposals;
};

CRasterImageGIF::CRasterImageGIF()
    : CRasterImage(RASTER_FORMAT_GIF), m_gce{}, m_comment{}, m_loopCount(0),
      m_readIndex(IBF_SIZE), m_readCount(0), m_codeSize(0), m_currentSize(0), m_clearCode(0),
      m_endCode(0), m_newCodes(0), m_slot(0), m_topSlot(0), m_bitsLeft(0), m_currentByte(0),
      m_bytesLeft(0), m_subBlock{}, m_subBlockPtr(m_subBlock), m_badCodes(0),
      m_interlaced(false), m_frameHeight(0), m_rowStep(8), m_nextRow(0), m_pass(0) {
  m_readBuffer = static_cast<BYTE*>(malloc(IBF_SIZE + 1));
  m_stack = static_cast<BYTE*>(malloc(MAX_CODES + 1));
  m_suffix = static_cast<BYTE*>(calloc(MAX_CODES + 1, 1));
  m_prefix = static_cast<WORD*>(calloc(MAX_CODES + 1, sizeof(WORD)));
}

CRasterImageGIF::~CRasterImageGIF() {
  free(m_readBuffer);
  free(m_stack);
  free(m_suffix);
  free(m_prefix);
}

void CRasterImageGIF::ResetReader() {
  m_readIndex = IBF_SIZE;
  m_readCount = 0;
}

int CRasterImageGIF::NextByte(CRasterFile* file) {
  if (m_readIndex >= IBF_SIZE) {
    m_readCount = static_cast<int>(file->Read(m_readBuffer, 1, IBF_SIZE));
    if (m_readCount < IBF_SIZE) m_readBuffer[m_readCount] = 0xFF;
    m_readIndex = 0;
  }
  if (m_readIndex >= m_readCount) return -1;
  return m_readBuffer[m_readIndex++];
}

int CRasterImageGIF::NextCode(CRasterFile* file) {
  // Reads a new sub-block into the sub-block buffer; false at the end of the data.
  auto refill = [&](int& error) {
    m_subBlockPtr = m_subBlock;
    m_bytesLeft = NextByte(file);
    if (m_bytesLeft < 0) {
      error = m_bytesLeft;
      return false;
    }
    for (int i = 0; i < m_bytesLeft; ++i) {
      int x = NextByte(file);
      if (x < 0) {
        error = x;
        return false;
      }
      m_subBlock[i] = static_cast<BYTE>(x);
    }
    return true;
  };
  int error = 0;
  if (m_bitsLeft == 0) {
    if (m_bytesLeft <= 0 && !refill(error)) return error;
    m_currentByte = *m_subBlockPtr++;
    m_bitsLeft = 8;
    --m_bytesLeft;
  }
  // A zero-length sub-block ends the image data.
  if (m_bytesLeft < 0) return m_endCode;
  int ret = m_currentByte >> (8 - m_bitsLeft);
  while (m_currentSize > m_bitsLeft) {
    if (m_bytesLeft <= 0 && !refill(error)) return error;
    if (m_bytesLeft == 0) return m_endCode;
    m_currentByte = *m_subBlockPtr++;
    ret |= m_currentByte << m_bitsLeft;
    m_bitsLeft += 8;
    --m_bytesLeft;
  }
  m_bitsLeft -= m_currentSize;
  return ret & CODE_MASK[m_currentSize];
}

int CRasterImageGIF::DecodeLzw(CRasterFile* file, int lineWidth, bool store) {
  int size = NextByte(file);
  if (size < 0) return size;
  if (size < 2 || size > 9) return LZW_BAD_CODE_SIZE;
  m_codeSize = size;
  m_currentSize = size + 1;
  m_topSlot = 1 << m_currentSize;
  m_clearCode = 1 << size;
  m_endCode = m_clearCode + 1;
  m_slot = m_newCodes = m_endCode + 1;
  m_bytesLeft = 0;
  m_bitsLeft = 0;
  m_badCodes = 0;
  memset(m_suffix, 0, MAX_CODES + 1);
  memset(m_prefix, 0, (MAX_CODES + 1) * sizeof(WORD));

  BYTE* buf = static_cast<BYTE*>(malloc(static_cast<size_t>(lineWidth) + 1));
  if (!buf) return LZW_OUT_OF_MEMORY;
  int oc = 0;
  int fc = 0;
  BYTE* sp = m_stack;
  BYTE* bufptr = buf;
  int bufcnt = lineWidth;
  auto emit = [&](int value) {
    *bufptr++ = static_cast<BYTE>(value);
    if (--bufcnt == 0) {
      if (store) {
        int r = StoreRow(buf, lineWidth);
        if (r < 0) return r;
      }
      bufptr = buf;
      bufcnt = lineWidth;
    }
    return 0;
  };

  int c;
  while ((c = NextCode(file)) != m_endCode) {
    if (c < 0) {
      free(buf);
      return 0;
    }
    if (c == m_clearCode) {
      m_currentSize = size + 1;
      m_slot = m_newCodes;
      m_topSlot = 1 << m_currentSize;
      while ((c = NextCode(file)) == m_clearCode) {
      }
      if (c == m_endCode) break;
      if (c < 0) {
        free(buf);
        return 0;
      }
      if (c >= m_slot) c = 0;
      oc = fc = c;
      int r = emit(c);
      if (r < 0) {
        free(buf);
        return r;
      }
    } else {
      int code = c;
      if (code >= m_slot && sp < m_stack + MAX_CODES - 1) {
        if (code > m_slot) ++m_badCodes;
        code = oc;
        *sp++ = static_cast<BYTE>(fc);
      }
      while (code >= m_newCodes && sp < m_stack + MAX_CODES - 1) {
        *sp++ = m_suffix[code];
        code = m_prefix[code];
      }
      *sp++ = static_cast<BYTE>(code);
      if (m_slot < m_topSlot) {
        m_suffix[m_slot] = static_cast<BYTE>(fc = code);
        m_prefix[m_slot++] = static_cast<WORD>(oc);
        oc = c;
      }
      if (m_slot >= m_topSlot && m_currentSize < 12) {
        m_topSlot <<= 1;
        ++m_currentSize;
      }
      while (sp > m_stack) {
        int r = emit(*--sp);
        if (r < 0) {
          free(buf);
          return r;
        }
      }
    }
  }
  int ret = 0;
  if (store && bufcnt != lineWidth) ret = StoreRow(buf, lineWidth - bufcnt);
  free(buf);
  return ret < 0 ? ret : m_badCodes;
}

void CRasterImageGIF::ResetRows(bool interlaced, long height) {
  m_interlaced = interlaced;
  m_frameHeight = height;
  m_rowStep = 8;
  m_nextRow = 0;
  m_pass = 0;
}

int CRasterImageGIF::StoreRow(BYTE* row, int length) {
  const WORD bpp = GetBpp();
  if (bpp == 1) {
    for (int i = 0; i < length; ++i) {
      // Packed in place: byte i/8 holds pixels that were all read before pixel i.
      BYTE v = row[i] & 1;
      BYTE& b = row[i >> 3];
      if ((i & 7) == 0) b = 0;
      if (v) b |= static_cast<BYTE>(0x80 >> (i & 7));
    }
  } else if (bpp == 4) {
    for (int i = 0; i < length; ++i) {
      BYTE v = row[i] & 0x0F;
      BYTE& b = row[i >> 1];
      b = (i & 1) ? static_cast<BYTE>((b & 0xF0) | v) : static_cast<BYTE>(v << 4);
    }
  }
  size_t bytes = (static_cast<size_t>(length) * bpp + 7) / 8;
  if (bytes > m_info.effWidth) bytes = m_info.effWidth;
  const long height = static_cast<long>(GetHeight());
  if (m_interlaced) {
    long target = m_frameHeight - m_nextRow - 1;
    if (target >= 0 && target < height) memcpy(GetBits(static_cast<DWORD>(target)), row, bytes);
    m_nextRow += m_rowStep;
    while (m_nextRow >= m_frameHeight) {
      if (m_pass++ > 0) m_rowStep /= 2;
      if (m_rowStep == 0) {
        // All four passes are done; further rows have no place.
        m_nextRow = m_frameHeight;
        break;
      }
      m_nextRow = m_rowStep / 2;
    }
    return 0;
  }
  // Rows arrive from the top of the picture: the top is the last row of the bottom-up DIB.
  if (m_nextRow >= height) return -1;
  memcpy(GetBits(static_cast<DWORD>(height - 1 - m_nextRow)), row, bytes);
  ++m_nextRow;
  return 0;
}

bool CRasterImageGIF::ReadExtension(CRasterFile* file) {
  BYTE label;
  if (file->Read(&label, 1, 1) != 1) return false;
  bool ok = false;
  if (label == 0xF9) {
    ++m_gceReads;
    BYTE size = 0;
    BYTE block[4] = {};
    if (file->Read(&size, 1, 1) == 1 && file->Read(block, 1, 4) == 4) {
      m_gce.flags = block[0];
      m_gce.delay = static_cast<WORD>(block[1] | (block[2] << 8));
      m_gce.transIndex = block[3];
      ok = size == 4;
    }
    if (ok) {
      m_info.transIndex = (m_gce.flags & 1) ? m_gce.transIndex : -1;
      m_info.frameDelay = m_gce.delay;
      m_info.disposalMethod = (m_gce.flags >> 2) & 7;
    }
  } else if (label == 0xFE) {
    BYTE count = 0;
    if (file->Read(&count, 1, 1) == 1 && file->Read(m_comment, 1, count) == count) {
      m_comment[count] = 0;
      ok = true;
    }
  } else if (label == 0xFF) {
    BYTE size = 0;
    BYTE ident[11];
    BYTE count = 0;
    BYTE block[255];
    if (file->Read(&size, 1, 1) == 1 && size == 11 && file->Read(ident, 1, 11) == 11 &&
        file->Read(&count, 1, 1) == 1 && file->Read(block, 1, count) == count) {
      if (count > 2) m_loopCount = static_cast<WORD>(block[1] | (block[2] << 8));
      ok = true;
    }
  } else {
    ok = true;
  }
  if (ok) {
    // Skips the remaining sub-blocks up to the terminator.
    BYTE count;
    while (file->Read(&count, 1, 1) == 1 && count != 0) {
      if (!file->Seek(count, 1)) break;
    }
  }
  return ok;
}

void CRasterImageGIF::PositionAfterFrame(CRasterFile* file, long startPosition, int lzwResult) {
  if (lzwResult > 0) {
    // Codes beyond the table mean the data is damaged: look for the next frame instead.
    long pos = FindNextFrame(file, startPosition);
    if (pos < 0) file->Seek(0, 2);
  } else {
    int unread = m_readCount - m_readIndex;
    if (m_readIndex < IBF_SIZE && unread > 0) file->Seek(-(unread - 1), 1);
  }
  ResetReader();
}

long CRasterImageGIF::FindNextFrame(CRasterFile* file, long position) {
  if (!file->Seek(position, 0)) return -1;
  bool previousZero = true;
  BYTE ch;
  while (file->Read(&ch, 1, 1) == 1) {
    if (ch == ',' && previousZero) {
      file->Seek(-1, 1);
      return file->Tell();
    }
    previousZero = ch == 0;
  }
  return -1;
}

long CRasterImageGIF::CountFrames(CRasterFile* file, ScreenState& screen) {
  long start = file->Tell();
  const long gceReadsAtStart = m_gceReads;
  long count = 0;
  bool previousZero = true;
  BYTE ch;
  while (file->Read(&ch, 1, 1) == 1) {
    if (!previousZero && ch != 0) continue;
    if (ch == '!') {
      if (!ReadExtension(file)) break;
    } else if (ch == ',') {
      BYTE d[9];
      if (file->Read(d, 1, 9) != 9) break;
      long left = d[0] | (d[1] << 8);
      long top = d[2] | (d[3] << 8);
      long width = d[4] | (d[5] << 8);
      long height = d[6] | (d[7] << 8);
      if (screen.width == 0 && screen.height == 0) {
        screen.width = width;
        screen.height = height;
      }
      if (left + width > screen.width || top + height > screen.height) continue;
      ++count;
      screen.disposals.push_back(m_gceReads > gceReadsAtStart ? static_cast<signed char>((m_gce.flags >> 2) & 7) : -1);
      if (d[8] & 0x80) {
        long entries = 1L << ((d[8] & 7) + 1);
        if (!file->Seek(entries * 3, 1)) break;
      }
      ResetReader();
      long pos = file->Tell();
      int r = DecodeLzw(file, width > 0 ? static_cast<int>(width) : 1, false);
      PositionAfterFrame(file, pos, r);
    } else if (ch == ';') {
      break;
    } else {
      previousZero = ch == 0;
    }
  }
  // A frame before the file's first graphic control block is decoded with the block this pass
  // read last, which the decode still holds.
  for (auto& d : screen.disposals) {
    if (d < 0) d = static_cast<signed char>((m_gce.flags >> 2) & 7);
  }
  file->Seek(start, 0);
  return count;
}

void CRasterImageGIF::MixFrame(CRasterImage& background, long left, long top, long screenHeight) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const long trans = m_info.transIndex;
  // A frame that fits the screen lies inside a screen-sized background: its points need no
  // check each (large screens make this the decoder's hottest loop).
  const bool inside = background.IsValid() && left >= 0 && top >= 0 &&
                      left + width <= static_cast<long>(background.GetWidth()) &&
                      screenHeight <= static_cast<long>(background.GetHeight()) &&
                      top + height <= screenHeight && IsIndexed() && background.IsIndexed();
  const bool bytes = inside && GetBpp() == 8 && background.GetBpp() == 8;
  for (long y = 0; y < height; ++y) {
    // Frame row y (bottom-up) is picture row top + (height - 1 - y) from the screen's top.
    long screenRow = screenHeight - 1 - (top + height - 1 - y);
    if (bytes) {
      const BYTE* src = GetBits(static_cast<DWORD>(y));
      BYTE* dst = background.GetBits(static_cast<DWORD>(screenRow)) + left;
      for (long x = 0; x < width; ++x) {
        if (trans < 0 || src[x] != trans) dst[x] = src[x];
      }
      continue;
    }
    for (long x = 0; x < width; ++x) {
      BYTE index = GetPixelIndexUnchecked(x, y);
      if (trans >= 0 && index == trans) continue;
      if (inside) {
        background.SetPixelIndexUnchecked(left + x, screenRow, index);
      } else {
        background.SetPixelIndex(left + x, screenRow, index);
      }
    }
  }
}

bool CRasterImageGIF::Decode(CRasterFile* file) {
  if (!file) return Fail("null file handler");
  if (!m_readBuffer || !m_stack || !m_suffix || !m_prefix)
    return Fail("CRasterImageGIF can't allocate memory");
  BYTE header[13];
  if (file->Read(header, 1, 13) != 13 || memcmp(header, "GIF8", 4) != 0) return false;

  ScreenState screen{};
  screen.width = header[6] | (header[7] << 8);
  screen.height = header[8] | (header[9] << 8);
  screen.global.entries = 1 << ((header[10] & 7) + 1);
  int trueColorCandidates = 0;
  if (header[10] & 0x80) {
    if (file->Read(screen.global.rgb, 3, screen.global.entries) !=
        static_cast<size_t>(screen.global.entries))
      return false;
    screen.hasGlobal = true;
  } else {
    trueColorCandidates = 1;
  }

  const long frameCount = CountFrames(file, screen);
  m_info.numFrames = frameCount;
  long chosen = m_info.frame;
  if (chosen < 0 || chosen >= frameCount) return false;
  if (frameCount == 1) trueColorCandidates = 0;

  // Keeping a composed copy of every frame must stay within the memory one picture may use.
  const bool keepFrames = m_info.retrieveAllFrames;
  if (keepFrames) {
    uint64_t perFrame = static_cast<uint64_t>((screen.width * 8 + 31) / 32 * 4) * screen.height;
    if (perFrame * static_cast<uint64_t>(frameCount) > RASTER_MAX_MEMORY)
      return Fail("IMAGE_MAX_MEMORY exceeded");
  }

  // The picture kept for "restore to previous" is copied only when a frame still to be drawn
  // before the chosen one may ask for it, and the running picture moves from frame to frame
  // instead of being copied: a large screen with small frames then costs what its frames hold,
  // not a full screen per frame.
  auto restoreAhead = [&](long from) {
    for (long j = from; j < chosen; ++j) {
      if (j < 0 || static_cast<size_t>(j) >= screen.disposals.size()) return true;
      if (screen.disposals[static_cast<size_t>(j)] == 3) return true;
    }
    return false;
  };
  std::unique_ptr<CRasterImage> saved;
  std::unique_ptr<CRasterImage> trueColor;
  bool trueColorMode = false;
  long firstTrans = -1;
  BYTE previousDisposal = 0;
  long frameNo = 0;
  bool previousZero = true;
  BYTE ch;
  bool scanning = true;
  while (scanning && file->Read(&ch, 1, 1) == 1) {
    if (!previousZero && ch != 0) continue;
    if (ch == '!') {
      if (!ReadExtension(file)) break;
      continue;
    }
    if (ch == ';') break;
    if (ch != ',') {
      previousZero = ch == 0;
      continue;
    }

    BYTE d[9];
    if (file->Read(d, 1, 9) != 9) break;
    const long left = d[0] | (d[1] << 8);
    const long top = d[2] | (d[3] << 8);
    const long width = d[4] | (d[5] << 8);
    const long height = d[6] | (d[7] << 8);
    if (left + width > screen.width || top + height > screen.height) continue;

    if (frameNo == 0) {
      if (width != screen.width && height != screen.height) ++trueColorCandidates;
      trueColorMode = trueColorCandidates >= 2;
      if (trueColorMode) chosen = frameCount - 1;
    }

    RgbTable local;
    const RgbTable* table = nullptr;
    if (d[8] & 0x80) {
      local.entries = 1 << ((d[8] & 7) + 1);
      if (file->Read(local.rgb, 3, local.entries) != static_cast<size_t>(local.entries)) break;
      table = &local;
    } else if (screen.hasGlobal) {
      table = &screen.global;
    }
    const int entries = table ? table->entries : screen.global.entries;
    const DWORD bpp = entries <= 2 ? 1 : entries <= 16 ? 4 : 8;

    // The background may come from an earlier frame's copy; this frame's own values stay.
    const DWORD frameDelay = m_info.frameDelay;
    const BYTE disposal = m_info.disposalMethod;
    GifCanvas background;
    if (!trueColorMode) {
      if (frameNo == 0) {
        background.CopyInfo(*this);
        if (!background.Create(static_cast<DWORD>(screen.width), static_cast<DWORD>(screen.height),
                               bpp, RASTER_FORMAT_GIF))
          return Fail(background.GetLastError());
        firstTrans = m_info.transIndex;
        // A new picture starts zeroed, so a fill with index 0 has nothing to do.
        if (m_gce.transIndex != 0) background.Clear(m_gce.transIndex);
        if (restoreAhead(0)) saved = std::make_unique<CRasterImage>(background);
      } else if (previousDisposal == 2) {
        background.Copy(*this, false);
        if (static_cast<BYTE>(firstTrans) != 0) background.Clear(static_cast<BYTE>(firstTrans));
      } else if (previousDisposal == 3 && saved && saved->IsValid()) {
        background.CopyInfo(*this);
        background.Copy(*saved);
        if (saved->IsGrayScale()) background.AlphaSetFromImage(*saved);
      } else {
        // The running picture becomes the background as it stands; this image keeps its
        // settings and gets the frame's own pixels next.
        const RasterInfo info = m_info;
        const BITMAPINFOHEADER header = m_header;
        background.Transfer(*this, false);
        m_info = info;
        m_info.pixels = nullptr;
        m_header = header;
      }
      if (!background.IsValid()) return Fail(background.GetLastError());
    }

    if (!Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, RASTER_FORMAT_GIF))
      return false;
    if (table) {
      RGBQUAD pal[256] = {};
      for (int i = 0; i < table->entries; ++i) {
        pal[i].rgbRed = table->rgb[3 * i];
        pal[i].rgbGreen = table->rgb[3 * i + 1];
        pal[i].rgbBlue = table->rgb[3 * i + 2];
      }
      // With a transparent index the entries behind the table are white, so that an index past
      // the table still names a colour. The palette keeps the size creation gave it.
      if (m_info.transIndex >= 0) {
        for (int i = table->entries; i < 256; ++i) {
          pal[i].rgbRed = pal[i].rgbGreen = pal[i].rgbBlue = 255;
        }
      }
      SetPalette(pal, 256);
    }

    ResetRows((d[8] & 0x40) != 0, height);
    ResetReader();
    const long lzwStart = file->Tell();
    int lzw = DecodeLzw(file, static_cast<int>(width), true);

    if (!trueColorMode) {
      MixFrame(background, left, top, screen.height);
      background.Info().transIndex = firstTrans;
      background.SetPalette(GetPalette(), m_header.biClrUsed);
      Transfer(background, false);
      m_info.frameDelay = frameDelay;
      m_info.disposalMethod = disposal;
    } else {
      if (!trueColor) {
        trueColor = std::make_unique<CRasterImage>(RASTER_FORMAT_GIF);
        trueColor->CopyInfo(*this);
        if (!trueColor->Create(static_cast<DWORD>(screen.width),
                               static_cast<DWORD>(screen.height), 24, RASTER_FORMAT_GIF))
          return Fail(trueColor->GetLastError());
      }
      for (long y = 0; y < height; ++y) {
        long screenRow = screen.height - 1 - (top + height - 1 - y);
        for (long x = 0; x < width; ++x)
          trueColor->SetPixelColor(left + x, screenRow, GetPixelColor(x, y, false), false);
      }
    }
    previousDisposal = (m_gce.flags >> 2) & 7;
    PositionAfterFrame(file, lzwStart, lzw);

    if (keepFrames && !trueColorMode) {
      if (frameNo == 0) {
        long numFrames = m_info.numFrames;
        DestroyFrames();
        m_info.numFrames = numFrames;
        CRasterImage** frames =
            static_cast<CRasterImage**>(calloc(static_cast<size_t>(frameCount), sizeof(CRasterImage*)));
        if (!frames) return Fail("CRasterImageGIF can't allocate memory");
        SetKeptFrames(frames, frameCount);
      }
      // The counting pass and this one see the same frames; the check guards the table anyway.
      if (frameNo < m_keptFrames && m_frames) {
        CRasterImage* copy = new CRasterImage(*this);
        copy->SetRetrieveAllFrames(false);
        m_frames[frameNo] = copy;
      }
    }
    if ((previousDisposal == 0 || previousDisposal == 1) && restoreAhead(frameNo + 1)) {
      saved = std::make_unique<CRasterImage>(*this);
    }
    if (frameNo == chosen) {
      scanning = false;
    } else {
      ++frameNo;
    }
  }

  if (trueColorMode && trueColor) {
    if (m_gce.flags & 1) {
      trueColor->SetTransColor(GetPaletteColor(m_gce.transIndex));
      trueColor->SetTransIndex(0);
    }
    long numFrames = m_info.numFrames;
    Transfer(*trueColor, true);
    m_info.numFrames = numFrames;
  }
  // A file whose blocks end before any frame was decoded has no picture to give.
  if (!IsValid()) return Fail("CRasterImageGIF: no image data");
  return true;
}
