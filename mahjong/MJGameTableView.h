// The table pane of a table scene that draws itself with GDI (view mode 1): a form view that
// keeps the table in an off-screen buffer, lets the seat painter and the scene paint into it,
// passes its mouse and timer input to the scene and carries plain buttons: start, the see-hand
// request of an onlooker and the five claims. The frames make it only when the application's
// view mode is 1; this game's scene is drawn by the engine, whose pane (CMJGameTableView2) takes
// over the table-view operations below unchanged.
#pragma once

#include "controls/ImageButton.h"
#include "framework/GameTableView.h"
#include "mahjong/SeatPainter.h"
#include "mahjong/scene/MJTableSceneBase.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/GdiObject.h"

#define IDD_GDI_TABLE_VIEW 140
#define IDC_TABLE_START 1800
#define IDC_TABLE_SEE_HAND 1801
#define IDC_TABLE_PASS 1810
#define IDC_TABLE_HU 1811
#define IDC_TABLE_GANG 1812
#define IDC_TABLE_PENG 1813
#define IDC_TABLE_CHI 1814
#define IDC_TABLE_EXTRA_FIRST 1815
#define IDC_TABLE_EXTRA_LAST 1817

class CMJGameTableView : public CGameTableView {
  DECLARE_DYNCREATE(CMJGameTableView)

 public:
  static constexpr int CLAIM_BUTTONS = 5;
  static constexpr int ARRAY_BUTTONS = 5;
  // The window timer that rests the see-hand button after a request, and the rest.
  static constexpr UINT_PTR SEE_HAND_TIMER = 7;
  static constexpr UINT SEE_HAND_REST_MS = 15000;
  // The sound of a request of the player's own.
  static constexpr int SOUND_OWN_REQUEST = 29010;
  // The chat colour of the see-hand line.
  static constexpr int SEE_HAND_LINE_COLOUR = 2906200;
  // The table's colour when the skin sets none.
  static constexpr COLORREF TABLE_DEFAULT_COLOUR = 0x4000;

  CMJGameTableView();
  ~CMJGameTableView() override;

  // The GDI view of the main window, or null when the main window has another table pane.
  static CMJGameTableView* FromMainWindow();

  // The table-view operations that the engine host views take over.
  virtual CSeatPainter* GetSeatPainter();
  void ResetTable() override;
  virtual int CallSceneHook48();
  void OnPlayerSeated(const PlayerRecord& seat) override;
  void OnPlayerLeft(const PlayerRecord& record) override;
  // The name plate of the record's side (empty when the player left), then the advert-bet
  // pane's rows when the frame has one; the pane's answer, else 0.
  static int ShowSeatName(CSeatPainter* painter, const PlayerRecord& record, bool seated);

  // Players seated by the system: the seat painter reads the seats again.
  void OnRandomSeated(const BYTE* data, size_t length) override;
  // Moved to another table: the seats' names and started marks from the table's records.
  void OnMovedToTable(const BYTE* data, size_t length) override { ApplySeatRecords(data, length); }
  // The body's words 5 to 8 carry each seat's flag word (bit 1: started). A body too short for
  // them is refused before anything changes; 0 then, else 1.
  int ApplySeatRecords(const BYTE* data, size_t length);

  // The table made ready for a new game when no game is being played.
  virtual void ResetForNewGame();
  // The skin step: the table colour and cloth, the background built again, then the scene's
  // and the seat painter's pictures.
  virtual int ReloadSkin();
  // The scene lays out its controls again (a discard moved the table on).
  void RelayoutScene();
  // Repaints one side's name plate through an off-screen copy of the table's background.
  void RepaintPlate(CSeatPainter& painter, int side);

  void OnInitialUpdate() override;

  CMJTableSceneBase* GetScene();
  CButton& StartButton() { return m_startButton; }
  CButton& SeeHandButton() { return m_seeHandButton; }
  // The claim buttons by command id (1810-1814); null for another id.
  CImageButton* ClaimButton(UINT id);
  CImageButton& ArrayButton(int index) { return m_arrayButtons[index >= 0 && index < ARRAY_BUTTONS ? index : 0]; }
  CFont& ButtonFont() { return m_buttonFont; }
  CFont& LargeFont() { return m_largeFont; }
  int GetCursorKind() const { return m_cursorKind; }
  int IsInitialised() const { return m_initialised; }
  int NeedsRebuild() const { return m_rebuild; }
  // The buffer the table is painted into (valid after the first paint).
  CDC& Buffer() { return m_memDC; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnDraw(CDC* pDC) override;
  // Lays the two plain buttons out for the view's size, then the scene its own controls.
  void LayoutButtons(int cx, int cy);

  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnDestroy();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnStart();
  afx_msg void OnSeeHand();
  afx_msg void OnPass();
  afx_msg void OnHu();
  afx_msg void OnGang();
  afx_msg void OnPeng();
  afx_msg void OnChi();
  afx_msg void OnExtraButton(UINT nID);
  DECLARE_MESSAGE_MAP()

  CImageButton m_claimButtons[CLAIM_BUTTONS];  // 1810 to 1814
  CButton m_seeHandButton;
  CButton m_startButton;
  CImageButton m_arrayButtons[ARRAY_BUTTONS];
  int m_initialised = 0;
  int m_rebuild = 1;
  CBitmap m_buffer;
  CFont m_buttonFont;
  CFont m_largeFont;
};
