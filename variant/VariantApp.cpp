#include "variant/VariantApp.h"

#include <cstdio>
#include <cstdlib>

#include "framework/SharedHelpers.h"
#include "mahjong/scene/TableDump.h"
#include "net/NetLog.h"
#include "platform/kernel/Profile.h"
#include "variant/VariantFrame.h"

void CVariantNotifyHost::AppendChat(const std::string& line) { m_app.AddChatText(line.c_str()); }
void CVariantNotifyHost::MarkSeatStarted(int chair) { m_app.Painter().MarkSeatStarted(chair); }
void CVariantNotifyHost::StartSeatsForNewHand() { m_app.Painter().OnNewHand(); }
int CVariantNotifyHost::IsPlaying() { return m_app.IsPlaying(); }
int CVariantNotifyHost::RejectsSeeHandRequests() { return m_app.IsRejectKanPaiAsk(); }
int CVariantNotifyHost::IsUnwelcome(int userId) { return m_app.IsUnwelcome(userId); }
std::string CVariantNotifyHost::GetSeatDisplayName(int chair) {
  return static_cast<LPCSTR>(m_app.GetSeatPlayerDisplayName(chair));
}
int CVariantNotifyHost::GetOwnUserId() { return m_app.GetUserID(); }
int CVariantNotifyHost::IsLookOn() { return m_app.IsLookOn(); }
void CVariantNotifyHost::Log(const std::string& line) { LogPrintf("%s", line.c_str()); }

void CVariantApp::Effects::Log(const std::string& line) { LogPrintf("%s", line.c_str()); }

CVariantApp::CVariantApp() : CMJGameApp("Pxqd", 31380, 2, 0), m_connection(nullptr, 0, 0, 0) { JoinMembers(); }

CVariantApp::~CVariantApp() = default;

void CVariantApp::JoinMembers() {
  CMJGameConnection::Hooks hooks;
  hooks.onRequestFailed = [this] {
    // The table and the game description belong to the UI thread.
    if (m_uiThread != 0 && GetCurrentThreadId() != m_uiThread) {
      m_resyncWanted = true;
      return;
    }
    OnRequestFailed();
  };
  m_connection.SetHooks(hooks);
  m_gameInfo.SetNameSource([this](int chair) { return std::string(static_cast<LPCSTR>(GetSeatPlayerName(chair))); });
  CSeatPainter::Hooks seats;
  seats.seat = [this](int chair, SeatPlayer* out) {
    if (chair < 0 || chair >= SEAT_COUNT) return false;
    const PlayerRecord* r = Tables().Seat(chair);
    if (r == nullptr || r->userId == 0) return false;
    out->userId = r->userId;
    out->gender = r->value68;  // the player record's word at byte 68
    out->name = r->name;
    return true;
  };
  seats.programFolder = [this] { return std::string(static_cast<LPCSTR>(GetModuleFolder())); };
  m_seatPainter.SetHooks(seats);
  // A long run names a file in PXQD_TABLE_DUMP: the table's line at the end of every hand goes
  // there, to be held against the server's record of the hand.
  if (const char* dump = std::getenv("PXQD_TABLE_DUMP"); dump != nullptr && *dump != '\0') {
    m_notifySink.SetHandEndWatch([this, path = std::string(dump)] {
      // Only a hand this client followed from its deal or a resync has a table to compare.
      if (!m_table.IsPlaying()) return;
      if (!CTableDump::Append(path, CTableDump::Format(m_table, m_gameInfo))) LogPrintf("table dump: cannot write %s", path.c_str());
    });
  }
}

void CVariantApp::LoadSettings() {
  const CString ini = GetGameIniPath();
  m_quickCatch = static_cast<int>(GetPrivateProfileIntA("GAMESET", "QuickCatch", 1, ini));
  m_silence = static_cast<int>(GetPrivateProfileIntA("GAMESET", "Silence", 0, ini));
  m_rejectKanPaiAsk = static_cast<int>(GetPrivateProfileIntA("GAMESET", "RejectKanPaiAsk", 0, ini));
}

void CVariantApp::SaveSettings() {
  const CString ini = GetGameIniPath();
  char value[16];
  std::snprintf(value, sizeof(value), "%d", m_quickCatch);
  WritePrivateProfileStringA("GAMESET", "QuickCatch", value, ini);
  std::snprintf(value, sizeof(value), "%d", m_silence);
  WritePrivateProfileStringA("GAMESET", "Silence", value, ini);
  std::snprintf(value, sizeof(value), "%d", m_rejectKanPaiAsk);
  WritePrivateProfileStringA("GAMESET", "RejectKanPaiAsk", value, ini);
}

void CVariantApp::RunWantedResync() {
  if (!m_resyncWanted.exchange(false)) return;
  OnRequestFailed();
  // A request of the resynchronisation itself that failed asks for nothing more.
  m_resyncWanted = false;
}

BOOL CVariantApp::InitInstance() {
  m_uiThread = GetCurrentThreadId();
  LoadSettings();
  SetPlayerCount(4);
  m_seatPainter.SetOwnChair(GetChairNO());
  if (!CMJGameApp::InitInstance()) return FALSE;
  m_gameInfo.SetOwnChair(GetChairNO());
  m_table.SetLookOn(IsLookOn() != 0);
  return CreateMainWindow();
}

BOOL CVariantApp::CreateMainWindow() {
  auto* frame = new CVariantFrame();
  if (!frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) return FALSE;
  m_pMainWnd = frame;
  // The client area takes the table's size; the frame's edges come on top of it.
  RECT window{}, client{};
  ::GetWindowRect(frame->GetSafeHwnd(), &window);
  ::GetClientRect(frame->GetSafeHwnd(), &client);
  const int width = CVariantFrame::TABLE_WIDTH + (window.right - window.left) - client.right;
  const int height = CVariantFrame::TABLE_HEIGHT + (window.bottom - window.top) - client.bottom;
  ::SetWindowPos(frame->GetSafeHwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  CString title;
  title.Format("%s - %s", static_cast<LPCSTR>(GetGameName()), static_cast<LPCSTR>(GetRoomName()));
  frame->SetWindowText(title);
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  RegisterMainWindow(frame->GetSafeHwnd());
  return TRUE;
}

int CVariantApp::ExitInstance() {
  SaveSettings();
  return CMJGameApp::ExitInstance();
}
