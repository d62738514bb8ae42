// Documents, views and the single-document template.
//
// CSingleDocTemplate::OpenDocumentFile(NULL) makes the program's one document, then its frame
// (LoadFrame with a CCreateContext naming the document and the view class, so that the frame's
// OnCreateClient makes the view, or a derived frame its splitters and panes), calls
// OnNewDocument, and ends with InitialUpdateFrame: the first view becomes active and every view
// gets WM_INITIALUPDATE (OnInitialUpdate) before the frame is shown.
//
// A view adds itself to the context's document in WM_CREATE and removes itself in WM_DESTROY;
// when the last view of a document goes, the document is closed and deleted. Views delete
// themselves after their window is gone.
#pragma once

#include "platform/mfc/DC.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/List.h"
#include "platform/mfc/String.h"
#include "platform/mfc/Wnd.h"

class CDocTemplate;
class CDocument;
class CView;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  ~CDocument() override;

  virtual BOOL OnNewDocument();
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  virtual BOOL SaveModified() { return TRUE; }
  virtual void OnChangedViewList();

  void AddView(CView* pView);
  void RemoveView(CView* pView);
  POSITION GetFirstViewPosition() const { return m_viewList.GetHeadPosition(); }
  CView* GetNextView(POSITION& rPosition) const { return static_cast<CView*>(m_viewList.GetNext(rPosition)); }
  // Calls OnUpdate of every view but pSender.
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCTSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  BOOL IsModified() { return m_bModified; }
  void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  CPtrList m_viewList;
  BOOL m_bModified = FALSE;
  BOOL m_bAutoDelete = TRUE;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  CView() = default;
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  CFrameWnd* GetParentFrame() const { return AfxGetParentFrame(this); }

  virtual void OnDraw(CDC* pDC) = 0;
  virtual void OnPrepareDC(CDC* pDC) {}
  virtual void OnInitialUpdate();
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  CDocument* m_pDocument = nullptr;

 protected:
  void PostNcDestroy() override;
  afx_msg int OnCreate(LPCREATESTRUCT lpcs);
  afx_msg void OnDestroy();
  afx_msg void OnPaint();
  afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  afx_msg LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()
  friend class CDocument;
};

// Scrolling is kept to what the panes need: a total size and mapping mode; a total of 0 x 0 (or
// one that fits) means no scroll bars.
#define MM_TEXT 1
class CScrollView : public CView {
  DECLARE_DYNAMIC(CScrollView)

 public:
  CScrollView() = default;
  void SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage = CSize(0, 0), const SIZE& sizeLine = CSize(0, 0));
  CSize GetTotalSize() const { return m_totalLog; }
  int m_nMapMode = 0;
  CSize m_totalLog;
  CSize m_pageDev;
  CSize m_lineDev;

 protected:
  void OnDraw(CDC*) override {}
};

// A view whose window is a dialog made from a template, with its controls; DDX through
// UpdateData as in dialogs.
class CFormView : public CScrollView {
  DECLARE_DYNAMIC(CFormView)

 public:
  explicit CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_nIDHelp(nIDTemplate) {}
  explicit CFormView(LPCTSTR lpszTemplateName) : m_lpszTemplateName(lpszTemplateName) {}

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, void* pContext = nullptr) override;
  void OnInitialUpdate() override;
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(class CDataExchange* pDX) {}
  BOOL PreTranslateMessage(MSG* pMsg) override;

  LPCTSTR m_lpszTemplateName;
  UINT m_nIDHelp = 0;

 protected:
  void OnDraw(CDC*) override {}
};

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  ~CDocTemplate() override = default;
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
  virtual void AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }
  virtual void RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }
  virtual POSITION GetFirstDocPosition() const = 0;
  virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
  virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
  virtual void CloseAllDocuments(BOOL bEndSession);

  UINT m_nIDResource = 0;
  CRuntimeClass* m_pDocClass = nullptr;
  CRuntimeClass* m_pFrameClass = nullptr;
  CRuntimeClass* m_pViewClass = nullptr;

 protected:
  CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass)
      : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {}
};

class CSingleDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CSingleDocTemplate)

 public:
  CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass)
      : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}
  ~CSingleDocTemplate() override;

  // With a null path: a new document in a new frame (or the present document made new again).
  // Null on failure, with nothing left behind.
  CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  void AddDocument(CDocument* pDoc) override;
  void RemoveDocument(CDocument* pDoc) override;
  POSITION GetFirstDocPosition() const override { return m_pOnlyDoc ? (POSITION)1 : nullptr; }
  CDocument* GetNextDoc(POSITION& rPos) const override {
    CDocument* pDoc = rPos == (POSITION)1 ? m_pOnlyDoc : nullptr;
    rPos = nullptr;
    return pDoc;
  }

  CDocument* m_pOnlyDoc = nullptr;
};

// The command line as the shell commands of the application.
class CCommandLineInfo : public CObject {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 } m_nShellCommand = FileNew;
  CCommandLineInfo() = default;
  ~CCommandLineInfo() override = default;
  // One argument of the command line; switches start with '-' or '/' (without them in lpszParam).
  virtual void ParseParam(LPCTSTR lpszParam, BOOL bFlag, BOOL bLast);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  CString m_strFileName;
};
