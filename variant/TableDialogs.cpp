#include "variant/TableDialogs.h"

#include <cstdio>

#include "engine/GameBase.h"
#include "engine/World.h"
#include "framework/BodyReader.h"
#include "platform/mfc/Wnd.h"

// The receiver of the answer pop-ups' WM_LEAVE_ANSWER: a hidden window that writes the chat line
// and sends the answer, as the player pane does.
class CTableDialogs::AnswerSink : public CWnd {
 public:
  explicit AnswerSink(CTableDialogs& owner) : m_owner(owner) {}
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_LEAVE_ANSWER) {
      AnswerLeaveRequest(m_owner.m_hooks.leave, static_cast<int>(wParam), lParam != 0);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  CTableDialogs& m_owner;
};

CTableDialogs::CTableDialogs() = default;

CTableDialogs::~CTableDialogs() {
  if (m_answerSink && m_answerSink->GetSafeHwnd() != nullptr) m_answerSink->DestroyWindow();
}

void CTableDialogs::SetHooks(Hooks hooks) {
  m_hooks = std::move(hooks);
  // The form's submission starts the wait here, so that the scene's timer can end it.
  m_hooks.exchange.startSubmitWait = [this] { StartSubmitWait(); };
  SetUpSettlement();
}

void CTableDialogs::SetUpSettlement() {
  if (!m_settlement) return;
  m_settlement->SetHooks({m_hooks.settlementClosed, m_hooks.canLeaveNow, [this](bool open) {
                            if (m_dialogWatch) m_dialogWatch("settlement", open);
                          }});
  m_settlement->SetSelfClose(m_settlementSelfClose);
}

void CTableDialogs::SetDialogWatch(std::function<void(const char* dialog, bool open)> watch) {
  m_dialogWatch = std::move(watch);
}

void CTableDialogs::SetSettlementSelfClose(UINT ms) {
  m_settlementSelfClose = ms;
  SetUpSettlement();
}

void CTableDialogs::SetFrameHooks(std::function<void()> settlementClosed, std::function<void(int)> ticketAnimation,
                                  std::function<CWnd*()> playerPane) {
  m_hooks.settlementClosed = std::move(settlementClosed);
  m_hooks.ticketAnimation = std::move(ticketAnimation);
  m_hooks.playerPane = std::move(playerPane);
  SetUpSettlement();
}

void CTableDialogs::ShowLeaveAnswerFor(CWnd* owner, int askerUserId, const std::string& reason) {
  ShowLeaveAnswer(owner, m_mainWindow != nullptr ? CWnd::FromHandle(m_mainWindow) : nullptr, m_hooks.leave,
                  askerUserId, reason);
}

void CTableDialogs::AttachWindows(HWND mainWindow, HWND tableView) {
  if (mainWindow == nullptr) m_card = nullptr;
  m_mainWindow = mainWindow;
  m_tableView = tableView;
  if (m_settlement) m_settlement->Close(1);
  m_settlement.reset();
  if (tableView != nullptr) {
    m_settlement = std::make_unique<CSettlementDlg>(CWnd::FromHandle(tableView));
    SetUpSettlement();
  }
}

CWnd* CTableDialogs::AnswerOwner() {
  if (!m_answerSink) m_answerSink = std::make_unique<AnswerSink>(*this);
  if (m_answerSink->GetSafeHwnd() == nullptr) {
    m_answerSink->CreateEx(0, AfxRegisterWndClass(0), "leave answers", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
  }
  return m_answerSink.get();
}

void CTableDialogs::AttachScene(GameBase* scene) {
  m_scene = scene;
  m_act = nullptr;
  m_result = nullptr;
  if (scene == nullptr) return;
  m_act = new CExchangeActPanel(*scene, m_hooks.exchange);
  scene->GetWorldRef().RegisterControlObject(m_act);
  m_result = new CExchangeResultPanel(*scene);
  scene->GetWorldRef().RegisterControlObject(m_result);
}

void CTableDialogs::DetachScene() {
  // The scene's world deletes the panels with itself.
  m_scene = nullptr;
  m_act = nullptr;
  m_result = nullptr;
}

void CTableDialogs::OnLeaveRequest(const uint8_t* body, size_t length) {
  if (length < LEAVE_REQUEST_BODY_SIZE) return;
  std::optional<LeaveRequestNotice> n = ReadLeaveRequest(body, length);
  if (!n) return;
  const std::string asker = m_hooks.leave.playerName ? m_hooks.leave.playerName(n->askerUserId) : std::string();
  if (m_hooks.chat) m_hooks.chat(LeaveRequestLine(asker));
  const int own = m_hooks.ownUserId ? m_hooks.ownUserId() : 0;
  // Only the other seated players answer.
  if (n->askerUserId == own || (m_hooks.isLookOn && m_hooks.isLookOn())) return;
  // The player pane answers when the frame has one; otherwise a receiver of the dialogs does.
  CWnd* pane = m_hooks.playerPane ? m_hooks.playerPane() : nullptr;
  ShowLeaveAnswerFor(pane != nullptr && pane->GetSafeHwnd() != nullptr ? pane : AnswerOwner(), n->askerUserId,
                     n->reason);
}

void CTableDialogs::OnLeaveReply(const uint8_t* body, size_t length) {
  std::optional<LeaveReplyNotice> n = ReadLeaveReply(body, length);
  if (!n || !m_hooks.chat) return;
  // The answerer's own client wrote its line when it answered.
  const int own = m_hooks.ownUserId ? m_hooks.ownUserId() : 0;
  if (n->answererUserId == own) return;
  auto name = [this](int user) { return m_hooks.leave.playerName ? m_hooks.leave.playerName(user) : std::string(); };
  m_hooks.chat(LeaveReplyLine(name(n->answererUserId), n->agreed, name(n->askerUserId)));
}

void CTableDialogs::OnTicketCount(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(8) || m_act == nullptr) return;
  if (m_hooks.ownUserId && r.Int(0) != m_hooks.ownUserId()) return;
  m_act->SetTicketCount(r.Int(4));
  m_act->RefreshIfShown();
}

void CTableDialogs::OnTicketsWon(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(20) || m_act == nullptr) return;
  if (m_hooks.ownUserId && r.Int(8) != m_hooks.ownUserId()) return;
  const int won = r.Int(12), count = r.Int(16);
  // A count that does not add up with the one shown changes nothing.
  if (static_cast<long long>(m_act->GetTicketCount()) + won != count) return;
  m_act->SetTicketCount(count);
  m_act->RefreshIfShown();
  if (m_hooks.ticketAnimation) m_hooks.ticketAnimation(won);
  if (m_hooks.chat) {
    char line[64];
    std::snprintf(line, sizeof line, "恭喜您获得 %d 张兑换券", won);
    m_hooks.chat(line);
  }
}

void CTableDialogs::OnExchangeResult(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(16)) return;
  const int result = r.Int(8);
  if (result == 0) {
    if (m_act != nullptr) m_act->SetTicketCount(r.Int(12));
    if (m_hooks.requestPrizePage) m_hooks.requestPrizePage();
  }
  if (m_result != nullptr) {
    if (result == 0) {
      m_result->ShowSucceeded();
    } else {
      m_result->ShowFailed(result);
    }
  }
  if (m_hooks.showWait) m_hooks.showWait(false);
}

void CTableDialogs::OnPrizePage(const uint8_t* body, size_t length) {
  std::optional<PrizePage> page = ReadPrizePage(body, length);
  if (!page || m_act == nullptr) return;
  if (m_hooks.ownUserId && page->userId != m_hooks.ownUserId()) return;
  m_act->SetPrizeData(body, length);
  m_act->RefreshIfShown();
}

void CTableDialogs::ShowSettlement(const uint8_t* record, size_t recordLength, const uint8_t* entries,
                                   size_t entriesLength) {
  if (m_settlement && m_tableView != nullptr && ::IsWindow(m_tableView)) {
    m_settlement->Show(CWnd::FromHandle(m_tableView), record, recordLength, entries, entriesLength);
  }
}

void CTableDialogs::OnNewHand() {
  // The answer is the activity's own notification; the request's result says nothing more.
  if (!m_activityKnown && m_hooks.queryActivity) m_hooks.queryActivity();
  if (m_settlement && m_hooks.isLookOn && m_hooks.isLookOn()) m_settlement->Close(1);
}

void CTableDialogs::OnActivityOpen(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(20)) return;
  m_activityKnown = true;
  if (r.Int(16) != 0 && m_hooks.showActivityButton) m_hooks.showActivityButton();
}

void CTableDialogs::ShowPlayerCard(const uint8_t* record, size_t length) {
  if (m_mainWindow == nullptr || !::IsWindow(m_mainWindow)) return;
  ::ShowPlayerCard(m_card, CWnd::FromHandle(m_mainWindow), nullptr,
                   m_tableView != nullptr ? CWnd::FromHandle(m_tableView) : nullptr, record, length);
}

void CTableDialogs::OpenExchange() {
  if (m_act == nullptr) return;
  if (!m_act->HasPrizeData() && m_hooks.requestPrizePage) m_hooks.requestPrizePage();
  m_act->SetPage(0);
  m_act->ShowPage(1);
}

void CTableDialogs::StartSubmitWait() {
  if (m_scene != nullptr) m_scene->StartWait(EXCHANGE_WAIT_MS, CMD_EXCHANGE_WAIT_OVER, nullptr, 0, 0);
  if (m_hooks.showWait) m_hooks.showWait(true);
}

bool CTableDialogs::OnSceneCommand(uint32_t code) {
  Event event{code, nullptr, 0};
  if (code >= CMD_EXCHANGE_CLOSE && code <= CMD_EXCHANGE_PRIZE_LAST) {
    if (m_act != nullptr) m_act->OnMessage(&event);
    return true;
  }
  if (code == CMD_EXCHANGE_RESULT_CLOSE) {
    if (m_result != nullptr) m_result->OnMessage(&event);
    return true;
  }
  if (code == CMD_EXCHANGE_CONTINUE) {
    if (m_result != nullptr) m_result->Hide();
    if (m_act != nullptr) m_act->ShowPage(1);
    return true;
  }
  if (code == CMD_EXCHANGE_WAIT_OVER) {
    // The wait ends for good: the result may already have hidden the text, and it must not
    // come back.
    if (m_hooks.showWait) m_hooks.showWait(false);
    return true;
  }
  return false;
}
