// The EXIF reader: walks the marker sections at the head of a JPEG stream, reads the EXIF block
// (APP1 "Exif") and the first comment, and fills an EXIF record. The JPEG decoder runs it only
// to take the picture's resolution; problems in the EXIF data never fail that decode, they stop
// the walk, leave a text in the reader's last error and leave the EXIF flag false.
#pragma once

#include <cstddef>

#include "image/RasterFile.h"
#include "platform/base/WinTypes.h"

// What the reader found. All zero when the JPEG codec object is built.
struct ExifRecord {
  char version[5];
  char cameraMake[32];
  char cameraModel[40];
  char dateTime[20];
  LONG height;
  LONG width;
  LONG orientation;
  LONG isColor;
  LONG process;
  LONG flashUsed;
  float focalLength;
  float exposureTime;
  float apertureFNumber;
  float distance;
  float ccdWidth;
  float exposureBias;
  LONG lightSource;
  LONG meteringMode;
  LONG exposureProgram;
  LONG isoEquivalent;
  LONG compressionLevel;
  float focalPlaneXRes;
  float focalPlaneYRes;
  float focalPlaneUnits;
  float xResolution;
  float yResolution;
  float resolutionUnit;
  float brightness;
  char comments[1000];
  const BYTE* thumbnailPointer;  // into the EXIF section's data, which the reader owns
  DWORD thumbnailSize;
  bool isExif;
};

class RASTER_EXPORT CRasterExifInfo {
 public:
  // Fills the given record (not owned), or a zeroed record of its own when none is given.
  explicit CRasterExifInfo(ExifRecord* record = nullptr);
  ~CRasterExifInfo();
  CRasterExifInfo(const CRasterExifInfo&) = delete;
  CRasterExifInfo& operator=(const CRasterExifInfo&) = delete;

  // Walks the sections from the file's position. Mode 1 (the JPEG decoder's) parses the EXIF
  // data and the first comment and stops at the start of the scan.
  bool ReadSections(CRasterFile* file, int mode);
  // Parses one EXIF block: an APP1 section's data behind its length bytes, and its length.
  bool ParseExifBlock(const BYTE* data, DWORD length);
  // Parses the directory at dirStart; offsets inside it count from offsetBase, and everything it
  // reads must lie within the length bytes from offsetBase.
  bool ParseDirectory(const BYTE* dirStart, const BYTE* offsetBase, DWORD length,
                      ExifRecord* record, const BYTE** lastReferenced, int nestingLevel);

  const char* GetLastError() const { return m_lastError; }
  ExifRecord* GetRecord() const { return m_record; }

  static const int MAX_SECTIONS = 20;
  // Directories visited per EXIF block at most. Nesting alone bounds the depth but not the
  // breadth: a directory full of sub-directory links to itself would otherwise be walked an
  // exponential number of times.
  static const int MAX_DIRECTORIES = 64;

 private:
  struct Section {
    BYTE* data;
    int type;
    DWORD size;
  };

  bool Fail(const char* text);
  WORD Get16(const BYTE* p) const;
  DWORD Get32(const BYTE* p) const;
  double ConvertAnyFormat(const BYTE* value, int format) const;
  void StoreComment(const BYTE* data, DWORD length);
  void StoreTag(WORD tag, int format, const BYTE* value, DWORD byteCount, ExifRecord* record);

  ExifRecord* m_record;
  char m_lastError[256];
  bool m_motorolaOrder;
  LONG m_exifImageWidth;
  Section m_sections[MAX_SECTIONS];
  int m_sectionCount;
  bool m_ownsRecord;
  int m_directoriesVisited;
};
