// CArray and the typed arrays of the class library. Indexes are checked: an index outside the
// array reads a default value and writes nothing (the original asserts and then touches memory
// it does not own), so a wrong index never corrupts memory.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/mfc/AfxDefs.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() = default;

  int GetSize() const { return static_cast<int>(m_data.size()); }
  int GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_data.empty(); }
  int GetUpperBound() const { return GetSize() - 1; }
  // nGrowBy -1 keeps the current growth step. Growth steps only decide how much room is kept
  // in reserve; the contents are the same either way.
  void SetSize(int nNewSize, int nGrowBy = -1) {
    if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
    if (nNewSize < 0) nNewSize = 0;
    if (static_cast<size_t>(nNewSize) > m_data.capacity() && m_nGrowBy > 0) {
      m_data.reserve(std::max(static_cast<size_t>(nNewSize), m_data.size() + m_nGrowBy));
    }
    m_data.resize(nNewSize);
  }
  void FreeExtra() { m_data.shrink_to_fit(); }
  void RemoveAll() { m_data.clear(); }

  TYPE GetAt(int nIndex) const { return Valid(nIndex) ? m_data[nIndex] : TYPE(); }
  void SetAt(int nIndex, ARG_TYPE newElement) { if (Valid(nIndex)) m_data[nIndex] = newElement; }
  // The caller must pass a valid index: a reference cannot be refused.
  TYPE& ElementAt(int nIndex) { ASSERT(Valid(nIndex)); return m_data[nIndex]; }
  const TYPE& ElementAt(int nIndex) const { ASSERT(Valid(nIndex)); return m_data[nIndex]; }
  TYPE& operator[](int nIndex) { return ElementAt(nIndex); }
  const TYPE& operator[](int nIndex) const { return ElementAt(nIndex); }
  const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
  TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

  // Grows the array to hold the index; a negative index does nothing.
  void SetAtGrow(int nIndex, ARG_TYPE newElement) {
    if (nIndex < 0) return;
    if (nIndex >= GetSize()) SetSize(nIndex + 1);
    m_data[nIndex] = newElement;
  }
  int Add(ARG_TYPE newElement) {
    int index = GetSize();
    SetAtGrow(index, newElement);
    return index;
  }
  int Append(const CArray& src) {
    int old = GetSize();
    if (&src == this) {
      std::vector<TYPE> copy(src.m_data);
      m_data.insert(m_data.end(), copy.begin(), copy.end());
    } else {
      m_data.insert(m_data.end(), src.m_data.begin(), src.m_data.end());
    }
    return old;
  }
  void Copy(const CArray& src) { if (&src != this) m_data = src.m_data; }
  // An index past the end grows the array first, as the original does.
  void InsertAt(int nIndex, ARG_TYPE newElement, int nCount = 1) {
    if (nIndex < 0 || nCount <= 0) return;
    TYPE value(newElement);
    if (nIndex >= GetSize()) SetSize(nIndex);
    m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), value);
  }
  void InsertAt(int nStartIndex, const CArray* pNewArray) {
    if (!pNewArray || nStartIndex < 0) return;
    std::vector<TYPE> copy(pNewArray->m_data);
    if (nStartIndex >= GetSize()) SetSize(nStartIndex);
    m_data.insert(m_data.begin() + nStartIndex, copy.begin(), copy.end());
  }
  // Removes what lies inside the array of the range asked for.
  void RemoveAt(int nIndex, int nCount = 1) {
    if (nIndex < 0 || nCount <= 0 || nIndex >= GetSize()) return;
    int end = nCount > GetSize() - nIndex ? GetSize() : nIndex + nCount;
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + end);
  }

 private:
  bool Valid(int nIndex) const { return nIndex >= 0 && nIndex < GetSize(); }

  std::vector<TYPE> m_data;
  int m_nGrowBy = 0;
};

class CPtrArray : public CArray<void*, void*> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CStringArray : public CArray<CString, LPCTSTR> {};
class CObArray : public CArray<CObject*, CObject*> {};
