// libjpeg's data source over the image library's CRasterFile, so that JPEG pictures decode from
// a file on disk and from memory alike.
#pragma once

#include <cstdio>

#include <jpeglib.h>

#include "image/RasterFile.h"

class RASTER_EXPORT CRasterFileJpg : public jpeg_source_mgr {
 public:
  static const size_t BUFFER_SIZE = 4096;

  // The file is not owned. A failed allocation of the transfer buffer leaves IsValid false.
  explicit CRasterFileJpg(CRasterFile* file);
  ~CRasterFileJpg();
  CRasterFileJpg(const CRasterFileJpg&) = delete;
  CRasterFileJpg& operator=(const CRasterFileJpg&) = delete;

  bool IsValid() const { return m_buffer != nullptr; }

 private:
  static void InitSource(j_decompress_ptr cinfo);
  static boolean FillInputBuffer(j_decompress_ptr cinfo);
  static void SkipInputData(j_decompress_ptr cinfo, long numBytes);
  static void TermSource(j_decompress_ptr cinfo);

  CRasterFile* m_file;
  JOCTET* m_buffer;
  bool m_startOfFile;
};
