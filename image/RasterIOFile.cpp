#include "image/RasterIOFile.h"

CRasterIOFile::CRasterIOFile(FILE* stream) : m_stream(stream), m_owns(stream == nullptr) {}

CRasterIOFile::~CRasterIOFile() {
  Close();
}

bool CRasterIOFile::Open(const char* name, const char* mode) {
  if (m_stream) return false;
  m_stream = fopen(name, mode);
  if (!m_stream) return false;
  m_owns = true;
  return true;
}

bool CRasterIOFile::Close() {
  // A lent stream is the caller's to close.
  if (!m_stream || !m_owns) return true;
  int rc = fclose(m_stream);
  m_stream = nullptr;
  return rc == 0;
}

size_t CRasterIOFile::Read(void* buffer, size_t size, size_t count) {
  if (!m_stream) return 0;
  return fread(buffer, size, count, m_stream);
}

size_t CRasterIOFile::Write(const void* buffer, size_t size, size_t count) {
  if (!m_stream) return 0;
  return fwrite(buffer, size, count, m_stream);
}

bool CRasterIOFile::Seek(long offset, int origin) {
  if (!m_stream) return false;
  return fseek(m_stream, offset, origin) == 0;
}

long CRasterIOFile::Tell() {
  if (!m_stream) return 0;
  return ftell(m_stream);
}

long CRasterIOFile::Size() {
  if (!m_stream) return -1;
  long pos = ftell(m_stream);
  fseek(m_stream, 0, SEEK_END);
  long size = ftell(m_stream);
  fseek(m_stream, pos, SEEK_SET);
  return size;
}

bool CRasterIOFile::Flush() {
  if (!m_stream) return false;
  return fflush(m_stream) == 0;
}

bool CRasterIOFile::Eof() {
  if (!m_stream) return true;
  return feof(m_stream) != 0;
}

long CRasterIOFile::Error() {
  if (!m_stream) return -1;
  return ferror(m_stream);
}

bool CRasterIOFile::PutC(unsigned char byte) {
  if (!m_stream) return false;
  return fputc(byte, m_stream) == byte;
}

long CRasterIOFile::GetC() {
  if (!m_stream) return -1;
  return getc(m_stream);
}

char* CRasterIOFile::GetS(char* buffer, int n) {
  if (!m_stream) return nullptr;
  return fgets(buffer, n, m_stream);
}

long CRasterIOFile::Scanf(const char* format, void* output) {
  if (!m_stream) return -1;
  return fscanf(m_stream, format, output);
}
