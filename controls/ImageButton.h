// CImageButton: an owner-drawn push button (or check box) with an icon and an optional caption on
// a flat face whose colours follow its state, or over a snapshot of its parent's pixels. It lights
// up while the mouse is over it and carries a tooltip.
#pragma once

#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/GdiObject.h"

enum ImageButtonColor : int {
  BTNCOLOR_BK_ACTIVE = 0,  // background while hovered or pressed
  BTNCOLOR_FG_ACTIVE = 1,
  BTNCOLOR_BK_NORMAL = 2,  // background otherwise
  BTNCOLOR_FG_NORMAL = 3,
  BTNCOLOR_BK_FOCUS = 4,   // background while focused
  BTNCOLOR_FG_FOCUS = 5,
  BTNCOLOR_COUNT = 6,
};

struct ImageButtonIcon {
  HICON hIcon = nullptr;
  int width = 0;
  int height = 0;
};

class CImageButton : public CButton {
 public:
  CImageButton();
  ~CImageButton() override;

  int SetIcon(int mainIconId, int idleIconId);
  int SetIconHandles(HICON mainIcon, HICON idleIcon);
  int SetColor(int index, COLORREF color, BOOL repaint = TRUE);
  int OffsetColor(int index, short offset, BOOL repaint = TRUE);
  int SetDefaultColors(BOOL repaint = TRUE);
  int SetTooltipText(LPCTSTR text, BOOL activate = TRUE);
  int ResetBackground(BOOL repaint = TRUE);
  int SetCheck(int check, BOOL repaint = TRUE);
  int GetCheck() const { return static_cast<int>(m_check); }

  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Where the icon goes; the caption rectangle makes room for it.
  CRect PrepareImageRect(BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, int iconWidth, int iconHeight) const;

  // Read access for the owner and for tests.
  BOOL IsHovered() const { return m_hover; }
  BOOL IsCheckBox() const { return m_checkBox; }
  BOOL IsDefaultButton() const { return m_defaultButton; }
  COLORREF GetColor(int index) const { return index >= 0 && index < BTNCOLOR_COUNT ? m_colors[index] : 0; }
  CToolTipCtrl& GetToolTip() { return m_toolTip; }

 protected:
  virtual int DrawBackground(CDC* pDC, const RECT& rect);
  virtual int DrawBorderHook(CDC* pDC, const RECT& rect);
  virtual void DrawIcon(CDC* pDC, BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled);
  virtual void DrawBitmap(CDC* pDC, BOOL hasCaption, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled);
  virtual void DrawText(CDC* pDC, LPCTSTR text, const RECT& item, RECT* caption, BOOL pressed, BOOL disabled);
  void PaintParentBackground(CDC* pDC);
  void InitToolTip();
  void CancelHover();

  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnMouseLeave();
  afx_msg void OnKillFocus(CWnd* pNewWnd);
  afx_msg void OnCancelMode();
  afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  afx_msg void OnEnable(BOOL bEnable);
  afx_msg UINT OnGetDlgCode();
  afx_msg void OnSysColorChange();
  afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  afx_msg LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);
  afx_msg BOOL OnClicked();
  DECLARE_MESSAGE_MAP()

 private:
  void ReleaseIcons();
  void DropSnapshot();

  BOOL m_hover = FALSE;
  BOOL m_drawOverParent = FALSE;
  BOOL m_pressed = FALSE;
  BOOL m_focused = FALSE;
  BOOL m_disabled = FALSE;
  BOOL m_defaultButton = FALSE;
  BOOL m_checkBox = FALSE;
  COLORREF m_colors[BTNCOLOR_COUNT];
  CToolTipCtrl m_toolTip;
  CDC m_snapshotDC;
  CBitmap m_snapshotBitmap;
  CBitmap* m_pSnapshotOld = nullptr;
  long m_check = 0;
  ImageButtonIcon m_icons[2];
};
