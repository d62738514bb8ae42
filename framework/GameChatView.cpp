#include "framework/GameChatView.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/SharedHelpers.h"
#include "platform/base/Gbk.h"
#include "platform/comctl/RichEdit.h"

IMPLEMENT_DYNCREATE(CGameChatView, CGameFormView)

BEGIN_MESSAGE_MAP(CGameChatView, CGameFormView)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
  ON_MESSAGE(WM_PANE_UPDATE, OnPaneUpdate)
  ON_MESSAGE(WM_CHAT_CLEAR, OnChatClear)
  ON_MESSAGE(WM_CHAT_APPEND, OnChatAppend)
  ON_MESSAGE(WM_CHAT_SET_INPUT, OnChatSetInput)
  ON_MESSAGE(WM_CHAT_SEND_FACE, OnChatSendFace)
  ON_MESSAGE(WM_CHAT_LINK_CLICKED, OnChatLinkClicked)
  ON_COMMAND(IDOK, OnEnter)
  ON_COMMAND(IDC_CHAT_FACE, OnFaceButton)
END_MESSAGE_MAP()

namespace {

constexpr COLORREF WELCOME_COLOUR = 10715996;
constexpr COLORREF OWN_TEXT_COLOUR = 8421440;
constexpr COLORREF ONLOOKER_COLOUR = 2906200;
constexpr COLORREF CALLED_COLOUR = 32768;
constexpr COLORREF AMULET_COLOUR = 15114240;

// printf into a CString of any length.
template <typename... Args>
CString Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  std::string out(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return CString(out.c_str());
}

// The text of a notification from `offset` to its end (or its first zero).
std::string TextAt(const CBodyReader& body, size_t offset) {
  if (offset >= body.Length()) return std::string();
  return body.Text(offset, body.Length() - offset + 1);
}

}  // namespace

CGameChatView::CGameChatView() : CGameChatView(IDD_CHAT_FORM, IDC_CHAT_DISPLAY) {}

CGameChatView::CGameChatView(UINT nIDTemplate, int displayId)
    : CGameFormView(nIDTemplate), m_displayId(displayId) {}

CGameChatView::~CGameChatView() {
  if (m_inputFont.GetSafeHandle() != nullptr) m_inputFont.DeleteObject();
  if (m_facePicker.GetSafeHwnd() != nullptr) m_facePicker.DestroyWindow();
}

BOOL CGameChatView::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                           CWnd* pParentWnd, UINT nID, void* pContext) {
  if (!InitRichEditLibrary()) return FALSE;
  return CGameFormView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

int CGameChatView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CGameFormView::OnCreate(lpCreateStruct) == -1) return -1;
  return 0;
}

void CGameChatView::DoDataExchange(CDataExchange* pDX) {
  CGameFormView::DoDataExchange(pDX);
  DDX_Control(pDX, m_displayId, m_display);
}

void CGameChatView::OnInitialUpdate() {
  CGameFormView::OnInitialUpdate();
  SetScrollSizes(MM_TEXT, CSize(0, 0));
  CreateInputFont();
  CreateFaceButton();
  CreateInput();
  m_facePicker.SetOwner(this);
  m_display.SetReadOnly(TRUE);
  SetLargestTextSize(300);
  m_display.SetDefaultFont();
  EnableLinks(FALSE);
  if (m_input.GetSafeHwnd() != nullptr) {
    m_input.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_inputFont.GetSafeHandle()), TRUE);
    m_input.SetFocus();
  }
  if (m_faceButton.GetSafeHwnd() != nullptr) {
    m_faceButton.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_inputFont.GetSafeHandle()), TRUE);
  }
  CString folder;
  folder.Format("%sShare\\Image\\face\\", static_cast<LPCSTR>(GetHallFolder()));
  SetFaceFolder(folder);
  CRect rc;
  GetClientRect(&rc);
  Layout(rc.Width(), rc.Height());
}

void CGameChatView::CreateInputFont() {
  LOGFONT lf{};
  ::GetObject(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  m_inputFont.CreateFontIndirect(&lf);
}

void CGameChatView::CreateInput() {
  m_input.Create(WS_CHILD | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_NOINTEGRALHEIGHT, CRect(0, 0, 0, 200),
                 this, IDC_CHAT_INPUT);
}

void CGameChatView::CreateFaceButton() {
  m_faceButton.Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, IDC_CHAT_FACE);
}

void CGameChatView::Layout(int cx, int cy) {
  if (cx == 0 || cy == 0) return;
  if (m_input.GetSafeHwnd() == nullptr || m_display.GetSafeHwnd() == nullptr || m_faceButton.GetSafeHwnd() == nullptr) {
    return;
  }
  CRect inputRect;
  m_input.GetWindowRect(&inputRect);
  int h = inputRect.Height();
  if (h == 0) h = 20;
  m_display.MoveWindow(0, 0, cx, cy - h);
  if (m_faceButtonShown) {
    m_input.MoveWindow(0, cy - h, cx - h, h);
    m_faceButton.MoveWindow(cx - h, cy - h, h, h);
  } else {
    m_input.MoveWindow(0, cy - h, cx, h);
    m_faceButton.MoveWindow(cx, cy, 0, 0);
  }
}

void CGameChatView::OnSize(UINT nType, int cx, int cy) {
  CGameFormView::OnSize(nType, cx, cy);
  Layout(cx, cy);
}

BOOL CGameChatView::OnEraseBkgnd(CDC* pDC) {
  CRect rc;
  GetClientRect(&rc);
  pDC->FillSolidRect(&rc, 0xFFFFF0);
  return TRUE;
}

void CGameChatView::ShowFaceButton(BOOL show) {
  m_faceButtonShown = show;
  CRect rc;
  GetClientRect(&rc);
  Layout(rc.Width(), rc.Height());
}

void CGameChatView::SetLargestTextSize(int twips) { m_display.SetLargestSize(twips); }

void CGameChatView::SetFaceButtonIcon(int iconId) { m_faceButton.SetIcon(iconId, 0); }

void CGameChatView::SetFaceFolder(LPCSTR folder) {
  m_facePicker.SetFaceFolder(folder);
  m_display.SetPictureFolder(folder);
}

void CGameChatView::EnableLinks(BOOL enable) {
  m_display.EnableLinks(enable);
  if (m_display.GetSafeHwnd() == nullptr) return;
  const DWORD mask = static_cast<DWORD>(m_display.SendMessage(EM_GETEVENTMASK, 0, 0));
  m_display.SendMessage(EM_SETEVENTMASK, 0, mask | ENM_LINK);
  m_display.SetAutoUrlDetect(enable);
}

void CGameChatView::LoadPhrases(LPCSTR fileName) {
  if (fileName == nullptr || m_input.GetSafeHwnd() == nullptr) return;
  FILE* file = std::fopen(fileName, "r");
  if (file == nullptr) return;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    m_input.AddString(TrimSpaces(line));
  }
  std::fclose(file);
}

void CGameChatView::AppendText(LPCSTR text) {
  if (m_display.GetSafeHwnd() != nullptr && text != nullptr) m_display.AppendText(text);
}

CString CGameChatView::NameOf(int userId) {
  CGameApp* app = GetGameApp();
  return app != nullptr ? app->GetPlayerName(userId) : CString();
}

bool CGameChatView::FloodLimited() const {
  return m_lastSend != 0 && static_cast<DWORD>(GetTickCount() - m_lastSend) < CHAT_FLOOD_MS;
}

void CGameChatView::SendInput(bool echo) {
  if (m_input.GetSafeHwnd() == nullptr) return;
  char buffer[64] = {};
  m_input.GetWindowText(buffer, CHAT_INPUT_MAX + 1);
  // A text cut at the byte limit must not end in half a character.
  buffer[GbkSafeCut(buffer, std::strlen(buffer))] = '\0';
  if (buffer[0] == '\0') return;
  if (FloodLimited()) return;
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  const int sent = connection != nullptr ? (echo ? connection->SendChat(buffer) : connection->SendChatQuiet(buffer)) : 0;
  if (!sent) {
    // Nothing went out: the text stays where the user can send it again.
    SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(" <c=255>与服务器连接断开。\r\n"));
    return;
  }
  if (echo) {
    const CString colour = Format("<c=%d>", static_cast<int>(OWN_TEXT_COLOUR));
    const CString line = Format(" 我说：%s%s<>\r\n", static_cast<LPCSTR>(colour), buffer);
    SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(line)));
  }
  m_input.SetWindowText("");
  m_input.AddString(buffer);
  m_lastSend = GetTickCount();
}

void CGameChatView::SendChat() { SendInput(true); }

void CGameChatView::SendChatQuiet() { SendInput(false); }

void CGameChatView::SendFace(int face) {
  if (FloodLimited()) return;
  const CString text = Format("<><z=%d>", face);
  CGameApp* app = GetGameApp();
  CGameConnection* connection = app != nullptr ? app->GetConnection() : nullptr;
  if (connection == nullptr || !connection->SendChat(text)) {
    SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(" <c=255>与服务器连接断开。\r\n"));
    return;
  }
  const CString line = Format(" 我说：%s\r\n", static_cast<LPCSTR>(text));
  SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(line)));
  m_lastSend = GetTickCount();
}

void CGameChatView::ShowNotice(const char* text) {
  SetLargestTextSize(3000);
  EnableLinks(TRUE);
  SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(text));
  EnableLinks(FALSE);
  SetLargestTextSize(300);
}

LRESULT CGameChatView::OnPaneUpdate(WPARAM, LPARAM) {
  if (m_input.GetSafeHwnd() != nullptr) m_input.ShowWindow(SW_SHOW);
  CGameApp* app = GetGameApp();
  if (app != nullptr) {
    CString line;
    if (!app->RoomOptionBit3() || app->IsLookOn()) {
      line = Format(" 欢迎来到<s=180,c=%d,e=b>%s\r\n<> 您的位置：%s 第%d桌\r\n", static_cast<int>(WELCOME_COLOUR),
                    app->GetRoomName(), app->GetLocationText(), app->GetTableNO() + 1);
    } else {
      line = Format(" 欢迎来到<s=180,c=%d,e=b>%s\r\n<> 您的位置：%s \r\n", static_cast<int>(WELCOME_COLOUR),
                    app->GetRoomName(), app->GetLocationText());
    }
    SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(line)));
  }
  auto* frame = dynamic_cast<CGameFrameWnd*>(AfxGetMainWnd());
  if (frame != nullptr) frame->StartNotifyDownload();
  return 0;
}

LRESULT CGameChatView::OnChatClear(WPARAM, LPARAM) {
  m_display.SetReadOnly(FALSE);
  m_display.SetSel(0, -1);
  m_display.SendMessage(WM_CLEAR);
  m_display.SetReadOnly(TRUE);
  return 0;
}

LRESULT CGameChatView::OnChatAppend(WPARAM wParam, LPARAM) {
  AppendText(reinterpret_cast<LPCSTR>(wParam));
  return 0;
}

LRESULT CGameChatView::OnChatSetInput(WPARAM wParam, LPARAM) {
  if (m_input.GetSafeHwnd() != nullptr) m_input.SetWindowText(wParam ? reinterpret_cast<LPCSTR>(wParam) : "");
  return 0;
}

LRESULT CGameChatView::OnChatSendFace(WPARAM wParam, LPARAM) {
  SendFace(static_cast<int>(wParam));
  return static_cast<LRESULT>(wParam);
}

void CGameChatView::OnEnter() { SendChatQuiet(); }

void CGameChatView::OnFaceButton() {
  if (m_facePicker.GetSafeHwnd() == nullptr) {
    CWaitCursor wait;
    LPCSTR cls = AfxRegisterWndClass(0, nullptr, nullptr, nullptr);
    // A pop-up owned by the pane: the grid rises over the chat display and beyond the pane's
    // edges, at a place given in screen coordinates. (With WS_CHILD as well, the window layer
    // would make it a child of the pane, cut off at the pane's edges.)
    m_facePicker.CreateEx(0, cls, "", WS_POPUP | WS_BORDER | WS_SYSMENU, 0, 0, 0, 0, GetSafeHwnd(), nullptr);
  }
  if (m_facePicker.GetSafeHwnd() == nullptr) return;
  int width = 0, height = 0;
  m_facePicker.GetPickerSize(width, height);
  CRect button;
  m_faceButton.GetWindowRect(&button);
  // Its bottom right corner meets the button's top right one.
  m_facePicker.SetWindowPos(&CWnd::wndTop, button.right - width, button.top - height, width, height,
                            SWP_SHOWWINDOW);
  // With the focus, a click outside the picker takes it away and hides the picker.
  m_facePicker.SetFocus();
}

BOOL CGameChatView::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (header == nullptr || static_cast<int>(header->idFrom) != m_displayId || header->code != EN_LINK) {
    return CGameFormView::OnNotify(wParam, lParam, pResult);
  }
  auto* link = reinterpret_cast<ENLINK*>(lParam);
  if (link->msg == WM_LBUTTONDOWN) {
    CHARRANGE saved{};
    m_display.GetSel(saved);
    CHARRANGE range = link->chrg;
    m_display.SetSel(range);
    const CString text = m_display.GetSelText();
    m_display.SetSel(saved);
    SendMessage(WM_CHAT_LINK_CLICKED, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(text)), link->chrg.cpMin);
    *pResult = 1;
    return TRUE;
  }
  if (link->msg == WM_LBUTTONUP) *pResult = 1;
  return CGameFormView::OnNotify(wParam, lParam, pResult);
}

LRESULT CGameChatView::OnChatLinkClicked(WPARAM wParam, LPARAM) {
  ReleaseCapture();
  const char* text = reinterpret_cast<const char*>(wParam);
  if (text == nullptr) return 0;
  int sign = 0;
  CString target = m_display.GetLinkTarget(text, sign);
  if (target.IsEmpty()) target = text;
  target.Trim();
  CWaitCursor wait;
  CGameApp* app = GetGameApp();
  if (app != nullptr) app->OpenUrlInBrowser(target, sign);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The framework's lines

void CGameChatView::OnOnlookerJoined(const PlayerRecord& record) {
  AppendText(Format(" <c=%d>%s进入旁观 \r\n", static_cast<int>(ONLOOKER_COLOUR),
                    static_cast<LPCSTR>(NameOf(record.userId))));
}

void CGameChatView::OnOnlookerLeft(const PlayerRecord& record) {
  AppendText(Format(" <c=%d>%s退出旁观 \r\n", static_cast<int>(ONLOOKER_COLOUR),
                    static_cast<LPCSTR>(NameOf(record.userId))));
}

void CGameChatView::OnChatLine(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(48)) return;
  const CString name = NameOf(body.Int(0));
  if (name.IsEmpty()) return;
  const CString colour = Format("<c=%d>", static_cast<int>(OWN_TEXT_COLOUR));
  AppendText(Format(" %s说：%s%s\r\n", static_cast<LPCSTR>(name), static_cast<LPCSTR>(colour),
                    TextAt(body, 48).c_str()));
}

void CGameChatView::OnChatNotice(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(36)) return;
  const int kind = body.Int(8);
  const std::string text = TextAt(body, 36);
  if (kind == 2) {
    AppendText(text.c_str());
  } else if (kind == 8) {
    CGameApp* app = GetGameApp();
    const int userId = body.Int(0);
    const CString name = app != nullptr && userId == app->GetUserID() ? CString("我") : NameOf(userId);
    if (!name.IsEmpty()) AppendText(Format(" %s说：%s", static_cast<LPCSTR>(name), text.c_str()));
  }
}

void CGameChatView::OnBaseSilverNotice(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(28)) return;
  const CString name = NameOf(body.Int(0));
  const int kind = body.Int(8), amount = body.Int(12), balance = body.Int(16), base = body.Int(20),
            target = body.Int(24);
  const LPCSTR n = name;
  switch (kind) {
    case 1:
      AppendText(Format("【保险箱】<c=255>%s<>从保险箱中取出<c=255>%d<>两银子, 现有<c=255>%d<>两银子 \r\n", n, amount,
                        balance));
      break;
    case 2:
      AppendText(Format("【保险箱】<c=255>%s<>存入<c=255>%d<>两银子到保险箱, 现有<c=255>%d<>两银子 \r\n", n, amount,
                        balance));
      break;
    case 3:
      AppendText(Format("<c=255>【系统】<>%s领取了低保到%s, 共<c=255>%d<>两银子 \r\n", n,
                        target == 0 ? "游戏" : "后备箱", amount));
      break;
    case 4:
      AppendText(Format("<c=255>【系统】<>%s领取了<c=255>%d<>两银子奖励到游戏, 现有<c=255>%d<>两银子 \r\n", n, amount,
                        balance));
      break;
    default:
      break;
  }
  if (base > 0) {
    if (kind == 3 || kind == 4) {
      AppendText(Format("<c=255>【系统】<>当前基础银为<c=255>%d<>两 \r\n", base));
    } else {
      AppendText(Format("【保险箱】当前基础银为<c=255>%d<>两 \r\n", base));
    }
  }
}

void CGameChatView::OnMovedToTable(const BYTE*, size_t) {
  CGameApp* app = GetGameApp();
  if (app == nullptr || app->RoomOptionBit3()) return;
  AppendText(Format(" <c=255>您已经被换到第%d桌\r\n", app->GetTableNO() + 1));
}

void CGameChatView::OnPlayerCalled(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(20)) return;
  AppendText(Format(" %s呼叫 <c=%d>%s\r\n", static_cast<LPCSTR>(NameOf(body.Int(0))), static_cast<int>(CALLED_COLOUR),
                    static_cast<LPCSTR>(NameOf(body.Int(16)))));
}

void CGameChatView::OnPlayerEntered(const PlayerRecord& seat) {
  CGameApp* app = GetGameApp();
  if (app != nullptr && app->RoomOptionBit3() && !app->IsLookOn()) return;
  AppendText(Format(" <c=%d>%s进入第%d桌 \r\n", 255, static_cast<LPCSTR>(NameOf(seat.userId)), seat.tableNo + 1));
}

void CGameChatView::OnPlayerLeft(const PlayerRecord& record) {
  CGameApp* app = GetGameApp();
  if (app != nullptr && app->RoomOptionBit3() && !app->IsLookOn()) return;
  const CString name = app != nullptr && record.userId == app->GetUserID() ? CString("您") : NameOf(record.userId);
  AppendText(Format(" <c=%d>%s离开第%d桌 \r\n", 255, static_cast<LPCSTR>(name), record.tableNo + 1));
}

void CGameChatView::OnRandomSeated(const BYTE*, size_t) {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return;
  if (app->RoomOptionBit3() && !app->IsLookOn()) {
    AppendText(" <c=255>随机分桌成功，游戏开始\r\n");
  } else {
    AppendText(Format(" <c=255>您已经被随机分配到第%d桌\r\n", app->GetTableNO() + 1));
  }
}

void CGameChatView::OnAmuletUsed(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(68) || !(body.Int(0) & 1)) return;
  for (int i = 0; i < 8; ++i) {
    const int userId = body.Int(4 + 4 * static_cast<size_t>(i));
    const int points = body.Int(36 + 4 * static_cast<size_t>(i));
    PlayerRecord* record = app->FindPlayer(userId);
    if (record == nullptr || !(record->flags & 1) || points <= 0) continue;
    AppendText(Format(" <c=%d>%s<>发动<c=%d>会员积分护身符<>技能，补回<c=%d>%d<>分\r\n", static_cast<int>(AMULET_COLOUR),
                      static_cast<LPCSTR>(NameOf(userId)), static_cast<int>(AMULET_COLOUR), 255, points));
  }
}

void CGameChatView::OnClothingChanged(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(4)) return;
  const int userId = body.Int(0);
  const bool own = userId == app->GetUserID();
  if (!own && app->IsOnlooker(userId)) return;
  const CString name = own ? CString("我") : NameOf(userId);
  if (name.IsEmpty()) return;
  AppendText(Format(" <c=255>%s穿上了一件新服装! \r\n", static_cast<LPCSTR>(name)));
}

void CGameChatView::OnMemberChanged(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(12)) return;
  const int userId = body.Int(0);
  const bool own = userId == app->GetUserID();
  if (!own && app->IsOnlooker(userId)) return;
  const CString name = own ? CString("我") : NameOf(userId);
  if (name.IsEmpty()) return;
  AppendText(Format(body.Int(8) != 0 ? " <c=255>%s成为了会员 \r\n" : " <c=255>%s的会员身份到期 \r\n",
                    static_cast<LPCSTR>(name)));
}

namespace {

CString CounterLine(int own, int a, int b, int c, int d, int e, int f) {
  return Format("myID=%d, ntfID=%d, \r\n剩余：%d, 已玩：%d, %d局一抽, 最大：%d, 已用：%d\r\n", own, a, b, c, d, e, f);
}

void AddToApp(const CString& text) {
  CGameApp* app = GetGameApp();
  if (app != nullptr) app->AddChatText(text);
}

}  // namespace

void CGameChatView::OnLotteryState(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(40)) return;
  const std::string text = TextAt(body, 40);
  if (!text.empty()) {
    AddToApp(text.c_str());
  } else {
    AddToApp(CounterLine(app->GetUserID(), body.Int(0), body.Int(4), body.Int(8), body.Int(12), body.Int(16),
                         body.Int(20)));
  }
}

void CGameChatView::OnLotteryState2(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(24)) return;
  const std::string text = TextAt(body, 24);
  if (!text.empty()) {
    AddToApp(text.c_str());
  } else {
    AddToApp(CounterLine(app->GetUserID(), body.Int(0), body.Int(12), body.Int(16), body.Int(8), body.Int(4),
                         body.Int(20)));
  }
}

void CGameChatView::OnLotteryDraw(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(48)) return;
  const std::string prize = body.Text(32, 16);
  const std::string code = TextAt(body, 48);
  if (body.Int(4) < 0 || (body.Int(4) == 0 && body.Int(8) == 0)) {
    AddToApp(Format("<c=255>【系统】<>%s\r\n", prize.c_str()));
  } else if (code.empty()) {
    AddToApp(Format("抽中%s%d\r\n剩余：%d, 已玩：%d, %d局一抽, 最大：%d, 已用：%d\r\n", prize.c_str(), body.Int(8),
                    body.Int(12), body.Int(20), body.Int(24), body.Int(28), body.Int(16)));
  } else {
    AddToApp(Format("抽中%s, 代号%s\r\n剩余：%d, 已玩：%d, %d局一抽, 最大：%d, 已用：%d\r\n", prize.c_str(), code.c_str(),
                    body.Int(12), body.Int(20), body.Int(24), body.Int(28), body.Int(16)));
  }
}

void CGameChatView::OnLotteryBroadcast(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(52) || body.Int(16) != 1) return;
  AddToApp(Format("<c=255>【系统】<>收到广播[抽奖]\r\n来自:%s, 信息:%s\r\n", body.Text(20, 32).c_str(),
                  TextAt(body, 52).c_str()));
}

void CGameChatView::OnSystemText(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (!body.Has(16)) return;
  AddToApp(Format("<c=255>【系统】<>%s\r\n", TextAt(body, 16).c_str()));
}
