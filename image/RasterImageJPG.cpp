#include "image/RasterImageJPG.h"

#include <csetjmp>
#include <cstring>

#include <jpeglib.h>

#include "image/RasterFileJpg.h"

namespace {

// libjpeg's standard error manager, extended by the decoder's recovery point and the place of
// the image's last-error text.
struct JpgErrorManager {
  jpeg_error_mgr pub;
  jmp_buf setjmpBuffer;
  char* errorText;
};

// Every fatal libjpeg error comes back to the decoder: libjpeg's own routine would end the
// process.
[[noreturn]] void JpgErrorExit(j_common_ptr cinfo) {
  JpgErrorManager* err = reinterpret_cast<JpgErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->errorText);
  longjmp(err->setjmpBuffer, 1);
}

// Warnings (a stream cut short, corrupt data) are not shown: the program has no console, and
// the decode goes on with what libjpeg recovers.
void JpgOutputMessage(j_common_ptr) {}

}  // namespace

CRasterImageJPG::CRasterImageJPG() : CRasterImage(RASTER_FORMAT_JPG), m_exif(nullptr) {
  memset(&m_exifRecord, 0, sizeof(m_exifRecord));
}

CRasterImageJPG::~CRasterImageJPG() { delete m_exif; }

bool CRasterImageJPG::ReadExifInfo(CRasterFile* file) {
  delete m_exif;
  m_exif = new CRasterExifInfo(&m_exifRecord);
  long pos = file->Tell();
  m_exif->ReadSections(file, 1);
  file->Seek(pos, 0);
  return m_exifRecord.isExif;
}

bool CRasterImageJPG::Decode(CRasterFile* file) {
  if (!file) return Fail("null file handler");
  bool isExif = ReadExifInfo(file);

  CRasterFileJpg source(file);
  if (!source.IsValid()) return Fail("CRasterImageJPG can't allocate memory");

  jpeg_decompress_struct cinfo;
  JpgErrorManager jerr;
  cinfo.err = jpeg_std_error(&jerr.pub);
  jerr.pub.error_exit = JpgErrorExit;
  jerr.pub.output_message = JpgOutputMessage;
  jerr.errorText = m_info.lastError;
  // Nothing with a destructor is created between here and the last libjpeg call, so a jump
  // back skips no clean-up but libjpeg's own.
  if (setjmp(jerr.setjmpBuffer)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.src = &source;
  jpeg_read_header(&cinfo, TRUE);
  // Colour pictures come out of the library as B, G, R, the order of the DIB's rows, so that
  // they are written straight into the pixels.
  if (cinfo.out_color_space == JCS_RGB) cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);

  if (!Create(cinfo.output_width, cinfo.output_height, 8 * cinfo.output_components,
              RASTER_FORMAT_JPG)) {
    // Create left its own text; libjpeg's error routine is not involved.
    jpeg_destroy_decompress(&cinfo);
    return false;
  }

  if (isExif) {
    if (m_exifRecord.xResolution != 0 && m_exifRecord.resolutionUnit != 0)
      SetXDPI(static_cast<long>(m_exifRecord.xResolution / m_exifRecord.resolutionUnit));
    if (m_exifRecord.yResolution != 0 && m_exifRecord.resolutionUnit != 0)
      SetYDPI(static_cast<long>(m_exifRecord.yResolution / m_exifRecord.resolutionUnit));
  } else if (cinfo.density_unit == 2) {
    SetXDPI(static_cast<long>(cinfo.X_density * 2.54 + 0.5));
    SetYDPI(static_cast<long>(cinfo.Y_density * 2.54 + 0.5));
  } else if (cinfo.density_unit != 0) {
    SetXDPI(cinfo.X_density);
    SetYDPI(cinfo.Y_density);
  } else if (cinfo.X_density != 0 && cinfo.Y_density != 0) {
    SetYDPI(static_cast<long>(GetXDPI()) * cinfo.Y_density / cinfo.X_density);
  }

  if (cinfo.out_color_space == JCS_GRAYSCALE) {
    SetGrayPalette();
  } else {
    m_header.biClrUsed = 0;
  }

  const int components = cinfo.output_components;
  const JDIMENSION width = cinfo.output_width;
  const DWORD height = GetHeight();
  const DWORD effWidth = m_info.effWidth;
  if (cinfo.out_color_space == JCS_EXT_BGR) {
    // The rows are decoded into the image itself, as many at a time as the library gives; the
    // DIB's rows run bottom-up.
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION first = cinfo.output_scanline;
      JDIMENSION count = cinfo.output_height - first;
      if (count > 16) count = 16;
      for (JDIMENSION i = 0; i < count; ++i) {
        rows[i] = m_info.pixels + static_cast<size_t>(height - 1 - (first + i)) * effWidth;
      }
      jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                JPOOL_IMAGE, width * components, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    DWORD row = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, buffer, 1);
    BYTE* dst = m_info.pixels + static_cast<size_t>(height - 1 - row) * effWidth;
    const BYTE* src = buffer[0];
    if (components == 4) {
      // CMYK as Adobe writes it (inverted samples): each colour is its sample scaled by K.
      for (JDIMENSION x = 0; x < width && 3 * x + 2 < effWidth; ++x, src += 4) {
        unsigned k = src[3];
        dst[3 * x] = static_cast<BYTE>(src[2] * k / 255);
        dst[3 * x + 1] = static_cast<BYTE>(src[1] * k / 255);
        dst[3 * x + 2] = static_cast<BYTE>(src[0] * k / 255);
      }
    } else {
      size_t n = static_cast<size_t>(width) * components;
      memcpy(dst, src, n < effWidth ? n : effWidth);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}
