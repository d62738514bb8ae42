// CCustomTabCtrl: a self-drawn strip of overlapping trapezoid tabs with scroll buttons and an
// optional close button, used by the record board to switch its panes. It is a plain child
// window with a class of its own ("CCustomTabCtrl"), so a dialog template can name it as a
// custom control. The layout itself is pure code in TabLayout.h; this class measures the labels,
// keeps the tabs, paints the strip off-screen, handles the mouse, tells its parent through
// WM_NOTIFY and edits labels in place with a message loop of its own.
#pragma once

#include <vector>

#include "controls/CustomTabItem.h"
#include "controls/TabLayout.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/DC.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/mfc/GdiObject.h"
#include "platform/mfc/Wnd.h"

#define TAB_CLASS_NAME "CCustomTabCtrl"
// The child id of the label edit, and the id of the auto-repeat timer of held scroll buttons.
#define TAB_LABEL_EDIT_ID 1
#define TAB_TIMER_REPEAT 1
// Labels are inserted with at most this many characters (bytes of GBK text); the label edit
// takes one more.
#define TAB_MAX_INSERT_TEXT 29
#define TAB_MAX_EDIT_TEXT 30

enum TabNotifyCode : int {
  TABN_RIGHT_DOUBLE_CLICK = -6,
  TABN_RIGHT_CLICK = -5,
  TABN_DOUBLE_CLICK = -3,
  TABN_CLICK = -2,
  TABN_OUT_OF_MEMORY = -1,
  TABN_SELECTION_CHANGED = 0,
  TABN_HIGHLIGHT_CHANGED = 1,
  TABN_LABEL_UPDATE = 4,
};

// The record passed by address as the LPARAM of WM_NOTIFY. It begins with the platform's NMHDR
// (window, id, code: 12 bytes with 32-bit handles, so the record is 84 bytes there); the fields
// after it are 32-bit little-endian values at the offsets the record board reads.
struct TabNotifyRecord {
  NMHDR hdr;
  int index;           // a tab index, or a hit code
  char label[32];      // zero-terminated, the rest zero
  DWORD itemData;
  RECT textRect;       // strip coordinates
  POINT point;         // client coordinates of the mouse message; 0, 0 for the label edit's
  BOOL selected;
  BOOL highlighted;
};
static_assert(sizeof(TabNotifyRecord) == sizeof(NMHDR) + 72, "the record keeps its 72 bytes after the header");

class CCustomTabCtrl : public CWnd {
 public:
  CCustomTabCtrl();
  ~CCustomTabCtrl() override;

  int InsertItem(int index, LPCTSTR text, DWORD itemData);
  int SetCurSel(int index);
  int SelectTab(int index, int scroll, int ctrl);
  int UpdateHighlight(int index, int notify, int ctrl);
  int SetItemData(int index, DWORD value);
  // Hides CWnd::ModifyStyle: keeps the highlights in step with TABSTYLE_MULTI_HIGHLIGHT and lays
  // the strip out again.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  int HitTest(int x, int y);
  void RecalcLayout(int mode, int index);
  int RenameTab(int index, int releaseCapture);
  int NotifyParent(int code, int index, int x, int y);

  // Read access for the owner and for tests.
  int GetItemCount() const { return static_cast<int>(m_tabs.size()); }
  int GetCurSel() const { return m_selection; }
  int GetFirstVisible() const { return m_firstVisible; }
  int GetButtonState(int button) const { return button >= 0 && button < 5 ? m_buttonStates[button] : 0; }
  int GetPressedCode() const { return m_pressedCode; }
  const CCustomTabItem* GetItem(int index) const {
    return index >= 0 && index < GetItemCount() ? m_tabs[index] : nullptr;
  }
  HWND GetLabelEditWindow() const { return m_labelEdit ? m_labelEdit->m_hWnd : nullptr; }
  // The strip as the layout last left it (strip coordinates).
  TabStrip GetStrip() const;

  BOOL PreTranslateMessage(MSG* pMsg) override;
  void PreSubclassWindow() override;

  static BOOL RegisterTabClass();
  // Draws one button glyph (0 first, 1 previous, 2 next, 3 last, 4 close, 5 block) with its
  // top-left corner at the point; ink takes COLOR_BTNTEXT and the background is left alone.
  void DrawButtonGlyph(CDC* pDC, CPoint at, int glyph, int stateIndex);

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnPaint();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnLabelEditUpdate();

  DECLARE_MESSAGE_MAP()

 private:
  void CreateTabFonts();
  void CreateGlyphStrip();
  int OnPress(int hit, UINT keyFlags, CPoint point);
  void PositionLabelEdit(int start, int index);
  // Label measurement with the bold font on a DC of the window: width and height of DT_CALCRECT.
  SIZE MeasureBold(const CString& text);
  TabStrip MakeStrip();
  void ApplyStrip(const TabStrip& strip);
  void RebuildRegions();
  POINT ToStrip(int x, int y) const;
  void GetStripSize(int& length, int& thickness) const;
  RECT LabelEditRect(int index, const CString& measured);
  // Ends the label edit: the edit window goes away.
  void DestroyLabelEdit();
  // Takes the edit's text as the label of tab `index` and destroys the edit.
  void CommitLabel(int index);
  void ReleaseButtonStates();

  CFont m_normalFont;
  CFont m_boldFont;
  int m_selection = -1;
  int m_firstVisible = 0;
  int m_buttonStates[5] = {0, 0, 0, 0, 0};
  int m_pressedCode = TABHIT_NOWHERE;
  DWORD m_stepTime = 0;
  CBitmap m_glyphStrip;
  CEdit* m_labelEdit = nullptr;
  std::vector<CCustomTabItem*> m_tabs;

  static LOGFONTA s_guiLogFont;
};
