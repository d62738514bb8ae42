#include "image/RasterFileJpg.h"

#include <cstdlib>

#include <jerror.h>

CRasterFileJpg::CRasterFileJpg(CRasterFile* file) : jpeg_source_mgr{}, m_file(file), m_startOfFile(true) {
  m_buffer = static_cast<JOCTET*>(malloc(BUFFER_SIZE));
  init_source = InitSource;
  fill_input_buffer = FillInputBuffer;
  skip_input_data = SkipInputData;
  resync_to_restart = jpeg_resync_to_restart;
  term_source = TermSource;
  bytes_in_buffer = 0;
  next_input_byte = nullptr;
}

CRasterFileJpg::~CRasterFileJpg() { free(m_buffer); }

void CRasterFileJpg::InitSource(j_decompress_ptr cinfo) {
  static_cast<CRasterFileJpg*>(cinfo->src)->m_startOfFile = true;
}

boolean CRasterFileJpg::FillInputBuffer(j_decompress_ptr cinfo) {
  CRasterFileJpg* src = static_cast<CRasterFileJpg*>(cinfo->src);
  size_t nbytes = src->m_file->Read(src->m_buffer, 1, BUFFER_SIZE);
  if (nbytes == 0) {
    if (src->m_startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A stream cut short ends as if its end-of-image marker had been there: the rows that
    // arrived are kept and the rest is filled in by libjpeg.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->m_buffer[0] = 0xFF;
    src->m_buffer[1] = JPEG_EOI;
    nbytes = 2;
  }
  src->next_input_byte = src->m_buffer;
  src->bytes_in_buffer = nbytes;
  src->m_startOfFile = false;
  return TRUE;
}

void CRasterFileJpg::SkipInputData(j_decompress_ptr cinfo, long numBytes) {
  CRasterFileJpg* src = static_cast<CRasterFileJpg*>(cinfo->src);
  if (numBytes <= 0) return;
  // Each refill at the end of the data supplies two bytes, so this ends for any count.
  while (numBytes > static_cast<long>(src->bytes_in_buffer)) {
    numBytes -= static_cast<long>(src->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->next_input_byte += numBytes;
  src->bytes_in_buffer -= static_cast<size_t>(numBytes);
}

void CRasterFileJpg::TermSource(j_decompress_ptr) {}
