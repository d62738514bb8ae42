#include "image/RasterExifInfo.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Bytes per component of the EXIF formats 0 to 12 (format 0 counts nothing).
const int FORMAT_SIZES[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum : int {
  FMT_BYTE = 1, FMT_STRING, FMT_USHORT, FMT_ULONG, FMT_URATIONAL, FMT_SBYTE, FMT_UNDEFINED,
  FMT_SSHORT, FMT_SLONG, FMT_SRATIONAL, FMT_SINGLE, FMT_DOUBLE
};

enum : WORD {
  TAG_MAKE = 0x010F, TAG_MODEL = 0x0110, TAG_ORIENTATION = 0x0112, TAG_XRESOLUTION = 0x011A,
  TAG_YRESOLUTION = 0x011B, TAG_RESOLUTION_UNIT = 0x0128, TAG_THUMBNAIL_OFFSET = 0x0201,
  TAG_THUMBNAIL_LENGTH = 0x0202, TAG_EXPOSURETIME = 0x829A, TAG_FNUMBER = 0x829D,
  TAG_EXPOSURE_PROGRAM = 0x8822, TAG_ISO_EQUIVALENT = 0x8827, TAG_EXIF_VERSION = 0x9000,
  TAG_DATETIME_ORIGINAL = 0x9003, TAG_COMPRESSION_LEVEL = 0x9102, TAG_SHUTTERSPEED = 0x9201,
  TAG_APERTURE = 0x9202, TAG_BRIGHTNESS = 0x9203, TAG_EXPOSURE_BIAS = 0x9204,
  TAG_MAXAPERTURE = 0x9205, TAG_SUBJECT_DISTANCE = 0x9206, TAG_METERING_MODE = 0x9207,
  TAG_LIGHT_SOURCE = 0x9208, TAG_FLASH = 0x9209, TAG_FOCALLENGTH = 0x920A,
  TAG_USERCOMMENT = 0x9286, TAG_EXIF_IMAGEWIDTH = 0xA002, TAG_EXIF_IMAGELENGTH = 0xA003,
  TAG_INTEROP_OFFSET = 0xA005, TAG_FOCALPLANEXRES = 0xA20E, TAG_FOCALPLANEYRES = 0xA20F,
  TAG_FOCALPLANEUNITS = 0xA210, TAG_EXIF_OFFSET = 0x8769
};

enum : int {
  M_SOF0 = 0xC0, M_SOF1 = 0xC1, M_SOF2 = 0xC2, M_SOF3 = 0xC3, M_SOF5 = 0xC5, M_SOF6 = 0xC6,
  M_SOF7 = 0xC7, M_SOF9 = 0xC9, M_SOF10 = 0xCA, M_SOF11 = 0xCB, M_SOF13 = 0xCD,
  M_SOF14 = 0xCE, M_SOF15 = 0xCF, M_SOI = 0xD8, M_EOI = 0xD9, M_SOS = 0xDA, M_JFIF = 0xE0,
  M_EXIF = 0xE1, M_COM = 0xFE
};

// Factor of the two resolution-unit tags; 0 means "leave the field alone".
float UnitFactor(int unit) {
  switch (unit) {
    case 1:
    case 2: return 1.0f;
    case 3: return 0.3937008f;
    case 4: return 0.03937008f;
    case 5: return 0.00003937008f;
    default: return 0.0f;
  }
}

// Integer fields take the value as C would, but a value out of the 32-bit range (a corrupt or
// hostile rational) must not turn into undefined behaviour.
LONG ToLong(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return static_cast<LONG>(-2147483647 - 1);
  return static_cast<LONG>(v);
}

// Copies at most max characters of a value of byteCount bytes, stopping at a zero byte.
void CopyText(char* dest, size_t max, const BYTE* value, DWORD byteCount) {
  size_t n = 0;
  while (n < max && n < byteCount && value[n] != 0) {
    dest[n] = static_cast<char>(value[n]);
    ++n;
  }
  dest[n] = 0;
}

}  // namespace

CRasterExifInfo::CRasterExifInfo(ExifRecord* record)
    : m_record(record), m_motorolaOrder(false), m_exifImageWidth(0), m_sections{},
      m_sectionCount(0), m_ownsRecord(false), m_directoriesVisited(0) {
  m_lastError[0] = 0;
  if (!m_record) {
    m_record = static_cast<ExifRecord*>(calloc(1, sizeof(ExifRecord)));
    m_ownsRecord = true;
  }
}

CRasterExifInfo::~CRasterExifInfo() {
  for (int i = 0; i < m_sectionCount; ++i) free(m_sections[i].data);
  if (m_ownsRecord) free(m_record);
}

bool CRasterExifInfo::Fail(const char* text) {
  snprintf(m_lastError, sizeof(m_lastError), "%s", text);
  return false;
}

WORD CRasterExifInfo::Get16(const BYTE* p) const {
  if (m_motorolaOrder) return static_cast<WORD>((p[0] << 8) | p[1]);
  return static_cast<WORD>((p[1] << 8) | p[0]);
}

DWORD CRasterExifInfo::Get32(const BYTE* p) const {
  if (m_motorolaOrder)
    return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | DWORD(p[3]);
  return (DWORD(p[3]) << 24) | (DWORD(p[2]) << 16) | (DWORD(p[1]) << 8) | DWORD(p[0]);
}

double CRasterExifInfo::ConvertAnyFormat(const BYTE* value, int format) const {
  switch (format) {
    case FMT_SBYTE: return static_cast<signed char>(value[0]);
    case FMT_BYTE: return value[0];
    case FMT_USHORT: return Get16(value);
    case FMT_ULONG: return Get32(value);
    case FMT_URATIONAL:
    case FMT_SRATIONAL: {
      int32_t num = static_cast<int32_t>(Get32(value));
      int32_t den = static_cast<int32_t>(Get32(value + 4));
      return den == 0 ? 0.0 : static_cast<double>(num) / den;
    }
    case FMT_SSHORT: return static_cast<int16_t>(Get16(value));
    case FMT_SLONG: return static_cast<int32_t>(Get32(value));
    case FMT_SINGLE: {
      // The float is stored in the block's byte order like a 32-bit integer.
      DWORD bits = Get32(value);
      float f;
      memcpy(&f, &bits, sizeof(f));
      return f;
    }
    case FMT_DOUBLE: {
      uint64_t bits = m_motorolaOrder
                          ? (uint64_t(Get32(value)) << 32) | Get32(value + 4)
                          : (uint64_t(Get32(value + 4)) << 32) | Get32(value);
      double d;
      memcpy(&d, &bits, sizeof(d));
      return d;
    }
    default: return 0.0;
  }
}

bool CRasterExifInfo::ReadSections(CRasterFile* file, int mode) {
  if (!file) return false;
  if (file->GetC() != 0xFF || file->GetC() != M_SOI) return false;
  bool haveComment = false;
  for (;;) {
    if (m_sectionCount >= MAX_SECTIONS) return Fail("Too many sections in jpg file");
    long marker = 0;
    for (int a = 0;; ++a) {
      marker = file->GetC();
      if (marker != 0xFF) break;
      if (a >= 6) {
        printf("too many padding bytes\n");
        return false;
      }
    }
    if (marker < 0) return Fail("Premature end of file?");
    long hi = file->GetC();
    long lo = file->GetC();
    if (hi < 0 || lo < 0) return Fail("Premature end of file?");
    DWORD itemlen = static_cast<DWORD>((hi << 8) | lo);
    if (itemlen < 2) return Fail("invalid marker");
    BYTE* data = static_cast<BYTE*>(malloc(itemlen));
    if (!data) return Fail("Could not allocate memory");
    data[0] = static_cast<BYTE>(hi);
    data[1] = static_cast<BYTE>(lo);
    if (file->Read(data + 2, 1, itemlen - 2) != itemlen - 2) {
      free(data);
      return Fail("Premature end of file?");
    }
    Section& section = m_sections[m_sectionCount++];
    section.data = data;
    section.type = static_cast<int>(marker);
    section.size = itemlen;
    auto drop = [&] {
      free(data);
      section.data = nullptr;
      --m_sectionCount;
    };
    switch (marker) {
      case M_SOF0: case M_SOF1: case M_SOF2: case M_SOF3: case M_SOF5: case M_SOF6:
      case M_SOF7: case M_SOF9: case M_SOF10: case M_SOF11: case M_SOF13: case M_SOF14:
      case M_SOF15:
        // A frame header shorter than its fixed fields is left to the JPEG decoder to refuse.
        if (itemlen >= 8) {
          m_record->height = (data[3] << 8) | data[4];
          m_record->width = (data[5] << 8) | data[6];
          m_record->isColor = data[7] == 3 ? 1 : 0;
          m_record->process = static_cast<LONG>(marker);
        }
        break;
      case M_EOI:
        printf("No image in jpeg!\n");
        return false;
      case M_SOS:
        return true;
      case M_JFIF:
        drop();
        break;
      case M_EXIF:
        if (mode != 0 && itemlen >= 6 && memcmp(data + 2, "Exif", 4) == 0) {
          m_record->isExif = ParseExifBlock(data + 2, itemlen - 2);
        } else {
          drop();
        }
        break;
      case M_COM:
        if (!haveComment && mode != 0) {
          StoreComment(data, itemlen);
          haveComment = true;
        } else {
          drop();
        }
        break;
      default:
        break;
    }
  }
}

void CRasterExifInfo::StoreComment(const BYTE* data, DWORD length) {
  // The section starts with its two length bytes; at most 1000 positions of it are looked at,
  // so the copy (one character per position at most) always fits the 1000-character field.
  DWORD end = length < 1000 ? length : 1000;
  DWORD n = 0;
  for (DWORD a = 2; a < end; ++a) {
    int ch = data[a];
    // The byte after a carriage return is only looked at when the section has one.
    if (ch == '\r' && a + 1 < length && data[a + 1] == '\n') continue;
    if ((ch < 0x80 && isprint(ch)) || ch == '\n' || ch == '\t') {
      m_record->comments[n++] = static_cast<char>(ch);
    } else {
      m_record->comments[n++] = '?';
    }
  }
  m_record->comments[n] = 0;
}

bool CRasterExifInfo::ParseExifBlock(const BYTE* data, DWORD length) {
  m_record->flashUsed = 0;
  m_record->comments[0] = 0;
  m_exifImageWidth = 0;
  m_directoriesVisited = 0;
  // The header is "Exif" and two zero bytes, then the 8-byte TIFF header.
  if (!data || length < 14 || memcmp(data, "Exif\0\0", 6) != 0)
    return Fail("Incorrect Exif header");
  if (memcmp(data + 6, "II", 2) == 0) {
    m_motorolaOrder = false;
  } else if (memcmp(data + 6, "MM", 2) == 0) {
    m_motorolaOrder = true;
  } else {
    return Fail("Invalid Exif alignment marker.");
  }
  if (Get16(data + 8) != 0x2A) return Fail("Invalid Exif start (1)");
  DWORD firstOffset = Get32(data + 10);
  const BYTE* base = data + 6;
  DWORD tiffLength = length - 6;
  const BYTE* lastReferenced = nullptr;
  if (!ParseDirectory(base + 8, base, tiffLength, m_record, &lastReferenced, 0)) return false;
  if (firstOffset > 8) {
    if (firstOffset >= tiffLength) return Fail("Illegal subdirectory link");
    if (!ParseDirectory(base + firstOffset, base, tiffLength, m_record, &lastReferenced, 0))
      return false;
  }
  if (m_record->focalPlaneXRes != 0) {
    m_record->ccdWidth = static_cast<float>(m_exifImageWidth * m_record->focalPlaneUnits /
                                            m_record->focalPlaneXRes);
  }
  return true;
}

void CRasterExifInfo::StoreTag(WORD tag, int format, const BYTE* value, DWORD byteCount,
                               ExifRecord* record) {
  switch (tag) {
    case TAG_MAKE: CopyText(record->cameraMake, 31, value, byteCount); return;
    case TAG_MODEL: CopyText(record->cameraModel, 39, value, byteCount); return;
    case TAG_EXIF_VERSION: CopyText(record->version, 4, value, byteCount); return;
    case TAG_DATETIME_ORIGINAL: CopyText(record->dateTime, 19, value, byteCount); return;
    case TAG_USERCOMMENT: {
      // Trailing spaces are cut off; the section's bytes themselves are left as they are.
      DWORD n = byteCount;
      while (n > 0 && value[n - 1] == ' ') --n;
      const BYTE* start = value;
      DWORD avail = n;
      if (n >= 5 && memcmp(value, "ASCII", 5) == 0) {
        start = nullptr;
        for (DWORD a = 5; a < 10 && a < n; ++a) {
          if (value[a] != 0 && value[a] != ' ') {
            start = value + a;
            avail = n - a;
            break;
          }
        }
        if (!start) return;
      }
      CopyText(record->comments, 199, start, avail);
      return;
    }
    default: break;
  }
  // Numeric tags: the value needs at least one component's bytes.
  if (format < 1 || format > 12 || byteCount < static_cast<DWORD>(FORMAT_SIZES[format])) return;
  double v = ConvertAnyFormat(value, format);
  switch (tag) {
    case TAG_ORIENTATION: {
      LONG o = ToLong(v);
      if (o < 1 || o > 8) {
        Fail("Undefined rotation value");
        o = 0;
      }
      record->orientation = o;
      break;
    }
    case TAG_FNUMBER: record->apertureFNumber = static_cast<float>(v); break;
    case TAG_APERTURE:
    case TAG_MAXAPERTURE:
      if (record->apertureFNumber == 0) record->apertureFNumber = static_cast<float>(std::pow(2.0, v / 2));
      break;
    case TAG_BRIGHTNESS: record->brightness = static_cast<float>(v); break;
    case TAG_FOCALLENGTH: record->focalLength = static_cast<float>(v); break;
    case TAG_SUBJECT_DISTANCE: record->distance = static_cast<float>(v); break;
    case TAG_EXPOSURETIME: record->exposureTime = static_cast<float>(v); break;
    case TAG_SHUTTERSPEED:
      if (record->exposureTime == 0) record->exposureTime = static_cast<float>(1.0 / std::pow(2.0, v));
      break;
    case TAG_FLASH: record->flashUsed = (ToLong(v) & 7) ? 1 : 0; break;
    case TAG_METERING_MODE: record->meteringMode = ToLong(v); break;
    case TAG_EXPOSURE_BIAS: record->exposureBias = static_cast<float>(v); break;
    case TAG_LIGHT_SOURCE: record->lightSource = ToLong(v); break;
    case TAG_EXPOSURE_PROGRAM: record->exposureProgram = ToLong(v); break;
    case TAG_ISO_EQUIVALENT: {
      // Scaled before the conversion, so that a hostile value cannot overflow.
      if (v < 50) v *= 200;
      record->isoEquivalent = ToLong(v);
      break;
    }
    case TAG_COMPRESSION_LEVEL: record->compressionLevel = ToLong(v); break;
    case TAG_XRESOLUTION: record->xResolution = static_cast<float>(v); break;
    case TAG_YRESOLUTION: record->yResolution = static_cast<float>(v); break;
    case TAG_RESOLUTION_UNIT: {
      float f = UnitFactor(ToLong(v));
      if (f != 0) record->resolutionUnit = f;
      break;
    }
    case TAG_FOCALPLANEXRES: record->focalPlaneXRes = static_cast<float>(v); break;
    case TAG_FOCALPLANEYRES: record->focalPlaneYRes = static_cast<float>(v); break;
    case TAG_FOCALPLANEUNITS: {
      float f = UnitFactor(ToLong(v));
      if (f != 0) record->focalPlaneUnits = f;
      break;
    }
    case TAG_EXIF_IMAGEWIDTH:
    case TAG_EXIF_IMAGELENGTH: {
      LONG a = ToLong(v);
      if (m_exifImageWidth < a) m_exifImageWidth = a;
      break;
    }
    default: break;
  }
}

bool CRasterExifInfo::ParseDirectory(const BYTE* dirStart, const BYTE* offsetBase, DWORD length,
                                     ExifRecord* record, const BYTE** lastReferenced,
                                     int nestingLevel) {
  if (nestingLevel >= 5 || ++m_directoriesVisited > MAX_DIRECTORIES)
    return Fail("Maximum directory nesting exceeded (corrupt exif header)");
  // Every read below is checked against the block in 64-bit arithmetic: counts, offsets and
  // sizes come from the file and their products must not wrap.
  if (dirStart < offsetBase) return Fail("Illegally sized directory");
  uint64_t dirOffset = static_cast<uint64_t>(dirStart - offsetBase);
  if (dirOffset + 2 > length) return Fail("Illegally sized directory");
  unsigned numEntries = Get16(dirStart);
  if (dirOffset + 2 + 12ull * numEntries > length) return Fail("Illegally sized directory");

  DWORD thumbnailOffset = 0;
  DWORD thumbnailSize = 0;
  for (unsigned de = 0; de < numEntries; ++de) {
    const BYTE* entry = dirStart + 2 + 12 * de;
    WORD tag = Get16(entry);
    unsigned format = Get16(entry + 2);
    DWORD components = Get32(entry + 4);
    if (format > 12) return Fail("Illegal format code in EXIF dir");
    uint64_t byteCount = static_cast<uint64_t>(components) * FORMAT_SIZES[format];
    const BYTE* value;
    if (byteCount > 4) {
      uint64_t offsetVal = Get32(entry + 8);
      if (offsetVal + byteCount > length) return Fail("Illegal pointer offset value in EXIF.");
      value = offsetBase + offsetVal;
    } else {
      value = entry + 8;
    }
    if (lastReferenced && value + byteCount > *lastReferenced) *lastReferenced = value + byteCount;
    DWORD count = static_cast<DWORD>(byteCount);

    if (tag == TAG_THUMBNAIL_OFFSET && count >= 4) {
      thumbnailOffset = ToLong(ConvertAnyFormat(value, static_cast<int>(format)));
    } else if (tag == TAG_THUMBNAIL_LENGTH && count >= 2) {
      thumbnailSize = ToLong(ConvertAnyFormat(value, static_cast<int>(format)));
    } else if (tag == TAG_EXIF_OFFSET || tag == TAG_INTEROP_OFFSET) {
      DWORD sub = Get32(entry + 8);
      if (sub > 8) {
        if (sub >= length) return Fail("Illegal subdirectory link");
        // The sub-directory's own result does not decide this directory's.
        ParseDirectory(offsetBase + sub, offsetBase, length, record, lastReferenced,
                       nestingLevel + 1);
      }
      continue;
    }
    StoreTag(tag, static_cast<int>(format), value, count, record);
  }

  // The link to a further directory (the thumbnail's) lies behind the last entry.
  if (dirOffset + 2 + 12ull * numEntries + 4 <= length) {
    DWORD next = Get32(dirStart + 2 + 12 * numEntries);
    if (next) {
      if (next >= length) return Fail("Illegal subdirectory link");
      ParseDirectory(offsetBase + next, offsetBase, length, record, lastReferenced,
                     nestingLevel + 1);
    }
  }
  if (thumbnailSize && thumbnailOffset &&
      static_cast<uint64_t>(thumbnailOffset) + thumbnailSize <= length) {
    record->thumbnailPointer = offsetBase + thumbnailOffset;
    record->thumbnailSize = thumbnailSize;
  }
  return true;
}
