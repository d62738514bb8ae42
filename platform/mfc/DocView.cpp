#include "platform/mfc/DocView.h"

#include "platform/mfc/Dialog.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WndHandle.h"
#include "platform/user/Dialog.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)
IMPLEMENT_DYNAMIC(CFormView, CScrollView)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

// ---- CDocument

CDocument::~CDocument() {
  // Views that outlive their document (a failed creation) no longer point at it.
  for (POSITION pos = GetFirstViewPosition(); pos;) GetNextView(pos)->m_pDocument = nullptr;
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Closing the frames destroys the views, and with the last view the document goes; keep it
  // alive until every frame is gone so that it is deleted once.
  BOOL bAutoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.IsEmpty()) {
    CView* pView = static_cast<CView*>(m_viewList.GetHead());
    CFrameWnd* pFrame = pView->GetParentFrame();
    if (pFrame) pFrame->DestroyWindow();
    else pView->DestroyWindow();
    // A view whose window could not be destroyed must not keep the loop going.
    if (!m_viewList.IsEmpty() && m_viewList.GetHead() == pView) RemoveView(pView);
  }
  m_bAutoDelete = bAutoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

void CDocument::AddView(CView* pView) {
  if (!pView || pView->m_pDocument == this) return;
  m_viewList.AddTail(pView);
  pView->m_pDocument = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
  POSITION pos = m_viewList.Find(pView);
  if (!pos) return;
  m_viewList.RemoveAt(pos);
  pView->m_pDocument = nullptr;
  OnChangedViewList();
}

void CDocument::OnChangedViewList() {
  // The last view's going closes the document.
  if (m_viewList.IsEmpty() && m_bAutoDelete) OnCloseDocument();
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  for (POSITION pos = GetFirstViewPosition(); pos;) {
    CView* pView = GetNextView(pos);
    if (pView != pSender) pView->OnUpdate(pSender, lHint, pHint);
  }
}

void CDocument::SetTitle(LPCTSTR lpszTitle) {
  m_strTitle = lpszTitle ? lpszTitle : "";
  for (POSITION pos = GetFirstViewPosition(); pos;) {
    CFrameWnd* pFrame = GetNextView(pos)->GetParentFrame();
    if (pFrame) pFrame->OnUpdateFrameTitle(TRUE);
  }
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- CView

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_PAINT()
  ON_WM_MOUSEACTIVATE()
  ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMessage)
END_MESSAGE_MAP()

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) {
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
  }
  // A view's border is drawn as a sunken client edge.
  if (cs.style & WS_BORDER) {
    cs.style &= ~WS_BORDER;
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
  }
  return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT lpcs) {
  if (CWnd::OnCreate(lpcs) == -1) return -1;
  CCreateContext* pContext = static_cast<CCreateContext*>(lpcs->lpCreateParams);
  if (pContext && pContext->m_pCurrentDoc) pContext->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  CFrameWnd* pFrame = GetParentFrame();
  if (pFrame && pFrame->GetActiveView() == this) pFrame->SetActiveView(nullptr);
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() {
  // Views are made by their frame (CreateView) and delete themselves; the document lets go of
  // them in the destructor.
  AfxNoteSelfDeleted(this);
  delete this;
}

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

int CView::OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
  int nResult = CWnd::OnMouseActivate(pDesktopWnd, nHitTest, message);
  if (nResult == MA_NOACTIVATE || nResult == MA_NOACTIVATEANDEAT) return nResult;
  // A click makes the view its frame's active view (and gives it the focus).
  CFrameWnd* pFrame = GetParentFrame();
  if (pFrame && pFrame->GetActiveView() != this) {
    pFrame->SetActiveView(this);
    SetFocus();
  }
  return nResult;
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView* pSender, LPARAM, CObject*) {
  if (pSender != this) Invalidate(TRUE);
}

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
  if (bActivate && pActivateView == this && m_hWnd) {
    // The active view takes the focus unless a child of it has it.
    HWND hFocus = ::GetFocus();
    if (hFocus != m_hWnd && !::IsChild(m_hWnd, hFocus)) SetFocus();
  }
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- CScrollView

void CScrollView::SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage, const SIZE& sizeLine) {
  m_nMapMode = nMapMode;
  m_totalLog = sizeTotal;
  m_pageDev = sizePage;
  m_lineDev = sizeLine;
  if (!m_hWnd) return;
  // The panes of this program never scroll: a total that fits the client area (0 x 0 included)
  // takes the scroll bars away.
  CRect client;
  GetClientRect(&client);
  DWORD remove = 0;
  if (sizeTotal.cx <= client.Width()) remove |= WS_HSCROLL;
  if (sizeTotal.cy <= client.Height()) remove |= WS_VSCROLL;
  if (GetStyle() & remove) ModifyStyle(remove, 0, SWP_FRAMECHANGED);
}

// ---- CFormView

namespace {
INT_PTR CALLBACK FormDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
}  // namespace

BOOL CFormView::Create(LPCTSTR, LPCTSTR, DWORD dwRequestedStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                       void* pContext) {
  // The view's window is the dialog of the template, made as a child of the parent; the creation
  // context reaches OnCreate through the dialog's creation parameter.
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), m_lpszTemplateName, AfxHwndOf(pParentWnd), FormDlgProc,
                                   reinterpret_cast<LPARAM>(pContext));
  AfxUnhookWindowCreate();
  if (!hWnd) return FALSE;
  if (m_hWnd != hWnd) {
    ::DestroyWindow(hWnd);
    return FALSE;
  }
  // The template decides the look; the caller decides the id, place and visibility. A view's
  // border becomes the client edge, as for other views.
  ::SetWindowLongPtrA(m_hWnd, GWLP_ID, static_cast<LONG_PTR>(nID));
  if (dwRequestedStyle & WS_BORDER) ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED);
  SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (dwRequestedStyle & WS_VISIBLE) ShowWindow(SW_SHOWNORMAL);
  return TRUE;
}

void CFormView::OnInitialUpdate() {
  // The controls get their values (DDX_Control binds them), then the view's update.
  UpdateData(FALSE);
  CScrollView::OnInitialUpdate();
}

BOOL CFormView::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg) {
  if (CScrollView::PreTranslateMessage(pMsg)) return TRUE;
  // The form's keyboard interface (Tab between its controls), but not the frame's keys.
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd) {
    HWND hFocus = ::GetFocus();
    if (hFocus == m_hWnd || ::IsChild(m_hWnd, hFocus)) return ::IsDialogMessageA(m_hWnd, pMsg);
  }
  return FALSE;
}

// ---- CDocTemplate

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_pDocClass) return nullptr;
  CObject* pObject = m_pDocClass->CreateObject();
  if (!pObject || !pObject->IsKindOf(RUNTIME_CLASS(CDocument))) {
    delete pObject;
    return nullptr;
  }
  CDocument* pDoc = static_cast<CDocument*>(pObject);
  AddDocument(pDoc);
  return pDoc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
  CCreateContext context;
  context.m_pCurrentFrame = pOther;
  context.m_pCurrentDoc = pDoc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  if (!m_pFrameClass) return nullptr;
  CObject* pObject = m_pFrameClass->CreateObject();
  if (!pObject || !pObject->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
    delete pObject;
    return nullptr;
  }
  CFrameWnd* pFrame = static_cast<CFrameWnd*>(pObject);
  AfxForgetSelfDeleted();
  if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    // A frame whose window was made and destroyed (its OnCreate failed) has deleted itself; one
    // that failed before its window existed is deleted here.
    if (!AfxWasSelfDeleted(pFrame)) delete pFrame;
    return nullptr;
  }
  return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  for (POSITION pos = GetFirstDocPosition(); pos;) {
    CDocument* pDoc = GetNextDoc(pos);
    if (pDoc) pDoc->OnCloseDocument();
  }
}

// ---- CSingleDocTemplate

CSingleDocTemplate::~CSingleDocTemplate() {
  if (m_pOnlyDoc) m_pOnlyDoc->m_pDocTemplate = nullptr;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
  m_pOnlyDoc = pDoc;
  CDocTemplate::AddDocument(pDoc);
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
  if (m_pOnlyDoc == pDoc) m_pOnlyDoc = nullptr;
  CDocTemplate::RemoveDocument(pDoc);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  if (lpszPathName) {
    // Documents of this program are never read from files.
    TRACE("CSingleDocTemplate: opening \"%s\" is not supported\n", lpszPathName);
    return nullptr;
  }
  CDocument* pDocument = m_pOnlyDoc;
  CFrameWnd* pFrame = nullptr;
  if (pDocument) {
    // The one document is made new again in its frame.
    if (!pDocument->SaveModified()) return nullptr;
    POSITION pos = pDocument->GetFirstViewPosition();
    if (pos) pFrame = pDocument->GetNextView(pos)->GetParentFrame();
    if (!pDocument->OnNewDocument()) return nullptr;
    if (pFrame) InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
  }

  pDocument = CreateNewDocument();
  if (!pDocument) return nullptr;
  // The document must outlive a frame that fails halfway (its views would delete it).
  BOOL bAutoDelete = pDocument->m_bAutoDelete;
  pDocument->m_bAutoDelete = FALSE;
  pFrame = CreateNewFrame(pDocument, nullptr);
  pDocument->m_bAutoDelete = bAutoDelete;
  if (!pFrame) {
    delete pDocument;
    return nullptr;
  }
  CWinThread* pThread = AfxGetThread();
  if (pThread && !pThread->m_pMainWnd) pThread->m_pMainWnd = pFrame;

  if (pDocument->m_strTitle.IsEmpty()) {
    CString strFull;
    if (strFull.LoadString(m_nIDResource)) {
      // The document name is the second field of the template's string ("Title\nDocName\n...").
      int first = strFull.Find('\n');
      if (first >= 0) {
        int second = strFull.Find('\n', first + 1);
        CString name = second >= 0 ? strFull.Mid(first + 1, second - first - 1) : strFull.Mid(first + 1);
        pDocument->m_strTitle = name.IsEmpty() ? CString("Untitled") : name;
      }
    }
  }
  if (!pDocument->OnNewDocument()) {
    // The frame goes, and with its views the document.
    pDocument->m_bAutoDelete = TRUE;
    if (pThread && pThread->m_pMainWnd == pFrame) pThread->m_pMainWnd = nullptr;
    pFrame->DestroyWindow();
    if (m_pOnlyDoc == pDocument) delete pDocument;
    return nullptr;
  }
  InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
  return pDocument;
}

// ---- CCommandLineInfo and the application's shell commands

void CCommandLineInfo::ParseParam(LPCTSTR lpszParam, BOOL bFlag, BOOL) {
  if (bFlag) {
    CString flag(lpszParam);
    if (flag.CompareNoCase("Embedding") == 0) {
      m_bRunEmbedded = TRUE;
      m_bShowSplash = FALSE;
    } else if (flag.CompareNoCase("Automation") == 0) {
      m_bRunAutomated = TRUE;
      m_bShowSplash = FALSE;
    }
    return;
  }
  if (m_strFileName.IsEmpty()) {
    m_strFileName = lpszParam;
    m_nShellCommand = FileOpen;
  }
}

AfxDocTemplateList::~AfxDocTemplateList() {
  while (!templates.IsEmpty()) delete static_cast<CDocTemplate*>(templates.RemoveHead());
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
  if (pTemplate) m_docTemplates.templates.AddTail(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const { return m_docTemplates.templates.GetHeadPosition(); }

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
  return static_cast<CDocTemplate*>(m_docTemplates.templates.GetNext(pos));
}

void CWinApp::OnFileNew() {
  if (m_docTemplates.templates.IsEmpty()) return;
  static_cast<CDocTemplate*>(m_docTemplates.templates.GetHead())->OpenDocumentFile(nullptr);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  // Arguments are separated by blanks; double quotes group blanks into one argument.
  std::vector<std::string> args;
  const char* p = m_lpCmdLine ? m_lpCmdLine : "";
  while (*p) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') quoted = !quoted;
      else arg += *p;
    }
    args.push_back(arg);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    BOOL bFlag = !a.empty() && (a[0] == '-' || a[0] == '/');
    rCmdInfo.ParseParam(bFlag ? a.c_str() + 1 : a.c_str(), bFlag, i + 1 == args.size());
  }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
  switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      if (!OnCmdMsg(ID_FILE_NEW, 0, nullptr, nullptr)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileNothing:
      return TRUE;
    default:
      // Opening, printing and automation are not part of this program.
      return FALSE;
  }
}
