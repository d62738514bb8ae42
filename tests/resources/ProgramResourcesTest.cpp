// The program's resources: every one is registered, the dialog templates read back with their
// controls, and the menus hold their commands.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "platform/display/Display.h"
#include "platform/media/AudioOutput.h"
#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"
#include "resources/ProgramResources.h"

namespace {

platform::ParsedDialog Dialog(WORD id) {
  platform::ParsedDialog t;
  HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
  EXPECT_NE(nullptr, res) << id;
  if (!res) return t;
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
  EXPECT_TRUE(platform::ParseDialogTemplate(data, SizeofResource(nullptr, res), t)) << id;
  return t;
}

TEST(ProgramResources, DialogTemplatesHoldTheirControls) {
  ASSERT_TRUE(resources::RegisterProgramResources());
  struct Case {
    WORD id;
    short cx, cy;
    std::vector<DWORD> ids;
  } cases[] = {
      {142, 207, 45, {1009, 1008}},
      {143, 179, 71, {IDCANCEL, IDOK, 1012, 1011, 1010}},
      {132, 187, 100, {135, 1096}},
      {147, 217, 110, {1005}},
      {148, 115, 41, {1016, 0xFFFFFFFF, 1015, 1017, 1018}},  // an extended template keeps -1 in 32 bits
  };
  for (const Case& c : cases) {
    platform::ParsedDialog t = Dialog(c.id);
    EXPECT_EQ(c.cx, t.cx) << c.id;
    EXPECT_EQ(c.cy, t.cy) << c.id;
    EXPECT_EQ("宋体", t.face) << c.id;
    EXPECT_EQ(9, t.pointSize) << c.id;
    std::vector<DWORD> ids;
    for (const auto& item : t.items) ids.push_back(item.id);
    EXPECT_EQ(c.ids, ids) << c.id;
  }
  EXPECT_EQ("游戏", Dialog(143).caption);
  EXPECT_TRUE(Dialog(148).extended);
  EXPECT_EQ("请求\r\n看牌", Dialog(148).items[1].text);
  EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), Dialog(142).exStyle & WS_EX_TOOLWINDOW);
  EXPECT_EQ(static_cast<DWORD>(WS_DISABLED | DS_SYSMODAL | DS_CENTER),
            Dialog(142).style & (WS_DISABLED | DS_SYSMODAL | DS_CENTER));
}

TEST(ProgramResources, CountDownBoxIsCreatedFromItsId) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  ASSERT_TRUE(resources::RegisterProgramResources());
  HWND box = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(143), nullptr,
                                [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; },
                                0);
  ASSERT_NE(nullptr, box);
  RECT client;
  GetClientRect(box, &client);
  EXPECT_EQ(269, client.right);  // 179 units of a 6-pixel character width
  EXPECT_EQ(107, client.bottom);  // 71 units of a 12-pixel character height
  char text[16];
  GetDlgItemTextA(box, 1011, text, sizeof text);
  EXPECT_STREQ("10", text);
  GetDlgItemTextA(box, IDOK, text, sizeof text);
  EXPECT_STREQ("确定", text);
  DestroyWindow(box);
}

TEST(ProgramResources, MenusHoldTheirCommands) {
  ASSERT_TRUE(resources::RegisterProgramResources());
  struct Case {
    WORD id;
    std::vector<WORD> commands;
  } cases[] = {
      {128, {57665}},
      {130, {1900, 0, 1901, 0, 1902, 1903, 1904, 0, 1906, 0, 1905}},
      {131, {32781}},
  };
  for (const Case& c : cases) {
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(c.id), RT_MENU);
    ASSERT_NE(nullptr, res) << c.id;
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    DWORD size = SizeofResource(nullptr, res);
    // One pop-up after the header, then its items: flags, id and a terminated UTF-16 text each.
    size_t pos = 4;
    ASSERT_LT(pos + 2, size);
    EXPECT_EQ(0x90, data[pos] | data[pos + 1] << 8) << c.id;  // MF_POPUP | MF_END
    pos += 2;
    while (pos + 1 < size && (data[pos] | data[pos + 1])) pos += 2;
    pos += 2;
    std::vector<WORD> commands;
    while (pos + 3 < size) {
      WORD flags = static_cast<WORD>(data[pos] | data[pos + 1] << 8);
      commands.push_back(static_cast<WORD>(data[pos + 2] | data[pos + 3] << 8));
      pos += 4;
      while (pos + 1 < size && (data[pos] | data[pos + 1])) pos += 2;
      pos += 2;
      if (flags & 0x80) break;
    }
    EXPECT_EQ(c.commands, commands) << c.id;
    EXPECT_EQ(size, pos) << c.id;
  }
}

// The media the program carries are registered under the ids and types the program asks for,
// each in the form its loader reads: icon files, packed DIBs of the expected size, a PNG and
// PCM WAVE sounds that the sound layer decodes.
TEST(ProgramResources, MediaByIdInTheirForms) {
  ASSERT_TRUE(resources::RegisterProgramResources());
  platform::AudioOutput::Instance().UseNull(nullptr);
  enum Form { ICON, DIB, PNG, WAVE };
  struct Case {
    LPCSTR type;
    WORD id;
    Form form;
    int width, height;
  } cases[] = {
      {RT_GROUP_ICON, 151, ICON, 0, 0}, {RT_GROUP_ICON, 152, ICON, 0, 0}, {RT_GROUP_ICON, 165, ICON, 0, 0},
      {RT_GROUP_ICON, 166, ICON, 0, 0}, {RT_BITMAP, 162, DIB, 22, 21},    {RT_BITMAP, 229, DIB, 0, 0},
      {"PNG", 300, PNG, 0, 0},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (WORD id : {29000, 29001, 29002, 29003, 29004, 29005, 29010, 29011, 29012, 29013, 29014, 29015, 29100, 29101,
                  29102, 29103, 29104, 29106, 29108}) {
    all.push_back({"SOUND", id, WAVE, 0, 0});
  }
  for (const Case& c : all) {
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(c.id), c.type);
    ASSERT_NE(nullptr, res) << c.id;
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    const DWORD size = SizeofResource(nullptr, res);
    ASSERT_GT(size, 40u) << c.id;
    auto u32 = [&](size_t at) {
      return static_cast<DWORD>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24);
    };
    switch (c.form) {
      case ICON:
        EXPECT_EQ(0x00010000u, u32(0)) << c.id;
        EXPECT_GE(data[4], 1) << c.id;
        break;
      case DIB:
        EXPECT_EQ(40u, u32(0)) << c.id;
        if (c.width) {
          EXPECT_EQ(static_cast<DWORD>(c.width), u32(4)) << c.id;
          EXPECT_EQ(static_cast<DWORD>(c.height), u32(8)) << c.id;
        }
        break;
      case PNG:
        EXPECT_EQ(0, std::memcmp(data, "\x89PNG", 4)) << c.id;
        break;
      case WAVE:
        EXPECT_EQ(0, std::memcmp(data, "RIFF", 4)) << c.id;
        EXPECT_EQ(0, std::memcmp(data + 8, "WAVEfmt ", 8)) << c.id;
        EXPECT_EQ(1, data[20]) << c.id;  // PCM
        ASSERT_NE(nullptr, platform::AudioOutput::Instance().DecodeWave(data, size)) << c.id;
        break;
    }
  }
}

}  // namespace
