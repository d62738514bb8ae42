#include "platform/mfc/String.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes of the character at p: 2 for a lead byte followed by a byte, else 1. A lead byte at the
// very end (a cut character) counts as one byte.
size_t CharLen(const char* p) {
  return IsLeadByte(static_cast<unsigned char>(p[0])) && p[1] != 0 ? 2 : 1;
}

size_t CharLenIn(const std::string& s, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Whether the character (len bytes at ch) occurs as a whole character in the zero-terminated set.
bool SetHasChar(LPCTSTR set, const char* ch, size_t len) {
  if (!set) return false;
  for (const char* p = set; *p;) {
    size_t n = CharLen(p);
    if (n == len && memcmp(p, ch, n) == 0) return true;
    p += n;
  }
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The first position at or after `from` where `sub` starts on a character boundary that is
// reached by stepping characters from `from`.
size_t FindSub(const std::string& s, size_t from, const char* sub, size_t subLen) {
  if (subLen == 0) return from <= s.size() ? from : std::string::npos;
  for (size_t i = from; i < s.size(); i += CharLenIn(s, i)) {
    if (s.size() - i >= subLen && memcmp(s.data() + i, sub, subLen) == 0) return i;
  }
  return std::string::npos;
}

std::atomic<AFX_STRING_TABLE> g_stringTable{nullptr};

}  // namespace

int CString::Compare(LPCTSTR lpsz) const {
  int r = strcmp(m_str.c_str(), lpsz ? lpsz : "");
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(LPCTSTR lpsz) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(lpsz ? lpsz : "");
  for (;;) {
    // A double-byte character compares as its two bytes, unfolded.
    if (IsLeadByte(*a) && a[1] != 0 && IsLeadByte(*b) && b[1] != 0) {
      if (a[0] != b[0]) return a[0] < b[0] ? -1 : 1;
      if (a[1] != b[1]) return a[1] < b[1] ? -1 : 1;
      a += 2;
      b += 2;
      continue;
    }
    unsigned char ca = static_cast<unsigned char>(FoldAscii(static_cast<char>(*a)));
    unsigned char cb = static_cast<unsigned char>(FoldAscii(static_cast<char>(*b)));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
    ++a;
    ++b;
  }
}

CString CString::Mid(int nFirst, int nCount) const {
  if (nFirst < 0) nFirst = 0;
  if (nCount < 0) nCount = 0;
  int len = GetLength();
  if (nFirst >= len) return CString();
  if (nCount > len - nFirst) nCount = len - nFirst;
  return CString(m_str.data() + nFirst, nCount);
}

CString CString::Right(int nCount) const {
  if (nCount < 0) nCount = 0;
  int len = GetLength();
  if (nCount >= len) return *this;
  return CString(m_str.data() + len - nCount, nCount);
}

CString CString::SpanIncluding(LPCTSTR lpszCharSet) const {
  size_t i = 0;
  while (i < m_str.size()) {
    size_t n = CharLenIn(m_str, i);
    if (!SetHasChar(lpszCharSet, m_str.data() + i, n)) break;
    i += n;
  }
  return Left(static_cast<int>(i));
}

CString CString::SpanExcluding(LPCTSTR lpszCharSet) const {
  size_t i = 0;
  while (i < m_str.size()) {
    size_t n = CharLenIn(m_str, i);
    if (SetHasChar(lpszCharSet, m_str.data() + i, n)) break;
    i += n;
  }
  return Left(static_cast<int>(i));
}

int CString::Find(TCHAR ch, int nStart) const {
  if (nStart < 0 || nStart >= GetLength()) return -1;
  for (size_t i = nStart; i < m_str.size(); i += CharLenIn(m_str, i)) {
    if (CharLenIn(m_str, i) == 1 && m_str[i] == ch) return static_cast<int>(i);
  }
  return -1;
}

int CString::Find(LPCTSTR lpszSub, int nStart) const {
  if (!lpszSub || nStart < 0 || nStart > GetLength()) return -1;
  size_t at = FindSub(m_str, nStart, lpszSub, strlen(lpszSub));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(TCHAR ch) const {
  int found = -1;
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    if (CharLenIn(m_str, i) == 1 && m_str[i] == ch) found = static_cast<int>(i);
  }
  return found;
}

int CString::FindOneOf(LPCTSTR lpszCharSet) const {
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    if (SetHasChar(lpszCharSet, m_str.data() + i, CharLenIn(m_str, i))) return static_cast<int>(i);
  }
  return -1;
}

int CString::Replace(TCHAR chOld, TCHAR chNew) {
  int count = 0;
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    if (CharLenIn(m_str, i) == 1 && m_str[i] == chOld) {
      m_str[i] = chNew;
      ++count;
    }
  }
  return count;
}

int CString::Replace(LPCTSTR lpszOld, LPCTSTR lpszNew) {
  if (!lpszOld || !*lpszOld) return 0;
  size_t oldLen = strlen(lpszOld);
  std::string replacement = lpszNew ? lpszNew : "";
  std::string out;
  int count = 0;
  size_t i = 0;
  for (;;) {
    size_t at = FindSub(m_str, i, lpszOld, oldLen);
    if (at == std::string::npos) break;
    out.append(m_str, i, at - i);
    out += replacement;
    i = at + oldLen;
    ++count;
  }
  if (count) {
    out.append(m_str, i, std::string::npos);
    m_str.swap(out);
  }
  return count;
}

int CString::Remove(TCHAR chRemove) {
  std::string out;
  out.reserve(m_str.size());
  int count = 0;
  for (size_t i = 0; i < m_str.size();) {
    size_t n = CharLenIn(m_str, i);
    if (n == 1 && m_str[i] == chRemove) {
      ++count;
    } else {
      out.append(m_str, i, n);
    }
    i += n;
  }
  m_str.swap(out);
  return count;
}

int CString::Insert(int nIndex, TCHAR ch) {
  if (nIndex < 0) nIndex = 0;
  if (nIndex > GetLength()) nIndex = GetLength();
  m_str.insert(m_str.begin() + nIndex, ch);
  return GetLength();
}

int CString::Insert(int nIndex, LPCTSTR pstr) {
  if (nIndex < 0) nIndex = 0;
  if (nIndex > GetLength()) nIndex = GetLength();
  if (pstr) m_str.insert(nIndex, pstr);
  return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
  if (nIndex < 0) nIndex = 0;
  if (nCount > 0 && nIndex < GetLength()) m_str.erase(nIndex, nCount);
  return GetLength();
}

CString& CString::MakeUpper() {
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    char& c = m_str[i];
    if (CharLenIn(m_str, i) == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return *this;
}

CString& CString::MakeLower() {
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    if (CharLenIn(m_str, i) == 1) m_str[i] = FoldAscii(m_str[i]);
  }
  return *this;
}

CString& CString::MakeReverse() {
  // Characters are reversed, each double-byte character keeping its byte order.
  std::string out;
  out.reserve(m_str.size());
  for (size_t i = 0; i < m_str.size();) {
    size_t n = CharLenIn(m_str, i);
    out.insert(0, m_str, i, n);
    i += n;
  }
  m_str.swap(out);
  return *this;
}

CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < m_str.size() && IsSpace(m_str[i])) ++i;
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimLeft(TCHAR chTarget) {
  const char set[2] = {chTarget, 0};
  return TrimLeft(set);
}

CString& CString::TrimLeft(LPCTSTR lpszTargets) {
  size_t i = 0;
  while (i < m_str.size()) {
    size_t n = CharLenIn(m_str, i);
    if (!SetHasChar(lpszTargets, m_str.data() + i, n)) break;
    i += n;
  }
  m_str.erase(0, i);
  return *this;
}

CString& CString::TrimRight() {
  // Walk forward so that a trail byte that looks like white space is never taken for it.
  size_t keep = 0;
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    size_t n = CharLenIn(m_str, i);
    if (!(n == 1 && IsSpace(m_str[i]))) keep = i + n;
  }
  m_str.resize(keep);
  return *this;
}

CString& CString::TrimRight(TCHAR chTarget) {
  const char set[2] = {chTarget, 0};
  return TrimRight(set);
}

CString& CString::TrimRight(LPCTSTR lpszTargets) {
  size_t keep = 0;
  for (size_t i = 0; i < m_str.size(); i += CharLenIn(m_str, i)) {
    size_t n = CharLenIn(m_str, i);
    if (!SetHasChar(lpszTargets, m_str.data() + i, n)) keep = i + n;
  }
  m_str.resize(keep);
  return *this;
}

void CString::FormatRaw(LPCTSTR lpszFormat, ...) {
  va_list args;
  va_start(args, lpszFormat);
  FormatV(lpszFormat, args);
  va_end(args);
}

void CString::FormatV(LPCTSTR lpszFormat, va_list argList) {
  m_str.clear();
  AppendFormatV(lpszFormat, argList);
}

void CString::AppendFormatV(LPCTSTR lpszFormat, va_list argList) {
  if (!lpszFormat) return;
  va_list copy;
  va_copy(copy, argList);
  int n = vsnprintf(nullptr, 0, lpszFormat, copy);
  va_end(copy);
  if (n <= 0) return;
  size_t old = m_str.size();
  m_str.resize(old + n + 1);
  vsnprintf(&m_str[old], n + 1, lpszFormat, argList);
  m_str.resize(old + n);
}

LPTSTR CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength()) {
    // The extra bytes are zero, so that ReleaseBuffer(-1) after no write keeps the text.
    size_t old = m_str.size();
    m_str.resize(nMinBufLength);
    memset(&m_str[old], 0, nMinBufLength - old);
  }
  return &m_str[0];
}

LPTSTR CString::GetBufferSetLength(int nNewLength) {
  if (nNewLength < 0) nNewLength = 0;
  m_str.resize(nNewLength);
  return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength) {
  if (nNewLength < 0) {
    nNewLength = static_cast<int>(strnlen(m_str.c_str(), m_str.size()));
  }
  if (static_cast<size_t>(nNewLength) > m_str.size()) nNewLength = GetLength();
  m_str.resize(nNewLength);
}

BOOL CString::LoadString(UINT nID) {
  AFX_STRING_TABLE lookup = g_stringTable.load();
  LPCSTR text = lookup ? lookup(nID) : nullptr;
  if (!text) {
    Empty();
    return FALSE;
  }
  m_str = text;
  return TRUE;
}

void AfxSetStringTable(AFX_STRING_TABLE pfnLookup) { g_stringTable.store(pfnLookup); }

UINT AfxHashString(LPCTSTR key) {
  // Bytes are added as signed chars, as the original's TCHAR is; this sets the bucket of every
  // key and so the iteration order of string maps.
  UINT nHash = 0;
  while (key && *key) nHash = (nHash << 5) + nHash + static_cast<UINT>(static_cast<int>(*key++));
  return nHash;
}
