#include "platform/mfc/InternetSession.h"

#include <cstring>

#include "platform/base/WinError.h"
#include "platform/inet/HttpGet.h"

IMPLEMENT_DYNAMIC(CHttpFile, CStdioFile)
IMPLEMENT_DYNAMIC(CInternetSession, CObject)

UINT CHttpFile::Read(void* lpBuf, UINT nCount) {
  if (!lpBuf || m_position >= m_body.size()) return 0;
  const size_t n = std::min<size_t>(nCount, m_body.size() - m_position);
  std::memcpy(lpBuf, m_body.data() + m_position, n);
  m_position += n;
  return static_cast<UINT>(n);
}

CInternetSession::CInternetSession(LPCTSTR pstrAgent, DWORD_PTR, DWORD, LPCTSTR, LPCTSTR, DWORD)
    : m_strAgent(pstrAgent ? pstrAgent : "") {}

CInternetSession::~CInternetSession() { Close(); }

CStdioFile* CInternetSession::OpenURL(LPCTSTR pstrURL, DWORD_PTR, DWORD, LPCTSTR, DWORD) {
  if (!pstrURL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string url(pstrURL);
  std::string scheme = url.substr(0, url.find(':'));
  for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (scheme != "http" && scheme != "https") {
    m_strLastError = "not a web address";
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return nullptr;
  }
  platform::HttpGetResult got = platform::HttpGet(url, m_strAgent.GetString());
  if (!got.ok) {
    m_strLastError = got.error.c_str();
    SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    return nullptr;
  }
  m_strLastError.Empty();
  return new CHttpFile(std::move(got.body), pstrURL);
}

void CInternetSession::Close() {}
