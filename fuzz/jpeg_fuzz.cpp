// Fuzz target: the JPEG decoder with its EXIF reader, and the EXIF block parser on its own (the
// bytes taken as an APP1 section's data, so that the directory walk sees every mutation).
#include <cstring>

#include "fuzz/ImageFuzz.h"
#include "image/RasterExifInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecode(data, size, 3);
  if (size <= 0xFFFF) {
    ExifRecord record;
    memset(&record, 0, sizeof(record));
    CRasterExifInfo reader(&record);
    reader.ParseExifBlock(data, static_cast<DWORD>(size));
  }
  return 0;
}
