// Dialogs: DoModal ended by a button press and by Escape through the headless input, the owner
// disabled while the loop runs, data exchange on OK, WM_QUIT during the loop, modeless dialogs
// that delete themselves, the dialog helpers, and AfxMessageBox over the message box.
#include "platform/mfc/Controls.h"
#include "platform/mfc/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

using namespace mfcwin;

const UINT IDD_CONFIRM = 401;
const UINT IDD_MODELESS = 402;
const int IDC_NAME = 1001;
const int IDC_COUNT = 1002;
const UINT WM_TEST_ACT = WM_APP + 1;

void RegisterTemplates() {
  static bool done = [] {
    bool ok = DialogTemplate(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 160, 80, "确认")
                  .Font("宋体", 9)
                  .Add("Edit", "", IDC_NAME, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 10, 10, 140, 12)
                  .Add("Edit", "", IDC_COUNT, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 10, 28, 60, 12)
                  .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 20, 56, 50, 14)
                  .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 90, 56, 50, 14)
                  .Register(IDD_CONFIRM);
    ok = ok && DialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, 40, 40, 120, 60, "提示")
                   .Font("宋体", 9)
                   .Add("Static", "等待中……", 1009, SS_LEFT, 6, 6, 100, 10)
                   .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 6, 40, 50, 14)
                   .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 62, 40, 50, 14)
                   .Register(IDD_MODELESS);
    return ok;
  }();
  ASSERT_TRUE(done);
}

enum class Act { CLICK_OK, ESCAPE, QUIT, END_IN_INIT };

class CConfirmDlg : public CDialog {
 public:
  CConfirmDlg(CWnd* pParent, Act act) : CDialog(IDD_CONFIRM, pParent), m_act(act) {}
  Act m_act;
  CString m_name = "初始";
  int m_count = 4;
  CEdit m_edit;
  BOOL m_ownerEnabledDuringLoop = TRUE;

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_NAME, m_edit);
    DDX_Text(pDX, IDC_NAME, m_name);
    DDX_Text(pDX, IDC_COUNT, m_count);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    Log().push_back("init:" + std::string(m_edit.m_hWnd == ::GetDlgItem(m_hWnd, IDC_NAME) ? "bound" : "unbound"));
    if (m_act == Act::END_IN_INIT) {
      EndDialog(77);
      return TRUE;
    }
    PostMessage(WM_TEST_ACT);
    return TRUE;
  }
  void OnOK() override {
    Log().push_back("ok");
    CDialog::OnOK();
  }
  void OnCancel() override {
    Log().push_back("cancel");
    CDialog::OnCancel();
  }

 protected:
  afx_msg LRESULT OnAct(WPARAM, LPARAM) {
    CWnd* pOwner = CWnd::FromHandle(::GetWindow(m_hWnd, GW_OWNER));
    m_ownerEnabledDuringLoop = pOwner ? pOwner->IsWindowEnabled() : TRUE;
    switch (m_act) {
      case Act::CLICK_OK:
        m_edit.SetWindowText("北风");
        ::SetDlgItemTextA(m_hWnd, IDC_COUNT, "12");
        Click(CenterOnScreen(GetDlgItem(IDOK)->m_hWnd));
        break;
      case Act::ESCAPE:
        m_edit.SetWindowText("不要");
        GotoDlgCtrl(&m_edit);
        Key(VK_ESCAPE);
        break;
      case Act::QUIT:
        ::PostQuitMessage(3);
        break;
      case Act::END_IN_INIT:
        break;
    }
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CConfirmDlg, CDialog)
  ON_MESSAGE(WM_TEST_ACT, OnAct)
END_MESSAGE_MAP()

class MfcDialog : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterTemplates();
    ASSERT_TRUE(m_owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr));
    ::SetActiveWindow(m_owner);
  }
  void TearDown() override {
    m_owner.DestroyWindow();
    WindowTest::TearDown();
  }
  CWnd m_owner;
};

TEST_F(MfcDialog, DoModalEndsWithTheButtonPressedAndExchangesData) {
  CConfirmDlg dlg(&m_owner, Act::CLICK_OK);
  EXPECT_EQ(IDOK, dlg.DoModal());
  EXPECT_EQ((std::vector<std::string>{"init:bound", "ok"}), Log());
  EXPECT_STREQ("北风", dlg.m_name);
  EXPECT_EQ(12, dlg.m_count);
  EXPECT_FALSE(dlg.m_ownerEnabledDuringLoop);
  EXPECT_TRUE(m_owner.IsWindowEnabled());
  EXPECT_EQ(nullptr, dlg.m_hWnd);
  EXPECT_EQ(nullptr, dlg.m_edit.m_hWnd);  // the bound control went with its dialog
}

TEST_F(MfcDialog, EscapeCancelsWithoutExchangingData) {
  CConfirmDlg dlg(&m_owner, Act::ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_EQ((std::vector<std::string>{"init:bound", "cancel"}), Log());
  EXPECT_STREQ("初始", dlg.m_name);
  EXPECT_TRUE(m_owner.IsWindowEnabled());
}

TEST_F(MfcDialog, QuitDuringTheLoopEndsItAndIsPostedAgain) {
  CConfirmDlg dlg(&m_owner, Act::QUIT);
  EXPECT_EQ(-1, dlg.DoModal());
  EXPECT_TRUE(m_owner.IsWindowEnabled());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, msg.wParam);
}

TEST_F(MfcDialog, EndDialogDuringInitReturnsAtOnce) {
  CConfirmDlg dlg(&m_owner, Act::END_IN_INIT);
  EXPECT_EQ(77, dlg.DoModal());
  EXPECT_EQ(nullptr, dlg.m_hWnd);
  EXPECT_TRUE(m_owner.IsWindowEnabled());
  // A dialog without a template fails.
  CDialog none;
  EXPECT_EQ(-1, none.DoModal());
}

class CSelfDeletingDlg : public CDialog {
 public:
  static bool s_deleted;
  CSelfDeletingDlg() { s_deleted = false; }
  ~CSelfDeletingDlg() override { s_deleted = true; }
  void OnCancel() override { DestroyWindow(); }

 protected:
  void PostNcDestroy() override { delete this; }
};
bool CSelfDeletingDlg::s_deleted = false;

TEST_F(MfcDialog, ModelessDialogsDeleteThemselves) {
  auto* pDlg = new CSelfDeletingDlg;
  ASSERT_TRUE(pDlg->Create(IDD_MODELESS, &m_owner));
  HWND hDlg = pDlg->m_hWnd;
  EXPECT_TRUE(pDlg->IsWindowVisible());  // the template is WS_VISIBLE
  EXPECT_EQ(m_owner.m_hWnd, ::GetWindow(hDlg, GW_OWNER));
  CWnd* pOk = pDlg->GetDlgItem(IDOK);
  ASSERT_NE(nullptr, pOk);
  EXPECT_EQ(::GetDlgItem(hDlg, IDOK), pOk->m_hWnd);
  pDlg->SetDefID(IDCANCEL);
  EXPECT_EQ(static_cast<DWORD>(MAKELONG(IDCANCEL, DC_HASDEFID)), pDlg->GetDefID());
  pDlg->GotoDlgCtrl(pOk);
  EXPECT_EQ(pOk->m_hWnd, ::GetFocus());
  pDlg->NextDlgCtrl();
  EXPECT_EQ(::GetDlgItem(hDlg, IDCANCEL), ::GetFocus());
  pDlg->SetDlgItemText(1009, "完成");
  CString text;
  EXPECT_EQ(4, pDlg->GetDlgItemText(1009, text));
  EXPECT_STREQ("完成", text);

  // The cancel button destroys the dialog, which deletes its object.
  Click(CenterOnScreen(::GetDlgItem(hDlg, IDCANCEL)));
  EXPECT_TRUE(PumpUntil([] { return CSelfDeletingDlg::s_deleted; }));
  EXPECT_FALSE(::IsWindow(hDlg));
}

TEST_F(MfcDialog, AfxMessageBoxShowsTheMessageBox) {
  // The box's own loop runs the thread timer, which presses Enter on it.
  UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { Key(VK_RETURN); });
  EXPECT_EQ(IDOK, AfxMessageBox("游戏已结束。", MB_OK));
  ::KillTimer(nullptr, timer);
}

}  // namespace
