// Arrays, lists and maps: contents after each edit, list positions, and the map iteration order
// that callers rely on.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/mfc/Array.h"
#include "platform/mfc/List.h"
#include "platform/mfc/Map.h"

namespace {

template <class A>
std::vector<int> Items(const A& a) {
  std::vector<int> out;
  for (int i = 0; i < a.GetSize(); ++i) out.push_back(static_cast<int>(a[i]));
  return out;
}

TEST(CArray, EditsTable) {
  using V = std::vector<int>;
  struct Step {
    const char* what;
    void (*apply)(CArray<int, int>&);
    V expect;
  };
  const Step steps[] = {
      {"add", [](CArray<int, int>& a) { EXPECT_EQ(0, a.Add(1)); EXPECT_EQ(1, a.Add(2)); a.Add(3); }, V{1, 2, 3}},
      {"insert middle", [](CArray<int, int>& a) { a.InsertAt(1, 9, 2); }, V{1, 9, 9, 2, 3}},
      {"insert past end grows", [](CArray<int, int>& a) { a.InsertAt(6, 7); }, V{1, 9, 9, 2, 3, 0, 7}},
      {"remove two", [](CArray<int, int>& a) { a.RemoveAt(1, 2); }, V{1, 2, 3, 0, 7}},
      {"remove clamps", [](CArray<int, int>& a) { a.RemoveAt(3, 99); }, V{1, 2, 3}},
      {"remove outside", [](CArray<int, int>& a) { a.RemoveAt(5); a.RemoveAt(-1); }, V{1, 2, 3}},
      {"set at", [](CArray<int, int>& a) { a.SetAt(0, 5); a.SetAt(3, 8); a.SetAt(-1, 8); }, V{5, 2, 3}},
      {"element at", [](CArray<int, int>& a) { a.ElementAt(1) = 6; a[2] += 1; }, V{5, 6, 4}},
      {"set at grow", [](CArray<int, int>& a) { a.SetAtGrow(4, 1); }, V{5, 6, 4, 0, 1}},
      {"set size shrinks", [](CArray<int, int>& a) { a.SetSize(2, 16); }, V{5, 6}},
      {"set size grows with zeros", [](CArray<int, int>& a) { a.SetSize(4); }, V{5, 6, 0, 0}},
      {"append self", [](CArray<int, int>& a) { EXPECT_EQ(4, a.Append(a)); }, V{5, 6, 0, 0, 5, 6, 0, 0}},
      {"remove all", [](CArray<int, int>& a) { a.RemoveAll(); }, V{}},
  };
  CArray<int, int> a;
  for (const Step& s : steps) {
    s.apply(a);
    EXPECT_EQ(s.expect, Items(a)) << s.what;
    EXPECT_EQ(static_cast<int>(s.expect.size()), a.GetCount());
    EXPECT_EQ(static_cast<int>(s.expect.size()) - 1, a.GetUpperBound());
  }
  EXPECT_EQ(0, a.GetAt(3));  // outside: a default value
}

TEST(CArray, TypedArraysAndCopy) {
  CStringArray names;
  names.Add("a");
  names.Add(CString("b"));
  CStringArray other;
  other.Add("z");
  other.Copy(names);
  ASSERT_EQ(2, other.GetSize());
  EXPECT_STREQ("b", other[1]);
  names[0] = "changed";
  EXPECT_STREQ("a", other[0]);  // a deep copy
  other.InsertAt(0, &names);
  EXPECT_EQ(4, other.GetSize());
  EXPECT_STREQ("changed", other.GetAt(0));

  CPtrArray ptrs;
  int x = 0;
  ptrs.Add(&x);
  EXPECT_EQ(&x, ptrs[0]);
  CDWordArray words;
  words.SetSize(3);
  EXPECT_EQ(0u, words[2]);
  EXPECT_EQ(nullptr, CDWordArray().GetData());
}

template <class L>
std::vector<int> ListItems(const L& l) {
  std::vector<int> out;
  for (POSITION pos = l.GetHeadPosition(); pos;) out.push_back(static_cast<int>(reinterpret_cast<intptr_t>(l.GetNext(pos))));
  return out;
}

void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST(CList, PositionsAndEdits) {
  using V = std::vector<int>;
  CPtrList l;
  POSITION two = l.AddTail(P(2));
  l.AddHead(P(1));
  POSITION four = l.AddTail(P(4));
  EXPECT_EQ(V({1, 2, 4}), ListItems(l));
  POSITION three = l.InsertAfter(two, P(3));
  l.InsertBefore(l.GetHeadPosition(), P(0));
  l.InsertAfter(four, P(5));
  EXPECT_EQ(V({0, 1, 2, 3, 4, 5}), ListItems(l));
  EXPECT_EQ(6, l.GetCount());
  EXPECT_EQ(P(3), l.GetAt(three));
  EXPECT_EQ(three, l.Find(P(3)));
  EXPECT_EQ(nullptr, l.Find(P(2), three));  // searched after `three` only
  EXPECT_EQ(four, l.FindIndex(4));
  EXPECT_EQ(nullptr, l.FindIndex(6));
  EXPECT_EQ(nullptr, l.FindIndex(-1));

  // Removing one element keeps the other positions valid.
  l.RemoveAt(three);
  EXPECT_EQ(P(4), l.GetAt(four));
  l.SetAt(four, P(40));
  EXPECT_EQ(V({0, 1, 2, 40, 5}), ListItems(l));

  // Walking back from the tail.
  std::vector<int> back;
  for (POSITION pos = l.GetTailPosition(); pos;) back.push_back(static_cast<int>(reinterpret_cast<intptr_t>(l.GetPrev(pos))));
  EXPECT_EQ(V({5, 40, 2, 1, 0}), back);

  EXPECT_EQ(P(0), l.RemoveHead());
  EXPECT_EQ(P(5), l.RemoveTail());
  EXPECT_EQ(P(1), l.GetHead());
  EXPECT_EQ(P(40), l.GetTail());
  l.RemoveAll();
  EXPECT_TRUE(l.IsEmpty());
  EXPECT_EQ(nullptr, l.GetHeadPosition());
  EXPECT_EQ(nullptr, l.GetTailPosition());
}

TEST(CList, StringListAndTypedList) {
  CStringList names;
  names.AddTail("b");
  names.AddHead("a");
  names.AddTail(CString("c"));
  ASSERT_NE(nullptr, names.Find("c"));
  EXPECT_EQ(nullptr, names.Find("C"));
  POSITION pos = names.GetHeadPosition();
  EXPECT_STREQ("a", names.GetNext(pos));
  EXPECT_STREQ("b", names.GetNext(pos));

  CList<std::pair<int, int>, const std::pair<int, int>&> pairs;
  pairs.AddTail({1, 2});
  EXPECT_EQ(2, pairs.GetHead().second);
  CObList objects;
  EXPECT_TRUE(objects.IsEmpty());
}

template <class M, class K, class V>
std::vector<std::pair<K, V>> Walk(const M& m) {
  std::vector<std::pair<K, V>> out;
  POSITION pos = m.GetStartPosition();
  while (pos) {
    K k{};
    V v{};
    m.GetNextAssoc(pos, k, v);
    out.emplace_back(k, v);
  }
  return out;
}

TEST(CMap, IterationOrderOfSmallIntegerKeys) {
  // Keys below 16 all fall into bucket 0 (the key shifted right by four), where the newest comes
  // first: a map filled with 0, 1, 2, ... iterates from the highest index down.
  CMap<UINT, UINT, CString, LPCTSTR> skins;
  for (UINT i = 0; i < 5; ++i) {
    CString path;
    path.Format("skin%u", i);
    skins.SetAt(i, path);
  }
  auto order = Walk<decltype(skins), UINT, CString>(skins);
  ASSERT_EQ(5u, order.size());
  for (UINT i = 0; i < 5; ++i) {
    EXPECT_EQ(4 - i, order[i].first);
    EXPECT_EQ("skin" + std::to_string(4 - i), std::string(order[i].second));
  }
  // Over 16 keys the buckets come in order: 16..31 fall into bucket 1, after bucket 0.
  CMap<UINT, UINT, int, int> wide;
  for (UINT i = 0; i < 20; ++i) wide[i] = static_cast<int>(i);
  auto w = Walk<decltype(wide), UINT, int>(wide);
  std::vector<UINT> keys;
  for (auto& kv : w) keys.push_back(kv.first);
  std::vector<UINT> expect;
  for (int i = 15; i >= 0; --i) expect.push_back(i);
  for (int i = 19; i >= 16; --i) expect.push_back(i);
  EXPECT_EQ(expect, keys);
}

TEST(CMap, LookupSetRemoveAndHashSize) {
  CMap<WORD, WORD, int, int> m;
  EXPECT_EQ(17u, m.GetHashTableSize());
  m.InitHashTable(17);
  int v = -1;
  EXPECT_FALSE(m.Lookup(3, v));
  m.SetAt(3, 30);
  m[5] = 50;
  m[3] = 31;  // overwrites
  EXPECT_EQ(2, m.GetCount());
  EXPECT_TRUE(m.Lookup(3, v));
  EXPECT_EQ(31, v);
  EXPECT_EQ(0, m[7]);  // operator[] adds a default value
  EXPECT_EQ(3, m.GetCount());
  EXPECT_TRUE(m.RemoveKey(7));
  EXPECT_FALSE(m.RemoveKey(7));
  m.InitHashTable(101);  // refused: the map is not empty
  EXPECT_EQ(17u, m.GetHashTableSize());
  m.RemoveAll();
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(nullptr, m.GetStartPosition());
  m.InitHashTable(101);
  EXPECT_EQ(101u, m.GetHashTableSize());
  // Keys 16 apart share a bucket with 17 buckets only; with 101 buckets the order follows the key.
  for (WORD k : {0x100, 0x200, 0x300}) m[k] = k;
  auto w = Walk<decltype(m), WORD, int>(m);
  ASSERT_EQ(3u, w.size());
  EXPECT_EQ(0x100, w[0].first);  // bucket 16
  EXPECT_EQ(0x200, w[1].first);  // bucket 32
  EXPECT_EQ(0x300, w[2].first);  // bucket 48
}

TEST(CMap, StringKeysHashAsSignedBytes) {
  // The string hash adds each byte as a signed char: for a GBK byte that differs from adding it
  // unsigned, and decides the bucket (and so the iteration order).
  EXPECT_EQ(97u, AfxHashString("a"));
  EXPECT_EQ(97u * 33u + 98u, AfxHashString("ab"));
  EXPECT_EQ(static_cast<UINT>(-0x2A) * 33u + static_cast<UINT>(-0x30), AfxHashString("\xD6\xD0"));
  EXPECT_EQ(0u, AfxHashString(""));

  CMapStringToPtr peers;
  peers.InitHashTable(17);
  int a = 1, b = 2;
  peers.SetAt("10.0.0.1:31380", &a);
  peers["中文:1"] = &b;
  void* found = nullptr;
  EXPECT_TRUE(peers.Lookup("中文:1", found));
  EXPECT_EQ(&b, found);
  EXPECT_FALSE(peers.Lookup("10.0.0.1:31381", found));
  // Iteration follows the buckets: the key with the lower bucket comes first.
  UINT bucketA = AfxHashString("10.0.0.1:31380") % 17;
  UINT bucketB = AfxHashString("中文:1") % 17;
  ASSERT_NE(bucketA, bucketB);
  auto w = Walk<CMapStringToPtr, CString, void*>(peers);
  ASSERT_EQ(2u, w.size());
  EXPECT_EQ(bucketA < bucketB ? &a : static_cast<void*>(&b), w[0].second);

  CMapStringToString texts;
  texts["k"] = "v";
  CString out;
  EXPECT_TRUE(texts.Lookup("k", out));
  EXPECT_STREQ("v", out);
  EXPECT_TRUE(texts.RemoveKey("k"));
  EXPECT_TRUE(texts.IsEmpty());

  CMapPtrToPtr ptrs;
  ptrs[&a] = &b;
  EXPECT_TRUE(ptrs.Lookup(&a, found));
  EXPECT_EQ(&b, found);
}

}  // namespace
