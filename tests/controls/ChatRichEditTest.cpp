// The chat display through the rich edit: formats of appended markup, linked words, inline
// pictures from the picture folder, scrolling, and a rendering of a chat log.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/ChatRichEdit.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/display/Display.h"
#include "platform/user/User.h"
#include "tests/controls/ControlRendering.h"
#include "tests/support/TempDir.h"

namespace {

// A 24-bit bottom-up BMP file of one colour with a dark frame, w x h.
std::string BmpFile(int w, int h, COLORREF c) {
  int stride = (w * 3 + 3) & ~3;
  uint32_t pixelBytes = static_cast<uint32_t>(stride * h);
  std::string b;
  auto u16 = [&](uint32_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  b += "BM";
  u32(54 + pixelBytes); u32(0); u32(54);
  u32(40); u32(static_cast<uint32_t>(w)); u32(static_cast<uint32_t>(h)); u16(1); u16(24); u32(0); u32(pixelBytes);
  u32(2835); u32(2835); u32(0); u32(0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool frame = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      COLORREF p = frame ? RGB(40, 40, 40) : c;
      b += static_cast<char>(GetBValue(p)); b += static_cast<char>(GetGValue(p)); b += static_cast<char>(GetRValue(p));
    }
    b.append(static_cast<size_t>(stride - w * 3), '\0');
  }
  return b;
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

class ChatDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    static bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = PlainProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
      wc.lpszClassName = "ChatDisplayTestParent";
      return RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
  }
  void TearDown() override {
    if (m_chat.GetSafeHwnd()) m_chat.DestroyWindow();
    if (m_parent) DestroyWindow(m_parent);
  }
  void Make(int width, int height) {
    m_parent = CreateWindowExA(0, "ChatDisplayTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_TRUE(m_parent);
    ASSERT_TRUE(m_chat.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                              RECT{0, 0, width, height}, CWnd::FromHandle(m_parent), 1005));
    m_chat.SetDefaultFont();
  }
  std::string Text() {
    char buf[4096] = {};
    m_chat.SendMessage(WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  CHARFORMAT FormatAt(LONG cp) {
    CHARRANGE r{cp, cp + 1};
    m_chat.SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMAT cf{};
    cf.cbSize = sizeof cf;
    m_chat.SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
  }
  IRichEditOle* Ole() {
    IRichEditOle* ole = nullptr;
    m_chat.SendMessage(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
    return ole;
  }
  LONG PictureCount() {
    IRichEditOle* ole = Ole();
    LONG n = ole ? ole->GetObjectCount() : -1;
    if (ole) ole->Release();
    return n;
  }
  bool Save(const std::string& name) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    if (!platform::CaptureWindow(m_parent, px, w, h)) return false;
    std::filesystem::create_directories(PXQD_CONTROL_DUMP_DIR);
    return gditest::WritePng(std::string(PXQD_CONTROL_DUMP_DIR) + "/" + name + ".png", px.data(), w, h, w * 4);
  }
  void Pump() {
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&msg);
  }

  HWND m_parent = nullptr;
  CChatRichEdit m_chat;
};

const DWORD EFFECT_BITS = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_LINK;

TEST_F(ChatDisplay, MarkupBecomesFormattedText) {
  Make(300, 100);
  ASSERT_EQ(m_chat.AppendText(" 我说：<c=255,e=bu>word<f=黑体,s=240,e=i>face<>\r\n"), S_OK);
  EXPECT_EQ(Text(), " 我说：wordface\r\n");

  CHARFORMAT plain = FormatAt(0);
  EXPECT_EQ(plain.dwEffects & EFFECT_BITS, 0u);
  CHARFORMAT word = FormatAt(4);  // 'w': characters, not bytes, count positions
  EXPECT_EQ(word.crTextColor, RGB(255, 0, 0));
  EXPECT_EQ(word.dwEffects & EFFECT_BITS, static_cast<DWORD>(CFE_BOLD | CFE_UNDERLINE));
  EXPECT_EQ(word.yHeight, 180);
  EXPECT_STREQ(word.szFaceName, "宋体");
  CHARFORMAT face = FormatAt(8);
  EXPECT_EQ(face.dwEffects & EFFECT_BITS, static_cast<DWORD>(CFE_ITALIC));
  EXPECT_EQ(face.yHeight, 240);
  EXPECT_EQ(face.crTextColor, 0u);
  EXPECT_STREQ(face.szFaceName, "黑体");

  // The cap on the size key follows the owner's setting.
  m_chat.SetLargestSize(300);
  m_chat.AppendText("<s=9999>big");
  // The paragraph end is one character: "big" starts at position 13.
  EXPECT_EQ(FormatAt(13).yHeight, 300);
  std::string all = Text();
  EXPECT_EQ(all.substr(all.size() - 3), "big");
}

TEST_F(ChatDisplay, LinkedWordsAndTheirTargets) {
  Make(300, 100);
  m_chat.AppendText("<e=l,l=http://a/>W<> <e=lp,l=http://b/>V<> <e=l,l=http://c/>W");
  EXPECT_NE(FormatAt(0).dwEffects & CFE_LINK, 0u);
  int sign = 7;
  EXPECT_STREQ(m_chat.GetLinkTarget("W", sign), "http://c/");  // the later target wins
  EXPECT_EQ(sign, 0);
  EXPECT_STREQ(m_chat.GetLinkTarget("V", sign), "http://b/");
  EXPECT_EQ(sign, 1);
  sign = 7;
  EXPECT_STREQ(m_chat.GetLinkTarget("X", sign), "");
  EXPECT_EQ(sign, 7);

  m_chat.EnableLinks(FALSE);
  m_chat.AppendText("<e=l,l=http://d/>Q");
  EXPECT_EQ(FormatAt(static_cast<LONG>(Text().size()) - 1).dwEffects & CFE_LINK, 0u);
  EXPECT_STREQ(m_chat.GetLinkTarget("Q", sign), "");

  // Clearing the display keeps the words it has linked.
  m_chat.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  EXPECT_STREQ(m_chat.GetLinkTarget("V", sign), "http://b/");
}

TEST_F(ChatDisplay, PicturesFromTheFolder) {
  testsupport::TempDir dir;
  dir.Write("7.bmp", BmpFile(20, 20, RGB(250, 200, 0)));
  dir.Write("0.bmp", BmpFile(20, 20, RGB(0, 160, 220)));
  Make(300, 100);
  m_chat.SetPictureFolder((dir.Path() + "/").c_str());

  ASSERT_EQ(m_chat.AppendText("a<z=7>b<z=8>c<>"), S_OK);  // there is no 8.bmp
  ASSERT_EQ(PictureCount(), 1);
  IRichEditOle* ole = Ole();
  REOBJECT object{};
  object.cbStruct = sizeof object;
  ASSERT_EQ(ole->GetObject(0, &object, REO_GETOBJ_NO_INTERFACES), S_OK);
  EXPECT_EQ(object.cp, 1);  // before the text of its own piece
  ole->Release();

  // The system notice prefix reads as picture 0.
  m_chat.AppendText(" <z=kv系统通知> <c=255>notice\r\n");
  EXPECT_EQ(PictureCount(), 2);

  // A folder too long for the picture's path shows no picture and appends the text.
  std::string longFolder = dir.Path() + "/" + std::string(300, 'd') + "/";
  m_chat.SetPictureFolder(longFolder.c_str());
  ASSERT_EQ(m_chat.AppendText("<z=7>x"), S_OK);
  EXPECT_EQ(PictureCount(), 2);
  std::string text = Text();
  EXPECT_EQ(text.substr(text.size() - 1), "x");
}

// The bitmap loaded for a picture is freed once the picture holds its copy: of the bitmaps made
// while a picture is appended, only the picture's own stays. The drawing layer hands out
// handles in rising order, which brackets the ones made in between.
TEST_F(ChatDisplay, NoBitmapIsLeftBehindPerPicture) {
  testsupport::TempDir dir;
  dir.Write("3.bmp", BmpFile(16, 16, RGB(0, 200, 0)));
  Make(300, 100);
  m_chat.SetPictureFolder((dir.Path() + "/").c_str());

  HBITMAP before = CreateBitmap(1, 1, 1, 32, nullptr);
  for (int i = 0; i < 5; ++i) m_chat.AppendText("<z=3>");
  HBITMAP after = CreateBitmap(1, 1, 1, 32, nullptr);
  ASSERT_EQ(PictureCount(), 5);
  int live = 0;
  for (uintptr_t h = reinterpret_cast<uintptr_t>(before) + 1; h < reinterpret_cast<uintptr_t>(after); ++h) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(h)) == OBJ_BITMAP) ++live;
  }
  EXPECT_EQ(live, 5);
  DeleteObject(before);
  DeleteObject(after);
}

TEST_F(ChatDisplay, AppendingScrollsToTheEnd) {
  Make(200, 60);
  m_chat.AppendText("");  // nothing appended, the scroll step still runs
  EXPECT_EQ(Text(), "");
  for (int i = 0; i < 30; ++i) m_chat.AppendText("<c=128>line<>\r\n");
  LRESULT first = m_chat.SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0);
  LRESULT count = m_chat.SendMessage(EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(first, 20);
  EXPECT_LT(first, count);
}

TEST_F(ChatDisplay, RenderedChatLog) {
  testsupport::TempDir dir;
  dir.Write("0.bmp", BmpFile(20, 20, RGB(0, 160, 220)));
  dir.Write("5.bmp", BmpFile(20, 20, RGB(250, 200, 0)));
  Make(360, 160);
  m_chat.SetPictureFolder((dir.Path() + "/").c_str());
  m_chat.SetLargestSize(300);
  m_chat.AppendText(" 欢迎来到<s=180,c=10715996,e=b>四人麻将一号房\r\n<> 您的位置：12桌 \r\n");
  m_chat.AppendText(" 我说：<c=8421440>大家好<>\r\n");
  m_chat.AppendText(" 小王说：<><z=5>\r\n");
  m_chat.AppendText(" <z=kv系统通知> <c=255>系统将于今晚维护\r\n");
  m_chat.AppendText(" <e=lu,l=http://example.org/,c=16711680>点击这里<> 查看活动\r\n");
  m_chat.AppendText(" <s=300,c=32768,e=i>大字<s=120>小字<>\r\n");
  m_chat.Invalidate();
  Pump();
  EXPECT_TRUE(Save("chat-display"));
}

}  // namespace
