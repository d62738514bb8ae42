#include "tests/support/FrameworkDoubles.h"

#include "framework/BodyReader.h"
#include "framework/NotifyBodies.h"

namespace testsupport {

bool HookLog::Has(const std::string& call) const {
  for (const std::string& c : calls) {
    if (c == call) return true;
  }
  return false;
}

size_t HookLog::Count(const std::string& prefix) const {
  size_t n = 0;
  for (const std::string& c : calls) {
    if (c.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

void RecordingChat::OnChatLine(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  std::string line = std::to_string(body.Int(0)) + ":" + body.Text(48, 62);
  m_log->Add("Chat.OnChatLine:" + line);
  if (m_echoToHall) GetGameApp()->SendTextToHall(("chat:" + line).c_str(), 2);
}

IMPLEMENT_DYNCREATE(CTestFrame, CGameFrameWnd)

BEGIN_MESSAGE_MAP(CTestFrame, CGameFrameWnd)
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(WM_HALL_DATA7, OnHallData7)
END_MESSAGE_MAP()

CTestFrame::CTestFrame() : m_table(&m_log), m_chat(&m_log), m_players(&m_log) {}

LRESULT CTestFrame::OnPaneUpdate(WPARAM, LPARAM) {
  m_log.Add("PaneUpdate");
  auto* app = static_cast<CTestGameApp*>(GetGameApp());
  if (app->m_playOnEnter) m_table.m_clockTimer = 1;
  if (app->m_reportToHall) app->SendTextToHall("entered", 1);
  if (!app->m_lineOnEnter.empty()) app->GetConnection()->SendChatQuiet(app->m_lineOnEnter.c_str());
  return 0;
}

void CTestFrame::OnConnectionLost() {
  CGameFrameWnd::OnConnectionLost();
  auto* app = static_cast<CTestGameApp*>(GetGameApp());
  if (app->m_reportToHall) app->SendTextToHall("connection lost", 3);
}

LRESULT CTestFrame::OnHallData7(WPARAM, LPARAM lParam) {
  m_log.Add("HallData7:" + std::to_string(static_cast<long>(lParam)));
  return 0;
}

void CTestNotifySink::OnTableClosed(const BYTE* data, size_t length) {
  CGameNotifySink::OnTableClosed(data, length);
  codes.push_back(-NOTIFY_TABLE_CLOSED);
}

CTestGameApp::CTestGameApp() : CGameApp("Pxqd", DEFAULT_GAME_PORT, 2, 0), m_connection(nullptr, 0, 0, 0) {}

CTestGameApp::~CTestGameApp() = default;

BOOL CTestGameApp::InitInstance() {
  if (!CGameApp::InitInstance()) return FALSE;
  return CreateMainFrame();
}

int CTestGameApp::ExitInstance() { return CGameApp::ExitInstance(); }

BOOL CTestGameApp::CreateMainFrame() {
  m_frame = new CTestFrame();
  if (!m_frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) {
    m_frame = nullptr;
    return FALSE;
  }
  m_pMainWnd = m_frame;
  m_frame->m_chat.m_echoToHall = m_reportToHall;
  m_frame->ShowWindow(SW_SHOW);
  RegisterMainWindow(m_frame->GetSafeHwnd());
  return TRUE;
}

}  // namespace testsupport
