#include "variant/LeaveDialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/SharedHelpers.h"
#include "platform/base/Gbk.h"
#include "mahjong/GameInfo.h"
#include "platform/kernel/Files.h"
#include "platform/user/Resources.h"
#include "variant/VariantApp.h"

namespace {

std::string Format(const char* format, const std::string& a, const std::string& b = "", const std::string& c = "") {
  char line[512];
  std::snprintf(line, sizeof line, format, LEAVE_CHAT_COLOUR, a.c_str(), b.c_str(), c.c_str());
  return line;
}

}  // namespace

RequestContext TableRequestContext(CGameApp& app) {
  RequestContext c;
  c.userId = app.GetUserID();
  c.gameId = app.GetGameId();
  c.roomId = app.GetRoomID();
  c.tableNo = app.GetTableNO();
  c.chair = app.GetChairNO();
  c.lookOn = app.IsLookOn();
  GetMachineId(c.machineId);
  return c;
}

int SendTableRequest(CGameApp& app, int code, const RequestBody& body) {
  CGameConnection* connection = app.GetConnection();
  if (connection == nullptr) return 0;
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return connection->SendRequest(text, code, &length, body.data(), &result, nullptr, 0);
}

namespace {

// The own chair's word among the four leave-request counters of the table-info record; null for
// a chair outside the table.
uint8_t* OwnCounter(CVariantApp& app) {
  const int chair = app.GetChairNO();
  if (chair < 0 || chair >= 4) return nullptr;
  return app.Info().GetTableInfo() + TableInfoLayout::LEAVE_REQUESTS + 4 * chair;
}

}  // namespace

LeaveTable LeaveTableOf(CVariantApp& app) {
  LeaveTable t;
  t.ownRequests = [&app] {
    int32_t n = 0;
    if (const uint8_t* counter = OwnCounter(app)) std::memcpy(&n, counter, sizeof n);
    return static_cast<int>(n);
  };
  t.countRequest = [&app] {
    if (uint8_t* counter = OwnCounter(app)) {
      int32_t n = 0;
      std::memcpy(&n, counter, sizeof n);
      ++n;
      std::memcpy(counter, &n, sizeof n);
    }
  };
  t.leaveByRequest = [&app] { return app.Info().IsLeaveByRequest() != 0; };
  t.sendRequest = [&app](const std::string& reason) {
    return SendTableRequest(app, REQ_LEAVE_REQUEST, MakeLeaveRequestBody(TableRequestContext(app), reason.c_str()));
  };
  t.sendReply = [&app](int asker, bool agree) {
    return SendTableRequest(app, REQ_LEAVE_REPLY, MakeLeaveReplyBody(TableRequestContext(app), asker, agree));
  };
  t.chat = [&app](const std::string& line) { app.AddChatText(line.c_str()); };
  t.playerName = [&app](int userId) { return std::string(static_cast<LPCSTR>(app.GetPlayerName(userId))); };
  t.ownUserId = [&app] { return app.GetUserID(); };
  t.playSound = [&app](int sound) { app.PlaySound(sound, 1); };
  return t;
}

std::string LeaveRequestLine(const std::string& askerName) { return Format(" <c=%d>%s请求退出 \r\n", askerName); }

std::string LeaveReplyLine(const std::string& answererName, bool agree, const std::string& askerName) {
  return Format(" <c=%d>%s%s%s的退出请求 \r\n", answererName, agree ? "答应" : "拒绝", askerName);
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CLeaveRequestDlg, CDialog)
  ON_BN_CLICKED(IDC_LEAVE_REQUEST, OnRequest)
END_MESSAGE_MAP()

CLeaveRequestDlg::CLeaveRequestDlg(LeaveTable table) : CDialog(IDD_LEAVE_REQUEST, nullptr), m_table(std::move(table)) {}

BOOL CLeaveRequestDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const int sent = m_table.ownRequests ? m_table.ownRequests() : 0;
  const int left = std::max(0, LEAVE_REQUESTS_MAX - sent);
  char text[32];
  std::snprintf(text, sizeof text, "请求退出(%d)", left);
  CWnd* request = GetDlgItem(IDC_LEAVE_REQUEST);
  CWnd* force = GetDlgItem(IDOK);
  CWnd* stay = GetDlgItem(IDCANCEL);
  if (request != nullptr) {
    request->SetWindowText(text);
    request->EnableWindow(left > 0);
  }
  // The buttons' places are pixels at 96 pixels per inch, scaled to the screen.
  if (m_table.leaveByRequest && m_table.leaveByRequest()) {
    if (request != nullptr) MoveWindowDpiScaled(request->GetSafeHwnd(), 62, 100, 82, 25, TRUE);
    if (force != nullptr) force->ShowWindow(SW_HIDE);
    if (stay != nullptr) MoveWindowDpiScaled(stay->GetSafeHwnd(), 197, 100, 80, 25, TRUE);
  } else {
    if (request != nullptr) MoveWindowDpiScaled(request->GetSafeHwnd(), 32, 100, 82, 25, TRUE);
    if (force != nullptr) MoveWindowDpiScaled(force->GetSafeHwnd(), 137, 100, 80, 25, TRUE);
    if (stay != nullptr) MoveWindowDpiScaled(stay->GetSafeHwnd(), 237, 100, 80, 25, TRUE);
  }
  if (CWnd* reason = GetDlgItem(IDC_LEAVE_REASON)) reason->SendMessage(EM_LIMITTEXT, LEAVE_REASON_LIMIT, 0);
  return TRUE;
}

BOOL CLeaveRequestDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
    TranslateMessage(pMsg);
    DispatchMessage(pMsg);
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CLeaveRequestDlg::OnOK() {
  if (m_table.leaveByRequest && m_table.leaveByRequest()) return;
  EndDialog(IDOK);
}

void CLeaveRequestDlg::OnRequest() {
  char reason[LEAVE_REASON_SIZE] = {};
  ::GetDlgItemTextA(m_hWnd, IDC_LEAVE_REASON, reason, sizeof reason);
  const int sent = m_table.sendRequest ? m_table.sendRequest(reason) : 0;
  // A request counts against the two whether or not it reached the server; the chat says it was
  // asked only when it was.
  if (m_table.countRequest) m_table.countRequest();
  if (sent != 0 && m_table.chat) {
    const int own = m_table.ownUserId ? m_table.ownUserId() : 0;
    m_table.chat(LeaveRequestLine(m_table.playerName ? m_table.playerName(own) : std::string()));
  }
  SendMessage(WM_CLOSE);
}

INT_PTR RunLeaveRequestDialog(const LeaveTable& table) {
  if (table.playSound) table.playSound(SOUND_LEAVE_ASK);
  CLeaveRequestDlg dialog(table);
  return dialog.DoModal();
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CLeaveAnswerDlg, CSlideNotifier)
  ON_STN_CLICKED(IDC_ANSWER_AGREE, OnAgree)
  ON_STN_CLICKED(IDC_ANSWER_REFUSE, OnRefuse)
END_MESSAGE_MAP()

CLeaveAnswerDlg::CLeaveAnswerDlg(CWnd* owner, LeaveTable table, int askerUserId, const std::string& reason)
    : m_owner(owner), m_askerUserId(askerUserId), m_table(std::move(table)) {
  m_defaultPortrait.LoadBitmap(162);
  // The reason is kept within its 64 bytes with a terminator, on a character boundary.
  const size_t length = std::min(reason.size(), static_cast<size_t>(LEAVE_REASON_SIZE - 1));
  std::memcpy(m_reason, reason.data(), GbkSafeCut(reason.data(), length));
}

void CLeaveAnswerDlg::DoDataExchange(CDataExchange* pDX) {
  CSlideNotifier::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ANSWER_NAME, m_name);
  DDX_Control(pDX, IDC_ANSWER_REFUSE, m_refuse);
  DDX_Control(pDX, IDC_ANSWER_AGREE, m_agree);
}

BOOL CLeaveAnswerDlg::OnInitDialog() {
  CSlideNotifier::OnInitDialog();
  CGameApp* app = GetGameApp();
  HBITMAP portrait = nullptr;
  if (app != nullptr) {
    CString path;
    path.Format("%s%d_0.bmp", static_cast<LPCSTR>(app->GetPortraitFolder()), app->GetPlayerPortraitID(m_askerUserId));
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
      portrait = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    }
  }
  if (portrait == nullptr) portrait = static_cast<HBITMAP>(m_defaultPortrait.GetSafeHandle());
  if (CWnd* picture = GetDlgItem(IDC_ANSWER_PORTRAIT)) {
    picture->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(portrait));
  }
  m_agree.SetColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
  m_refuse.SetColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
  m_name.SetColors(RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255));
  m_name.SetLinkCursor(nullptr);
  m_name.SetWindowText(m_table.playerName ? m_table.playerName(m_askerUserId).c_str() : "");
  if (CWnd* reason = GetDlgItem(IDC_ANSWER_REASON)) {
    reason->SetWindowText(m_reason);
    reason->EnableWindow(FALSE);
  }
  return TRUE;
}

void CLeaveAnswerDlg::Answer(int agree) {
  ReleaseCapture();
  if (m_table.playSound) m_table.playSound(SOUND_CLICK);
  StartHide();
  if (m_owner != nullptr && m_owner->GetSafeHwnd() != nullptr) {
    m_owner->PostMessage(WM_LEAVE_ANSWER, static_cast<WPARAM>(m_askerUserId), agree);
  }
}

void CLeaveAnswerDlg::OnAgree() { Answer(1); }

void CLeaveAnswerDlg::OnRefuse() { Answer(0); }

CLeaveAnswerDlg* ShowLeaveAnswer(CWnd* owner, CWnd* mainWindow, const LeaveTable& table, int askerUserId,
                                 const std::string& reason) {
  RECT main{};
  if (mainWindow != nullptr && mainWindow->GetSafeHwnd() != nullptr) ::GetWindowRect(mainWindow->GetSafeHwnd(), &main);
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  if (table.playSound) table.playSound(SOUND_LEAVE_ASK);
  auto* popup = new CLeaveAnswerDlg(owner, table, askerUserId, reason);
  popup->SetGradientColor(RGB(0, 0x80, 0x80));
  popup->SetEndColor(RGB(0, 0x80, 0x80));
  popup->SetSize(ScaleByDpiX(200), ScaleByDpiX(105));
  popup->SetLeft(main.right - ScaleByDpiX(200) - ScaleByDpiX(10));
  popup->OffsetBottom(ScaleByDpiY(10) + (work.bottom - main.bottom));
  popup->SetHoldSeconds(LEAVE_ANSWER_SECONDS);
  HWND foreground = GetForegroundWindow();
  if (!popup->Show(IDD_LEAVE_ANSWER, foreground, mainWindow)) return nullptr;
  return popup;
}

void AnswerLeaveRequest(const LeaveTable& table, int askerUserId, bool agree) {
  if (table.chat && table.playerName) {
    const int own = table.ownUserId ? table.ownUserId() : 0;
    table.chat(LeaveReplyLine(table.playerName(own), agree, table.playerName(askerUserId)));
  }
  if (table.sendReply) table.sendReply(askerUserId, agree);
}
