#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "platform/kernel/GlobalMemory.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "variant/ExchangeForm.h"
#include "variant/PngPopupDlg.h"

namespace {

class PopupApp : public CGameApp {
 public:
  PopupApp() : CGameApp("Pxqd", 31380, 2, 0) {}
};

TEST(GlobalMemoryStream, ReadsSeeksAndStaysInsideItsBlock) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, 5);
  ASSERT_NE(block, nullptr);
  std::memcpy(GlobalLock(block), "abcde", 5);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
  char text[8] = {};
  ULONG n = 0;
  EXPECT_EQ(stream->Read(text, 3, &n), S_OK);
  EXPECT_EQ(std::string(text, n), "abc");
  EXPECT_EQ(stream->Read(text, 8, &n), S_FALSE);
  EXPECT_EQ(std::string(text, n), "de");
  ULONGLONG at = 0;
  EXPECT_EQ(stream->Seek(-4, STREAM_SEEK_END, &at), S_OK);
  EXPECT_EQ(at, 1u);
  EXPECT_EQ(stream->Write("XYZW", 6, &n), STG_E_MEDIUMFULL);
  EXPECT_EQ(n, 4u);
  EXPECT_NE(stream->Seek(-9, STREAM_SEEK_SET, nullptr), S_OK);
  stream->Release();  // frees the block
  EXPECT_EQ(GlobalFree(block), block);
  int local = 0;
  EXPECT_NE(CreateStreamOnHGlobal(&local, FALSE, &stream), S_OK);
}

class PrizePopupTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
    ASSERT_TRUE(m_view.CreateEx(0, AfxRegisterWndClass(0), "table", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 700, nullptr,
                                nullptr));
    ExchangeTable t;
    t.context = [] {
      RequestContext c;
      c.userId = 501, c.roomId = 3, c.tableNo = 9, c.chair = 2;
      return c;
    };
    t.ownName = [] { return std::string("张三"); };
    t.submit = [this](const RequestBody& form) {
      m_sent.push_back(form);
      return 1;
    };
    t.startSubmitWait = [this] { ++m_waits; };
    t.message = [this](const char* text) { m_messages.push_back(text); };
    t.tableViewRect = [] { return RECT{0, 0, 1000, 700}; };
    t.programFolder = [] { return std::string(PXQD_BIN_DIR) + "/"; };
    m_popup.SetTable(t);
  }
  void TearDown() override {
    if (m_popup.GetSafeHwnd() != nullptr) m_popup.DestroyWindow();
    m_view.DestroyWindow();
    WindowTest::TearDown();
  }
  void Open(int prize) {
    OpenPrizePopup(m_popup, prize);
    mfcwin::Pump();
  }
  void Type(int id, const char* text) { ::SetDlgItemTextA(m_popup.Form().GetSafeHwnd(), id, text); }
  void Submit() { m_popup.Form().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FORM_SUBMIT, BN_CLICKED), 0); }

  PopupApp m_app;
  CWnd m_view;
  CPngPopupDlg m_popup;
  std::vector<RequestBody> m_sent;
  std::vector<std::string> m_messages;
  int m_waits = 0;
};

TEST_F(PrizePopupTest, PictureWithItsAlphaAndTheFormOverIt) {
  Open(5);
  ASSERT_NE(m_popup.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_popup.PictureWidth(), 598u);
  EXPECT_EQ(m_popup.PictureHeight(), 419u);
  CRect popup, form;
  m_popup.GetWindowRect(&popup);
  m_popup.Form().GetWindowRect(&form);
  EXPECT_EQ(popup, CRect(500 - 299, 350 - 209, 500 - 299 + 598, 350 - 209 + 419));
  EXPECT_EQ(form.TopLeft(), popup.TopLeft());
  EXPECT_EQ(form.Size(), CSize(FORM_WIDTH, FORM_HEIGHT));
  EXPECT_TRUE(m_popup.GetExStyle() & WS_EX_LAYERED);
  // The picture's clear corner shows the table beneath; its panel is opaque.
  std::vector<uint32_t> screen;
  int w = 0, h = 0;
  ASSERT_TRUE(platform::CaptureScreen(screen, w, h));
  const uint32_t table = mfcwin::Pixel(m_view.GetSafeHwnd(), 5, 5);
  auto at = [&](int x, int y) {
    const uint32_t p = screen[static_cast<size_t>(y) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  EXPECT_EQ(at(popup.right - 1, popup.top), table);
  EXPECT_NE(at(popup.left + 300, popup.top + 60), table);
  std::filesystem::create_directories(PXQD_MFC_DUMP_DIR);
  gditest::WritePng(std::string(PXQD_MFC_DUMP_DIR) + "/prize-popup.png",
                    screen.data() + static_cast<size_t>(popup.top) * w + popup.left, popup.Width(), popup.Height(), w * 4);
}

TEST_F(PrizePopupTest, ThePhoneNumberRuleKeepsTheFormOpen) {
  for (const char* phone : {"1380000000", "138 00000000", "138-0000-0000", "13800000000123456789", ""}) {
    SCOPED_TRACE(phone);
    Open(5);
    Type(IDC_FORM_PHONE, phone);
    Submit();
    mfcwin::Pump();
    EXPECT_NE(m_popup.GetSafeHwnd(), nullptr);
  }
  EXPECT_EQ(m_messages.size(), 5u);
  EXPECT_EQ(m_messages[0], "你输入的手机号码有误，请重新输入！");
  EXPECT_TRUE(m_sent.empty());
  EXPECT_EQ(m_waits, 0);
}

TEST_F(PrizePopupTest, SubmitSendsTheFormAndClosesThePopup) {
  Open(5);
  Type(IDC_FORM_PHONE, "13800000000");
  Type(IDC_FORM_SECOND, "李四");
  Type(IDC_FORM_THIRD, "北京市");
  Submit();
  mfcwin::Pump();
  EXPECT_EQ(m_popup.GetSafeHwnd(), nullptr);
  ASSERT_EQ(m_sent.size(), 1u);
  EXPECT_EQ(m_waits, 1);
  const RequestBody& form = m_sent[0];
  ASSERT_EQ(form.size(), static_cast<size_t>(EXCHANGE_FORM_SIZE));
  CBodyReader r(form.data(), form.size());
  EXPECT_EQ(r.Int(0), 501);
  EXPECT_EQ(r.Int(16), 5);
  EXPECT_EQ(r.Text(20, 32), "张三");
  EXPECT_EQ(r.Text(52, 16), "李四");
  EXPECT_EQ(r.Text(72, 16), "13800000000");
  EXPECT_EQ(r.Text(92, 46), "北京市");

  // The next choice makes a new window; the form keeps its prize when given a bad one.
  Open(99);
  ASSERT_NE(m_popup.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_popup.Form().GetPrizeIndex(), 5);
  m_popup.Form().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FORM_CLOSE, BN_CLICKED), 0);
  mfcwin::Pump();
  EXPECT_EQ(m_popup.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_sent.size(), 1u);
}

TEST_F(PrizePopupTest, WithoutAPrizeNothingIsSent) {
  Open(-1);
  Type(IDC_FORM_PHONE, "13800000000");
  Submit();
  mfcwin::Pump();
  EXPECT_EQ(m_popup.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(m_sent.empty());
  EXPECT_EQ(m_waits, 0);
}

TEST_F(PrizePopupTest, DraggingThePopupMovesTheForm) {
  Open(3);
  CRect before;
  m_popup.GetWindowRect(&before);
  // A point of the picture outside the form: the pop-up is dragged by it.
  POINT grab{before.left + 590, before.top + 412};
  ASSERT_EQ(::WindowFromPoint(grab), m_popup.GetSafeHwnd());
  platform::InjectMouseMove(grab);
  platform::InjectMouseButton(0, true, grab);
  mfcwin::Pump();
  POINT to{grab.x - 40, grab.y + 25};
  platform::InjectMouseMove(to);
  mfcwin::Pump();
  platform::InjectMouseButton(0, false, to);
  mfcwin::Pump();
  CRect after, form;
  m_popup.GetWindowRect(&after);
  m_popup.Form().GetWindowRect(&form);
  EXPECT_EQ(after.TopLeft(), CPoint(before.left - 40, before.top + 25));
  EXPECT_EQ(form.TopLeft(), after.TopLeft());
}

}  // namespace
