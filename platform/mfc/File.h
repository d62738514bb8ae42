// CFile, binary files over the POSIX file system, and CStdioFile, its base for streams that are
// read in order (the internet files derive from it).
//
// Names are Windows-style GBK paths, mapped as the kernel's file functions map them. Failures
// are returned, never thrown: Open answers FALSE and fills the exception record when one is
// given, Write answers FALSE, Read answers the bytes it could read. The share flags are accepted
// and mean nothing: POSIX files are always shared.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

// What went wrong in a failed Open: m_cause is one of the causes below, m_lOsError the system's
// error code (GetLastError's kind).
class CFileException : public CObject {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  CFileException() = default;
  int m_cause = none;
  LONG m_lOsError = 0;
  CString m_strFileName;
};

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

  CFile() = default;
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // modeCreate makes the file (emptying it unless modeNoTruncate is given); without it the file
  // must exist.
  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  // Up to nCount bytes from the current position; 0 at the end or on failure.
  virtual UINT Read(void* lpBuf, UINT nCount);
  // All nCount bytes at the current position, or FALSE.
  virtual BOOL Write(const void* lpBuf, UINT nCount);
  // The new position, or (ULONGLONG)-1 when the seek fails (a position before the start).
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  // Cuts or extends the file to that many bytes (the file's end, as SetEndOfFile sets it).
  virtual BOOL SetLength(ULONGLONG dwNewLen);
  virtual void Flush();
  virtual void Close();
  // Closes without reporting anything; safe on a file that is not open.
  virtual void Abort();
  BOOL IsOpen() const { return m_fd >= 0; }
  CString GetFilePath() const { return m_strFileName; }

  // Deletes a file; FALSE with GetLastError set when it cannot.
  static BOOL PASCAL Remove(LPCTSTR lpszFileName);
  static BOOL PASCAL Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);

 private:
  int m_fd = -1;
  CString m_strFileName;
};

// A file read in order; the internet session hands out its downloads as these.
class CStdioFile : public CFile {
  DECLARE_DYNAMIC(CStdioFile)

 public:
  CStdioFile() = default;
};
