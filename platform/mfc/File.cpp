#include "platform/mfc/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"

IMPLEMENT_DYNAMIC(CFileException, CObject)
IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)

namespace {

// The system error code and the exception's cause of an errno value.
void Describe(int error, LONG* osError, int* cause) {
  switch (error) {
    case ENOENT:
      *osError = ERROR_FILE_NOT_FOUND;
      *cause = CFileException::fileNotFound;
      break;
    case ENOTDIR:
    case ENAMETOOLONG:
      *osError = ERROR_PATH_NOT_FOUND;
      *cause = CFileException::badPath;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      *osError = ERROR_ACCESS_DENIED;
      *cause = CFileException::accessDenied;
      break;
    case EMFILE:
    case ENFILE:
      *osError = ERROR_TOO_MANY_OPEN_FILES;
      *cause = CFileException::tooManyOpenFiles;
      break;
    case ENOSPC:
      *osError = ERROR_WRITE_FAULT;
      *cause = CFileException::diskFull;
      break;
    default:
      *osError = ERROR_INVALID_FUNCTION;
      *cause = CFileException::genericException;
      break;
  }
}

void SetErrorFromErrno(int error) {
  LONG os = 0;
  int cause = 0;
  Describe(error, &os, &cause);
  SetLastError(static_cast<DWORD>(os));
}

}  // namespace

CFile::~CFile() { Abort(); }

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  Abort();
  if (!lpszFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    if (pError) {
      pError->m_cause = CFileException::badPath;
      pError->m_lOsError = ERROR_INVALID_PARAMETER;
    }
    return FALSE;
  }
  int flags = O_CLOEXEC;
  switch (nOpenFlags & 3) {
    case modeWrite:
      flags |= O_WRONLY;
      break;
    case modeReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
      break;
  }
  if (nOpenFlags & modeCreate) {
    flags |= O_CREAT;
    if (!(nOpenFlags & modeNoTruncate)) flags |= O_TRUNC;
  }
  std::string path = platform::MapPath(lpszFileName);
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    errno = EISDIR;
  }
  if (fd < 0) {
    // A file that was to be created but could not be names a folder that is missing.
    int error = errno == ENOENT && (flags & O_CREAT) ? ENOTDIR : errno;
    SetErrorFromErrno(error);
    if (pError) {
      Describe(error, &pError->m_lOsError, &pError->m_cause);
      pError->m_strFileName = lpszFileName;
    }
    return FALSE;
  }
  m_fd = fd;
  m_strFileName = lpszFileName;
  return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (m_fd < 0 || !lpBuf) return 0;
  UINT done = 0;
  while (done < nCount) {
    ssize_t n = ::read(m_fd, static_cast<char*>(lpBuf) + done, nCount - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<UINT>(n);
  }
  return done;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
  if (m_fd < 0 || (!lpBuf && nCount)) return FALSE;
  UINT done = 0;
  while (done < nCount) {
    ssize_t n = ::write(m_fd, static_cast<const char*>(lpBuf) + done, nCount - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetErrorFromErrno(n < 0 ? errno : ENOSPC);
      return FALSE;
    }
    done += static_cast<UINT>(n);
  }
  return TRUE;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  if (m_fd < 0) return static_cast<ULONGLONG>(-1);
  int whence = nFrom == end ? SEEK_END : nFrom == current ? SEEK_CUR : SEEK_SET;
  off_t r = ::lseek(m_fd, static_cast<off_t>(lOff), whence);
  if (r < 0) {
    SetErrorFromErrno(errno);
    return static_cast<ULONGLONG>(-1);
  }
  return static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetPosition() const {
  if (m_fd < 0) return 0;
  off_t r = ::lseek(m_fd, 0, SEEK_CUR);
  return r < 0 ? 0 : static_cast<ULONGLONG>(r);
}

ULONGLONG CFile::GetLength() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return 0;
  return static_cast<ULONGLONG>(st.st_size);
}

BOOL CFile::SetLength(ULONGLONG dwNewLen) {
  if (m_fd < 0) return FALSE;
  if (::ftruncate(m_fd, static_cast<off_t>(dwNewLen)) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

void CFile::Flush() {
  if (m_fd >= 0) ::fsync(m_fd);
}

void CFile::Close() { Abort(); }

void CFile::Abort() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

BOOL PASCAL CFile::Remove(LPCTSTR lpszFileName) { return DeleteFileA(lpszFileName); }

BOOL PASCAL CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName) {
  if (!lpszOldName || !lpszNewName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (std::rename(platform::MapPath(lpszOldName).c_str(), platform::MapPath(lpszNewName).c_str()) != 0) {
    SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}
