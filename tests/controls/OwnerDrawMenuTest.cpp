// The owner-drawn menu: loading menu templates into owner-drawn pop-ups, editing items, aligning
// accelerator texts and measuring items.
#include <string>
#include <vector>

#include "controls/OwnerDrawMenu.h"
#include "platform/base/Gbk.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/display/Display.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"
#include "tests/controls/WidgetTestSupport.h"

namespace {

using widgettest::WidgetTest;

constexpr UINT MENU_ID = 7301;

struct TemplateItem {
  WORD flags;
  WORD id;
  const char* text;  // ASCII or UTF-8
};

std::vector<BYTE> MenuTemplate(const std::vector<TemplateItem>& items) {
  std::vector<BYTE> bytes = {0, 0, 0, 0};
  auto word = [&](unsigned w) {
    bytes.push_back(static_cast<BYTE>(w & 0xFF));
    bytes.push_back(static_cast<BYTE>(w >> 8));
  };
  for (const TemplateItem& item : items) {
    word(item.flags);
    if (!(item.flags & MF_POPUP)) word(item.id);
    for (wchar_t c : GbkToWide(Utf8ToGbk(item.text))) word(static_cast<unsigned>(c));
    word(0);
  }
  return bytes;
}

void RegisterTestMenu() {
  static bool done = platform::AddResource(RT_MENU, MAKEINTRESOURCEA(MENU_ID),
                                           MenuTemplate({
                                               {MF_POPUP, 0, "File"},
                                               {0, 101, "Open\tCtrl+O"},
                                               {0, 0, ""},
                                               {0, 102, "Exit\tAlt+F4"},
                                               {MF_END, 103, "A much longer item"},
                                               {MF_POPUP | MF_END, 0, "View"},
                                               {0, 201, "Status"},
                                               {MF_POPUP | MF_END, 0, "More"},
                                               {MF_END, 301, "Deep"},
                                           }));
  ASSERT_TRUE(done);
}

UINT ItemType(HMENU menu, UINT position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE;
  GetMenuItemInfoA(menu, position, TRUE, &info);
  return info.fType;
}

int TextWidth(const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  LOGFONTA lf{};
  GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfWeight = FW_NORMAL;
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  std::string gbk = WideToGbk(text);
  SIZE size{};
  GetTextExtentPoint32A(dc, gbk.c_str(), static_cast<int>(gbk.size()), &size);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return size.cx;
}

class OwnerDrawMenuTest : public WidgetTest {
 public:
  void SetUp() override {
    WidgetTest::SetUp();
    RegisterTestMenu();
  }
  static COwnerDrawMenu* Popup(CMenu* menu, int position) {
    return dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(::GetSubMenu(menu->GetSafeHmenu(), position)));
  }
};

TEST_F(OwnerDrawMenuTest, LoadingMakesOwnerDrawnPopups) {
  COwnerDrawMenu menu;
  ASSERT_TRUE(menu.LoadMenu(MENU_ID));
  ASSERT_EQ(2u, menu.GetMenuItemCount());
  EXPECT_EQ(2u, menu.GetSubMenuHandles().size());
  COwnerDrawMenu* file = Popup(&menu, 0);
  COwnerDrawMenu* view = Popup(&menu, 1);
  ASSERT_NE(nullptr, file);
  ASSERT_NE(nullptr, view);
  EXPECT_EQ(static_cast<CMenu*>(file), menu.GetSubMenu(0));
  COwnerDrawMenu* more = Popup(view, 1);
  ASSERT_NE(nullptr, more);
  EXPECT_EQ(1u, view->GetSubMenuHandles().size());
  // The top level holds plain strings; the pop-ups are owner-drawn.
  EXPECT_FALSE(ItemType(menu, 0) & MFT_OWNERDRAW);
  EXPECT_FALSE(ItemType(menu, 1) & MFT_OWNERDRAW);
  char text[32] = {0};
  EXPECT_EQ(4, menu.GetMenuString(0, text, sizeof(text), MF_BYPOSITION));
  EXPECT_STREQ("File", text);
  EXPECT_EQ(static_cast<UINT>(MF_BYPOSITION | MF_POPUP), menu.GetItemRecord(1)->flags);
  ASSERT_EQ(4, file->GetItemRecordCount());
  for (UINT i = 0; i < 4; ++i) EXPECT_TRUE(ItemType(*file, i) & MFT_OWNERDRAW) << i;
  EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), file->GetItemRecord(1)->flags);
  EXPECT_EQ(101u, file->GetItemRecord(0)->commandId);
  EXPECT_EQ(L"Deep", more->GetItemRecord(0)->text);
  // The platform item carries the record.
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_DATA;
  GetMenuItemInfoA(*file, 2, TRUE, &info);
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(file->GetItemRecord(2)), info.dwItemData);
  menu.DestroyMenu();
  EXPECT_EQ(nullptr, menu.GetSafeHmenu());
  EXPECT_EQ(0, menu.GetItemRecordCount());
}

TEST_F(OwnerDrawMenuTest, MissingResourceFails) {
  COwnerDrawMenu menu;
  EXPECT_FALSE(menu.LoadMenu(MENU_ID + 1));
  EXPECT_EQ(nullptr, menu.GetSafeHmenu());
}

TEST_F(OwnerDrawMenuTest, AcceleratorsAreAligned) {
  COwnerDrawMenu menu;
  ASSERT_TRUE(menu.LoadMenu(MENU_ID));
  COwnerDrawMenu* file = Popup(&menu, 0);
  int widest = 0;
  for (const wchar_t* head : {L"Open ", L" ", L"Exit ", L"A much longer item "}) widest = std::max(widest, TextWidth(head));
  for (int i : {0, 2}) {
    const std::wstring& text = file->GetItemRecord(i)->text;
    size_t tab = text.find(L'\t');
    ASSERT_NE(std::wstring::npos, tab);
    std::wstring head = text.substr(0, tab);
    EXPECT_GE(TextWidth(head), widest) << i;
    ASSERT_FALSE(head.empty());
    EXPECT_EQ(L' ', head.back());
    EXPECT_LT(TextWidth(head.substr(0, head.size() - 1)), widest) << i;
  }
  EXPECT_EQ(L"\tCtrl+O", file->GetItemRecord(0)->text.substr(file->GetItemRecord(0)->text.find(L'\t')));
  EXPECT_EQ(L"A much longer item", file->GetItemRecord(3)->text);
}

TEST_F(OwnerDrawMenuTest, EditingKeepsRecordsAndItemsInStep) {
  COwnerDrawMenu menu;
  ASSERT_TRUE(menu.LoadMenu(MENU_ID));
  COwnerDrawMenu* file = Popup(&menu, 0);
  COwnerDrawMenu* view = Popup(&menu, 1);
  COwnerDrawMenu* more = Popup(view, 1);

  // Command id 0 is a separator whatever the flags.
  EXPECT_TRUE(file->AppendMenu(MF_CHECKED | MF_GRAYED, 0, "ignored"));
  EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), file->GetItemRecord(4)->flags);
  EXPECT_EQ(5u, file->GetMenuItemCount());

  // Inserting by command goes into the nested pop-up that holds it, before the command.
  EXPECT_TRUE(menu.InsertMenu(301, MF_BYCOMMAND, 302, "Before deep"));
  ASSERT_EQ(2, more->GetItemRecordCount());
  EXPECT_EQ(302u, more->GetItemRecord(0)->commandId);
  EXPECT_EQ(302u, more->GetMenuItemID(0));
  EXPECT_EQ(301u, more->GetMenuItemID(1));
  EXPECT_FALSE(menu.InsertMenu(999, MF_BYCOMMAND, 303, "Nowhere"));
  EXPECT_TRUE(view->InsertMenu(static_cast<UINT>(-1), MF_BYPOSITION, 0, "sep"));
  EXPECT_EQ(static_cast<UINT>(MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW), view->GetItemRecord(2)->flags);

  EXPECT_TRUE(menu.SetMenuText(201, "Status bar", MF_BYCOMMAND));
  EXPECT_EQ(L"Status bar", view->GetItemRecord(0)->text);
  EXPECT_FALSE(menu.SetMenuText(999, "x", MF_BYCOMMAND));
  EXPECT_FALSE(file->SetMenuText(17, "x", MF_BYPOSITION));

  // Images: copied from the given list; a second call replaces the image.
  CImageList portraits;
  ASSERT_TRUE(portraits.Create(16, 16, ILC_COLORDDB | ILC_MASK, 2, 1));
  HICON red = MakeIcon(RGB(200, 0, 0), RGB(0, 0, 0)), blue = MakeIcon(RGB(0, 0, 200), RGB(0, 0, 0));
  portraits.Add(red);
  portraits.Add(blue);
  EXPECT_TRUE(menu.ModifyItemImage(static_cast<LPCTSTR>(nullptr), 201, &portraits, 0));
  const OwnerDrawItem* status = view->GetItemRecord(0);
  EXPECT_EQ(L"Status bar", status->text);
  EXPECT_EQ(0, status->imageSource);
  EXPECT_EQ(0, status->imageIndex);
  ASSERT_NE(nullptr, status->imageList);
  EXPECT_EQ(1, status->imageList->GetImageCount());
  EXPECT_TRUE(menu.ModifyItemImage("Portrait", 201, &portraits, 1));
  EXPECT_EQ(1, status->imageList->GetImageCount());
  EXPECT_EQ(L"Portrait", status->text);
  EXPECT_TRUE(menu.ModifyItemImage(static_cast<LPCTSTR>(nullptr), 201, nullptr, 0));
  EXPECT_EQ(-1, status->imageSource);
  EXPECT_TRUE(ItemType(*view, 0) & MFT_OWNERDRAW);
  // A command that no item has is refused and adds no record.
  EXPECT_FALSE(menu.ModifyItemImage(static_cast<LPCTSTR>(nullptr), 999, &portraits, 0));
  EXPECT_EQ(2, menu.GetItemRecordCount());
  EXPECT_EQ(0, CopyListImage(&portraits, -1, nullptr));
  DestroyIcon(red);
  DestroyIcon(blue);

  // Removing: a separator by position, a command by id in a nested pop-up, a whole pop-up.
  file->RemoveMenu(1, MF_BYPOSITION);
  EXPECT_EQ(4, file->GetItemRecordCount());
  EXPECT_EQ(4u, file->GetMenuItemCount());
  EXPECT_EQ(102u, file->GetItemRecord(1)->commandId);
  menu.RemoveMenu(302, MF_BYCOMMAND);
  EXPECT_EQ(1, more->GetItemRecordCount());
  EXPECT_EQ(301u, more->GetMenuItemID(0));
  menu.RemoveMenu(1, MF_BYPOSITION);
  EXPECT_EQ(1, menu.GetItemRecordCount());
  EXPECT_EQ(1u, menu.GetMenuItemCount());
  EXPECT_EQ(1u, menu.GetSubMenuHandles().size());
}

TEST_F(OwnerDrawMenuTest, MeasureItemSizes) {
  COwnerDrawMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, 0, "");
  menu.AppendMenu(MF_STRING, 10, "Call player");
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_MENU;
  mis.itemData = reinterpret_cast<ULONG_PTR>(menu.GetItemRecord(0));
  menu.MeasureItem(&mis);
  EXPECT_EQ(0u, mis.itemWidth);
  EXPECT_EQ(static_cast<UINT>(GetSystemMetrics(SM_CYMENU) / 2), mis.itemHeight);
  mis.itemData = reinterpret_cast<ULONG_PTR>(menu.GetItemRecord(1));
  menu.MeasureItem(&mis);
  EXPECT_EQ(static_cast<UINT>(TextWidth(L"Call player") + 2 * 16 + 1), mis.itemWidth);
  EXPECT_EQ(static_cast<UINT>(std::max(19, GetSystemMetrics(SM_CYMENU))), mis.itemHeight);
  EXPECT_GE(mis.itemHeight, 19u);
  EXPECT_EQ(3, GetShellKind());
  EXPECT_TRUE(IsModernShell());
}

// The owner window measures and draws the items through the pop-up's menu object while the menu
// is tracked; the shown pop-up is saved for a person to look at, and the chosen command returns.
class IdleOwner : public widgettest::RecordingParent {
 public:
  int idle = 0;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
      ++idle;
      if (idle == 1) {
        platform::InjectKey(VK_DOWN, true, 0);
        platform::InjectKey(VK_DOWN, false, 0);
      } else if (idle == 2) {
        HWND popup = platform::TrackedMenuWindow(0);
        if (popup != nullptr) platform::CaptureWindow(popup, pixels, width, height);
        platform::InjectKey(VK_RETURN, true, 0);
        platform::InjectKey(VK_RETURN, false, 0);
      } else {
        platform::InjectKey(VK_ESCAPE, true, 0);
        platform::InjectKey(VK_ESCAPE, false, 0);
      }
    }
    return widgettest::RecordingParent::WindowProc(message, wParam, lParam);
  }
};

TEST_F(OwnerDrawMenuTest, TrackedPopupIsDrawnByTheMenu) {
  IdleOwner owner;
  ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400, nullptr, nullptr));
  COwnerDrawMenu menu;
  ASSERT_TRUE(menu.LoadMenu(MENU_ID));
  COwnerDrawMenu* file = Popup(&menu, 0);
  file->SetDefaultItem(101);
  UINT chosen = static_cast<UINT>(file->TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTALIGN, 300, 200, &owner));
  EXPECT_EQ(101u, chosen);
  ASSERT_GT(owner.width, 0);
  Dump("owner-drawn-popup", owner.pixels, owner.width, owner.height);
  int highlighted = 0;
  for (uint32_t p : owner.pixels) {
    highlighted += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) == GetSysColor(COLOR_HIGHLIGHT) ? 1 : 0;
  }
  EXPECT_GT(highlighted, 100);  // the selected first item
  owner.DestroyWindow();
}

}  // namespace
