// Run-time classes: names, sizes, bases, creation by class, IsKindOf and the downcasts.
#include <gtest/gtest.h>

#include "platform/mfc/Afx.h"

namespace {

class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
 public:
  int m_sides = 0;
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CSquare : public CShape {
  DECLARE_DYNCREATE(CSquare)
 protected:
  CSquare() { m_sides = 4; }  // only creation by class makes one
 public:
  int m_extra[4] = {};
};
IMPLEMENT_DYNCREATE(CSquare, CShape)

class CTriangle : public CShape {
  DECLARE_DYNCREATE(CTriangle)
 public:
  CTriangle() { m_sides = 3; }
};
IMPLEMENT_DYNCREATE(CTriangle, CShape)

// A class with type information only: not creatable by class.
class CTicketEditLike : public CWnd {
  DECLARE_DYNAMIC(CTicketEditLike)
};
IMPLEMENT_DYNAMIC(CTicketEditLike, CWnd)

TEST(RuntimeClass, NamesSizesAndBases) {
  CRuntimeClass* square = RUNTIME_CLASS(CSquare);
  EXPECT_STREQ("CSquare", square->m_lpszClassName);
  EXPECT_EQ(static_cast<int>(sizeof(CSquare)), square->m_nObjectSize);
  EXPECT_EQ(0xFFFFu, square->m_wSchema);
  EXPECT_EQ(RUNTIME_CLASS(CShape), square->m_pBaseClass);
  EXPECT_EQ(RUNTIME_CLASS(CObject), RUNTIME_CLASS(CShape)->m_pBaseClass);
  EXPECT_EQ(nullptr, RUNTIME_CLASS(CObject)->m_pBaseClass);
  EXPECT_TRUE(square->IsDerivedFrom(RUNTIME_CLASS(CObject)));
  EXPECT_TRUE(square->IsDerivedFrom(square));
  EXPECT_FALSE(square->IsDerivedFrom(RUNTIME_CLASS(CTriangle)));
  EXPECT_FALSE(RUNTIME_CLASS(CShape)->IsDerivedFrom(square));
  EXPECT_TRUE(RUNTIME_CLASS(CWinApp)->IsDerivedFrom(RUNTIME_CLASS(CWinThread)));
  EXPECT_TRUE(RUNTIME_CLASS(CWnd)->IsDerivedFrom(RUNTIME_CLASS(CCmdTarget)));
  EXPECT_EQ(square, CRuntimeClass::FromName("CSquare"));
  EXPECT_EQ(RUNTIME_CLASS(CWnd), CRuntimeClass::FromName("CWnd"));
  EXPECT_EQ(nullptr, CRuntimeClass::FromName("CNothing"));
}

TEST(RuntimeClass, CreateObjectAndKinds) {
  CObject* made = RUNTIME_CLASS(CSquare)->CreateObject();
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(RUNTIME_CLASS(CSquare), made->GetRuntimeClass());
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CShape)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CTriangle)));
  CShape* shape = DYNAMIC_DOWNCAST(CShape, made);
  ASSERT_NE(nullptr, shape);
  EXPECT_EQ(4, shape->m_sides);
  EXPECT_EQ(nullptr, DYNAMIC_DOWNCAST(CTriangle, made));
  EXPECT_EQ(nullptr, DYNAMIC_DOWNCAST(CShape, static_cast<CObject*>(nullptr)));
  EXPECT_EQ(shape, STATIC_DOWNCAST(CShape, made));
  delete made;

  // Classes with type information only cannot be made by class.
  EXPECT_EQ(nullptr, RUNTIME_CLASS(CShape)->CreateObject());
  EXPECT_EQ(nullptr, RUNTIME_CLASS(CTicketEditLike)->CreateObject());
  CTicketEditLike edit;
  EXPECT_TRUE(edit.IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_EQ(RUNTIME_CLASS(CTicketEditLike), edit.GetRuntimeClass());
  CObject* wnd = RUNTIME_CLASS(CWnd)->CreateObject();
  ASSERT_NE(nullptr, wnd);
  EXPECT_TRUE(wnd->IsKindOf(RUNTIME_CLASS(CWnd)));
  delete wnd;
}

}  // namespace
