// The game's notifications reaching the main frame's panes: the look-on line in the chat, the
// advert address on the record board, a see-hand request's pop-up from the player list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mahjong/MahjongNotifyCodes.h"
#include "platform/mfc/AfxThreadState.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "variant/AdHistoryView.h"
#include "variant/GameChatViewEx.h"
#include "variant/MainFrame.h"
#include "variant/VariantApp.h"

namespace {

HWND FindRequestPopup() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        if (GetDlgItem(hwnd, 1017) != nullptr && GetDlgItem(hwnd, 1018) != nullptr) {
          *reinterpret_cast<HWND*>(param) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class NotifyPanesTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    platform::SetScreenSize(1024, 768);
    m_app = std::make_unique<CVariantApp>();
    m_app->Launch().userId = 1001;
    m_app->Launch().chair = 0;
    AfxGetThreadState().pCurrentThread = m_app.get();
    Seat(0, 1001, "东家");
    Seat(1, 1002, "南家");
    PlayerRecord* onlooker = m_app->Tables().Onlooker(0);
    onlooker->userId = 2002;
    onlooker->chair = 0;
    onlooker->lookOn = 1;
    std::snprintf(onlooker->name, sizeof onlooker->name, "看客");
    m_frame = new CMainFrame();
    ASSERT_TRUE(m_frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, nullptr));
    m_app->m_pMainWnd = m_frame;
    m_frame->InitialUpdateFrame(nullptr, FALSE);
    m_frame->SetWindowPos(nullptr, 0, 0, 1024, 768, SWP_NOZORDER | SWP_SHOWWINDOW);
    mfcwin::Pump();
  }
  void TearDown() override {
    if (m_frame != nullptr) {
      testsupport::PumpUntil([this] { return m_frame->GetDownloadJobCount() == 0; }, 20000);
      m_frame->DestroyWindow();
    }
    m_app->m_pMainWnd = nullptr;
    mfcwin::Pump();
    AfxGetThreadState().pCurrentThread = nullptr;
    m_app.reset();
    WindowTest::TearDown();
  }
  void Seat(int chair, int userId, const char* name) {
    PlayerRecord* r = m_app->Tables().Seat(chair);
    r->userId = userId;
    r->chair = chair;
    std::snprintf(r->name, sizeof r->name, "%s", name);
  }
  std::string ChatText() {
    auto* chat = dynamic_cast<CGameChatView*>(m_frame->GetChatPane());
    CString text;
    if (chat != nullptr) chat->GetDisplay().GetWindowText(text);
    return static_cast<LPCSTR>(text);
  }
  std::unique_ptr<CVariantApp> m_app;
  CMainFrame* m_frame = nullptr;
};

TEST_F(NotifyPanesTest, LookLineAdvertAddressAndSeeHandPopUp) {
  const int32_t shown[6] = {1001, 0, 0, 0, 2002, 1};
  m_app->GetNotifySink()->OnNotify(NTF_HAND_SHOWN, reinterpret_cast<const BYTE*>(shown), sizeof shown);
  EXPECT_NE(std::string::npos, ChatText().find("东家允许看客看牌"));

  std::vector<BYTE> advert(32 + 64, 0);
  const char* url = "http://127.0.0.2:1/advert.htm";
  std::memcpy(advert.data() + 32, url, std::strlen(url));
  CAdHistoryView* board = m_frame->GetHistoryView();
  ASSERT_NE(nullptr, board);
  board->GetWeb().SetFilterOn(FALSE);
  m_app->GetNotifySink()->OnNotify(NTF_ADVERT_URL, advert.data(), advert.size());
  mfcwin::Pump();
  EXPECT_STREQ(url, board->GetWeb().GetLocationURL());

  const int32_t ask[6] = {2002, 0, 0, 0, 0, 0};
  m_app->SetSettings(0, 0, 1);
  m_app->GetNotifySink()->OnNotify(NTF_SEE_HAND_REQUEST, reinterpret_cast<const BYTE*>(ask), sizeof ask);
  HWND popup = FindRequestPopup();
  ASSERT_NE(nullptr, popup);
  DestroyWindow(popup);
  mfcwin::Pump();
  // A player who refuses such requests sees none.
  m_app->SetSettings(0, 1, 1);
  m_app->GetNotifySink()->OnNotify(NTF_SEE_HAND_REQUEST, reinterpret_cast<const BYTE*>(ask), sizeof ask);
  EXPECT_EQ(nullptr, FindRequestPopup());
}

TEST_F(NotifyPanesTest, AHandsSilverGoesOntoTheRecordBoard) {
  CAdHistoryView* board = m_frame->GetHistoryView();
  ASSERT_NE(nullptr, board);
  board->Refill(1);
  m_app->SetSettings(1, 0, 1);  // the hand's sounds stay quiet
  for (int hand = 0; hand < 2; ++hand) {
    std::vector<BYTE> result(RoundResultLayout::BLOCK_SIZE, 0);
    const int32_t silver[4] = {300, -100, 0, 0};
    std::memcpy(result.data() + RoundResultLayout::SILVER, silver, sizeof silver);
    EXPECT_EQ(1, m_app->GetNotifySink()->OnNotify(NTF_HAND_RESULT, result.data(), result.size()));
  }
  std::vector<std::string> rows;
  for (int i = 0; i < board->GetList().GetItemCount(); ++i) {
    rows.push_back(std::string(board->GetList().GetItemText(i, 0)) + "/" +
                   std::string(board->GetList().GetItemText(i, 1)) + "/" +
                   std::string(board->GetList().GetItemText(i, 2)));
  }
  EXPECT_EQ((std::vector<std::string>{"东家/300/600", "南家/-100/-200"}), rows);
}

}  // namespace
