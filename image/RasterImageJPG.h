// The JPEG decoder (type 3), over libjpeg. Before the pixels it runs the EXIF reader over the
// same stream, only to take the picture's resolution from it.
#pragma once

#include "image/RasterExifInfo.h"
#include "image/RasterImage.h"

class RASTER_EXPORT CRasterImageJPG : public CRasterImage {
 public:
  CRasterImageJPG();
  ~CRasterImageJPG() override;

  bool Decode(CRasterFile* file);
  // Parses the stream's EXIF block into the codec's record and puts the file back where it
  // was; true when a valid EXIF block was found.
  bool ReadExifInfo(CRasterFile* file);

  const ExifRecord& GetExifRecord() const { return m_exifRecord; }

 private:
  CRasterExifInfo* m_exif;
  ExifRecord m_exifRecord;
};
