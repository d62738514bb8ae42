// CInternetSession: web downloads as files that are read in order.
//
// OpenURL fetches the whole body at once (platform/inet/HttpGet.h) and hands it out as a file;
// a failure is returned as null, with GetLastError set, instead of an exception. Only http and
// https addresses open.
#pragma once

#include <string>

#include "platform/mfc/File.h"

#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3
#define INTERNET_FLAG_TRANSFER_ASCII 0x00000001u
#define INTERNET_FLAG_TRANSFER_BINARY 0x00000002u
#define INTERNET_FLAG_RELOAD 0x80000000u
#define ERROR_INTERNET_CANNOT_CONNECT 12029L
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006L

// A downloaded body, read from the start. The bytes are the body as the server sent it, whatever
// the transfer flag says.
class CHttpFile : public CStdioFile {
  DECLARE_DYNAMIC(CHttpFile)

 public:
  explicit CHttpFile(std::string body, LPCTSTR url) : m_body(std::move(body)), m_strUrl(url) {}

  UINT Read(void* lpBuf, UINT nCount) override;
  BOOL Write(const void* lpBuf, UINT nCount) override { return FALSE; }
  ULONGLONG GetLength() const override { return m_body.size(); }
  ULONGLONG GetPosition() const override { return m_position; }
  void Close() override {
    m_body.clear();
    m_position = 0;
  }
  CString GetFileURL() const { return m_strUrl; }

 private:
  std::string m_body;
  size_t m_position = 0;
  CString m_strUrl;
};

class CInternetSession : public CObject {
  DECLARE_DYNAMIC(CInternetSession)

 public:
  CInternetSession(LPCTSTR pstrAgent = nullptr, DWORD_PTR dwContext = 1,
                   DWORD dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG, LPCTSTR pstrProxyName = nullptr,
                   LPCTSTR pstrProxyBypass = nullptr, DWORD dwFlags = 0);
  ~CInternetSession() override;

  // The file of that address, which the caller deletes; null when the download failed.
  CStdioFile* OpenURL(LPCTSTR pstrURL, DWORD_PTR dwContext = 1, DWORD dwFlags = INTERNET_FLAG_TRANSFER_ASCII,
                      LPCTSTR pstrHeaders = nullptr, DWORD dwHeadersLength = 0);
  virtual void Close();
  // What went wrong in the last OpenURL, for logs.
  CString GetLastErrorText() const { return m_strLastError; }

 private:
  CString m_strAgent;
  CString m_strLastError;
};
