// The game client: the hall starts it with a launch line; it connects to the game server,
// enters the table and shows it. Its start-up hands the framework's message boxes and main
// window to the lower layers before the application runs.
#include "engine/EngineUtil.h"
#include "image/RasterScreenshot.h"
#include "platform/display/Display.h"
#include "platform/mfc/Afx.h"
#include "variant/VariantApp.h"

int main(int argc, char** argv) {
  // The application is made here, not as a global, so that the platform's own statics (the
  // stock drawing objects its members take) exist before it does.
  static CVariantApp app;
  // A real screen when there is one (SDL2 on X11 or Wayland), otherwise the headless one;
  // PXQD_DISPLAY=sdl or headless decides.
  platform::StartDisplay();
  SetEngineMessageBoxHook(FrameworkMessageBox);
  SetEngineMainWindowHook(FrameworkMainWindow);
  SetJpegFileMessageHook(FrameworkNoticeBox);
  std::string line = AfxMakeCommandLine(argc, argv);
  return AfxWinMain(nullptr, nullptr, line.data(), SW_SHOWNORMAL);
}
