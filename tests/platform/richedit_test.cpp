// The rich-edit control: appended formatted pieces, selections, line breaking, scrolling, link
// notifications through injected clicks, pictures inserted through the OLE pieces, and a
// rendering of a chat log for a person to look at.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/comctl/RichEdit.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/display/Display.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/PaintTestSupport.h"

namespace {

using painttest::Pump;

struct Notified {
  UINT msg;
  CHARRANGE chrg;
};

std::vector<Notified>& Links() {
  static std::vector<Notified> links;
  return links;
}
// What the parent answers to EN_LINK for WM_LBUTTONDOWN.
LRESULT g_linkAnswer = 0;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code == EN_LINK) {
      auto* link = reinterpret_cast<ENLINK*>(lParam);
      Links().push_back(Notified{link->msg, link->chrg});
      return link->msg == WM_LBUTTONDOWN ? g_linkAnswer : 0;
    }
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

CHARFORMATA Format(LONG height, COLORREF colour, DWORD effects, const char* face = "宋体") {
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = 0xE8000027;  // bold, italic, underline, link, charset, face, colour, size
  cf.dwEffects = effects;
  cf.yHeight = height;
  cf.crTextColor = colour;
  cf.bCharSet = 134;
  std::strncpy(cf.szFaceName, face, sizeof cf.szFaceName - 1);
  return cf;
}

class RichEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    platform::ResetInputState();
    ASSERT_TRUE(AfxInitRichEdit());
    static bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = ParentProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
      wc.lpszClassName = "RichEditTestParent";
      return RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    Links().clear();
    g_linkAnswer = 0;
  }
  void TearDown() override {
    ReleaseCapture();
    if (m_parent) DestroyWindow(m_parent);
    Pump();
  }
  // A parent at (x, y) with a rich edit filling a client area of the given size.
  HWND Make(int width, int height, DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE, int x = 300, int y = 200) {
    m_parent = CreateWindowExA(0, "RichEditTestParent", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, m_parent);
    HWND edit = CreateWindowExA(0, "RichEdit20A", nullptr, style, 0, 0, width, height, m_parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(1005)), nullptr, nullptr);
    EXPECT_NE(nullptr, edit);
    Pump();
    return edit;
  }
  // Appends one piece the way the chat display does: caret to the end, replace the empty
  // selection, select what was added and give it the piece's format.
  static void Append(HWND edit, const char* text, const CHARFORMATA& format) {
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    CHARRANGE before{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&before));
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    CHARRANGE after{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&after));
    CHARRANGE added{before.cpMin, after.cpMax};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&added));
    SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(edit, EM_HIDESELECTION, TRUE, 0);
  }
  static CHARFORMATA FormatAt(HWND edit, LONG cp) {
    CHARRANGE r{cp, cp + 1};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
  }
  static std::string Text(HWND edit) {
    std::vector<char> buffer(static_cast<size_t>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)) + 1);
    SendMessageA(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
  }
  static POINT ScreenPosOf(HWND edit, LONG cp, int dx, int dy) {
    POINTL pl{};
    SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pl), cp);
    POINT pt{pl.x + dx, pl.y + dy};
    ClientToScreen(edit, &pt);
    return pt;
  }

  HWND m_parent = nullptr;
};

TEST_F(RichEdit, LibraryLoadsByNameOnly) {
  HMODULE m = LoadLibraryA("RICHED20.DLL");
  ASSERT_NE(nullptr, m);
  EXPECT_EQ(m, LoadLibraryA("C:\\Windows\\System32\\riched20.dll"));
  EXPECT_EQ(nullptr, LoadLibraryA("nosuch.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_FALSE(FreeLibrary(m));
  // Dialog templates name the control "RICHEDIT".
  HWND edit = CreateWindowExA(0, "RICHEDIT", nullptr, WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(nullptr, edit);
  DestroyWindow(edit);
}

TEST_F(RichEdit, AppendedPiecesKeepTheirOwnFormats) {
  HWND edit = Make(400, 200);
  struct Piece {
    const char* text;
    CHARFORMATA format;
  };
  const Piece pieces[] = {
      {" 我说：", Format(180, 0, 0)},
      {"hello", Format(180, 8421440, 0)},
      {"\r\n", Format(180, 0, 0)},
      {"big", Format(300, 255, CFE_BOLD | CFE_UNDERLINE)},
      {"link", Format(180, 0, CFE_LINK, "Arial")},
      {"a\rb\nc", Format(200, 0xFF0000, CFE_ITALIC)},
  };
  for (const Piece& p : pieces) Append(edit, p.text, p.format);

  EXPECT_EQ(" 我说：hello\r\nbiglinka\r\nb\r\nc", Text(edit));
  GETTEXTLENGTHEX chars{GTL_NUMCHARS, 936};
  EXPECT_EQ(4 + 5 + 1 + 3 + 4 + 5, SendMessageA(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&chars), 0));

  struct Expect {
    LONG cp;
    LONG height;
    COLORREF colour;
    DWORD effects;
    const char* face;
  };
  const Expect expected[] = {
      {0, 180, 0, 0, "宋体"},          {3, 180, 0, 0, "宋体"},
      {4, 180, 8421440, 0, "宋体"},    {8, 180, 8421440, 0, "宋体"},
      {9, 180, 0, 0, "宋体"},          {10, 300, 255, CFE_BOLD | CFE_UNDERLINE, "宋体"},
      {13, 180, 0, CFE_LINK, "Arial"}, {17, 200, 0xFF0000, CFE_ITALIC, "宋体"},
      {21, 200, 0xFF0000, CFE_ITALIC, "宋体"},
  };
  for (const Expect& e : expected) {
    CHARFORMATA cf = FormatAt(edit, e.cp);
    SCOPED_TRACE(e.cp);
    EXPECT_EQ(e.height, cf.yHeight);
    EXPECT_EQ(e.colour, cf.crTextColor);
    EXPECT_EQ(e.effects, cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_LINK | CFE_AUTOCOLOR));
    EXPECT_STREQ(e.face, cf.szFaceName);
    EXPECT_EQ(134, cf.bCharSet);
  }
  // A selection over pieces of different formats reports only what they share.
  CHARRANGE mixed{3, 12};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&mixed));
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  DWORD mask = static_cast<DWORD>(SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)));
  EXPECT_EQ(0u, mask & (CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_UNDERLINE));
  EXPECT_EQ(static_cast<DWORD>(CFM_FACE | CFM_ITALIC | CFM_LINK | CFM_CHARSET),
            mask & (CFM_FACE | CFM_ITALIC | CFM_LINK | CFM_CHARSET));
  // A record of the wrong size is refused.
  cf.cbSize = 12;
  EXPECT_EQ(0, SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)));
}

TEST_F(RichEdit, InsertionFormatAndDefaultFormat) {
  HWND edit = Make(400, 200);
  CHARFORMAT2A def{};
  def.cbSize = sizeof def;
  SendMessageA(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&def));
  EXPECT_EQ(180, def.yHeight);
  EXPECT_TRUE(def.dwEffects & CFE_AUTOCOLOR);
  // The default font from a LOGFONT of 12 pixels is 180 twips.
  HFONT font = CreateFontA(-16, 0, 0, 0, 700, 0, 0, 0, 134, 3, 2, 1, 2, "宋体");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ab"));
  CHARFORMATA cf = FormatAt(edit, 0);
  EXPECT_EQ(240, cf.yHeight);
  EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
  // A format set on the empty selection is what the next replacement gets...
  SendMessageA(edit, EM_SETSEL, 2, 2);
  CHARFORMATA red = Format(180, 255, CFE_ITALIC);
  SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&red));
  SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("cd"));
  EXPECT_EQ(255u, FormatAt(edit, 2).crTextColor);
  // ...and without one the text takes the format of the character before the caret.
  SendMessageA(edit, EM_SETSEL, 1, 1);
  SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("x"));
  EXPECT_EQ(240, FormatAt(edit, 1).yHeight);
  EXPECT_EQ("axbcd", Text(edit));
  // SCF_ALL reaches every character.
  CHARFORMATA green = Format(180, RGB(0, 128, 0), 0);
  green.dwMask = CFM_COLOR;
  SendMessageA(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&green));
  for (LONG cp = 0; cp < 5; ++cp) EXPECT_EQ(RGB(0, 128, 0), FormatAt(edit, cp).crTextColor);
  // Sizes are kept as given, also 0 (a tag's unreadable size, laid out at 1 pixel) and absurd
  // ones (drawn at most at 1638 points).
  for (LONG height : {2000000000L, 0L}) {
    CHARFORMATA sized = Format(height, 0, 0);
    sized.dwMask = CFM_SIZE;
    SendMessageA(edit, EM_SETSEL, 0, 1);
    SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&sized));
    EXPECT_EQ(height, FormatAt(edit, 0).yHeight);
  }
  EXPECT_EQ(1, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  DeleteObject(font);
}

TEST_F(RichEdit, Selections) {
  HWND edit = Make(400, 200);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0123456789"));
  struct Case {
    LONG start, end;
    bool ex;
    LONG wantStart, wantEnd;
  };
  const Case cases[] = {
      {0, -1, true, 0, 10},  {-1, -1, true, 10, 10}, {2, 5, true, 2, 5},    {7, 3, true, 3, 7},
      {50, 80, true, 10, 10}, {0, -1, false, 0, 10}, {4, 4, false, 4, 4},   {-1, -1, false, 10, 10},
      {3, 6, false, 3, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.end << (c.ex ? " ex" : ""));
    if (c.ex) {
      CHARRANGE r{c.start, c.end};
      SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    } else {
      SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
    }
    CHARRANGE got{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(c.wantStart, got.cpMin);
    EXPECT_EQ(c.wantEnd, got.cpMax);
    DWORD s = 0, e = 0;
    LRESULT packed = SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    EXPECT_EQ(MAKELRESULT(c.wantStart, c.wantEnd), packed);
    EXPECT_EQ(static_cast<DWORD>(c.wantEnd), e);
  }
  // A start of -1 with another end only drops the selection.
  SendMessageA(edit, EM_SETSEL, 2, 6);
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 3);
  CHARRANGE got{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_EQ(6, got.cpMin);
  EXPECT_EQ(6, got.cpMax);
  // The selected text; read-only refuses WM_CLEAR, writable deletes.
  SendMessageA(edit, EM_SETSEL, 2, 5);
  char buffer[16] = {};
  EXPECT_EQ(3, SendMessageA(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer)));
  EXPECT_STREQ("234", buffer);
  SendMessageA(edit, EM_SETREADONLY, TRUE, 0);
  SendMessageA(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ("0123456789", Text(edit));
  SendMessageA(edit, EM_SETREADONLY, FALSE, 0);
  SendMessageA(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ("0156789", Text(edit));
}

TEST_F(RichEdit, TextLimit) {
  HWND edit = Make(300, 100);
  // No limit unless one is set: a log longer than the old 32K default keeps growing.
  std::string big(40000, 'x');
  SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(big.c_str()));
  SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("yz"));
  EXPECT_EQ(40002, SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  SendMessageA(edit, EM_EXLIMITTEXT, 0, 5);
  EXPECT_EQ(5, SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
  EXPECT_EQ(5, SendMessageA(edit, WM_USER + 37, 0, 0));
  SendMessageA(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("abc汉字def"));
  EXPECT_EQ("abc汉字", Text(edit));
  SendMessageA(edit, EM_EXLIMITTEXT, 0, 0);
  EXPECT_EQ(64000, SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(RichEdit, LineBreakingAndLineCounts) {
  // 12-pixel CJK characters in a text area 96 pixels wide (100 less the margins): 8 a line.
  HWND edit = Make(100, 200);
  HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 134, 3, 2, 1, 2, "宋体");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  struct Case {
    const char* text;
    LRESULT lines;
    std::vector<LONG> starts;
  };
  const Case cases[] = {
      {"", 1, {0}},
      {"一二三四五六七八", 1, {0}},
      {"一二三四五六七八九", 2, {0, 8}},
      {"一二三四五六七八九十一二三四五六七", 3, {0, 8, 16}},
      {"一二\r\n", 2, {0, 3}},
      {"一\r二\n三", 3, {0, 2, 4}},
      {"\r\n\r\n", 3, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text));
    EXPECT_EQ(c.lines, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    for (size_t i = 0; i < c.starts.size(); ++i) {
      EXPECT_EQ(c.starts[i], SendMessageA(edit, EM_LINEINDEX, i, 0));
    }
  }
  // Latin words break at the space before the word that does not fit, never inside it.
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("alpha beta gamma delta epsilon"));
  LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  ASSERT_GT(lines, 1);
  const std::string text = "alpha beta gamma delta epsilon";
  for (LRESULT i = 1; i < lines; ++i) {
    LRESULT start = SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    EXPECT_EQ(' ', text[static_cast<size_t>(start - 1)]) << "line " << i;
  }
  // A wider control gives fewer lines.
  MoveWindow(edit, 0, 0, 400, 200, TRUE);
  EXPECT_EQ(1, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  DeleteObject(font);
}

TEST_F(RichEdit, ScrollsToTheBottomAndBack) {
  HWND edit = Make(200, 100, WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL | ES_READONLY);
  for (int i = 0; i < 50; ++i) {
    std::string line = "line " + std::to_string(i) + "\r\n";
    Append(edit, line.c_str(), Format(180, 0, 0));
  }
  EXPECT_EQ(51, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
  EXPECT_EQ(0, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageA(edit, WM_VSCROLL, SB_BOTTOM, 0);
  // 12-pixel lines in a 100-pixel view: the last (empty) line ends at the bottom, and the first
  // visible line is the one cut by the top edge.
  const LRESULT bottomFirst = (51 * 12 - 100) / 12;
  EXPECT_EQ(bottomFirst, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  RECT rc{};
  GetClientRect(edit, &rc);
  POINTL last{};
  SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
  EXPECT_EQ(rc.bottom - 12, last.y);
  SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(0, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageA(edit, EM_LINESCROLL, 0, 5);
  EXPECT_EQ(5, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  EXPECT_EQ(MAKELRESULT(1, TRUE), SendMessageA(edit, EM_SCROLL, SB_LINEDOWN, 0));
  EXPECT_EQ(MAKELRESULT(static_cast<WORD>(-6), TRUE), SendMessageA(edit, EM_SCROLL, SB_PAGEUP, 0));
  // The caret at the end scrolled into view.
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  SendMessageA(edit, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(bottomFirst, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
  // The wheel scrolls three lines a notch.
  POINT centre{100, 50};
  ClientToScreen(edit, &centre);
  SetFocus(edit);
  platform::InjectMouseWheel(WHEEL_DELTA, centre);
  Pump();
  EXPECT_EQ(bottomFirst - 3, SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
}

TEST_F(RichEdit, AppendingLaysOutOnlyTheNewParagraphs) {
  HWND edit = Make(300, 100, WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL);
  for (int i = 0; i < 200; ++i) {
    Append(edit, "聊天 chat line\r\n", Format(180, 0, 0));
    SendMessageA(edit, WM_VSCROLL, SB_BOTTOM, 0);
  }
  uint64_t before = platform::RichEditParagraphsLaidOut(edit);
  Append(edit, "<c=255>one more\r\n", Format(180, 255, 0));
  SendMessageA(edit, WM_VSCROLL, SB_BOTTOM, 0);
  // The last paragraph (where the text went) and the new one, not the 200 before.
  EXPECT_LE(platform::RichEditParagraphsLaidOut(edit) - before, 4u);
}

TEST_F(RichEdit, AddressDetectionDoesNotLayOutAgain) {
  HWND edit = Make(300, 100);
  for (int i = 0; i < 50; ++i) Append(edit, "text www.example.com/a, more\r\n", Format(180, 0, 0));
  SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  uint64_t before = platform::RichEditParagraphsLaidOut(edit);
  // The chat pane turns detection on and off around every notice.
  SendMessageA(edit, EM_AUTOURLDETECT, TRUE, 0);
  SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  SendMessageA(edit, EM_AUTOURLDETECT, FALSE, 0);
  SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  EXPECT_EQ(before, platform::RichEditParagraphsLaidOut(edit));
  EXPECT_EQ(E_INVALIDARG, SendMessageA(edit, EM_AUTOURLDETECT, 7, 0));
}

TEST_F(RichEdit, TextComesOutAsGbkWithinTheBuffer) {
  HWND edit = Make(300, 100);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("a汉字\nb"));
  EXPECT_EQ(8, SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));  // a, two GBK characters, \r\n, b
  struct Case {
    size_t size;
    const char* text;
  };
  // A buffer never ends in half a character.
  const Case cases[] = {{1, ""}, {2, "a"}, {3, "a"}, {4, "a汉"}, {5, "a汉"}, {7, "a汉字\r"}, {9, "a汉字\r\nb"}};
  for (const Case& c : cases) {
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    LRESULT n = SendMessageA(edit, WM_GETTEXT, c.size, reinterpret_cast<LPARAM>(buffer));
    EXPECT_STREQ(c.text, buffer) << c.size;
    EXPECT_EQ(static_cast<LRESULT>(std::strlen(c.text)), n);
    EXPECT_EQ('X', buffer[c.size]);
  }
  TEXTRANGEA range{{1, 4}, nullptr};
  char out[16] = {};
  range.lpstrText = out;
  EXPECT_EQ(5, SendMessageA(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
  EXPECT_STREQ("汉字\r", out);
  // A CHARFORMAT (not CHARFORMAT2) never reports the weight bit.
  CHARFORMATA cf{};
  cf.cbSize = sizeof cf;
  DWORD mask = static_cast<DWORD>(SendMessageA(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf)));
  EXPECT_EQ(0u, mask & CFM_WEIGHT);
}

TEST_F(RichEdit, ClicksOnLinksAreReported) {
  HWND edit = Make(300, 100);
  Append(edit, "see ", Format(180, 0, 0));
  Append(edit, "HERE", Format(180, 255, CFE_LINK));
  Append(edit, " or http://example.com/x now", Format(180, 0, 0));
  SendMessageA(edit, EM_SETEVENTMASK, 0, SendMessageA(edit, EM_GETEVENTMASK, 0, 0) | ENM_LINK);
  SendMessageA(edit, EM_AUTOURLDETECT, TRUE, 0);

  struct Case {
    LONG cp;           // character clicked
    bool link;         // whether EN_LINK comes
    CHARRANGE chrg;    // the link's range
  };
  const Case cases[] = {
      {5, true, {4, 8}},     // the formatted link
      {1, false, {0, 0}},    // plain text
      {15, true, {12, 32}},  // the detected address
      {34, false, {0, 0}},   // after it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cp);
    Links().clear();
    POINT pt = ScreenPosOf(edit, c.cp, 2, 5);
    platform::InjectMouseMove(pt);
    Pump();
    if (c.link) EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), GetCursor());
    else EXPECT_EQ(LoadCursorA(nullptr, IDC_IBEAM), GetCursor());
    Links().clear();
    platform::InjectMouseButton(0, true, pt);
    platform::InjectMouseButton(0, false, pt);
    Pump();
    if (!c.link) {
      EXPECT_TRUE(Links().empty());
      CHARRANGE sel{};
      SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
      EXPECT_EQ(c.cp, sel.cpMin);  // the click placed the caret, read-only or not
      continue;
    }
    // Moves and cursor questions over a link are reported too; the press and the release are
    // what the pane acts on.
    std::vector<Notified> buttons;
    for (const Notified& n : Links()) {
      if (n.msg == WM_LBUTTONDOWN || n.msg == WM_LBUTTONUP) buttons.push_back(n);
    }
    ASSERT_EQ(2u, buttons.size());
    EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), buttons[0].msg);
    EXPECT_EQ(static_cast<UINT>(WM_LBUTTONUP), buttons[1].msg);
    for (const Notified& n : Links()) {
      EXPECT_EQ(c.chrg.cpMin, n.chrg.cpMin);
      EXPECT_EQ(c.chrg.cpMax, n.chrg.cpMax);
    }
  }
  // The pane reads the clicked word: select the link's range, read it, restore the selection.
  CHARRANGE saved{1, 2};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  CHARRANGE link{4, 8};
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&link));
  char word[(8 - 4 + 1) * 2] = {};
  EXPECT_EQ(4, SendMessageA(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(word)));
  EXPECT_STREQ("HERE", word);
  SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  // A parent that answers the press keeps the caret where it was.
  SendMessageA(edit, EM_SETSEL, 0, 0);
  g_linkAnswer = 1;
  POINT pt = ScreenPosOf(edit, 5, 2, 5);
  platform::InjectMouseButton(0, true, pt);
  platform::InjectMouseButton(0, false, pt);
  Pump();
  CHARRANGE sel{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  EXPECT_EQ(0, sel.cpMin);
  // Without ENM_LINK nothing is reported.
  SendMessageA(edit, EM_SETEVENTMASK, 0, 0);
  Links().clear();
  platform::InjectMouseButton(0, true, pt);
  platform::InjectMouseButton(0, false, pt);
  Pump();
  EXPECT_TRUE(Links().empty());
}

TEST_F(RichEdit, DragSelects) {
  HWND edit = Make(300, 100, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdefghij"));
  POINT from = ScreenPosOf(edit, 2, 1, 3);
  POINT to = ScreenPosOf(edit, 7, 1, 3);
  platform::InjectMouseMove(from);
  platform::InjectMouseButton(0, true, from);
  platform::InjectMouseMove(to);
  platform::InjectMouseButton(0, false, to);
  Pump();
  CHARRANGE sel{};
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  EXPECT_EQ(2, sel.cpMin);
  EXPECT_EQ(7, sel.cpMax);
  // Shift+Right extends it by one; Left without Shift collapses it to its start.
  // Each key is handled before the next one is pressed, as a person types them.
  platform::InjectKey(VK_LSHIFT, true, 0);
  Pump();
  platform::InjectKey(VK_RIGHT, true, 0);
  platform::InjectKey(VK_RIGHT, false, 0);
  Pump();
  platform::InjectKey(VK_LSHIFT, false, 0);
  Pump();
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  EXPECT_EQ(8, sel.cpMax);
  platform::InjectKey(VK_LEFT, true, 0);
  platform::InjectKey(VK_LEFT, false, 0);
  Pump();
  SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  EXPECT_EQ(2, sel.cpMin);
  EXPECT_EQ(2, sel.cpMax);
}

}  // namespace
