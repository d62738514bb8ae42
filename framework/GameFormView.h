// The base of every pane of the main window: a form view that fits seamlessly into its splitter
// cell (its one-pixel border lies outside the cell), never erases its background (the panes paint
// all of their client area), and remembers its client size so that derived panes lay out again
// only when the size really changed.
#pragma once

#include "framework/AdvertHtmlView.h"
#include "platform/mfc/Afx.h"
#include "platform/mfc/DocView.h"

class CGameApp;

class CGameFormView : public CFormView {
  DECLARE_DYNAMIC(CGameFormView)

 public:
  explicit CGameFormView(UINT nIDTemplate) : CFormView(nIDTemplate) {}
  ~CGameFormView() override;

  // Shows or hides a window; the skin library hears of a hide first.
  virtual void ShowPane(CWnd* pWnd, int nCmdShow);
  virtual void RefreshPane();
  virtual CGameApp* GetGameApp();

  // 1 when the size is new and not empty (and stores it), else 0; derived panes lay out only
  // on 1.
  int OnSize(UINT nType, int cx, int cy);
  int GetPaneWidth() const { return m_width; }
  int GetPaneHeight() const { return m_height; }

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
  afx_msg LRESULT OnSizeMessage(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  int m_width = 0;
  int m_height = 0;
  CDC m_memDC;
  CBitmap m_bitmap;
  CComHolder m_comHolder;
};

// The skeleton document and view of the application's document template; they hold no state.
class CGameDoc : public CDocument {
  DECLARE_DYNCREATE(CGameDoc)

 public:
  CGameDoc() = default;
  BOOL OnNewDocument() override { return CDocument::OnNewDocument(); }
  virtual void Serialize(CArchive& ar) {}
};

class CGameView : public CView {
  DECLARE_DYNCREATE(CGameView)

 public:
  CGameView() = default;
  void OnDraw(CDC* pDC) override { (void)GetDocument(); }
};
