// The table-chat pane: the chat log in a chat display over a one-line input with a drop-down
// history and a face button that opens the face picker. What the user types goes out as chat
// requests, at most one every 2000 ms; every chat line, welcome line and notice of the framework
// is written into the display in the chat markup.
#pragma once

#include "controls/ChatRichEdit.h"
#include "controls/ImageButton.h"
#include "framework/FacePicker.h"
#include "framework/GameFormView.h"
#include "framework/PaneHooks.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"

#define WM_CHAT_CLEAR 0x85B3
#define WM_CHAT_SET_INPUT 0x85B6
#define WM_CHAT_LINK_CLICKED 0x85B8
#define IDD_CHAT_FORM 147
#define IDC_CHAT_DISPLAY 1005
#define IDC_CHAT_INPUT 1
#define IDC_CHAT_FACE 2
// The least time between two chat messages or faces.
#define CHAT_FLOOD_MS 2000
// The longest chat text in bytes.
#define CHAT_INPUT_MAX 61

class CGameChatView : public CGameFormView, public CChatPaneHooks {
  DECLARE_DYNCREATE(CGameChatView)

 public:
  CGameChatView();
  explicit CGameChatView(UINT nIDTemplate, int displayId);
  ~CGameChatView() override;

  // The display's window class comes from the rich-edit library, which is loaded first.
  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, void* pContext = nullptr) override;
  void OnInitialUpdate() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  virtual void SendChat();
  virtual void SendChatQuiet();
  virtual void SendFace(int face);
  void ShowNotice(const char* text) override;
  void OnOnlookerJoined(const PlayerRecord& record) override;
  void OnOnlookerLeft(const PlayerRecord& record) override;
  void OnChatLine(const BYTE* data, size_t length) override;
  void OnChatNotice(const BYTE* data, size_t length) override;
  void OnBaseSilverNotice(const BYTE* data, size_t length) override;
  void OnMovedToTable(const BYTE* data, size_t length) override;
  void OnPlayerCalled(const BYTE* data, size_t length) override;
  void OnPlayerEntered(const PlayerRecord& seat) override;
  void OnPlayerLeft(const PlayerRecord& record) override;
  void OnRandomSeated(const BYTE* data, size_t length) override;
  void OnAmuletUsed(const BYTE* data, size_t length) override;
  void OnNamesChanged(const BYTE* data, size_t length) override {}
  void OnClothingChanged(const BYTE* data, size_t length) override;
  void OnMemberChanged(const BYTE* data, size_t length) override;
  void OnLotteryState(const BYTE* data, size_t length) override;
  void OnLotteryState2(const BYTE* data, size_t length) override;
  void OnLotteryDraw(const BYTE* data, size_t length) override;
  void OnLotteryBroadcast(const BYTE* data, size_t length) override;
  void OnSystemText(const BYTE* data, size_t length) override;
  HWND GetPaneWindow() const override { return GetSafeHwnd(); }

  virtual void SetLargestTextSize(int twips);
  virtual void SetFaceButtonIcon(int iconId);
  virtual void SetFaceFolder(LPCSTR folder);
  virtual void LoadPhrases(LPCSTR fileName);
  virtual void EnableLinks(BOOL enable);
  virtual void ShowFaceButton(BOOL show);
  virtual void CreateInputFont();
  virtual void CreateInput();
  virtual void CreateFaceButton();

  CChatRichEdit& GetDisplay() { return m_display; }
  CComboBox& GetInput() { return m_input; }
  CImageButton& GetFaceButton() { return m_faceButton; }
  CFacePicker& GetFacePicker() { return m_facePicker; }
  void AppendText(LPCSTR text);

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg LRESULT OnPaneUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnChatClear(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnChatAppend(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnChatSetInput(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnChatSendFace(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnChatLinkClicked(WPARAM wParam, LPARAM lParam);
  afx_msg void OnEnter();
  afx_msg void OnFaceButton();
  DECLARE_MESSAGE_MAP()

  // Reads the input (at most CHAT_INPUT_MAX bytes, cut on a character boundary) and sends it
  // unless the flood limit holds it back; `echo` shows the own line.
  void SendInput(bool echo);
  bool FloodLimited() const;
  void Layout(int cx, int cy);
  CString NameOf(int userId);

  DWORD m_lastSend = 0;
  BOOL m_faceButtonShown = FALSE;
  CChatRichEdit m_display;
  int m_displayId;
  CComboBox m_input;
  CImageButton m_faceButton;
  CFacePicker m_facePicker;
  CFont m_inputFont;
};
