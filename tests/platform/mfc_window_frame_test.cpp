// Frames, splitters and document/view: the creation sequence of CSingleDocTemplate, the
// WM_SIZEPARENT layout with a dialog bar and a view, static splitter pane sizes at given sizes
// and metrics with their OnDrawSplitter calls, the application's shell command and the main
// frame's close ending the loop; and a rendering of a frame with a bar, splitters, a form view
// and a few controls.
#include <algorithm>
#include <string>

#include "platform/mfc/ControlBar.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/DocView.h"
#include "platform/mfc/SplitterWnd.h"
#include "platform/user/DialogTemplate.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

using namespace mfcwin;

const UINT IDR_MAINFRAME = 128;
const UINT IDD_BAR = 141;
const UINT IDD_FORM = 301;

void PutMenuItem(std::vector<BYTE>& t, WORD flags, WORD id, const std::u16string& text) {
  auto word = [&t](WORD w) {
    t.push_back(static_cast<BYTE>(w & 0xFF));
    t.push_back(static_cast<BYTE>(w >> 8));
  };
  word(flags);
  if (!(flags & MF_POPUP)) word(id);
  for (char16_t c : text) word(static_cast<WORD>(c));
  word(0);
}

// The program's resources for these tests: the frame's menu and title, the bar's and the form's
// templates.
void RegisterResources() {
  static bool done = [] {
    std::vector<BYTE> menu = {0, 0, 0, 0};
    PutMenuItem(menu, MF_POPUP | MF_END, 0, u"文件(&F)");
    PutMenuItem(menu, MF_END, 57665, u"退出(&X)");
    bool ok = platform::AddResource(RT_MENU, MAKEINTRESOURCEA(IDR_MAINFRAME), menu);
    ok = ok && platform::AddStringResource(IDR_MAINFRAME, "麻将\n牌局\n");
    ok = ok && DialogTemplate(WS_CHILD | DS_CONTROL, 0, 0, 100, 16)
                   .Font("宋体", 9)
                   .Add("Button", "按钮", 1046, BS_PUSHBUTTON, 2, 2, 40, 12)
                   .Register(IDD_BAR);
    ok = ok && DialogTemplate(WS_CHILD | DS_CONTROL, 0, 0, 150, 120)
                   .Font("宋体", 9)
                   .Add("Static", "玩家名称：", 1000, SS_LEFT, 6, 6, 50, 10)
                   .Add("Edit", "", 1001, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 56, 5, 80, 12)
                   .Add("ListBox", "", 1002, LBS_NOTIFY | WS_BORDER | WS_VSCROLL, 6, 22, 130, 50)
                   .Add("Button", "准备", 1003, BS_PUSHBUTTON | WS_TABSTOP, 6, 78, 50, 14)
                   .Add("Button", "旁观", 1004, BS_AUTOCHECKBOX | WS_TABSTOP, 66, 80, 50, 10)
                   .Register(IDD_FORM);
    return ok;
  }();
  ASSERT_TRUE(done);
}

// ---- the document, views and frames of the tests

class CTestDoc : public CDocument {
  DECLARE_DYNCREATE(CTestDoc)

 public:
  CTestDoc() { Log().push_back("doc"); }
  ~CTestDoc() override { Log().push_back("doc:delete"); }
  BOOL OnNewDocument() override {
    Log().push_back("doc:new");
    return CDocument::OnNewDocument();
  }
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)

class CTestView : public CView {
  DECLARE_DYNCREATE(CTestView)

 public:
  CTestView() { Log().push_back("view"); }
  ~CTestView() override { Log().push_back("view:delete"); }
  COLORREF m_colour = RGB(250, 240, 200);
  void OnDraw(CDC* pDC) override {
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, m_colour);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(RGB(120, 0, 0));
    CString title("牌桌");
    pDC->DrawText(title, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    CPen pen(PS_SOLID, 1, RGB(0, 90, 0));
    CPen* pOld = pDC->SelectObject(&pen);
    CGdiObject* pOldBrush = pDC->SelectStockObject(NULL_BRUSH);
    pDC->Ellipse(10, 10, 60, 40);
    pDC->SelectObject(pOldBrush);
    pDC->SelectObject(pOld);
  }
  void OnInitialUpdate() override {
    Log().push_back("view:initialupdate");
    CView::OnInitialUpdate();
  }
  void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView) override {
    Log().push_back(std::string("view:activate:") + (bActivate ? "1" : "0"));
    CView::OnActivateView(bActivate, pActivateView, pDeactiveView);
  }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpcs) {
    Log().push_back("view:create");
    return CView::OnCreate(lpcs);
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
  ON_WM_CREATE()
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
  DECLARE_DYNCREATE(CTestFrame)

 public:
  CTestFrame() { Log().push_back("frame"); }
  ~CTestFrame() override { Log().push_back("frame:delete"); }
  BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override {
    Log().push_back("frame:createclient");
    return CFrameWnd::OnCreateClient(lpcs, pContext);
  }
  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.style &= ~FWS_ADDTOTITLE;
    return TRUE;
  }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpcs) {
    Log().push_back("frame:create");
    return CFrameWnd::OnCreate(lpcs);
  }
  afx_msg void OnNcDestroy() {
    Log().push_back("frame:ncdestroy");
    CFrameWnd::OnNcDestroy();
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
  ON_WM_CREATE()
  ON_WM_NCDESTROY()
END_MESSAGE_MAP()

class MfcFrame : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterResources();
  }
};

TEST_F(MfcFrame, SingleDocTemplateMakesDocumentFrameAndViewInOrder) {
  CSingleDocTemplate tmpl(IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame), RUNTIME_CLASS(CTestView));
  CDocument* pDoc = tmpl.OpenDocumentFile(nullptr);
  ASSERT_NE(nullptr, pDoc);
  std::vector<std::string> created = {"doc",  "frame", "frame:create", "frame:createclient", "view", "view:create",
                                      "doc:new", "view:initialupdate", "view:activate:1"};
  EXPECT_EQ(created, Log());
  EXPECT_EQ(pDoc, tmpl.m_pOnlyDoc);
  EXPECT_EQ(&tmpl, pDoc->GetDocTemplate());
  EXPECT_STREQ("牌局", pDoc->GetTitle());

  POSITION pos = pDoc->GetFirstViewPosition();
  ASSERT_NE(nullptr, pos);
  CView* pView = pDoc->GetNextView(pos);
  EXPECT_EQ(nullptr, pos);
  CFrameWnd* pFrame = pView->GetParentFrame();
  ASSERT_NE(nullptr, pFrame);
  EXPECT_EQ(pView, pFrame->GetActiveView());
  EXPECT_EQ(pDoc, pFrame->GetActiveDocument());
  EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST), pView->GetDlgCtrlID());
  EXPECT_TRUE(pFrame->IsWindowVisible());
  CString title;
  pFrame->GetWindowText(title);
  EXPECT_STREQ("麻将", title);  // FWS_ADDTOTITLE cleared: no document name
  EXPECT_NE(nullptr, ::GetMenu(pFrame->m_hWnd));  // the menu of the same resource id
  EXPECT_TRUE(pView->GetExStyle() & WS_EX_CLIENTEDGE);  // the view's border became a client edge

  // The view fills the client area and follows it.
  pFrame->MoveWindow(0, 0, 500, 400);
  CRect client;
  pFrame->GetClientRect(&client);
  EXPECT_TRUE(RectInParent(pView->m_hWnd) == client);

  // A second File New reuses the document and its frame.
  Log().clear();
  EXPECT_EQ(pDoc, tmpl.OpenDocumentFile(nullptr));
  EXPECT_EQ((std::vector<std::string>{"doc:new", "view:initialupdate"}), Log());

  // Closing the frame destroys the view, the document with its last view, then the frame.
  Log().clear();
  pFrame->SendMessage(WM_CLOSE);
  EXPECT_EQ((std::vector<std::string>{"view:activate:0", "view:delete", "doc:delete", "frame:ncdestroy", "frame:delete"}),
            Log());
  EXPECT_EQ(nullptr, tmpl.m_pOnlyDoc);
}

TEST_F(MfcFrame, FailedFrameLeavesNothingBehind) {
  // A frame class whose resource has no menu and no string still loads; a missing view class
  // fails the creation and deletes what was made.
  CSingleDocTemplate tmpl(IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame), RUNTIME_CLASS(CTestDoc));
  EXPECT_EQ(nullptr, tmpl.OpenDocumentFile(nullptr));
  EXPECT_EQ(nullptr, tmpl.m_pOnlyDoc);
  // (The "view" class makes a document object, which is refused and deleted too.)
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "doc"), std::count(Log().begin(), Log().end(), "doc:delete"));
  EXPECT_EQ(1, std::count(Log().begin(), Log().end(), "frame:delete"));
  // Documents are never opened from files.
  EXPECT_EQ(nullptr, tmpl.OpenDocumentFile("c:\\x.doc"));
}

// A frame with a dialog bar docked at the top.
class CBarFrame : public CFrameWnd {
  DECLARE_DYNCREATE(CBarFrame)

 public:
  CDialogBar m_bar;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpcs) {
    if (CFrameWnd::OnCreate(lpcs) == -1) return -1;
    if (!m_bar.Create(this, IDD_BAR, CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM | CBRS_FLYBY | CBRS_TOOLTIPS, IDD_BAR)) return -1;
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CBarFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CBarFrame, CFrameWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

TEST_F(MfcFrame, SizeParentLayoutGivesTheBarItsStripAndTheViewTheRest) {
  CSingleDocTemplate tmpl(IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CBarFrame), RUNTIME_CLASS(CTestView));
  CDocument* pDoc = tmpl.OpenDocumentFile(nullptr);
  ASSERT_NE(nullptr, pDoc);
  POSITION pos = pDoc->GetFirstViewPosition();
  CView* pView = pDoc->GetNextView(pos);
  auto* pFrame = static_cast<CBarFrame*>(pView->GetParentFrame());
  int barHeight = pFrame->m_bar.m_sizeDefault.cy;
  ASSERT_GT(barHeight, 10);

  for (SIZE size : {SIZE{400, 300}, SIZE{640, 480}, SIZE{300, 120}}) {
    pFrame->MoveWindow(0, 0, size.cx, size.cy);
    CRect client;
    pFrame->GetClientRect(&client);
    EXPECT_TRUE(RectInParent(pFrame->m_bar.m_hWnd) == CRect(0, 0, client.right, barHeight)) << size.cx;
    EXPECT_TRUE(RectInParent(pView->m_hWnd) == CRect(0, barHeight, client.right, client.bottom)) << size.cx;
  }
  // A query moves nothing and tells what is left.
  CRect left;
  pFrame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CFrameWnd::reposQuery, &left);
  CRect client;
  pFrame->GetClientRect(&client);
  EXPECT_TRUE(left == CRect(0, barHeight, client.right, client.bottom));
  // A hidden bar takes no room.
  pFrame->m_bar.ShowWindow(SW_HIDE);
  pFrame->RecalcLayout();
  EXPECT_TRUE(RectInParent(pView->m_hWnd) == client);
  pFrame->DestroyWindow();
}

// ---- splitters

struct DrawCall {
  int type;
  CRect rect;
  bool withDC;
};

class CRecSplitter : public CSplitterWnd {
 public:
  std::vector<DrawCall> m_calls;
  void UseStyledMetrics() {
    m_cxSplitter = m_cySplitter = 5;
    m_cxSplitterGap = m_cySplitterGap = 5;
    m_cxBorderShare = m_cyBorderShare = 0;
    m_cxBorder = m_cyBorder = 1;
  }
  void OnDrawSplitter(CDC* pDC, ESplitType nType, const CRect& rect) override {
    m_calls.push_back(DrawCall{nType, rect, pDC != nullptr});
    CSplitterWnd::OnDrawSplitter(pDC, nType, rect);
  }
};

class MfcSplitter : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
  }
  void TearDown() override {
    m_parent.DestroyWindow();
    WindowTest::TearDown();
  }
  CWnd m_parent;
};

TEST_F(MfcSplitter, PaneSizesFollowTheLayoutRules) {
  struct Case {
    const char* name;
    bool styled;
    int width, height;
    int colIdeal, rowIdeal, rowMin1;
    CRect pane00, pane11;
    int row0, row1;
  } cases[] = {
      // Default metrics: border 2, gap 7. Inside 396 x 296.
      {"default", false, 400, 300, 100, 60, 0, CRect(2, 2, 102, 62), CRect(109, 69, 398, 298), 60, 229},
      // Styled metrics: border 1, gap 5. Inside 398 x 298.
      {"styled", true, 400, 300, 100, 60, 0, CRect(1, 1, 101, 61), CRect(106, 66, 399, 299), 60, 233},
      // A second row whose minimum does not fit disappears; its space and the gap go to row 0.
      {"row minimum", false, 400, 300, 100, 200, 150, CRect(2, 2, 102, 293), CRect(109, 300, 398, 300), 291, 0},
      // Too small for the first column's ideal size: it is cut, the last gets nothing.
      // The first column is cut to the 56 pixels there are, less the room of a bar (7 - 2).
      {"narrow", false, 60, 300, 100, 60, 0, CRect(2, 2, 53, 62), CRect(60, 69, 60, 298), 60, 229},
  };
  for (const Case& c : cases) {
    CRecSplitter split;
    if (c.styled) split.UseStyledMetrics();
    ASSERT_TRUE(split.CreateStatic(&m_parent, 2, 2)) << c.name;
    for (int r = 0; r < 2; ++r) {
      for (int col = 0; col < 2; ++col) {
        ASSERT_TRUE(split.CreateView(r, col, RUNTIME_CLASS(CTestView), CSize(c.colIdeal, c.rowIdeal), nullptr)) << c.name;
      }
    }
    split.SetRowInfo(1, 0, c.rowMin1);
    split.MoveWindow(0, 0, c.width, c.height);
    CRect got00 = RectInParent(split.GetPane(0, 0)->m_hWnd);
    CRect got11 = RectInParent(split.GetPane(1, 1)->m_hWnd);
    EXPECT_TRUE(got00 == c.pane00) << c.name << ": " << got00.left << "," << got00.top << "," << got00.right << "," << got00.bottom;
    EXPECT_TRUE(got11 == c.pane11) << c.name << ": " << got11.left << "," << got11.top << "," << got11.right << "," << got11.bottom;
    int cur = 0, min = 0;
    split.GetRowInfo(0, cur, min);
    EXPECT_EQ(c.row0, cur) << c.name;
    split.GetRowInfo(1, cur, min);
    EXPECT_EQ(c.row1, cur) << c.name;
    EXPECT_EQ(c.rowMin1, min) << c.name;
    split.DestroyWindow();
  }
}

TEST_F(MfcSplitter, PanesIdsAndNestedSplitters) {
  CRecSplitter outer;
  ASSERT_TRUE(outer.CreateStatic(&m_parent, 1, 2));
  EXPECT_FALSE(outer.CreateStatic(&m_parent, 1, 2));  // once only
  ASSERT_TRUE(outer.CreateView(0, 0, RUNTIME_CLASS(CTestView), CSize(150, 0), nullptr));
  EXPECT_FALSE(outer.CreateView(0, 0, RUNTIME_CLASS(CTestView), CSize(150, 0), nullptr));  // the pane exists
  EXPECT_FALSE(outer.CreateView(1, 0, RUNTIME_CLASS(CTestView), CSize(150, 0), nullptr));  // no such row
  CRecSplitter inner;
  ASSERT_TRUE(inner.CreateStatic(&outer, 2, 1, WS_CHILD | WS_VISIBLE, outer.IdFromRowCol(0, 1)));
  ASSERT_TRUE(inner.CreateView(0, 0, RUNTIME_CLASS(CTestView), CSize(0, 100), nullptr));
  ASSERT_TRUE(inner.CreateView(1, 0, RUNTIME_CLASS(CTestView), CSize(0, 0), nullptr));
  EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST + 1), outer.IdFromRowCol(0, 1));
  EXPECT_EQ(static_cast<int>(AFX_IDW_PANE_FIRST + 16), outer.IdFromRowCol(1, 0));
  EXPECT_EQ(&inner, outer.GetPane(0, 1));
  EXPECT_EQ(nullptr, outer.GetPane(0, 2));
  EXPECT_EQ(nullptr, outer.GetPane(-1, 0));
  int row = -1, col = -1;
  EXPECT_TRUE(outer.IsChildPane(&inner, &row, &col));
  EXPECT_EQ(0, row);
  EXPECT_EQ(1, col);

  outer.MoveWindow(0, 0, 400, 300);
  // A splitter pane reaches over its parent's border by 2 pixels on every side.
  EXPECT_TRUE(RectInParent(inner.m_hWnd) == CRect(157, 0, 400, 300));
  // Its own panes: border 2 inside a 243 x 300 client.
  EXPECT_TRUE(RectInParent(inner.GetPane(0, 0)->m_hWnd) == CRect(2, 2, 241, 102));
  EXPECT_TRUE(RectInParent(inner.GetPane(1, 0)->m_hWnd) == CRect(2, 109, 241, 298));
  // The view inside a splitter knows its frame (none here) and is not a frame's active view.
  EXPECT_EQ(nullptr, static_cast<CView*>(outer.GetPane(0, 0))->GetParentFrame());
  outer.DestroyWindow();
}

TEST_F(MfcSplitter, DrawingCallsForBarsCrossingsAndBorder) {
  CRecSplitter split;
  ASSERT_TRUE(split.CreateStatic(&m_parent, 2, 2));
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) ASSERT_TRUE(split.CreateView(r, c, RUNTIME_CLASS(CTestView), CSize(100, 60), nullptr));
  split.m_calls.clear();
  split.MoveWindow(0, 0, 400, 300);
  // The layout invalidates the bars (no DC).
  ASSERT_EQ(2u, split.m_calls.size());
  EXPECT_EQ(CSplitterWnd::splitBar, split.m_calls[0].type);
  EXPECT_FALSE(split.m_calls[0].withDC);
  EXPECT_TRUE(split.m_calls[0].rect == CRect(102, 0, 109, 300));
  EXPECT_TRUE(split.m_calls[1].rect == CRect(0, 62, 400, 69));

  split.m_calls.clear();
  split.UpdateWindow();
  ASSERT_EQ(4u, split.m_calls.size());
  struct Expected {
    int type;
    CRect rect;
  } expected[] = {{CSplitterWnd::splitBar, CRect(102, 0, 109, 300)},
                  {CSplitterWnd::splitBar, CRect(0, 62, 400, 69)},
                  {CSplitterWnd::splitIntersection, CRect(102, 62, 109, 69)},
                  {CSplitterWnd::splitBorder, CRect(0, 0, 400, 300)}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i].type, split.m_calls[i].type) << i;
    EXPECT_TRUE(expected[i].rect == split.m_calls[i].rect) << i;
    EXPECT_TRUE(split.m_calls[i].withDC) << i;
  }
  // The platform's drawing: bars in the face colour, a sunken two-line border.
  EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), Pixel(split, 105, 150));
  EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), Pixel(split, 0, 100));
  EXPECT_EQ(::GetSysColor(COLOR_BTNHIGHLIGHT), Pixel(split, 399, 100));
  split.DestroyWindow();
}

// ---- the application's shell command and the end of the main frame

class CDocApp : public CWinApp {
 public:
  CCommandLineInfo m_info;
  BOOL InitInstance() override {
    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame),
                                          RUNTIME_CLASS(CTestView)));
    ParseCommandLine(m_info);
    Log().push_back("parsed:" + std::string(m_info.m_strFileName) + (m_info.m_bRunEmbedded ? ",embedded" : ""));
    m_info.m_nShellCommand = CCommandLineInfo::FileNew;
    m_nCmdShow = SW_SHOWMAXIMIZED;
    if (!ProcessShellCommand(m_info)) return FALSE;
    Log().push_back(m_pMainWnd && m_pMainWnd->IsZoomed() ? "main:maximised" : "main:not maximised");
    m_pMainWnd->PostMessage(WM_CLOSE);
    return TRUE;
  }
};

TEST_F(MfcFrame, ClosingTheMainFrameEndsTheApplication) {
  CDocApp app;
  EXPECT_EQ(0, AfxWinMain(nullptr, nullptr, const_cast<LPTSTR>("\"a b.mj\" -Embedding"), SW_SHOWNORMAL));
  std::vector<std::string> expected = {"parsed:a b.mj,embedded", "doc", "frame", "frame:create", "frame:createclient",
                                       "view", "view:create", "doc:new", "view:initialupdate", "view:activate:1",
                                       "main:maximised", "view:activate:0", "view:delete", "doc:delete",
                                       "frame:ncdestroy", "frame:delete"};
  EXPECT_EQ(expected, Log());
  EXPECT_EQ(nullptr, app.m_pMainWnd);
}

// ---- a rendering of a whole frame

class CTestForm : public CFormView {
  DECLARE_DYNCREATE(CTestForm)

 public:
  CTestForm() : CFormView(IDD_FORM) {}
  CEdit m_edit;
  CListBox m_list;
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 1001, m_edit);
    DDX_Control(pDX, 1002, m_list);
  }
  void OnInitialUpdate() override {
    CFormView::OnInitialUpdate();
    SetScrollSizes(MM_TEXT, CSize(0, 0));
    m_edit.SetWindowText("东风");
    for (const char* name : {"甲 1200", "乙 980", "丙 760"}) m_list.AddString(name);
    m_list.SetCurSel(1);
  }
};
IMPLEMENT_DYNCREATE(CTestForm, CFormView)

class CBlueView : public CTestView {
  DECLARE_DYNCREATE(CBlueView)

 public:
  CBlueView() { m_colour = RGB(200, 220, 250); }
};
IMPLEMENT_DYNCREATE(CBlueView, CTestView)

class CSplitFrame : public CBarFrame {
  DECLARE_DYNCREATE(CSplitFrame)

 public:
  CRecSplitter m_outer;
  CRecSplitter m_right;
  BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) override {
    if (!m_outer.CreateStatic(this, 1, 2)) return FALSE;
    if (!m_outer.CreateView(0, 0, RUNTIME_CLASS(CTestForm), CSize(260, 0), pContext)) return FALSE;
    if (!m_right.CreateStatic(&m_outer, 2, 1, WS_CHILD | WS_VISIBLE, m_outer.IdFromRowCol(0, 1))) return FALSE;
    if (!m_right.CreateView(0, 0, RUNTIME_CLASS(CTestView), CSize(0, 200), pContext)) return FALSE;
    if (!m_right.CreateView(1, 0, RUNTIME_CLASS(CBlueView), CSize(0, 0), pContext)) return FALSE;
    return TRUE;
  }
};
IMPLEMENT_DYNCREATE(CSplitFrame, CBarFrame)

TEST_F(MfcFrame, RendersAFrameWithBarSplittersFormAndControls) {
  CSingleDocTemplate tmpl(IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CSplitFrame), RUNTIME_CLASS(CTestView));
  CDocument* pDoc = tmpl.OpenDocumentFile(nullptr);
  ASSERT_NE(nullptr, pDoc);
  POSITION pos = pDoc->GetFirstViewPosition();
  int views = 0;
  CTestForm* pForm = nullptr;
  while (pos) {
    CView* pView = pDoc->GetNextView(pos);
    ++views;
    if (pView->IsKindOf(RUNTIME_CLASS(CTestForm))) pForm = static_cast<CTestForm*>(pView);
  }
  EXPECT_EQ(3, views);  // every pane made with the context joined the document
  ASSERT_NE(nullptr, pForm);
  // The form's controls were bound in its first update.
  EXPECT_EQ(pForm->m_edit.m_hWnd, ::GetDlgItem(pForm->m_hWnd, 1001));
  EXPECT_EQ(3, pForm->m_list.GetCount());
  // Both drawing views had their first update (the form logs none of its own).
  EXPECT_EQ(2, std::count(Log().begin(), Log().end(), "view:initialupdate"));
  CFrameWnd* pFrame = pForm->GetParentFrame();
  ASSERT_NE(nullptr, pFrame);
  pFrame->MoveWindow(20, 20, 640, 480);
  pFrame->UpdateWindow();
  Pump();
  EXPECT_TRUE(SavePng(pFrame->m_hWnd, "frame-splitter-form"));
  // The form shows its template's controls at their dialog-unit places, the bar its button.
  CRect editRect = RectInParent(pForm->m_edit.m_hWnd);
  EXPECT_GT(editRect.left, 0);
  EXPECT_NE(CLR_INVALID, Pixel(pFrame->m_hWnd, 5, 5));
  pFrame->DestroyWindow();
}

}  // namespace
