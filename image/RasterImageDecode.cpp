// The decode dispatch of CRasterImage: one decoder class per format type, tried in a fixed order
// when the caller names no type.
#include <cstring>

#include "image/RasterImage.h"
#include "image/RasterImageBMP.h"
#include "image/RasterImageGIF.h"
#include "image/RasterImageICO.h"
#include "image/RasterImageJAS.h"
#include "image/RasterImageJPG.h"
#include "image/RasterImagePNG.h"
#include "image/RasterImageTGA.h"
#include "image/RasterImageTIF.h"
#include "image/RasterImageWBMP.h"

template <class Codec, class... Args>
CRasterImage::CodecResult CRasterImage::RunCodec(CRasterFile* file, bool allFormats,
                                                 bool keepFrameCount, Args... args) {
  // The decoder sees this image's settings: frame index, keep-all-frames flag, codec options.
  Codec codec;
  codec.CopyInfo(*this);
  if (codec.Decode(file, args...)) {
    Transfer(codec, true);
    return CodecResult::Decoded;
  }
  if (!allFormats) {
    memcpy(m_info.lastError, codec.m_info.lastError, sizeof(m_info.lastError));
    // A caller learns how many frames or entries the file has even when the one it asked for
    // could not be decoded.
    if (keepFrameCount) m_info.numFrames = codec.m_info.numFrames;
  }
  return CodecResult::Failed;
}

CRasterImage::CodecResult CRasterImage::DecodeAs(DWORD type, CRasterFile* file, bool allFormats) {
  // One case per format type with a decoder. The third argument of RunCodec says whether a
  // failed typed decode still reports the decoder's frame count (GIF, ICO, TIFF).
  switch (type) {
    case RASTER_FORMAT_BMP: return RunCodec<CRasterImageBMP>(file, allFormats, false);
    case RASTER_FORMAT_GIF: return RunCodec<CRasterImageGIF>(file, allFormats, true);
    case RASTER_FORMAT_JPG: return RunCodec<CRasterImageJPG>(file, allFormats, false);
    case RASTER_FORMAT_PNG: return RunCodec<CRasterImagePNG>(file, allFormats, false);
    case RASTER_FORMAT_ICO: return RunCodec<CRasterImageICO>(file, allFormats, true);
    case RASTER_FORMAT_TIF: return RunCodec<CRasterImageTIF>(file, allFormats, true);
    case RASTER_FORMAT_TGA: return RunCodec<CRasterImageTGA>(file, allFormats, false);
    case RASTER_FORMAT_WBMP: return RunCodec<CRasterImageWBMP>(file, allFormats, false);
    case RASTER_FORMAT_JP2:
    case RASTER_FORMAT_JPC:
      // The all-formats attempt takes either kind of JPEG 2000 stream.
      return RunCodec<CRasterImageJAS>(file, allFormats, false, allFormats ? 0u : type);
    default: return CodecResult::NoDecoder;
  }
}

bool CRasterImage::Decode(CRasterFile* file, DWORD type) {
  if (!file) return Fail("null file handler");
  if (type == RASTER_FORMAT_UNKNOWN) {
    // The order puts the formats with the most telling signatures first.
    static const DWORD ORDER[] = {RASTER_FORMAT_BMP, RASTER_FORMAT_JPG, RASTER_FORMAT_ICO,
                                  RASTER_FORMAT_GIF, RASTER_FORMAT_PNG, RASTER_FORMAT_TIF,
                                  RASTER_FORMAT_TGA, RASTER_FORMAT_WBMP, RASTER_FORMAT_JP2};
    long start = file->Tell();
    for (DWORD candidate : ORDER) {
      if (DecodeAs(candidate, file, true) == CodecResult::Decoded) return true;
      file->Seek(start, 0);
    }
    return Fail("Decode: Unknown or wrong format");
  }
  switch (DecodeAs(type, file, false)) {
    case CodecResult::Decoded: return true;
    case CodecResult::Failed: return false;
    default: return Fail("Decode: Unknown or wrong format");
  }
}
