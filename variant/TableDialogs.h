// The table's dialogs joined to the running client: the settlement after each hand, the leave
// requests of the other players, and the ticket-exchange activity with its panels, pop-up and
// result. The notification sink hands it the bodies it reads; the main frame gives it the main
// window, the table view and the engine scene when they exist, and passes the scene's commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/WinTypes.h"
#include "variant/ExchangeActPanel.h"
#include "variant/LeaveDialogs.h"
#include "variant/PhoneNumberDlg.h"
#include "variant/PlayerCardDlg.h"
#include "variant/SettlementDlg.h"

class GameBase;
class CWnd;

#define NTF_LEAVE_REQUEST 400006
#define NTF_LEAVE_REPLY 400007
#define NTF_ACTIVITY_OPEN 400008
#define NTF_TICKET_COUNT 401000
#define NTF_TICKETS_WON 401001
#define NTF_EXCHANGE_RESULT 401002
#define NTF_PRIZE_PAGE 401003
#define EXCHANGE_WAIT_TEXT "正在提交兑换信息，请稍候..."
#define EXCHANGE_WAIT_MS 10000

class CTableDialogs {
 public:
  struct Hooks {
    LeaveTable leave;
    ExchangeTable exchange;
    std::function<int()> ownUserId;
    std::function<bool()> isLookOn;
    std::function<bool()> canLeaveNow;
    std::function<void(const std::string& line)> chat;
    // The wait text of the exchange's submission: shown, and hidden again.
    std::function<void(bool show)> showWait;
    // Asks the server for the prize page (request 401003).
    std::function<int()> requestPrizePage;
    // Asks the server whether the ticket-exchange activity runs (request 400008).
    std::function<int()> queryActivity;
    // The scene's activity button comes up.
    std::function<void()> showActivityButton;
    // The scene's preparation of the next hand, when the settlement closes.
    std::function<void()> settlementClosed;
    // The scene's ticket animation for tickets won.
    std::function<void(int tickets)> ticketAnimation;
    // The player pane that answers leave requests (the pop-up's owner), when the frame has one.
    std::function<CWnd*()> playerPane;
  };

  CTableDialogs();
  ~CTableDialogs();
  void SetHooks(Hooks hooks);
  // The hooks that only the main frame can give (it makes the scene and the panes).
  void SetFrameHooks(std::function<void()> settlementClosed, std::function<void(int)> ticketAnimation,
                     std::function<CWnd*()> playerPane);
  // Who hears the table's dialogs come and go (the dialog's name, true when it opened), e.g. to
  // record them beside the table's pictures; null: nobody.
  void SetDialogWatch(std::function<void(const char* dialog, bool open)> watch);
  // The settlement's self-closing look of a client that plays by itself (0: none).
  void SetSettlementSelfClose(UINT ms);
  // Opens the answer pop-up of a leave request with an owner that answers it.
  void ShowLeaveAnswerFor(CWnd* owner, int askerUserId, const std::string& reason);

  // The windows and the scene once the main frame has them; null detaches them. Handles are
  // kept, not wrappers, since the class library's temporary wrappers do not last.
  void AttachWindows(HWND mainWindow, HWND tableView);
  // Builds the exchange panels in the scene's world (the scene owns them from then on).
  void AttachScene(GameBase* scene);
  void DetachScene();

  // Notification bodies; each is measured before it is read, a short one changes nothing.
  void OnLeaveRequest(const uint8_t* body, size_t length);
  void OnLeaveReply(const uint8_t* body, size_t length);
  void OnTicketCount(const uint8_t* body, size_t length);
  void OnTicketsWon(const uint8_t* body, size_t length);
  void OnExchangeResult(const uint8_t* body, size_t length);
  void OnPrizePage(const uint8_t* body, size_t length);
  // The hand's round result and the per-seat entries after it.
  void ShowSettlement(const uint8_t* record, size_t recordLength, const uint8_t* entries, size_t entriesLength);
  // A new hand: an onlooker's settlement goes without calling the scene back, and the activity
  // is asked for until the server has announced it once.
  void OnNewHand();
  // The server announced the activity (+16: whether its button shows).
  void OnActivityOpen(const uint8_t* body, size_t length);
  bool ActivityKnown() const { return m_activityKnown; }
  // The scene's activity button, which only the main frame can give.
  void SetActivityButton(std::function<void()> show) { m_hooks.showActivityButton = std::move(show); }
  // The hall's details of a player (its 320-byte record): the player card shows them.
  void ShowPlayerCard(const uint8_t* record, size_t length);
  CPlayerCardDlg* PlayerCard() { return m_card; }

  // The scene's commands of the panels and of the submission's wait; true when taken.
  bool OnSceneCommand(uint32_t code);
  // The activity button: the prize page is asked for first when none came yet.
  void OpenExchange();
  // The submission's wait: the text, and the scene's timer that ends it at the latest.
  void StartSubmitWait();

  CSettlementDlg* Settlement() { return m_settlement.get(); }
  CExchangeActPanel* ActivityPanel() { return m_act; }
  CExchangeResultPanel* ResultPanel() { return m_result; }
  CWnd* AnswerOwner();

 private:
  class AnswerSink;
  // The settlement's hooks and settings from the ones kept here.
  void SetUpSettlement();

  Hooks m_hooks;
  HWND m_mainWindow = nullptr;
  HWND m_tableView = nullptr;
  GameBase* m_scene = nullptr;
  std::unique_ptr<CSettlementDlg> m_settlement;
  std::unique_ptr<AnswerSink> m_answerSink;
  CExchangeActPanel* m_act = nullptr;
  CExchangeResultPanel* m_result = nullptr;
  bool m_activityKnown = false;
  std::function<void(const char*, bool)> m_dialogWatch;
  UINT m_settlementSelfClose = 0;
  // The card deletes itself with its window, which goes with the main window.
  CPlayerCardDlg* m_card = nullptr;
};
