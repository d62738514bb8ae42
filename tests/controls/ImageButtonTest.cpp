// The image button: its colours, styles and check state, hover through TrackMouseEvent, pressed,
// focused and disabled looks, and clicks through simulated input.
#include <memory>
#include <vector>

#include "controls/ImageButton.h"
#include "platform/user/User.h"
#include "tests/controls/WidgetTestSupport.h"

namespace {

using widgettest::WidgetTest;

constexpr COLORREF ACTIVE_BK = RGB(200, 40, 40), NORMAL_BK = RGB(40, 160, 40), FOCUS_BK = RGB(40, 40, 200);

TEST(ImageButtonColors, SetAndOffset) {
  CImageButton button;
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), button.GetColor(BTNCOLOR_BK_NORMAL));
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), button.GetColor(BTNCOLOR_FG_FOCUS));
  EXPECT_EQ(3, button.SetColor(6, RGB(1, 2, 3), FALSE));
  EXPECT_EQ(3, button.SetColor(-1, RGB(1, 2, 3), FALSE));
  for (int i = 0; i < 6; ++i) EXPECT_NE(RGB(1, 2, 3), button.GetColor(i));
  struct Case {
    COLORREF start;
    int index;
    short offset;
    int result;
    COLORREF end;
  } cases[] = {
      {RGB(255, 255, 255), 2, -255, 0, RGB(0, 0, 0)},
      {RGB(200, 100, 50), 0, 100, 0, RGB(255, 155, 105)},
      {RGB(10, 200, 200), 1, -50, 0, RGB(0, 190, 190)},
      {RGB(10, 20, 30), 5, 0, 0, RGB(10, 20, 30)},
      {RGB(10, 20, 30), 3, 300, 5, RGB(10, 20, 30)},
      {RGB(10, 20, 30), 3, -256, 5, RGB(10, 20, 30)},
      {RGB(10, 20, 30), 9, 10, 3, RGB(10, 20, 30)},
  };
  for (const Case& c : cases) {
    int index = c.index > 5 ? 3 : c.index;
    button.SetColor(index, c.start, FALSE);
    EXPECT_EQ(c.result, button.OffsetColor(c.index, c.offset, FALSE)) << c.offset;
    EXPECT_EQ(c.end, button.GetColor(index)) << c.offset;
  }
  EXPECT_EQ(0, button.SetDefaultColors(FALSE));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), button.GetColor(BTNCOLOR_BK_ACTIVE));
}

class ImageButtonTest : public WidgetTest {
 public:
  CImageButton* Make(LPCTSTR caption, DWORD style, const CRect& rect, UINT id) {
    auto button = std::make_unique<CImageButton>();
    EXPECT_TRUE(button->Create(caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, rect, &m_parent, id));
    button->SetColor(BTNCOLOR_BK_ACTIVE, ACTIVE_BK, FALSE);
    button->SetColor(BTNCOLOR_BK_NORMAL, NORMAL_BK, FALSE);
    button->SetColor(BTNCOLOR_BK_FOCUS, FOCUS_BK, FALSE);
    m_buttons.push_back(std::move(button));
    Pump();
    return m_buttons.back().get();
  }
  void TearDown() override {
    for (auto& b : m_buttons) b->DestroyWindow();
    m_buttons.clear();
    WidgetTest::TearDown();
  }
  COLORREF Corner(CImageButton* button, const char* dumpName = nullptr) {
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    if (!Capture(button->GetSafeHwnd(), pixels, w, h)) return 0;
    if (dumpName != nullptr) Dump(dumpName, pixels, w, h);
    return PixelAt(pixels, w, 1, 1);
  }
  std::vector<std::unique_ptr<CImageButton>> m_buttons;
};

TEST_F(ImageButtonTest, StylesBecomeOwnerDrawn) {
  CImageButton* def = Make("OK", BS_DEFPUSHBUTTON, CRect(10, 10, 90, 40), 1);
  CImageButton* push = Make("Cancel", BS_PUSHBUTTON, CRect(100, 10, 180, 40), 2);
  CImageButton* check = Make("Check", BS_CHECKBOX, CRect(190, 10, 270, 40), 3);
  for (CImageButton* b : {def, push, check}) EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), b->GetStyle() & 0x1F);
  EXPECT_TRUE(def->IsDefaultButton());
  EXPECT_FALSE(push->IsDefaultButton());
  EXPECT_TRUE(check->IsCheckBox());
  EXPECT_FALSE(push->IsCheckBox());
  EXPECT_TRUE(def->SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
  EXPECT_TRUE(push->SendMessage(WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON);
  EXPECT_FALSE(push->SendMessage(WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON);
  // BM_SETSTYLE takes the default flag from the request and keeps the button owner-drawn.
  push->SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_TRUE(push->IsDefaultButton());
  EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), push->GetStyle() & 0x1F);
  push->SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_FALSE(push->IsDefaultButton());
  EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), push->GetStyle() & 0x1F);
}

TEST_F(ImageButtonTest, CheckBoxClicksToggleAndReachTheParent) {
  CImageButton* check = Make("Check", BS_CHECKBOX, CRect(10, 10, 90, 40), 31);
  CImageButton* push = Make("Push", BS_PUSHBUTTON, CRect(100, 10, 180, 40), 32);
  Click(check->GetSafeHwnd(), 20, 15);
  EXPECT_EQ(1, check->GetCheck());
  EXPECT_EQ(1, m_parent.Count(31, BN_CLICKED));
  EXPECT_EQ(check->GetSafeHwnd(), GetFocus());
  EXPECT_EQ(ACTIVE_BK, Corner(check, "image-button-checked"));  // a checked box looks pressed
  Click(check->GetSafeHwnd(), 20, 15);
  EXPECT_EQ(0, check->GetCheck());
  EXPECT_EQ(2, m_parent.Count(31, BN_CLICKED));
  check->SendMessage(BM_SETCHECK, 2);
  EXPECT_EQ(1, check->SendMessage(BM_GETCHECK));
  check->SendMessage(BM_SETCHECK, 0);
  EXPECT_EQ(0, check->GetCheck());
  // A push button has no check state; a double click is two clicks.
  push->SendMessage(BM_SETCHECK, 1);
  EXPECT_EQ(0, push->GetCheck());
  DoubleClick(push->GetSafeHwnd(), 20, 15);
  EXPECT_EQ(2, m_parent.Count(32, BN_CLICKED));
}

TEST_F(ImageButtonTest, HoverPressFocusAndDisable) {
  CImageButton* first = Make("", BS_PUSHBUTTON, CRect(10, 10, 50, 50), 41);
  CImageButton* second = Make("Next", BS_PUSHBUTTON, CRect(100, 10, 180, 50), 42);
  HICON icon = MakeIcon(RGB(250, 250, 0), RGB(0, 0, 0));
  EXPECT_EQ(0, first->SetIconHandles(icon, nullptr));
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_EQ(NORMAL_BK, Corner(first, "image-button-normal"));
  MoveTo(first->GetSafeHwnd(), 20, 20);
  EXPECT_TRUE(first->IsHovered());
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Capture(first->GetSafeHwnd(), pixels, w, h));
  Dump("image-button-hover", pixels, w, h);
  EXPECT_EQ(ACTIVE_BK, PixelAt(pixels, w, 1, 1));
  // Without a caption the 16 x 16 icon is centred: its yellow inside starts at (12 + 3, 12 + 3).
  EXPECT_EQ(RGB(250, 250, 0), PixelAt(pixels, w, 15, 15));
  EXPECT_EQ(RGB(0, 0, 0), PixelAt(pixels, w, 14, 14));
  // Leaving ends the hover (WM_MOUSELEAVE).
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_FALSE(first->IsHovered());
  // Pressed: the icon moves by (1, 1).
  Press(first->GetSafeHwnd(), 20, 20);
  ASSERT_TRUE(Capture(first->GetSafeHwnd(), pixels, w, h));
  Dump("image-button-pressed", pixels, w, h);
  EXPECT_EQ(ACTIVE_BK, PixelAt(pixels, w, 1, 1));
  EXPECT_EQ(RGB(0, 0, 0), PixelAt(pixels, w, 15, 15));
  EXPECT_EQ(RGB(250, 250, 0), PixelAt(pixels, w, 16, 16));
  Release(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_EQ(0, m_parent.Count(41, BN_CLICKED));  // released outside: no click
  // The mouse coming in with the button already down does not light it up.
  Press(m_parent.GetSafeHwnd(), 300, 200);
  MoveTo(first->GetSafeHwnd(), 20, 20);
  EXPECT_FALSE(first->IsHovered());
  Release(m_parent.GetSafeHwnd(), 300, 200);
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  // Focused look.
  first->SetFocus();
  Pump();
  EXPECT_EQ(FOCUS_BK, Corner(first, "image-button-focus"));
  // Disabling passes the focus on to the next tab item and draws the icon disabled.
  first->EnableWindow(FALSE);
  Pump();
  EXPECT_EQ(second->GetSafeHwnd(), GetFocus());
  ASSERT_TRUE(Capture(first->GetSafeHwnd(), pixels, w, h));
  Dump("image-button-disabled", pixels, w, h);
  EXPECT_NE(RGB(250, 250, 0), PixelAt(pixels, w, 20, 20));
  second->EnableWindow(FALSE);
  Pump();
  ASSERT_TRUE(Capture(second->GetSafeHwnd(), pixels, w, h));
  Dump("image-button-disabled-caption", pixels, w, h);
  int highlight = 0, shadow = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      highlight += PixelAt(pixels, w, x, y) == GetSysColor(COLOR_BTNHIGHLIGHT) ? 1 : 0;
      shadow += PixelAt(pixels, w, x, y) == GetSysColor(COLOR_BTNSHADOW) ? 1 : 0;
    }
  }
  EXPECT_GT(highlight, 5);
  EXPECT_GT(shadow, 5);
}

TEST_F(ImageButtonTest, IconPlacementAndCaption) {
  CImageButton* button = Make("Safe", BS_PUSHBUTTON, CRect(10, 10, 110, 40), 51);
  HICON icon = MakeIcon(RGB(250, 250, 0), RGB(0, 0, 0));
  EXPECT_EQ(0, button->SetIconHandles(icon, nullptr));
  RECT item{0, 0, 100, 30};
  RECT caption = item;
  CRect image = button->PrepareImageRect(TRUE, item, &caption, FALSE, 16, 16);
  EXPECT_EQ(CRect(3, 7, 19, 23), image);
  EXPECT_EQ(19, caption.left);
  caption = item;
  image = button->PrepareImageRect(FALSE, item, &caption, TRUE, 16, 16);
  EXPECT_EQ(CRect(43, 8, 59, 24), image);  // centred, moved by (1, 1) while pressed
  EXPECT_EQ(0, caption.left);
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  ASSERT_TRUE(Capture(button->GetSafeHwnd(), pixels, w, h));
  Dump("image-button-caption", pixels, w, h);
  EXPECT_EQ(RGB(250, 250, 0), PixelAt(pixels, w, 6, 10));
  int text = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 19; x < w; ++x) text += PixelAt(pixels, w, x, y) == GetSysColor(COLOR_BTNTEXT) ? 1 : 0;
  }
  EXPECT_GT(text, 10);
  // An icon that is no icon is refused and nothing is kept.
  EXPECT_EQ(1, button->SetIconHandles(reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7777)), nullptr));
  // The tooltip is made on first use with one tool.
  EXPECT_EQ(0, button->SetTooltipText("A face", TRUE));
  ASSERT_NE(nullptr, button->GetToolTip().GetSafeHwnd());
  EXPECT_EQ(1, button->GetToolTip().GetToolCount());
  button->SetTooltipText("Another", TRUE);
  EXPECT_EQ(1, button->GetToolTip().GetToolCount());
}

TEST_F(ImageButtonTest, DrawsOverTheParentSnapshot) {
  CImageButton* button = Make("", BS_PUSHBUTTON, CRect(10, 10, 40, 40), 61);
  // The snapshot is what the screen shows under the button, so it is taken while the button is
  // hidden and the parent has painted there.
  button->ShowWindow(SW_HIDE);
  m_parent.UpdateWindow();
  Pump();
  button->ResetBackground(FALSE);
  button->ShowWindow(SW_SHOW);
  Pump();
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Corner(button, "image-button-over-parent"));
}

}  // namespace
