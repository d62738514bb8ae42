#include "variant/PhoneNumberDlg.h"

#include <vector>

#include "framework/GameApp.h"
#include "platform/kernel/Files.h"
#include "platform/user/Paint.h"
#include "variant/ExchangeForm.h"

BEGIN_MESSAGE_MAP(CPhoneNumberDlg, CDialog)
  ON_BN_CLICKED(IDC_FORM_SUBMIT, OnSubmit)
  ON_BN_CLICKED(IDC_FORM_CLOSE, OnClose)
  ON_WM_SIZE()
  ON_WM_PAINT()
  ON_WM_NCHITTEST()
END_MESSAGE_MAP()

CPhoneNumberDlg::CPhoneNumberDlg(CWnd* parent) : CDialog(IDD_CONTACT_FORM, parent) {}

void CPhoneNumberDlg::SetPrizeIndex(int index) {
  if (IsValidPrizeIndex(index)) m_prizeIndex = index;
}

void CPhoneNumberDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FORM_PHONE, m_phone);
  DDX_Control(pDX, IDC_FORM_SECOND, m_second);
  DDX_Control(pDX, IDC_FORM_THIRD, m_third);
  DDX_Control(pDX, IDC_FORM_SUBMIT, m_submit);
  DDX_Control(pDX, IDC_FORM_CLOSE, m_close);
}

BOOL CPhoneNumberDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const RECT view = TableViewRect();
  const int cx = (view.left + view.right) / 2, cy = (view.top + view.bottom) / 2;
  MoveWindow(cx - FORM_WIDTH / 2, cy - FORM_HEIGHT / 2 - 1, FORM_WIDTH, FORM_HEIGHT);
  std::string folder;
  if (m_table.programFolder) {
    folder = m_table.programFolder();
  } else if (CGameApp* app = GetGameApp()) {
    folder = static_cast<LPCSTR>(app->GetModuleFolder());
  }
  const std::string path = folder + "skins\\common\\TicketEditBK.bmp";
  auto picture = std::make_unique<CRasterImage>();
  // The picture library opens native paths: the program's Windows-style path is mapped first.
  if (picture->Load(platform::MapPath(path).c_str(), 0) && picture->IsValid()) m_background = std::move(picture);
  LOGFONT font{};
  ::GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = -14;
  font.lfWeight = FW_NORMAL;
  m_phone.SetFontFromLogFont(font);
  m_second.SetFontFromLogFont(font);
  m_third.SetFontFromLogFont(font);
  return TRUE;
}

void CPhoneNumberDlg::OnSize(UINT nType, int cx, int cy) {
  CDialog::OnSize(nType, cx, cy);
  if (m_submit.GetSafeHwnd() == nullptr) return;
  m_submit.MoveWindow(cx / 2 - 41, 256, 81, 25);
  m_close.MoveWindow(cx - 20, 6, 15, 16);
  m_phone.MoveWindow(190, 128, 200, 20);
  m_second.MoveWindow(190, 157, 200, 20);
  m_third.MoveWindow(190, 186, 320, 20);
}

void CPhoneNumberDlg::OnPaint() {
  CPaintDC dc(this);
  // The magenta of the background lets the pop-up's picture show through.
  if ((GetExStyle() & WS_EX_LAYERED) == 0) ModifyStyleEx(0, WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(m_hWnd, FORM_KEY_COLOUR, 255, LWA_COLORKEY);
  CRect client;
  GetClientRect(&client);
  if (m_background) {
    m_background->Draw(dc.GetSafeHdc(), client);
  } else {
    dc.FillSolidRect(&client, FORM_KEY_COLOUR);
  }
}

UINT CPhoneNumberDlg::OnNcHitTest(CPoint) { return HTCLIENT; }

std::string CPhoneNumberDlg::Text(CWnd& edit) {
  char text[FORM_TEXT_MAX] = {};
  if (edit.GetSafeHwnd() != nullptr) ::GetWindowTextA(edit.GetSafeHwnd(), text, sizeof text);
  return text;
}

void CPhoneNumberDlg::OnSubmit() {
  const std::string phone = Text(m_phone);
  if (!IsValidPhoneNumber(phone.c_str())) {
    if (m_table.message) m_table.message("你输入的手机号码有误，请重新输入！");
    return;
  }
  const std::string second = Text(m_second), third = Text(m_third);
  const std::string name = m_table.ownName ? m_table.ownName() : std::string();
  ExchangeContact contact;
  contact.playerName = name.c_str();
  contact.phone = phone.c_str();
  contact.second = second.c_str();
  contact.third = third.c_str();
  if (IsValidPrizeIndex(m_prizeIndex)) {
    const RequestBody form = MakeExchangeForm(m_table.context ? m_table.context() : RequestContext(), m_prizeIndex, contact);
    if (m_table.startSubmitWait) m_table.startSubmitWait();
    if (m_table.submit) m_table.submit(form);
  }
  EndPopup();
}

void CPhoneNumberDlg::OnClose() { EndPopup(); }

void CPhoneNumberDlg::EndPopup() {
  CWnd* popup = m_pParentWnd;
  if (popup != nullptr && popup->GetSafeHwnd() != nullptr) {
    popup->DestroyWindow();
  } else {
    DestroyWindow();
  }
}
