// The game client: the hall starts it with a launch line; it connects to the game server,
// enters the table and shows it. Its start-up hands the framework's message boxes and main
// window to the lower layers before the application runs.
#include "engine/EngineUtil.h"
#include "image/RasterScreenshot.h"
#include "net/NetLog.h"
#include "platform/display/Automation.h"
#include "platform/display/Display.h"
#include "platform/mfc/Afx.h"
#include "variant/VariantApp.h"

int main(int argc, char** argv) {
  // A real screen when there is one (SDL2 on X11 or Wayland), otherwise the headless one;
  // PXQD_DISPLAY=sdl or headless decides. It comes first: the application reads the screen's
  // size when it is made, and chooses the pane layout by it.
  platform::StartDisplay();
  // A test that runs the client as its own process looks at its windows and gives it input
  // through the socket that PXQD_AUTOMATION names; without the variable nothing is served.
  platform::StartAutomation();
  // The application is made here, not as a global, so that the platform's own statics (the
  // stock drawing objects its members take) exist before it does.
  static CVariantApp app;
  SetEngineMessageBoxHook(FrameworkMessageBox);
  SetEngineMainWindowHook(FrameworkMainWindow);
  SetJpegFileMessageHook(FrameworkNoticeBox);
  // The user's log, with the table's complaints and the connection's events, in the user's data
  // folder; it is capped, the older part kept beside it.
  LogSetUserFile(LogDefaultUserFile().c_str(), LOG_USER_FILE_MAX);
  std::string line = AfxMakeCommandLine(argc, argv);
  return AfxWinMain(nullptr, nullptr, line.data(), SW_SHOWNORMAL);
}
