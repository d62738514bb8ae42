// CString: the class library's string of GBK bytes.
//
// Lengths, indexes and Mid/Left/Right count bytes, as the multibyte build of the original does.
// Searching, trimming, removing and case folding walk the text character by character, so that
// the trail byte of a double-byte character (0x40-0xFE after a lead byte 0x81-0xFE) is never
// taken for an ASCII character: "\" and "|" inside such characters are not found, trimmed or
// removed. Case folding changes ASCII letters only.
#pragma once

#include <cstdarg>
#include <string>
#include <type_traits>

#include "platform/base/WinTypes.h"
// Resources.h spells LoadString as LoadStringA, as the platform headers do; CString::LoadString
// is declared after it so that every caller sees the same name.
#include "platform/user/Resources.h"

class CString {
 public:
  CString() = default;
  CString(const CString& stringSrc) = default;
  CString(CString&& stringSrc) noexcept = default;
  CString(LPCTSTR lpsz) : m_str(lpsz ? lpsz : "") {}
  CString(const unsigned char* psz) : CString(reinterpret_cast<LPCTSTR>(psz)) {}
  // The first nLength bytes of lpch (they may hold zeros).
  CString(LPCTSTR lpch, int nLength) : m_str(lpch && nLength > 0 ? std::string(lpch, nLength) : std::string()) {}
  CString(TCHAR ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
  ~CString() = default;

  CString& operator=(const CString& stringSrc) = default;
  CString& operator=(CString&& stringSrc) noexcept = default;
  CString& operator=(LPCTSTR lpsz) { m_str = lpsz ? lpsz : ""; return *this; }
  CString& operator=(TCHAR ch) { m_str.assign(1, ch); return *this; }

  int GetLength() const { return static_cast<int>(m_str.size()); }
  BOOL IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  // An index outside the string reads 0 and writes nothing.
  TCHAR GetAt(int nIndex) const { return nIndex >= 0 && nIndex < GetLength() ? m_str[nIndex] : 0; }
  // A template, so that an index of any integer type picks this and not the built-in [] of the
  // LPCTSTR conversion.
  template <typename I, typename = std::enable_if_t<std::is_integral_v<I>>>
  TCHAR operator[](I nIndex) const {
    if constexpr (std::is_signed_v<I>) {
      if (nIndex < 0) return 0;
    }
    return static_cast<unsigned long long>(nIndex) < m_str.size() ? m_str[static_cast<size_t>(nIndex)] : 0;
  }
  void SetAt(int nIndex, TCHAR ch) { if (nIndex >= 0 && nIndex < GetLength()) m_str[nIndex] = ch; }
  operator LPCTSTR() const { return m_str.c_str(); }
  LPCTSTR GetString() const { return m_str.c_str(); }

  CString& operator+=(const CString& string) { m_str += string.m_str; return *this; }
  CString& operator+=(LPCTSTR lpsz) { if (lpsz) m_str += lpsz; return *this; }
  CString& operator+=(TCHAR ch) { m_str += ch; return *this; }
  friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, LPCTSTR b) { CString r(a); r += b; return r; }
  friend CString operator+(LPCTSTR a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, TCHAR b) { CString r(a); r += b; return r; }
  friend CString operator+(TCHAR a, const CString& b) { CString r(a); r += b; return r; }

  // Byte-wise comparison of unsigned bytes: <0, 0, >0.
  int Compare(LPCTSTR lpsz) const;
  // Compares with ASCII letters folded; the bytes of double-byte characters compare as they are.
  int CompareNoCase(LPCTSTR lpsz) const;
  int Collate(LPCTSTR lpsz) const { return Compare(lpsz); }

  // Mid, Left and Right clamp their counts to the string, as the original does.
  CString Mid(int nFirst) const { return Mid(nFirst, GetLength()); }
  CString Mid(int nFirst, int nCount) const;
  CString Left(int nCount) const { return Mid(0, nCount); }
  CString Right(int nCount) const;
  CString SpanIncluding(LPCTSTR lpszCharSet) const;
  CString SpanExcluding(LPCTSTR lpszCharSet) const;

  // -1 when not found. nStart is a byte index; a start outside the string finds nothing.
  int Find(TCHAR ch) const { return Find(ch, 0); }
  int Find(TCHAR ch, int nStart) const;
  int Find(LPCTSTR lpszSub) const { return Find(lpszSub, 0); }
  int Find(LPCTSTR lpszSub, int nStart) const;
  int ReverseFind(TCHAR ch) const;
  int FindOneOf(LPCTSTR lpszCharSet) const;

  // Each returns the number of replacements or removals.
  int Replace(TCHAR chOld, TCHAR chNew);
  int Replace(LPCTSTR lpszOld, LPCTSTR lpszNew);
  int Remove(TCHAR chRemove);
  // Both return the new length. An index past the end inserts at the end.
  int Insert(int nIndex, TCHAR ch);
  int Insert(int nIndex, LPCTSTR pstr);
  int Delete(int nIndex, int nCount = 1);

  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();
  // Without arguments white space (space, tab, CR, LF, VT, FF) is trimmed.
  CString& TrimLeft();
  CString& TrimLeft(TCHAR chTarget);
  CString& TrimLeft(LPCTSTR lpszTargets);
  CString& TrimRight();
  CString& TrimRight(TCHAR chTarget);
  CString& TrimRight(LPCTSTR lpszTargets);
  CString& Trim() { TrimRight(); return TrimLeft(); }
  CString& Trim(TCHAR chTarget) { TrimRight(chTarget); return TrimLeft(chTarget); }
  CString& Trim(LPCTSTR lpszTargets) { TrimRight(lpszTargets); return TrimLeft(lpszTargets); }

  // printf formatting of any length. CString arguments may be passed as they are: they are handed
  // on as their text.
  template <typename... Args>
  void Format(LPCTSTR lpszFormat, const Args&... args) {
    FormatRaw(lpszFormat, FormatArg(args)...);
  }
  template <typename... Args>
  void AppendFormat(LPCTSTR lpszFormat, const Args&... args) {
    CString more;
    more.FormatRaw(lpszFormat, FormatArg(args)...);
    *this += more;
  }
  void FormatV(LPCTSTR lpszFormat, va_list argList);
  void AppendFormatV(LPCTSTR lpszFormat, va_list argList);

  // A writable buffer of at least nMinBufLength bytes plus the terminating zero; the text keeps
  // its bytes. ReleaseBuffer(-1) takes the length up to the first zero.
  LPTSTR GetBuffer(int nMinBufLength = 0);
  LPTSTR GetBufferSetLength(int nNewLength);
  void ReleaseBuffer(int nNewLength = -1);
  LPTSTR LockBuffer() { return GetBuffer(0); }
  void UnlockBuffer() {}
  void FreeExtra() { m_str.shrink_to_fit(); }

  // Loads the string of that id from the string table that the program registered with
  // AfxSetStringTable. FALSE (and an empty string) when there is none.
  BOOL LoadString(UINT nID);

  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, LPCTSTR b) { return a.Compare(b) == 0; }
  friend bool operator==(LPCTSTR a, const CString& b) { return b.Compare(a) == 0; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, LPCTSTR b) { return a.Compare(b) != 0; }
  friend bool operator!=(LPCTSTR a, const CString& b) { return b.Compare(a) != 0; }
  friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
  friend bool operator<(const CString& a, LPCTSTR b) { return a.Compare(b) < 0; }
  friend bool operator<(LPCTSTR a, const CString& b) { return b.Compare(a) > 0; }
  friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
  friend bool operator>(const CString& a, LPCTSTR b) { return a.Compare(b) > 0; }
  friend bool operator>(LPCTSTR a, const CString& b) { return b.Compare(a) < 0; }
  friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
  friend bool operator<=(const CString& a, LPCTSTR b) { return a.Compare(b) <= 0; }
  friend bool operator<=(LPCTSTR a, const CString& b) { return b.Compare(a) >= 0; }
  friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
  friend bool operator>=(const CString& a, LPCTSTR b) { return a.Compare(b) >= 0; }
  friend bool operator>=(LPCTSTR a, const CString& b) { return b.Compare(a) <= 0; }

 private:
  template <typename T>
  static auto FormatArg(const T& value) {
    if constexpr (std::is_same_v<T, CString>) {
      return value.GetString();
    } else if constexpr (std::is_array_v<T>) {
      return static_cast<const std::remove_extent_t<T>*>(value);
    } else {
      return value;
    }
  }
  void FormatRaw(LPCTSTR lpszFormat, ...);

  std::string m_str;
};

// The string table behind CString::LoadString: a function that gives the text of an id, or null
// when the program has none. The resource layer registers it.
typedef LPCSTR (*AFX_STRING_TABLE)(UINT nID);
void AfxSetStringTable(AFX_STRING_TABLE pfnLookup);

// The hash of a string key in the maps (CMapStringToPtr, CMap<CString, ...>).
UINT AfxHashString(LPCTSTR key);
