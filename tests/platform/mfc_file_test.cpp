#include <gtest/gtest.h>

#include <string>

#include "platform/base/WinError.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/AsyncSocket.h"
#include "platform/user/Input.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CFile, DownloadFileIsCutToWhatWasWritten) {
  testsupport::TempDir dir;
  std::string name = dir.Write("temp/7_12.txt", "an older and much longer notice body");
  CFile file;
  ASSERT_TRUE(file.Open(name.c_str(), CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate |
                                          CFile::modeNoTruncate));
  EXPECT_EQ(36u, file.GetLength());  // kept: modeNoTruncate
  EXPECT_TRUE(file.Write("<notify>", 8));
  EXPECT_TRUE(file.Write("hi", 2));
  EXPECT_TRUE(file.SetLength(file.GetPosition()));
  file.Close();
  EXPECT_EQ("<notify>hi", testsupport::TempDir::Read(name));

  ASSERT_TRUE(file.Open(name.c_str(), CFile::modeRead | CFile::shareDenyWrite));
  char buffer[64] = {};
  EXPECT_EQ(10u, file.Read(buffer, sizeof buffer));
  EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));
  EXPECT_FALSE(file.Write("x", 1));  // opened for reading only
  EXPECT_EQ(4u, file.Seek(-6, CFile::end));
  EXPECT_EQ(static_cast<ULONGLONG>(-1), file.Seek(-1, CFile::begin));
  file.Close();
  EXPECT_TRUE(CFile::Remove(name.c_str()));
  EXPECT_FALSE(CFile::Remove(name.c_str()));
}

TEST(CFile, WhitelistRecordsStopAtTheShortRead) {
  testsupport::TempDir dir;
  std::string name = dir.Write("Share/advert/domain.dat", std::string(64, 'a') + std::string(64, 'b') + "cc");
  CFile file;
  // A Windows path with the other separators and another case finds the file.
  std::string windowsName = dir.Path() + "\\share\\ADVERT\\Domain.dat";
  ASSERT_TRUE(file.Open(windowsName.c_str(), CFile::modeRead | CFile::shareDenyNone));
  char record[64];
  int records = 0;
  while (file.Read(record, sizeof record) == sizeof record) ++records;
  EXPECT_EQ(2, records);
}

TEST(CFile, OpenFailuresAreReported) {
  testsupport::TempDir dir;
  struct Case {
    std::string name;
    UINT flags;
    int cause;
    LONG error;
  };
  const Case cases[] = {
      {dir.File("missing.txt"), CFile::modeRead, CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
      {dir.File("no/such/folder/x.txt"), CFile::modeCreate | CFile::modeWrite, CFileException::badPath,
       ERROR_PATH_NOT_FOUND},
      {dir.Path(), CFile::modeRead, CFileException::accessDenied, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(c.name.c_str(), c.flags, &error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(c.cause, error.m_cause);
    EXPECT_EQ(c.error, error.m_lOsError);
    EXPECT_EQ(0u, file.Read(&error, 1));
  }
}

TEST(WaitCursor, NestsAndComesBack) {
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(arrow);
  CCmdTarget target;
  target.BeginWaitCursor();
  EXPECT_EQ(wait, GetCursor());
  {
    CWaitCursor inner;
    SetCursor(arrow);
    inner.Restore();
    EXPECT_EQ(wait, GetCursor());
  }
  EXPECT_EQ(wait, GetCursor());  // the outer wait still runs
  target.EndWaitCursor();
  EXPECT_EQ(arrow, GetCursor());
  target.EndWaitCursor();  // one End too many changes nothing
  EXPECT_EQ(arrow, GetCursor());
  target.BeginWaitCursor();
  EXPECT_EQ(wait, GetCursor());
  target.EndWaitCursor();
}

TEST(AfxSocketInit, StartsWinSock) {
  WSADATA data{};
  EXPECT_TRUE(AfxSocketInit(&data));
  EXPECT_EQ(MAKEWORD(1, 1), data.wVersion);
  EXPECT_TRUE(AfxSocketInit());
}

}  // namespace
