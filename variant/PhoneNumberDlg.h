// The exchange's contact form, laid over the prize pop-up: a mobile-phone number and two further
// fields over a background picture whose magenta parts let the pop-up show through. Submitting
// checks the number, sends the exchange request with the chosen prize and closes the pop-up.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "framework/RequestBodies.h"
#include "image/RasterImage.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/DC.h"
#include "platform/mfc/Dialog.h"
#include "variant/TicketEdit.h"

#define IDD_CONTACT_FORM 285
#define IDC_FORM_SUBMIT 1117
#define IDC_FORM_PHONE 1118
#define IDC_FORM_SECOND 1119
#define IDC_FORM_THIRD 1120
#define IDC_FORM_CLOSE 1121
#define FORM_WIDTH 578
#define FORM_HEIGHT 399
#define FORM_KEY_COLOUR RGB(255, 0, 255)
// The text of the edit boxes read for the form; longer texts are cut by the request's fields.
#define FORM_TEXT_MAX 256

// What the prize pop-up and its form ask of the table.
struct ExchangeTable {
  std::function<RequestContext()> context;
  std::function<std::string()> ownName;
  // Sends the exchange request; the result comes back as a notification.
  std::function<int(const RequestBody& form)> submit;
  // The wait text while the server answers, ended by the result or by the scene's timer.
  std::function<void()> startSubmitWait;
  // A ten-second count-down box.
  std::function<void(const char* text)> message;
  // The table view's rectangle on the screen, which the pop-up is centred on.
  std::function<RECT()> tableViewRect;
  // The program folder (with its trailing separator), which holds the form's background.
  std::function<std::string()> programFolder;
};

class CPhoneNumberDlg : public CDialog {
 public:
  explicit CPhoneNumberDlg(CWnd* parent = nullptr);
  void SetTable(ExchangeTable table) { m_table = std::move(table); }
  // Only prizes 0 to 17 are taken; anything else leaves the index as it was.
  void SetPrizeIndex(int index);
  int GetPrizeIndex() const { return m_prizeIndex; }

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override {}
  void OnCancel() override { OnClose(); }
  CTicketEdit& PhoneEdit() { return m_phone; }
  RECT TableViewRect() const { return m_table.tableViewRect ? m_table.tableViewRect() : RECT{0, 0, 0, 0}; }

  afx_msg void OnSubmit();
  afx_msg void OnClose();

 protected:
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnPaint();
  afx_msg UINT OnNcHitTest(CPoint point);
  DECLARE_MESSAGE_MAP()

  // Ends the pop-up the form lies on, which takes the form with it.
  void EndPopup();
  std::string Text(CWnd& edit);

  CTicketEdit m_phone;
  CTicketEdit m_second;
  CTicketEdit m_third;
  CButton m_submit;
  CButton m_close;
  int m_prizeIndex = -1;
  std::unique_ptr<CRasterImage> m_background;
  ExchangeTable m_table;
};
