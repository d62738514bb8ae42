#include "tests/variant/support/TableViewFixture.h"

#include <cstring>
#include <filesystem>
#include <utility>

#include "engine/EngineClock.h"
#include "engine/EngineUtil.h"
#include "platform/display/Display.h"
#include "platform/kernel/Time.h"
#include "tests/platform/GdiTestCanvas.h"
#include "tests/support/MessagePump.h"

namespace tabletest {

namespace {

HWND g_mainWindow = nullptr;
// The engine draws only while the program's main window is visible; the parent stands in.
HWND MainWindow() { return g_mainWindow; }

}  // namespace

void TableViewFixture::SetUp() {
  EngineResTest::SetUp();
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  platform::StopClock();
  SetEngineClockSource(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "HeadlessTableParent";
  RegisterClassA(&wc);
  m_parent = CreateWindowExA(0, "HeadlessTableParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, ParentWidth(),
                             ParentHeight(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(m_parent, nullptr);
  g_mainWindow = m_parent;
  SetEngineMainWindowHook(MainWindow);
}

void TableViewFixture::TearDown() {
  if (m_view.Window() != nullptr) DestroyWindow(m_view.Window());
  m_ownedScene.reset();
  SetEngineMainWindowHook(nullptr);
  g_mainWindow = nullptr;
  if (m_parent != nullptr) DestroyWindow(m_parent);
  m_parent = nullptr;
  platform::StartClock();
  EngineResTest::TearDown();
}

void TableViewFixture::LinkGameData(bool withSound) {
  std::filesystem::create_directory_symlink(PXQD_SKINS_DIR, m_dir.File("skins"));
  if (withSound) {
    std::filesystem::create_directory_symlink(std::filesystem::path(PXQD_SKINS_DIR).parent_path() / "sound",
                                              m_dir.File("sound"));
  }
}

void TableViewFixture::OpenView(GameBase* scene, bool start) {
  ASSERT_NE(m_view.Create(m_parent, RECT{0, 0, ParentWidth(), ParentHeight()}), nullptr);
  ASSERT_EQ(m_view.AttachGame(scene), 1);
  m_view.InitScreen();
  if (!start) return;
  m_view.Start();
  Advance(40);
}

void TableViewFixture::Advance(DWORD ms) {
  for (DWORD t = 0; t < ms; t += 10) {
    platform::AdvanceClock(10);
    testsupport::Pump();
  }
}

std::vector<uint32_t> TableViewFixture::Capture(const char* name, DWORD settle) {
  Advance(settle);
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  EXPECT_TRUE(platform::CaptureWindow(m_view.Window(), pixels, w, h));
  std::filesystem::create_directories(PXQD_TABLE_DUMP_DIR);
  gditest::WritePng(std::string(PXQD_TABLE_DUMP_DIR) + "/" + name + ".png", pixels.data(), w, h, w * 4);
  m_captureWidth = w;
  return pixels;
}

uint32_t TableViewFixture::At(const std::vector<uint32_t>& pixels, int x, int y) const {
  return pixels[static_cast<size_t>(y) * static_cast<size_t>(m_captureWidth) + static_cast<size_t>(x)] & 0xffffff;
}

CVariantTableScene* VariantTableFixture::MakeScene(CVariantTableScene::Hooks hooks, CVariantTableScene* scene) {
  m_scene = Own(scene != nullptr ? scene : new CVariantTableScene(m_model));
  m_scene->SetHooks(std::move(hooks));
  m_forward.to = m_scene;
  return m_scene;
}

void VariantTableFixture::TearDown() {
  TableViewFixture::TearDown();
  // The scene is gone with the view: the model's effects reach nothing from now on.
  m_forward.to = nullptr;
  m_scene = nullptr;
}

int RecordingConnection::Exchange(CString&, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                                  int wait) {
  codes.push_back(code);
  bodies.emplace_back(body, body + *length);
  if (replyData) *replyData = nullptr;
  *result = wait == 1 ? 10 : 0;
  *length = 0;
  auto reply = replies.find(code);
  if (wait == 1 && replyData != nullptr && reply != replies.end()) {
    *replyData = new BYTE[reply->second.size()];
    std::memcpy(*replyData, reply->second.data(), reply->second.size());
    *length = static_cast<int>(reply->second.size());
    replies.erase(reply);
  }
  return 1;
}

CSceneRequests::Identity TurnTableFixture::OwnIdentity() {
  CSceneRequests::Identity id;
  id.context = [] {
    RequestContext c;
    c.userId = OWN_USER;
    c.chair = 0;
    return c;
  };
  return id;
}

}  // namespace tabletest
