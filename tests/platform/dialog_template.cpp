// The template builders against hand-written bytes of Win32's layouts, and the template reader
// on good, cut and malformed templates.
#include <gtest/gtest.h>

#include <vector>

#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/MenuTemplate.h"
#include "platform/user/Resources.h"

namespace {

using Bytes = std::vector<BYTE>;

// "宋体" in UTF-16: U+5B8B U+4F53.
#define SONG 0x8B, 0x5B, 0x53, 0x4F, 0x00, 0x00

DialogTemplate PlainTemplate() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 100, 50, "AB")
      .Font("宋体", 9)
      .Add("button", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 20, 50, 14)
      .Add("MyClass", "x", 5, 0, 1, 2, 3, 4)
      .Data({0xAA, 0xBB, 0xCC});
}

const Bytes PLAIN_BYTES = {
    0xC0, 0x00, 0xC0, 0x80,  // WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT
    0x00, 0x00, 0x00, 0x00,  // extended style
    0x02, 0x00,              // two items
    0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x32, 0x00,  // 0, 0, 100, 50
    0x00, 0x00,              // no menu
    0x00, 0x00,              // the dialog class
    0x41, 0x00, 0x42, 0x00, 0x00, 0x00,  // "AB"
    0x09, 0x00,              // 9 points
    SONG,                    // 36 bytes so far: the first item is aligned already
    0x01, 0x00, 0x01, 0x50,  // BS_DEFPUSHBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE
    0x00, 0x00, 0x00, 0x00,
    0x0A, 0x00, 0x14, 0x00, 0x32, 0x00, 0x0E, 0x00,
    0x01, 0x00,              // IDOK
    0xFF, 0xFF, 0x80, 0x00,  // the Button class ordinal
    0x4F, 0x00, 0x4B, 0x00, 0x00, 0x00,  // "OK"
    0x00, 0x00,              // no creation data; 66 bytes
    0x00, 0x00,              // padding to a DWORD boundary
    0x00, 0x00, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00,
    0x05, 0x00,
    'M', 0, 'y', 0, 'C', 0, 'l', 0, 'a', 0, 's', 0, 's', 0, 0, 0,
    'x', 0, 0, 0,
    0x03, 0x00, 0xAA, 0xBB, 0xCC,
};

DialogTemplate ExtendedTemplate() {
  return DialogTemplate(WS_POPUP, 1, 2, 3, 4)
      .Font("宋体", 9)
      .Extended(7)
      .ExStyle(WS_EX_TOOLWINDOW)
      .Add("Edit", "", 300, WS_TABSTOP, 5, 6, 7, 8, WS_EX_CLIENTEDGE, 9)
      .Hidden();
}

const Bytes EXTENDED_BYTES = {
    0x01, 0x00, 0xFF, 0xFF,  // version 1, signature
    0x07, 0x00, 0x00, 0x00,  // help id
    0x80, 0x00, 0x00, 0x00,  // WS_EX_TOOLWINDOW
    0x40, 0x00, 0x00, 0x80,  // WS_POPUP | DS_SETFONT
    0x01, 0x00,
    0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // menu, class, empty title
    0x09, 0x00, 0x90, 0x01, 0x00, 0x01,  // 9 points, weight 400, not italic, charset 1
    SONG,                                // 44 bytes
    0x09, 0x00, 0x00, 0x00,  // help id
    0x00, 0x02, 0x00, 0x00,  // WS_EX_CLIENTEDGE
    0x00, 0x00, 0x01, 0x40,  // WS_TABSTOP | WS_CHILD, hidden
    0x05, 0x00, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00,
    0x2C, 0x01, 0x00, 0x00,  // id 300 as a DWORD
    0xFF, 0xFF, 0x81, 0x00,  // Edit
    0x00, 0x00, 0x00, 0x00,
};

TEST(DialogTemplateBuilder, WritesDlgTemplateBytes) { EXPECT_EQ(PLAIN_BYTES, PlainTemplate().Bytes()); }

TEST(DialogTemplateBuilder, WritesDlgTemplateExBytes) { EXPECT_EQ(EXTENDED_BYTES, ExtendedTemplate().Bytes()); }

TEST(DialogTemplateReader, ReadsBackWhatTheBuilderWrote) {
  platform::ParsedDialog t;
  Bytes plain = PLAIN_BYTES;
  ASSERT_TRUE(platform::ParseDialogTemplate(plain.data(), plain.size(), t));
  EXPECT_FALSE(t.extended);
  EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT), t.style);
  EXPECT_EQ("AB", t.caption);
  EXPECT_TRUE(t.hasFont);
  EXPECT_EQ(9, t.pointSize);
  EXPECT_EQ("宋体", t.face);
  ASSERT_EQ(2u, t.items.size());
  EXPECT_EQ("Button", t.items[0].className);
  EXPECT_EQ("OK", t.items[0].text);
  EXPECT_EQ(static_cast<DWORD>(IDOK), t.items[0].id);
  EXPECT_EQ(50, t.items[0].cx);
  EXPECT_EQ("MyClass", t.items[1].className);
  EXPECT_EQ((Bytes{0xAA, 0xBB, 0xCC}), t.items[1].data);

  Bytes ext = EXTENDED_BYTES;
  ASSERT_TRUE(platform::ParseDialogTemplate(ext.data(), ext.size(), t));
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(7u, t.helpId);
  EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), t.exStyle);
  EXPECT_EQ(400, t.weight);
  EXPECT_EQ(1, t.charSet);
  ASSERT_EQ(1u, t.items.size());
  EXPECT_EQ(300u, t.items[0].id);
  EXPECT_EQ(9u, t.items[0].helpId);
  EXPECT_EQ("Edit", t.items[0].className);
  EXPECT_EQ(0u, t.items[0].style & WS_VISIBLE);
}

TEST(DialogTemplateReader, RefusesEveryCutAndBadCounts) {
  for (const Bytes& full : {PLAIN_BYTES, EXTENDED_BYTES}) {
    for (size_t n = 0; n < full.size(); ++n) {
      Bytes cut(full.begin(), full.begin() + static_cast<long>(n));
      platform::ParsedDialog t;
      EXPECT_FALSE(platform::ParseDialogTemplate(cut.data(), cut.size(), t)) << "cut at " << n;
    }
  }
  // More items than the bytes hold.
  Bytes many = PLAIN_BYTES;
  many[8] = 100;
  platform::ParsedDialog t;
  EXPECT_FALSE(platform::ParseDialogTemplate(many.data(), many.size(), t));
  // A class ordinal that names no predefined class.
  Bytes badClass = PLAIN_BYTES;
  badClass[56] = 0x90;
  EXPECT_FALSE(platform::ParseDialogTemplate(badClass.data(), badClass.size(), t));
  // A creation-data size beyond the end.
  Bytes badData = PLAIN_BYTES;
  badData[badData.size() - 4] = 0x20;
  EXPECT_FALSE(platform::ParseDialogTemplate(badData.data(), badData.size(), t));
  EXPECT_FALSE(platform::ParseDialogTemplate(nullptr, 100, t));
}

TEST(MenuTemplateBuilder, WritesTheResourceLayoutWithEndMarks) {
  Bytes bytes = MenuTemplate()
                    .Popup("F")
                    .Item("X", 57665)
                    .Separator()
                    .Popup("S")
                    .Item("a", 3, 0x08 /* MF_CHECKED */)
                    .End()
                    .End()
                    .Popup("菜")
                    .Item("b", 4)
                    .End()
                    .Bytes();
  const Bytes expected = {
      0x00, 0x00, 0x00, 0x00,                    // header
      0x10, 0x00, 'F', 0, 0, 0,                  // pop-up "F"
      0x00, 0x00, 0x41, 0xE1, 'X', 0, 0, 0,      // 57665 "X"
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00,        // separator
      0x90, 0x00, 'S', 0, 0, 0,                  // pop-up "S", last of its level
      0x88, 0x00, 0x03, 0x00, 'a', 0, 0, 0,      // checked 3 "a", last of its level
      0x90, 0x00, 0xDC, 0x83, 0, 0,              // pop-up "菜" (U+83DC), last of the top level
      0x80, 0x00, 0x04, 0x00, 'b', 0, 0, 0,      // 4 "b"
  };
  EXPECT_EQ(expected, bytes);
}

TEST(DialogTemplateBuilder, RegistersAsDialogResource) {
  ASSERT_TRUE(PlainTemplate().Register(30001));
  HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(30001), RT_DIALOG);
  ASSERT_NE(nullptr, res);
  ASSERT_EQ(PLAIN_BYTES.size(), SizeofResource(nullptr, res));
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
  EXPECT_EQ(PLAIN_BYTES, Bytes(data, data + PLAIN_BYTES.size()));
}

}  // namespace
