// Asking the other players for leave during a running game. The asker's side is the modal leave
// dialog (quit by force, stay, or send a request with a reason, twice at most); every other
// player gets a pop-up rising from the corner of the screen with the asker's portrait, name and
// reason, whose agree and refuse labels post WM_LEAVE_ANSWER to the player pane, which writes the
// chat line and sends the answer.
#pragma once

#include <functional>
#include <string>

#include "controls/HyperLink.h"
#include "controls/SlideNotifier.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/GdiObject.h"
#include "variant/LeaveRequests.h"

#define IDD_LEAVE_REQUEST 278
#define IDD_LEAVE_ANSWER 277
#define IDC_LEAVE_REQUEST 1916
#define IDC_LEAVE_REASON 1915
#define IDC_ANSWER_PORTRAIT 1910
#define IDC_ANSWER_NAME 1912
#define IDC_ANSWER_AGREE 1913
#define IDC_ANSWER_REFUSE 1914
#define IDC_ANSWER_REASON 1917
#define WM_LEAVE_ANSWER 0x8D20
// The colour of the leave lines in the chat.
#define LEAVE_CHAT_COLOUR 2906200
// The reason typed into the dialog: 60 bytes, so that the request's 64 bytes keep a terminator.
#define LEAVE_REASON_LIMIT 60
#define LEAVE_REQUESTS_MAX 2
#define LEAVE_ANSWER_SECONDS 30
#define SOUND_LEAVE_ASK 29015
#define SOUND_CLICK 29010

class CVariantApp;
class CGameApp;

// The ids every table request starts with, as the application has them now; and a request sent
// through the game connection without waiting for its answer's data (1 when a reply came).
RequestContext TableRequestContext(CGameApp& app);
int SendTableRequest(CGameApp& app, int code, const RequestBody& body);

// What the leave dialogs ask of the table; LeaveTableOf joins them to the application.
struct LeaveTable {
  // The own chair's requests sent so far at this table, and one more.
  std::function<int()> ownRequests;
  std::function<void()> countRequest;
  // The table lets players go only with the others' consent: no quitting by force.
  std::function<bool()> leaveByRequest;
  // Requests 400006 and 400007; 1 when the server answered.
  std::function<int(const std::string& reason)> sendRequest;
  std::function<int(int askerUserId, bool agree)> sendReply;
  std::function<void(const std::string& line)> chat;
  std::function<std::string(int userId)> playerName;
  std::function<int()> ownUserId;
  std::function<void(int sound)> playSound;
};
LeaveTable LeaveTableOf(CVariantApp& app);

// The chat lines: a player asks for leave; a player agrees to or refuses someone's request.
std::string LeaveRequestLine(const std::string& askerName);
std::string LeaveReplyLine(const std::string& answererName, bool agree, const std::string& askerName);

class CLeaveRequestDlg : public CDialog {
 public:
  explicit CLeaveRequestDlg(LeaveTable table);
  BOOL OnInitDialog() override;
  // Quitting by force, refused at a table that lets players go only by consent.
  void OnOK() override;
  // Enter goes to the reason as a new line, never to a button.
  BOOL PreTranslateMessage(MSG* pMsg) override;

 protected:
  afx_msg void OnRequest();
  DECLARE_MESSAGE_MAP()

  LeaveTable m_table;
};

// The close request's dialog: IDOK when the player quits by force, IDCANCEL when he stays (also
// after sending a request). Plays the asking sound first.
INT_PTR RunLeaveRequestDialog(const LeaveTable& table);

class CLeaveAnswerDlg : public CSlideNotifier {
 public:
  CLeaveAnswerDlg(CWnd* owner, LeaveTable table, int askerUserId, const std::string& reason);
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  int GetAskerUserId() const { return m_askerUserId; }

 protected:
  afx_msg void OnAgree();
  afx_msg void OnRefuse();
  DECLARE_MESSAGE_MAP()
  void Answer(int agree);

  CBitmap m_defaultPortrait;
  CHyperLink m_name;
  CHyperLink m_refuse;
  CHyperLink m_agree;
  CWnd* m_owner;
  int m_askerUserId;
  char m_reason[LEAVE_REASON_SIZE] = {};
  LeaveTable m_table;
};

// Opens the answer pop-up for a request received: 200 x 105 pixels at the right of the main
// window, rising to 10 pixels above its bottom edge, for 30 seconds. The pop-up owns itself;
// the returned pointer is valid until it is destroyed (tests only).
CLeaveAnswerDlg* ShowLeaveAnswer(CWnd* owner, CWnd* mainWindow, const LeaveTable& table, int askerUserId,
                                 const std::string& reason);

// The player pane's handler of WM_LEAVE_ANSWER: the chat line, then the answer to the server.
void AnswerLeaveRequest(const LeaveTable& table, int askerUserId, bool agree);
