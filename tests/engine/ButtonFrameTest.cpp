// The button frame: its skin laid out around the anchor, slots filled and emptied, resizing, the
// hover bar's fades, and the core command that resets its buttons.
#include <gtest/gtest.h>

#include "engine/ButtonFrame.h"
#include "engine/Screen.h"
#include "tests/engine/EngineCoreFixture.h"

namespace enginetest {
namespace {

class ButtonFrameTest : public EngineCoreTest {
 protected:
  void SetUp() override {
    EngineCoreTest::SetUp();
    std::vector<DWORD> skin(60 * 8, 0x808080);
    skinId = Manager()->RegisterFile(Put("skin.bmp", MakeBmp24(60, 8, skin)).c_str(), nullptr,
                                     ".imge", 1, 0);
    ASSERT_NE(skinId, 0u);
    frames[0] = ResourceFrame{skinId, 0, 0, 10, 8, nullptr};
    frames[1] = ResourceFrame{skinId, 10, 0, 10, 8, nullptr};
    frames[2] = ResourceFrame{skinId, 20, 0, 40, 8, nullptr};
    layout.frames = frames;
  }
  ControlRecord* Button(int x = 0) {
    Entity* e = scene->CreatePlane(4, x, 0, 20, 6, 0xffffff, "");
    return Recorded(e, {2, 3});
  }
  DWORD skinId = 0;
  ResourceFrame frames[3];
  ButtonFrameLayout layout{};
};

TEST_F(ButtonFrameTest, SkinAndSlotsAreLaidOutAroundTheAnchor) {
  BUTTONFRAME* frame = scene->CreateButtonFrame(3, &layout);
  Entity* anchor = frame->GetAnchor();
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(anchor->GetWidth(), 140);
  anchor->MoveTo(200, 30);
  frame->LayoutFrame();
  EXPECT_EQ(frame->GetSlot(0).offsetX, -40);
  EXPECT_EQ(frame->GetSlot(1).offsetX, 0);
  EXPECT_EQ(frame->GetSlot(2).offsetX, 40);
  ControlRecord* b = Button();
  EXPECT_EQ(frame->OnButton(2, b), nullptr);
  EXPECT_EQ(b->entity->GetX(), 240);
  EXPECT_EQ(b->entity->GetLevel(), anchor->GetLevel() + 2);
  // The same control in the same slot changes nothing; moving the anchor carries the button.
  received.clear();
  EXPECT_EQ(frame->OnButton(2, b), b);
  EXPECT_TRUE(received.empty());
  anchor->MoveBy(10, 0);
  EXPECT_EQ(b->entity->GetX(), 250);
  EXPECT_EQ(frame->OnButton(3, b), nullptr);
  EXPECT_NE(ReadLog().find("BUTTONFRAME::OnButton()错误,一个越界的请求"), std::string::npos);
  EXPECT_EQ(frame->GetButton(static_cast<uint32_t>(-1)), nullptr);
  // A deleted control leaves its slot empty.
  scene->GetWorldRef().DeleteControl(b->key);
  EXPECT_EQ(frame->GetButton(2), nullptr);
}

TEST_F(ButtonFrameTest, ResizeKeepsChangesOrDropsButtons) {
  BUTTONFRAME* frame = scene->CreateButtonFrame(3, &layout);
  EXPECT_EQ(frame->Resize(3, &layout, 0, nullptr), -1);
  EXPECT_EQ(frame->Resize(-1, nullptr, 0, nullptr), 0);
  EXPECT_EQ(frame->GetAnchor()->GetWidth(), 140);
  EXPECT_EQ(frame->Resize(4, &layout, 0, nullptr), 0);
  ControlRecord* b2 = Button();
  ControlRecord* b3 = Button();
  const uint32_t k2 = b2->key;
  const uint32_t k3 = b3->key;
  frame->OnButton(2, b2);
  frame->OnButton(3, b3);
  EXPECT_EQ(frame->Resize(2, &layout, 1, nullptr), 2);
  EXPECT_EQ(scene->GetWorldRef().FindControl(k2), nullptr);
  EXPECT_EQ(scene->GetWorldRef().FindControl(k3), nullptr);
  EXPECT_EQ(frame->GetAnchor()->GetWidth(), 100);
  EXPECT_EQ(frame->BindEvent(2, 2, frame->GetControlKey()), 0);
}

TEST_F(ButtonFrameTest, HoverBarFadesInOnceAndOutWithButtonsDisabled) {
  BUTTONFRAME* frame = scene->CreateButtonFrame(2, &layout);
  frame->SetStyle(BUTTONFRAME_STYLE_HOVER | BUTTONFRAME_STYLE_ENABLE_ON_SHOW);
  frame->BindEvent(CTRL_EVENT_ENTER, CTRL_EVENT_ENTER, frame->GetControlKey());
  frame->BindEvent(CTRL_EVENT_LEAVE, CTRL_EVENT_LEAVE, frame->GetControlKey());
  Entity* anchor = frame->GetAnchor();
  anchor->MoveTo(48, 30);
  anchor->SetAlpha(0.0);
  scene->ShowEntity(anchor, 1);
  frame->LayoutFrame();
  ControlRecord* b = Button();
  frame->OnButton(0, b);
  b->Enable(0);
  scene->OnMouseMove(0, 48, 30);
  EXPECT_EQ(frame->IsOpen(), 1);
  scene->OnMouseMove(0, 49, 30);
  Run(400);
  EXPECT_DOUBLE_EQ(anchor->GetAlpha(), 1.0);
  EXPECT_DOUBLE_EQ(b->entity->GetAlpha(), 1.0);
  // The fade-in's end enabled the button.
  EXPECT_EQ(b->enabled, 1);
  scene->OnMouseMove(0, 5, 60);
  EXPECT_EQ(frame->IsOpen(), 0);
  EXPECT_EQ(b->enabled, 0);
  Run(400);
  EXPECT_DOUBLE_EQ(anchor->GetAlpha(), 0.0);
}

TEST_F(ButtonFrameTest, CoreCommandResetsPictureButtons) {
  BUTTONFRAME* frame = scene->CreateButtonFrame(1, &layout);
  Entity* pic = scene->CreatePicture(4, 0, 0, skinId, 0, 0, 10, 8, "", 0x00ff00);
  ControlRecord* b = Recorded(pic, {3});
  frame->OnButton(0, b);
  b->Enable(0);
  received.clear();
  scene->GetWorldRef().PostEvent(67, frame);
  scene->PumpEvents();
  EXPECT_EQ(PictureEntity::GetBackColor(pic), 0u);
  EXPECT_EQ(b->enabled, 1);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].code, CTRL_MSG_ENABLED);
  EXPECT_EQ(received[1].code, CTRL_EVENT_LEAVE);
}

}  // namespace
}  // namespace enginetest
