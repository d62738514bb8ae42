// Every control drawn in its states onto sheets saved as PNG files under
// build/tests/control-renderings/ for a person to look at, and hashes of the sheets whose
// drawing does not depend on a blinking caret, so that a change of look is noticed.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/user/Dialog.h"
#include "resources/ProgramResources.h"
#include "tests/platform/ControlsTestSupport.h"
#include "tests/platform/GdiTestCanvas.h"

using namespace controltest;

namespace {

class Renderings : public ControlTest {
 protected:
  // Saves a window as <name>.png and returns the hash of its pixels.
  static std::string Save(HWND hwnd, const std::string& name) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    if (!platform::CaptureWindow(hwnd, px, w, h)) return "";
    std::filesystem::path dir(PXQD_CONTROL_DUMP_DIR);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    EXPECT_TRUE(gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4));
    uint64_t hash = 1469598103934665603ull;
    for (uint32_t p : px) {
      for (int shift : {0, 8, 16}) {
        hash ^= (p >> shift) & 0xFF;
        hash *= 1099511628211ull;
      }
    }
    char buf[17];
    snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
  }
  void Settle() {
    Pump();
    UpdateWindow(m_parent);
    Pump();
  }
};

TEST_F(Renderings, Buttons) {
  Make("Button", "普通按钮", BS_PUSHBUTTON, 10, 10, 90, 24, 1);
  Make("Button", "默认", BS_DEFPUSHBUTTON, 110, 10, 90, 24, 2);
  HWND pressed = Make("Button", "按下", BS_PUSHBUTTON, 210, 10, 90, 24, 3);
  HWND disabled = Make("Button", "禁用", BS_PUSHBUTTON, 310, 10, 80, 24, 4);
  Make("Button", "复选框", BS_AUTOCHECKBOX, 10, 50, 90, 20, 5);
  HWND checked = Make("Button", "已选中", BS_AUTOCHECKBOX, 110, 50, 90, 20, 6);
  HWND checkedOff = Make("Button", "禁用选中", BS_AUTOCHECKBOX, 210, 50, 90, 20, 7);
  HWND three = Make("Button", "三态", BS_AUTO3STATE, 310, 50, 80, 20, 8);
  Make("Button", "分组", BS_GROUPBOX, 10, 80, 190, 90, 9);
  HWND r1 = Make("Button", "单选一", BS_AUTORADIOBUTTON | WS_GROUP, 20, 100, 90, 20, 10);
  Make("Button", "单选二", BS_AUTORADIOBUTTON, 20, 125, 90, 20, 11);
  HWND rOff = Make("Button", "禁用", BS_AUTORADIOBUTTON, 110, 125, 80, 20, 12);
  HWND focused = Make("Button", "焦点", BS_PUSHBUTTON, 210, 90, 90, 24, 13);
  HWND focusCheck = Make("Button", "焦点复选", BS_AUTOCHECKBOX, 210, 125, 100, 20, 14);
  Make("Button", "", BS_OWNERDRAW, 310, 90, 80, 24, 15);
  Make("Button", "Left text", BS_AUTOCHECKBOX | BS_LEFTTEXT, 210, 150, 100, 20, 16);
  SendMessageA(checked, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(checkedOff, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(three, BM_SETCHECK, BST_INDETERMINATE, 0);
  SendMessageA(r1, BM_SETCHECK, BST_CHECKED, 0);
  EnableWindow(disabled, FALSE);
  EnableWindow(checkedOff, FALSE);
  EnableWindow(rOff, FALSE);
  SendMessageA(pressed, BM_SETSTATE, TRUE, 0);
  SetFocus(focusCheck);
  Settle();
  Save(m_parent, "buttons-focused-check");
  SetFocus(focused);
  Settle();
  std::string hash = Save(m_parent, "buttons");
  EXPECT_FALSE(hash.empty());
  RecordProperty("hash", hash);
  EXPECT_EQ(hash, "27246fc7aebeb780") << "the buttons look different; look at buttons.png";
}

TEST_F(Renderings, Statics) {
  Make("Static", "左对齐的文字，会自动换行到下一行", SS_LEFT, 10, 10, 120, 40, 1);
  Make("Static", "居中", SS_CENTER, 140, 10, 120, 20, 2);
  Make("Static", "右对齐", SS_RIGHT, 270, 10, 120, 20, 3);
  HWND off = Make("Static", "禁用的文字", SS_LEFT, 140, 35, 120, 20, 4);
  EnableWindow(off, FALSE);
  Make("Static", "&Prefix and no wrap here at all", SS_LEFTNOWORDWRAP, 10, 60, 150, 20, 5);
  Make("Static", "", SS_ETCHEDHORZ, 10, 90, 380, 2, 6);
  Make("Static", "", SS_BLACKRECT, 10, 100, 40, 30, 7);
  Make("Static", "", SS_GRAYRECT, 60, 100, 40, 30, 8);
  Make("Static", "", SS_WHITERECT, 110, 100, 40, 30, 9);
  Make("Static", "", SS_ETCHEDFRAME, 160, 100, 40, 30, 10);
  HWND pic = Make("Static", "", SS_BITMAP | SS_CENTERIMAGE, 210, 100, 80, 60, 11, WS_EX_CLIENTEDGE);
  HDC screen = GetDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(screen, 30, 20);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bm);
  RECT all{0, 0, 30, 20};
  FillSolidRect(mem, &all, RGB(200, 220, 255));
  RECT inner{5, 5, 25, 15};
  FillSolidRect(mem, &inner, RGB(0, 90, 160));
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  SendMessageA(pic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm));
  Make("Static", "凹陷边框", SS_CENTER | SS_CENTERIMAGE, 300, 100, 90, 30, 12, WS_EX_STATICEDGE);
  Settle();
  std::string hash = Save(m_parent, "statics");
  RecordProperty("hash", hash);
  EXPECT_EQ(hash, "368c84ee1cae63a1") << "the statics look different; look at statics.png";
  DestroyWindow(pic);
  DeleteObject(bm);
}

TEST_F(Renderings, Edits) {
  Make("Edit", "", ES_AUTOHSCROLL, 10, 10, 180, 21, 1, WS_EX_CLIENTEDGE);
  Make("Edit", "文字 text", ES_AUTOHSCROLL, 200, 10, 180, 21, 2, WS_EX_CLIENTEDGE);
  HWND ro = Make("Edit", "只读 read-only", ES_AUTOHSCROLL | ES_READONLY, 10, 40, 180, 21, 3, WS_EX_CLIENTEDGE);
  HWND off = Make("Edit", "禁用 disabled", ES_AUTOHSCROLL, 200, 40, 180, 21, 4, WS_EX_CLIENTEDGE);
  EnableWindow(off, FALSE);
  Make("Edit", "secret", ES_PASSWORD | ES_AUTOHSCROLL, 10, 70, 180, 21, 5, WS_EX_CLIENTEDGE);
  Make("Edit", "居中", ES_CENTER, 200, 70, 85, 21, 6, WS_EX_CLIENTEDGE);
  Make("Edit", "靠右", ES_RIGHT, 295, 70, 85, 21, 7, WS_BORDER);
  HWND multi = Make("Edit", "", ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 10, 100, 180, 80, 8, WS_EX_CLIENTEDGE);
  SetWindowTextA(multi, "第一行 first line\r\n第二行 a longer second line that wraps\r\n3\r\n4\r\n5\r\n6\r\n7");
  HWND sel = Make("Edit", "选中一部分 selected", ES_AUTOHSCROLL, 200, 100, 180, 21, 9, WS_EX_CLIENTEDGE);
  (void)ro;
  SetFocus(sel);
  SendMessageA(sel, EM_SETSEL, 2, 10);
  // The caret blinks: the sheet is saved for the eye, not hashed.
  Settle();
  Save(m_parent, "edits");
  SetFocus(multi);
  SendMessageA(multi, EM_SETSEL, 0, 0);
  Settle();
  Save(multi, "edit-multiline-focused");
}

TEST_F(Renderings, ListsAndCombos) {
  HWND list = Make("ListBox", "", LBS_NOTIFY | WS_VSCROLL, 10, 10, 150, 100, 1, WS_EX_CLIENTEDGE);
  for (int i = 0; i < 12; ++i) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("条目 item " + std::to_string(i)).c_str()));
  SendMessageA(list, LB_SETCURSEL, 2, 0);
  HWND few = Make("ListBox", "", LBS_NOTIFY, 10, 120, 150, 60, 2, WS_EX_CLIENTEDGE);
  SendMessageA(few, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("一"));
  SendMessageA(few, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("二"));
  HWND dropList = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 180, 10, 150, 200, 3);
  HWND dropDown = Make("ComboBox", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 180, 40, 150, 200, 4);
  HWND offCombo = Make("ComboBox", "", CBS_DROPDOWNLIST, 180, 70, 150, 200, 5);
  for (HWND c : {dropList, dropDown, offCombo}) {
    for (const char* t : {"一百", "两千", "三万", "四十万", "五百万", "六千万", "七亿", "八十亿", "九百亿"}) {
      SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
    }
    SendMessageA(c, CB_SETCURSEL, 1, 0);
  }
  EnableWindow(offCombo, FALSE);
  SetFocus(few);
  SendMessageA(few, LB_SETCURSEL, 1, 0);
  Settle();
  std::string hash = Save(m_parent, "lists");
  RecordProperty("hash", hash);
  EXPECT_EQ(hash, "4b129b5ca97376a1") << "the lists look different; look at lists.png";
  SetFocus(dropList);
  Settle();
  Save(m_parent, "lists-combo-focused");
  SendMessageA(dropList, CB_SHOWDROPDOWN, TRUE, 0);
  Settle();
  Save(m_parent, "lists-combo-dropped");
  HWND drop = GetCapture();
  ASSERT_NE(nullptr, drop);
  MoveTo(drop, 10, 40);
  UpdateWindow(drop);
  Save(drop, "combo-dropdown-list");
  SendMessageA(dropList, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(Renderings, ScrollBars) {
  HWND v = Make("ScrollBar", "", SBS_VERT, 10, 10, 16, 150, 1);
  HWND hz = Make("ScrollBar", "", SBS_HORZ, 40, 10, 200, 16, 2);
  HWND off = Make("ScrollBar", "", SBS_HORZ, 40, 40, 200, 16, 3);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 25, 30, 0};
  for (HWND b : {v, hz, off}) SetScrollInfo(b, SB_CTL, &si, TRUE);
  EnableWindow(off, FALSE);
  HWND w = Make("Static", "", SS_WHITERECT | WS_VSCROLL | WS_HSCROLL, 40, 70, 200, 100, 4, WS_EX_CLIENTEDGE);
  si = SCROLLINFO{sizeof si, SIF_ALL, 0, 9, 3, 7, 0};
  SetScrollInfo(w, SB_VERT, &si, TRUE);
  SetScrollInfo(w, SB_HORZ, &si, TRUE);
  Press(v, 8, 140);  // the down arrow held
  Settle();
  std::string hash = Save(m_parent, "scrollbars");
  Release(v, 8, 140);
  RecordProperty("hash", hash);
  EXPECT_EQ(hash, "399bf36074072526") << "the scroll bars look different; look at scrollbars.png";
}

// The program's own dialogs with their controls, for the eye only (their templates may change).
TEST_F(Renderings, ProgramDialogs) {
  ASSERT_TRUE(resources::RegisterProgramResources());
  for (WORD id : {142, 143, 132, 147, 148}) {
    HWND dialog = CreateDialogParamA(
        nullptr, MAKEINTRESOURCEA(id), nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
    if (!dialog) continue;  // a dialog holding a class the program registers itself
    // Templates may ask to start disabled or hidden; the sheet shows them enabled.
    EnableWindow(dialog, TRUE);
    SetWindowPos(dialog, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    Settle();
    EXPECT_FALSE(Save(dialog, "dialog-" + std::to_string(id)).empty()) << id;
    DestroyWindow(dialog);
  }
}

}  // namespace
