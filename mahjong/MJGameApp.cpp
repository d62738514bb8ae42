#include "mahjong/MJGameApp.h"

#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"
#include "mahjong/TableResync.h"
#include "net/NetLog.h"
#include "platform/kernel/Kernel.h"

CMJGameApp::CMJGameApp(LPCTSTR gameCode, int defaultPort, int versionMajor, int versionMinor)
    : CGameApp(gameCode, defaultPort, versionMajor, versionMinor), m_sleep([](DWORD ms) { Sleep(ms); }) {}

BOOL CMJGameApp::InitInstance() {
  SetViewMode(GetSceneViewMode());
  return CGameApp::InitInstance();
}

int CMJGameApp::GetSceneViewMode() {
  CMJTableSceneBase* scene = GetTableScene();
  return scene != nullptr ? scene->GetViewMode() : VIEW_MODE_ENGINE;
}

int CMJGameApp::IsPlaying() {
  if (m_viewMode == 1) return CGameApp::IsPlaying();
  CMJTableModel* model = GetTableModel();
  return (model != nullptr && model->IsPlaying() == 1) ? 1 : 0;
}

int CMJGameApp::PlaySound(int soundId, int flags) {
  if (int silence = IsSilence()) return silence;
  PlayResourceSoundEx(soundId, static_cast<UINT>(flags));
  return 0;
}

void CMJGameApp::ShowTimedBox(LPCSTR text, int seconds, int style) {
  int remaining = seconds;
  ShowMessageBox(text, "确定", "取消", &remaining, style);
}

void CMJGameApp::RebuildTable() {
  if (CMJTableModel* model = GetTableModel()) model->RebuildFromGameInfo();
  if (CSeatPainter* painter = GetSeatPainter()) painter->Refresh();
  if (CMJGameConnection* connection = GetMJConnection(); connection != nullptr && !IsLookOn())
    connection->SendReturnToGame(1);
}

void CMJGameApp::OnRequestFailed() {
  CMJGameConnection* connection = GetMJConnection();
  if (connection == nullptr) return;
  CTableResync::Steps steps;
  steps.getGameData = [this, connection] {
    auto request = [connection] {
      connection->MoveIdOnAtNextReply();
      return connection->GetGameData();
    };
    return m_runner ? m_runner(request) : request();
  };
  steps.sleep = m_sleep;
  steps.rebuild = [this] { RebuildTable(); };
  steps.giveUp = [this] {
    ShowTimedBox("您的网络出现了异常，请重新登录大厅。", 10, 0x41);
    if (m_pMainWnd != nullptr) {
      CloseConnection();
      m_pMainWnd->PostMessage(WM_CLOSE, 0, 0);
    }
  };
  // One resync at a time: a request that fails inside the rebuild does not start another.
  static thread_local CTableResync* running = nullptr;
  if (running != nullptr) return;
  CTableResync resync(steps);
  running = &resync;
  LogPrintf("a game request failed: the table's data is asked for again");
  const int rebuilt = resync.Run();
  LogPrintf(rebuilt ? "the table was rebuilt from the server's data" : "the table's data did not come: the game ends");
  running = nullptr;
}

void CMJGameApp::SetPlayerCount(int n) {
  if (CSeatPainter* p = GetSeatPainter()) p->SetPlayerCount(n);
  if (CGameInfo* g = GetGameInfo()) g->SetPlayerCount(n);
}

void CMJGameApp::SetTableSeats(int n) {
  if (CSeatPainter* p = GetSeatPainter()) p->SetTableSeats(n);
  if (CGameInfo* g = GetGameInfo()) g->SetTableSeats(n);
}

void CMJGameApp::SetTableWord3(int n) {
  if (CSeatPainter* p = GetSeatPainter()) p->SetThirdTableWord(n);
  if (CGameInfo* g = GetGameInfo()) g->SetThirdTableWord(n);
}

void CMJGameApp::SetViewMode(int mode) {
  if (CSeatPainter* p = GetSeatPainter()) p->SetViewMode(mode);
  if (CGameInfo* g = GetGameInfo()) g->SetViewMode(mode);
  m_viewMode = mode;
}
