// CFrameWnd: the main window that holds control bars and a view (or splitters of views).
//
// Layout: the client area is shared through WM_SIZEPARENT. RecalcLayout (on every WM_SIZE)
// sends it to each child with an AFX_SIZEPARENTPARAMS whose rectangle is the space still free;
// a child that answers (a control bar) takes its strip from that rectangle and queues its own
// move, and the pane with id AFX_IDW_PANE_FIRST (the view or splitter) gets what is left.
//
// Creation goes through a CCreateContext that names the view class and the document: the frame's
// WM_CREATE calls OnCreateClient, which makes the view (CreateView) unless a derived frame builds
// splitters instead. The frame deletes itself after its window is gone; when it is its thread's
// main window, that ends the thread's message loop.
#pragma once

#include "platform/mfc/String.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/DeferPos.h"

class CDocument;
class CDocTemplate;
class CView;
class CFrameWnd;

// The class library's private window messages and window ids.
#define WM_SIZEPARENT 0x0361
#define WM_SETMESSAGESTRING 0x0362
#define WM_IDLEUPDATECMDUI 0x0363
#define WM_INITIALUPDATE 0x0364
#define AFX_IDW_DIALOGBAR 0xE805
#define AFX_IDW_PANE_FIRST 0xE900
#define AFX_IDW_PANE_LAST 0xE9FF
#define AFX_IDW_SIZE_BOX 0xEA20
#define AFX_IDW_PANE_SAVE 0xEA21

#define ID_APP_EXIT 0xE141
#define ID_FILE_NEW 0xE100

// Frame styles: the document's title is added to the window's title (FWS_ADDTOTITLE), in front
// of the application's name with FWS_PREFIXTITLE.
#define FWS_ADDTOTITLE 0x00008000L
#define FWS_PREFIXTITLE 0x00040000L
#define FWS_SNAPTOBARS 0x00020000L

// The style of views made by CFrameWnd::CreateView; CView::PreCreateWindow turns the border into
// WS_EX_CLIENTEDGE.
#define AFX_WS_DEFAULT_VIEW (WS_CHILD | WS_VISIBLE | WS_BORDER)

// What WM_SIZEPARENT carries: the rectangle still free (children take their strips from it),
// the total size the bars asked for, and whether bars stretch across the whole side. The queued
// moves go into hDWP; with a null hDWP nothing is moved (a size query).
struct AFX_SIZEPARENTPARAMS {
  HDWP hDWP;
  RECT rect;
  SIZE sizeTotal;
  BOOL bStretch;
};

// Queues a move of hWnd to lpRect in the layout (or moves it at once when the layout queues
// nothing); a window already there is left alone.
void AFXAPI AfxRepositionWindow(AFX_SIZEPARENTPARAMS* lpLayout, HWND hWnd, LPCRECT lpRect);

// Frames and views delete themselves when their window is destroyed, also when the window's
// creation fails halfway. Creators that must free an object whose creation failed before any
// window existed call AfxForgetSelfDeleted before and AfxWasSelfDeleted after the creation.
void AFXAPI AfxNoteSelfDeleted(const void* pObject);
void AFXAPI AfxForgetSelfDeleted();
BOOL AFXAPI AfxWasSelfDeleted(const void* pObject);

// The frame that holds pWnd: the nearest ancestor that is a CFrameWnd, or null.
CFrameWnd* AFXAPI AfxGetParentFrame(const CWnd* pWnd);

struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)

 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;

  static const CRect rectDefault;

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
              DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
  // Creates the frame from resource nIDResource: the title is the first part (up to '\n') of
  // that string, the menu the menu resource of that id when there is one.
  virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);

  virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
  CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

  // Layout.
  enum RepositionFlags { reposDefault = 0, reposQuery = 1, reposExtra = 2 };
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  void RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlag = reposDefault,
                      LPRECT lpRectParam = nullptr, LPCRECT lpRectClient = nullptr, BOOL bStretch = TRUE);

  // Views and documents.
  virtual CView* GetActiveView() const { return m_pViewActive; }
  void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
  virtual CDocument* GetActiveDocument();
  virtual void ActivateFrame(int nCmdShow = -1);
  void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
  virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
  void SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle; }
  CString GetTitle() const { return m_strTitle; }

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  CView* m_pViewActive = nullptr;
  CRect m_rectBorder;
  HMENU m_hMenuDefault = nullptr;
  UINT m_nIDHelp = 0;
  CString m_strTitle;
  // Set while RecalcLayout runs, so that a layout caused by the layout does not recurse.
  BOOL m_bInRecalcLayout = FALSE;

 protected:
  void PostNcDestroy() override;

  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnClose();
  afx_msg void OnDestroy();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
  afx_msg void OnFileExit();
  DECLARE_MESSAGE_MAP()
};
