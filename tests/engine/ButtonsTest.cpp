// Planes with text, the three buttons, message boxes and toasts, and the console's toasts.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/AdvancedButton.h"
#include "engine/ApplyCallbacks.h"
#include "engine/MessageBoxButton.h"
#include "engine/PictureButton.h"
#include "engine/PlaneEntity.h"
#include "engine/Screen.h"
#include "platform/user/User.h"
#include "tests/engine/EngineCoreFixture.h"
#include "tools/PpsWriter.h"

namespace enginetest {
namespace {

class ButtonsTest : public EngineCoreTest {
 protected:
  AdvancedButton* Button(int x, int y, uint32_t code = 210010) {
    auto* b = new AdvancedButton();
    scene->GetWorldRef().RegisterControlObject(b);
    b->CreateOnPlane(0, code, nullptr, x, y, 30, 16, 1);
    return b;
  }
  double Alpha(AdvancedButton* b) { return b->GetPlane()->GetAlpha(); }
  // The box plane of the newest toast: the highest-levelled plane on layer 4 without a parent.
  Entity* NewestBox() {
    Entity* best = nullptr;
    for (uint32_t id = 1; id < 1000; ++id) {
      Entity* e = scene->FindEntity(id);
      if (e && e->GetKind() == ENTITY_KIND_PLANE && e->GetParent() == nullptr &&
          e->GetLevel() >= 10000) {
        best = e;
      }
    }
    return best;
  }
};

TEST_F(ButtonsTest, PlanePixelsPackAgainstTheKey) {
  EXPECT_EQ(PlaneEntity::PackColor(0x336699, DEFAULT_KEY_COLOR), 0xff996633u);
  EXPECT_EQ(PlaneEntity::PackColor(DEFAULT_KEY_COLOR, DEFAULT_KEY_COLOR), 0x00ff00ffu);
  Entity* clear = scene->CreatePlane(1, 10, 10, 6, 4, DEFAULT_KEY_COLOR, "");
  for (int i = 0; i < 24; ++i) EXPECT_EQ(PlaneEntity::GetPixels(clear)[i], 0u);
  PlaneEntity::SetPixel(clear, -1, 0, 0xffffff);
  PlaneEntity::SetPixel(clear, 6, 0, 0xffffff);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(PlaneEntity::GetPixels(clear)[i], 0u);
  PlaneEntity::SetBackColor(clear, 0x123456);
  EXPECT_EQ(PlaneEntity::GetData(clear)->backColor, 0x123456u);
  // Resizing to the same size keeps the buffer; to twice the size doubles every pixel.
  PlaneEntity::SetPixel(clear, 0, 0, 0x0000ff);
  uint32_t* before = PlaneEntity::GetPixels(clear);
  PlaneEntity::Resize(clear, 6, 4);
  EXPECT_EQ(PlaneEntity::GetPixels(clear), before);
  PlaneEntity::Resize(clear, 12, 8);
  EXPECT_EQ(PlaneEntity::GetPixels(clear)[0], 0xffff0000u);
  EXPECT_EQ(PlaneEntity::GetPixels(clear)[1], 0xffff0000u);
  EXPECT_EQ(PlaneEntity::GetPixels(clear)[12], 0xffff0000u);
  EXPECT_EQ(PlaneEntity::GetPixels(clear)[2], 0u);
  EXPECT_EQ(clear->GetWidth(), 6);
  // Sizes that are not positive leave the surface as it is.
  PlaneEntity::CreatePixels(clear, -5, 4, 0, 0);
  EXPECT_EQ(PlaneEntity::GetData(clear)->width, 12);
}

TEST_F(ButtonsTest, TextDrawnIntoAPlaneAndKeyColouredTextIsTransparent) {
  Entity* p = scene->CreatePlane(1, 40, 30, 80, 40, 0x000000, "");
  PlaneEntity::SetTextColor(p, 0xffffff);
  PlaneEntity::DrawText(p, 2, 2, "<size=16>确定 OK");
  int lit = 0;
  for (int i = 0; i < 80 * 40; ++i) lit += (PlaneEntity::GetPixels(p)[i] & 0xffffff) != 0 ? 1 : 0;
  EXPECT_GT(lit, 10);
  // Nothing lands below the line of 16-pixel text.
  for (int y = 20; y < 40; ++y) {
    for (int x = 0; x < 80; ++x) EXPECT_EQ(PlaneEntity::GetPixels(p)[y * 80 + x], 0xff000000u);
  }
  // A pixel left exactly in the key colour by a drawing loses its alpha.
  Entity* q = scene->CreatePlane(1, 40, 30, 8, 4, 0x000000, "");
  PlaneEntity::GetPixels(q)[5] = 0xffff00ffu;
  PlaneEntity::MakeKeyTransparent(q);
  EXPECT_EQ(PlaneEntity::GetPixels(q)[5], 0x00ff00ffu);
  EXPECT_EQ(PlaneEntity::GetPixels(q)[4], 0xff000000u);
  // Fitting measures the text and sizes the surface to it.
  Entity* fit = scene->CreatePlane(1, 40, 30, 4, 4, 0x000000, "");
  PlaneEntity::SetTextFont(fit, scene->GetTextFont(), 1);
  PlaneEntity::FitToText(fit, "确定确定");
  EXPECT_EQ(PlaneEntity::GetData(fit)->width, 80);
  EXPECT_EQ(PlaneEntity::GetData(fit)->height, 20);
}

TEST_F(ButtonsTest, AdvancedButtonOpacityFollowsItsState) {
  AdvancedButton* b = Button(20, 20);
  EXPECT_DOUBLE_EQ(Alpha(b), 0.8);
  scene->OnMouseMove(0, 20, 20);
  EXPECT_DOUBLE_EQ(Alpha(b), 1.0);
  scene->OnLButtonDown(0, 20, 20);
  EXPECT_DOUBLE_EQ(Alpha(b), 0.3);
  scene->OnLButtonUp(0, 20, 20);
  EXPECT_DOUBLE_EQ(Alpha(b), 1.0);
  scene->PumpEvents();
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210010}));
  // After the release the state is exactly normal: a redraw under the resting mouse gives 0.8.
  b->Redraw();
  EXPECT_DOUBLE_EQ(Alpha(b), 0.8);
  scene->OnMouseMove(0, 90, 60);
  EXPECT_DOUBLE_EQ(Alpha(b), 0.8);
  b->Enable(0);
  EXPECT_DOUBLE_EQ(Alpha(b), 0.3);
  b->Enable(1);
  EXPECT_DOUBLE_EQ(Alpha(b), 0.8);
  // A hidden button is put back to normal, at 0.8 when it can be clicked, else 0.3.
  b->GetPlane()->Hide();
  b->Redraw();
  EXPECT_DOUBLE_EQ(Alpha(b), 0.8);
  b->GetControlRecord()->BindEvent(CTRL_EVENT_CLICK, 0, 0, nullptr);
  b->Redraw();
  EXPECT_DOUBLE_EQ(Alpha(b), 0.3);
}

TEST_F(ButtonsTest, HotkeyClicksOnlyAVisibleEnabledButton) {
  AdvancedButton* b = Button(20, 20);
  b->SetHotkey(0x0d);
  scene->GetWorldRef().SetFocusControl(b->GetControlKey());
  b->BindOwnEvent(CTRL_EVENT_KEYDOWN, 0, nullptr);
  b->Enable(0);
  scene->OnKeyDown(0x0d, 1, 0);
  b->Enable(1);
  b->GetPlane()->Hide();
  scene->OnKeyDown(0x0d, 1, 0);
  b->GetPlane()->Show();
  scene->OnKeyDown(0x41, 1, 0);
  scene->PumpEvents();
  EXPECT_TRUE(scene->commands.empty());
  scene->OnKeyDown(0x0d, 1, 0);
  scene->PumpEvents();
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210010}));
}

TEST_F(ButtonsTest, FaceBorderAndLookMessages) {
  AdvancedButton* b = Button(20, 20);
  b->SetFillColor(0x00ff00, 1);
  EXPECT_EQ(PlaneEntity::GetPixels(b->GetPlane())[0], 0xff00ff00u);
  b->SetBorderColor(0x0000ff, 1);
  EXPECT_EQ(PlaneEntity::GetPixels(b->GetPlane())[0], 0xffff0000u);
  b->SetBorderColor(DEFAULT_KEY_COLOR, 1);
  EXPECT_EQ(PlaneEntity::GetPixels(b->GetPlane())[0], 0xff00ff00u);
  // The look travels by value: the other button keeps its own plane and data block.
  const uint8_t block[] = {1, 2, 3};
  b->SetDataBlock(block, 3);
  AdvancedButton* other = Button(60, 20, 210011);
  auto* look = new ButtonLookObject();
  EXPECT_EQ(b->GetControlRecord()->SendMessage(BUTTON_MSG_GET_LOOK, look), 0);
  EXPECT_EQ(other->GetControlRecord()->SendMessage(BUTTON_MSG_SET_LOOK, look), 0);
  delete look;
  EXPECT_EQ(other->Look().fillColor, 0x00ff00u);
  EXPECT_NE(other->GetPlane(), b->GetPlane());
  EXPECT_TRUE(other->GetDataBlock().empty());
  auto* data = new DataObject();
  data->bytes = {9, 9, 9, 9, 9};
  b->GetControlRecord()->SendMessage(BUTTON_MSG_SET_DATA, data);
  EXPECT_EQ(b->GetDataBlock(), (std::vector<uint8_t>{9, 9, 9}));
  delete data;
}

TEST_F(ButtonsTest, MessageBoxButtonTakesItsBoxOrItsOwnPlane) {
  Entity* box = Plane(4, 48, 30, 60, 40, 0x00ff00);
  auto* linked = new MessageBoxButton();
  scene->GetWorldRef().RegisterControlObject(linked);
  linked->CreateOnPlane(0, 210020, nullptr, 48, 40, 20, 10, 1);
  linked->SetAutoRelease(1);
  scene->AddChildEntity(box, linked->GetPlane(), 0x1802f);
  const uint32_t boxId = static_cast<uint32_t>(box->GetId());
  const uint32_t entities = scene->GetWorldRef().GetEntityCount();
  scene->OnMouseMove(0, 48, 40);
  scene->OnLButtonDown(0, 48, 40);
  scene->OnLButtonUp(0, 48, 40);
  EXPECT_EQ(scene->FindEntity(boxId), nullptr);
  EXPECT_EQ(scene->GetWorldRef().GetEntityCount(), entities - 2);
  scene->PumpEvents();
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210020}));
  auto* alone = new MessageBoxButton();
  scene->GetWorldRef().RegisterControlObject(alone);
  alone->CreateOnPlane(0, 210021, nullptr, 20, 20, 20, 10, 1);
  alone->SetAutoRelease(1);
  const uint32_t controls = scene->GetWorldRef().GetControlCount();
  scene->OnMouseMove(0, 20, 20);
  scene->OnLButtonDown(0, 20, 20);
  scene->OnLButtonUp(0, 20, 20);
  EXPECT_EQ(scene->GetWorldRef().GetControlCount(), controls - 1);
}

TEST_F(ButtonsTest, PictureButtonShowsAFramePerState) {
  PpsWriter writer(6, 8, 8, IMGFLAG_ALPHA);
  std::vector<BYTE> pixels(8 * 8 * 4, 255);
  for (int f = 0; f < 4; ++f) writer.AddFrame(pixels.data(), 0);
  Manager()->RegisterFile(Put("btn.pps", writer.Write()).c_str(), "btn", ".imge", 1, 0);
  auto* b = new PictureButton();
  scene->GetWorldRef().RegisterControlObject(b);
  b->CreateFromName("btn", 210030, nullptr, 0);
  ASSERT_NE(b->GetPicture(), nullptr);
  ASSERT_NE(b->GetOverlay(), nullptr);
  EXPECT_EQ(b->GetWidth(), 8);
  b->GetPicture()->MoveTo(30, 30);
  scene->ShowEntity(b->GetPicture(), 1);
  EXPECT_EQ(b->GetOverlay()->GetX(), 30);
  scene->OnMouseMove(0, 30, 30);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(b->GetPicture()), 1u);
  scene->OnLButtonDown(0, 30, 30);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(b->GetPicture()), 2u);
  scene->OnLButtonUp(0, 30, 30);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(b->GetPicture()), 1u);
  b->Enable(0);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(b->GetPicture()), 3u);
  scene->PumpEvents();
  EXPECT_EQ(scene->commands, (std::vector<uint32_t>{210030}));
  b->SetTag("tag");
  EXPECT_EQ(b->GetTag(), "tag");
}

TEST_F(ButtonsTest, ToastCommandShowsACentredBoxThatItsButtonRemoves) {
  scene->GetWorldRef().PostEvent(88, new TextObject("hello"));
  scene->PumpEvents();
  Entity* box = NewestBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetX(), W / 2);
  EXPECT_EQ(box->GetY(), H / 2);
  EXPECT_GE(box->GetLevel(), 10000);
  EXPECT_LT(box->GetLevel(), 20000);
  ASSERT_EQ(box->GetLinkCount(), 1u);
  Entity* ok = box->GetChild(0);
  EXPECT_EQ(ok->GetX(), box->GetX());
  EXPECT_EQ(ok->GetBottom(), box->GetBottom());
  Run(300);
  EXPECT_DOUBLE_EQ(box->GetAlpha(), 1.0);
  EXPECT_DOUBLE_EQ(ok->GetAlpha(), 1.0);
  // The box is drawn: its face colour shows in the back buffer.
  const uint32_t face = BackAt(std::max(box->GetLeft() + 2, 1), std::max(box->GetTop() + 2, 1));
  EXPECT_NE(face & 0xffffff, 0u);
  // Dragging the box carries its button.
  const int okx = ok->GetX();
  scene->OnMouseMove(0, box->GetX(), box->GetTop() + 3);
  scene->OnLButtonDown(0, box->GetX(), box->GetTop() + 3);
  scene->OnMouseMove(0, box->GetX() + 4, box->GetTop() + 3);
  scene->PumpEvents();
  scene->OnLButtonUp(0, box->GetX(), box->GetTop());
  scene->PumpEvents();
  EXPECT_EQ(ok->GetX(), okx + 4);
  // Clicking OK posts code 0 (nothing) and removes the box with the button.
  scene->OnMouseMove(0, ok->GetX(), ok->GetY());
  scene->OnLButtonDown(0, ok->GetX(), ok->GetY());
  scene->OnLButtonUp(0, ok->GetX(), ok->GetY());
  scene->PumpEvents();
  EXPECT_EQ(NewestBox(), nullptr);
  EXPECT_TRUE(scene->commands.empty());
}

TEST_F(ButtonsTest, ToastFadeStepsByDuration) {
  const struct {
    uint32_t duration;
    int32_t step;
  } cases[] = {{500, -10}, {20000, -1}, {4000, -2}};
  for (const auto& c : cases) {
    scene->ShowToast("x", 0, c.duration, 30, 30, 40, 20, 0, 0, 0);
    scene->GetWorldRef().RunApplies();
    const Apply& fadeOut = scene->GetWorldRef().GetActiveApplies().back();
    EXPECT_EQ(fadeOut.params.p1, c.step) << c.duration;
    EXPECT_EQ(fadeOut.flags & APPLY_FLAG_DESTROY_TARGET, APPLY_FLAG_DESTROY_TARGET);
    EXPECT_EQ(fadeOut.held, 1);
  }
  // A mode-0 toast ends itself: faded in, faded out (100 steps for the longest), gone.
  Run(4000);
  EXPECT_EQ(NewestBox(), nullptr);
}

TEST_F(ButtonsTest, ConsoleToastsAndEndGame) {
  EXPECT_EQ(scene->OnConsoleCommand("/showsystem"), 1);
  Entity* first = NewestBox();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(scene->OnConsoleCommand("/showgameset"), 1);
  EXPECT_EQ(scene->OnConsoleCommand("/showsystem"), 1);
  int boxes = 0;
  for (uint32_t id = 1; id < 1000; ++id) {
    Entity* e = scene->FindEntity(id);
    boxes += e && e->GetLevel() >= 10000 && e->GetParent() == nullptr ? 1 : 0;
  }
  EXPECT_EQ(boxes, 3);
  EXPECT_EQ(scene->OnConsoleCommand("/glintmoth"), 1);
  EXPECT_EQ(scene->OnConsoleCommand("/endgame"), 1);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ButtonsTest, WritePlaneAndDrawPlaneReportMissingPlanes) {
  EXPECT_EQ(scene->WritePlane(4242, 0, 0, "x", nullptr), 0);
  EXPECT_EQ(scene->DrawPlane(4242, 0, 0, 0, 0, ResourceFrame{}, 0, 1, 0), 0);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("写平面错误,目标不存在!"), std::string::npos);
  EXPECT_NE(log.find("画平面错误,目标不存在!"), std::string::npos);
  Entity* p = scene->CreatePlane(1, 10, 10, 20, 10, 0, "");
  EXPECT_EQ(scene->WritePlane(static_cast<uint32_t>(p->GetId()), 0, 0, "ab", nullptr), ENGINE_OK);
  // A facade error is logged only while logging is on.
  scene->ShowEntity(nullptr, 1);
  EXPECT_EQ(ReadLog().find("物体隐藏错误，一个不存在的物体"), std::string::npos);
  scene->OnConsoleCommand("/logon");
  scene->ShowEntity(nullptr, 1);
  EXPECT_NE(ReadLog().find("物体隐藏错误，一个不存在的物体"), std::string::npos);
  scene->OnConsoleCommand("/logoff");
}

}  // namespace
}  // namespace enginetest
