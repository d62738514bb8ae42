// CMap and the typed maps of the class library: hash tables with the original's hash functions,
// table size (17 unless InitHashTable says otherwise) and iteration order. Iteration runs through
// the buckets in order and, inside a bucket, from the newest association to the oldest; callers
// rely on this order (for small integer keys, which all hash to bucket 0, the highest-added key
// comes first).
#pragma once

#include <cstring>
#include <type_traits>

#include "platform/mfc/AfxDefs.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

// The original's hash of a key: the key's value shifted right by four bits.
template <class ARG_KEY>
inline UINT AFXAPI HashKey(ARG_KEY key) {
  if constexpr (std::is_pointer_v<std::decay_t<ARG_KEY>>) {
    return static_cast<UINT>(reinterpret_cast<DWORD_PTR>(key) >> 4);
  } else {
    return static_cast<UINT>(static_cast<DWORD_PTR>(key) >> 4);
  }
}
template <>
inline UINT AFXAPI HashKey<LPCTSTR>(LPCTSTR key) { return AfxHashString(key); }
template <>
inline UINT AFXAPI HashKey<const CString&>(const CString& key) { return AfxHashString(key); }
template <>
inline UINT AFXAPI HashKey<CString>(CString key) { return AfxHashString(key); }

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  explicit CMap(int nBlockSize = 10) {}
  ~CMap() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  int GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }
  UINT GetHashTableSize() const { return m_nHashTableSize; }

  BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
    UINT nHash;
    CAssoc* assoc = GetAssocAt(key, nHash);
    if (!assoc) return FALSE;
    rValue = assoc->value;
    return TRUE;
  }
  // The value of the key, added with a default value when the key is new.
  VALUE& operator[](ARG_KEY key) {
    UINT nHash;
    CAssoc* assoc = GetAssocAt(key, nHash);
    if (!assoc) {
      if (!m_pHashTable) InitHashTable(m_nHashTableSize);
      assoc = new CAssoc{m_pHashTable[nHash], KEY(key), VALUE(), nHash};
      m_pHashTable[nHash] = assoc;  // newest first in its bucket
      ++m_nCount;
    }
    return assoc->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
  BOOL RemoveKey(ARG_KEY key) {
    if (!m_pHashTable) return FALSE;
    UINT nHash = HashKey<ARG_KEY>(key) % m_nHashTableSize;
    for (CAssoc** link = &m_pHashTable[nHash]; *link; link = &(*link)->pNext) {
      if (KeysEqual((*link)->key, key)) {
        CAssoc* gone = *link;
        *link = gone->pNext;
        delete gone;
        --m_nCount;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    if (m_pHashTable) {
      for (UINT i = 0; i < m_nHashTableSize; ++i) {
        for (CAssoc* a = m_pHashTable[i]; a;) {
          CAssoc* next = a->pNext;
          delete a;
          a = next;
        }
      }
      delete[] m_pHashTable;
      m_pHashTable = nullptr;
    }
    m_nCount = 0;
  }

  POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
  // Gives the association at rNextPosition and moves it on (null after the last).
  void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
    CAssoc* assoc = reinterpret_cast<CAssoc*>(rNextPosition);
    ASSERT(assoc != nullptr && m_pHashTable != nullptr);
    if (!assoc || !m_pHashTable) {
      rNextPosition = nullptr;
      return;
    }
    if (rNextPosition == BEFORE_START_POSITION) {
      assoc = nullptr;
      for (UINT b = 0; b < m_nHashTableSize && !assoc; ++b) assoc = m_pHashTable[b];
      if (!assoc) {
        rNextPosition = nullptr;
        return;
      }
    }
    CAssoc* next = assoc->pNext;
    for (UINT b = assoc->nHashValue + 1; !next && b < m_nHashTableSize; ++b) next = m_pHashTable[b];
    rNextPosition = reinterpret_cast<POSITION>(next);
    rKey = assoc->key;
    rValue = assoc->value;
  }

  // Sets the number of buckets; only while the map is empty (the original's rule), else ignored.
  void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE) {
    ASSERT(m_nCount == 0);
    if (m_nCount != 0 || hashSize == 0) return;
    delete[] m_pHashTable;
    m_pHashTable = nullptr;
    m_nHashTableSize = hashSize;
    if (bAllocNow) {
      m_pHashTable = new CAssoc*[hashSize];
      for (UINT i = 0; i < hashSize; ++i) m_pHashTable[i] = nullptr;
    }
  }

 private:
  struct CAssoc {
    CAssoc* pNext;
    KEY key;
    VALUE value;
    UINT nHashValue;  // the bucket
  };
  static bool KeysEqual(const KEY& stored, ARG_KEY key) {
    if constexpr (std::is_same_v<std::decay_t<ARG_KEY>, LPCTSTR> && std::is_same_v<KEY, LPCTSTR>) {
      return strcmp(stored, key) == 0;
    } else {
      return stored == key;
    }
  }
  CAssoc* GetAssocAt(ARG_KEY key, UINT& nHash) const {
    nHash = HashKey<ARG_KEY>(key) % m_nHashTableSize;
    if (!m_pHashTable) return nullptr;
    for (CAssoc* a = m_pHashTable[nHash]; a; a = a->pNext) {
      if (KeysEqual(a->key, key)) return a;
    }
    return nullptr;
  }
  CMap(const CMap&) = delete;
  CMap& operator=(const CMap&) = delete;

  CAssoc** m_pHashTable = nullptr;
  UINT m_nHashTableSize = 17;
  int m_nCount = 0;
};

class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*> {
 public:
  explicit CMapStringToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR> {
 public:
  explicit CMapStringToString(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*> {
 public:
  explicit CMapStringToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
 public:
  explicit CMapPtrToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
 public:
  explicit CMapWordToPtr(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapPtrToWord : public CMap<void*, void*, WORD, WORD> {
 public:
  explicit CMapPtrToWord(int nBlockSize = 10) : CMap(nBlockSize) {}
};
class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {
 public:
  explicit CMapWordToOb(int nBlockSize = 10) : CMap(nBlockSize) {}
};
