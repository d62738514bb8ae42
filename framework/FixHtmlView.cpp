#include "framework/FixHtmlView.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "net/CryptLayer.h"
#include "platform/kernel/Files.h"
#include "net/LayerHeader.h"
#include "net/SharedKeys.h"

IMPLEMENT_DYNAMIC(CFixHtmlView, CHtmlView)

namespace {

constexpr size_t RECORD_SIZE = 64;

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool HasPrefixNoCase(const std::string& s, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return s.size() >= n && AsciiLower(s.substr(0, n)) == prefix;
}

}  // namespace

CString CFixHtmlView::HostOfUrl(LPCSTR url) {
  std::string h = url ? url : "";
  const size_t slashes = h.find("://");
  if (slashes != std::string::npos) {
    h = h.substr(slashes + 3);
    h = h.substr(0, h.find_first_of("/?#"));
    // A user name and password in front of the host are not part of it.
    if (size_t at = h.rfind('@'); at != std::string::npos) h = h.substr(at + 1);
    if (!h.empty() && h[0] == '[') {
      h = h.substr(0, h.find(']') == std::string::npos ? h.size() : h.find(']') + 1);
    } else {
      h = h.substr(0, h.find(':'));
    }
  } else {
    h = h.substr(0, h.find('/'));
  }
  return CString(h.c_str());
}

BOOL CFixHtmlView::IsUrlAllowed(LPCSTR url) {
  const std::string address = url ? url : "";
  if (HasPrefixNoCase(address, "javascript:")) return TRUE;
  std::string h = static_cast<LPCSTR>(HostOfUrl(url));
  if (h.empty()) return FALSE;
  CStringList list;
  if (LoadWhitelist(list) == 0) return FALSE;
  auto listed = [&list](const std::string& name) { return list.Find(name.c_str()) != nullptr; };
  h = AsciiLower(h);
  if (listed(h)) return TRUE;
  const size_t firstDot = h.find('.');
  if (firstDot == std::string::npos) return FALSE;
  if (listed(h.substr(firstDot + 1))) return TRUE;
  const size_t lastDot = h.rfind('.');
  const size_t secondLast = lastDot == 0 ? std::string::npos : h.rfind('.', lastDot - 1);
  if (secondLast != std::string::npos && listed(h.substr(secondLast + 1))) return TRUE;
  return FALSE;
}

int CFixHtmlView::LoadWhitelist(CStringList& list) {
  // The path is the hall's, with Windows separators: the platform's file functions take it.
  FILE* file = PlatformFopen(m_whitelistFile, "rb");
  if (file == nullptr) return 0;
  BYTE record[RECORD_SIZE];
  while (std::fread(record, 1, RECORD_SIZE, file) == RECORD_SIZE) {
    BYTE plain[RECORD_SIZE + 16] = {};
    DWORD outLength = CCryptLayer::GetOutputSize(RECORD_SIZE);
    CCryptLayer layer;
    if (!layer.Transform(WhitelistKey(), SHARED_KEY_BYTES * 8, record, RECORD_SIZE, plain, &outLength, CRYPT_LAYER_FLAG | LAYER_UNWRAP)) {
      continue;
    }
    plain[RECORD_SIZE - 1] = 0;
    list.AddTail(AsciiLower(reinterpret_cast<const char*>(plain)).c_str());
  }
  std::fclose(file);
  return static_cast<int>(list.GetCount());
}

void CFixHtmlView::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                     CByteArray& baPostedData, LPCTSTR lpszHeaders, BOOL* pbCancel) {
  if (!m_filterOn || IsUrlAllowed(lpszURL)) {
    CHtmlView::OnBeforeNavigate2(lpszURL, nFlags, lpszTargetFrameName, baPostedData, lpszHeaders, pbCancel);
    return;
  }
  *pbCancel = TRUE;
}

void CFixHtmlView::Navigate(LPCSTR url, DWORD flags, LPCSTR targetFrame, LPCSTR headers, LPCSTR postData,
                            DWORD postLength) {
  if (postData && postLength == 0) postLength = static_cast<DWORD>(std::strlen(postData));
  CHtmlView::Navigate(url, flags, targetFrame, headers, const_cast<char*>(postData), postData ? postLength : 0);
}

bool WriteWhitelistFile(const std::string& path, const std::vector<std::string>& hosts) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  for (const std::string& host : hosts) {
    if (host.size() >= RECORD_SIZE) return false;
    BYTE plain[RECORD_SIZE] = {};
    std::memcpy(plain, host.data(), host.size());
    BYTE record[RECORD_SIZE + 16] = {};
    DWORD outLength = CCryptLayer::GetOutputSize(RECORD_SIZE);
    CCryptLayer layer;
    if (!layer.Transform(WhitelistKey(), SHARED_KEY_BYTES * 8, plain, RECORD_SIZE, record, &outLength, CRYPT_LAYER_FLAG | LAYER_WRAP)) {
      return false;
    }
    file.write(reinterpret_cast<const char*>(record), RECORD_SIZE);
  }
  return static_cast<bool>(file);
}
