// CList and the typed lists of the class library: doubly linked lists whose positions are their
// nodes. A position stays valid until its own element is removed.
#pragma once

#include "platform/mfc/AfxDefs.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
 public:
  // The block size of the original's node allocator; nodes are allocated one by one here.
  explicit CList(int nBlockSize = 10) {}
  ~CList() override { RemoveAll(); }

  int GetCount() const { return m_nCount; }
  int GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  // The list must not be empty for these.
  TYPE& GetHead() { ASSERT(m_pNodeHead); return m_pNodeHead->data; }
  const TYPE& GetHead() const { ASSERT(m_pNodeHead); return m_pNodeHead->data; }
  TYPE& GetTail() { ASSERT(m_pNodeTail); return m_pNodeTail->data; }
  const TYPE& GetTail() const { ASSERT(m_pNodeTail); return m_pNodeTail->data; }

  TYPE RemoveHead() {
    ASSERT(m_pNodeHead);
    if (!m_pNodeHead) return TYPE();
    CNode* node = m_pNodeHead;
    TYPE value = node->data;
    Unlink(node);
    return value;
  }
  TYPE RemoveTail() {
    ASSERT(m_pNodeTail);
    if (!m_pNodeTail) return TYPE();
    CNode* node = m_pNodeTail;
    TYPE value = node->data;
    Unlink(node);
    return value;
  }
  POSITION AddHead(ARG_TYPE newElement) { return InsertNode(nullptr, m_pNodeHead, newElement); }
  POSITION AddTail(ARG_TYPE newElement) { return InsertNode(m_pNodeTail, nullptr, newElement); }
  void AddHead(CList* pNewList) {
    if (!pNewList) return;
    for (POSITION pos = pNewList->GetTailPosition(); pos;) AddHead(pNewList->GetPrev(pos));
  }
  void AddTail(CList* pNewList) {
    if (!pNewList) return;
    for (POSITION pos = pNewList->GetHeadPosition(); pos;) AddTail(pNewList->GetNext(pos));
  }
  void RemoveAll() {
    while (m_pNodeHead) Unlink(m_pNodeHead);
  }

  POSITION GetHeadPosition() const { return Pos(m_pNodeHead); }
  POSITION GetTailPosition() const { return Pos(m_pNodeTail); }
  // Returns the element at rPosition and moves rPosition on (null after the last).
  TYPE& GetNext(POSITION& rPosition) {
    CNode* node = Node(rPosition);
    rPosition = Pos(node->pNext);
    return node->data;
  }
  const TYPE& GetNext(POSITION& rPosition) const {
    CNode* node = Node(rPosition);
    rPosition = Pos(node->pNext);
    return node->data;
  }
  TYPE& GetPrev(POSITION& rPosition) {
    CNode* node = Node(rPosition);
    rPosition = Pos(node->pPrev);
    return node->data;
  }
  const TYPE& GetPrev(POSITION& rPosition) const {
    CNode* node = Node(rPosition);
    rPosition = Pos(node->pPrev);
    return node->data;
  }
  TYPE& GetAt(POSITION position) { return Node(position)->data; }
  const TYPE& GetAt(POSITION position) const { return Node(position)->data; }
  void SetAt(POSITION pos, ARG_TYPE newElement) { Node(pos)->data = newElement; }
  void RemoveAt(POSITION position) { Unlink(Node(position)); }
  POSITION InsertBefore(POSITION position, ARG_TYPE newElement) {
    if (!position) return AddHead(newElement);
    CNode* node = Node(position);
    return InsertNode(node->pPrev, node, newElement);
  }
  POSITION InsertAfter(POSITION position, ARG_TYPE newElement) {
    if (!position) return AddTail(newElement);
    CNode* node = Node(position);
    return InsertNode(node, node->pNext, newElement);
  }
  // The first element equal to searchValue after startAfter (null: from the head), or null.
  POSITION Find(ARG_TYPE searchValue, POSITION startAfter = nullptr) const {
    CNode* node = startAfter ? Node(startAfter)->pNext : m_pNodeHead;
    for (; node; node = node->pNext) {
      if (node->data == searchValue) return Pos(node);
    }
    return nullptr;
  }
  // The position of the zero-based index, or null when outside the list.
  POSITION FindIndex(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* node = m_pNodeHead;
    while (nIndex--) node = node->pNext;
    return Pos(node);
  }

 private:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
  };
  static POSITION Pos(CNode* node) { return reinterpret_cast<POSITION>(node); }
  static CNode* Node(POSITION pos) {
    ASSERT(pos != nullptr);
    return reinterpret_cast<CNode*>(pos);
  }
  POSITION InsertNode(CNode* prev, CNode* next, ARG_TYPE value) {
    CNode* node = new CNode{next, prev, TYPE(value)};
    if (prev) prev->pNext = node; else m_pNodeHead = node;
    if (next) next->pPrev = node; else m_pNodeTail = node;
    ++m_nCount;
    return Pos(node);
  }
  void Unlink(CNode* node) {
    if (node->pPrev) node->pPrev->pNext = node->pNext; else m_pNodeHead = node->pNext;
    if (node->pNext) node->pNext->pPrev = node->pPrev; else m_pNodeTail = node->pPrev;
    --m_nCount;
    delete node;
  }

  CNode* m_pNodeHead = nullptr;
  CNode* m_pNodeTail = nullptr;
  int m_nCount = 0;
};

class CPtrList : public CList<void*, void*> {
 public:
  explicit CPtrList(int nBlockSize = 10) : CList(nBlockSize) {}
};
class CObList : public CList<CObject*, CObject*> {
 public:
  explicit CObList(int nBlockSize = 10) : CList(nBlockSize) {}
};
class CStringList : public CList<CString, LPCTSTR> {
 public:
  explicit CStringList(int nBlockSize = 10) : CList(nBlockSize) {}
};
