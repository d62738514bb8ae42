// A client made of the framework and the test doubles of the game layers, for the end-to-end
// tests: the hall stand-in starts it with a launch line, and it connects, enters the table and
// closes as the real client does, with empty panes. Its start-up wires the lower layers' message
// boxes and main window to the framework, as the game's own start-up does.
#include <cstdlib>

#include "engine/EngineUtil.h"
#include "image/RasterScreenshot.h"
#include "platform/mfc/Afx.h"
#include "tests/support/FrameworkDoubles.h"

namespace {

testsupport::CTestGameApp g_app;

}  // namespace

int main(int argc, char** argv) {
  // The end-to-end tests ask the client, through its environment, to act as a player would.
  if (const char* line = std::getenv("PXQD_TESTCLIENT_SAY")) g_app.m_lineOnEnter = line;
  g_app.m_playOnEnter = std::getenv("PXQD_TESTCLIENT_PLAY") != nullptr;
  g_app.m_reportToHall = true;
  SetEngineMessageBoxHook(FrameworkMessageBox);
  SetEngineMainWindowHook(FrameworkMainWindow);
  SetJpegFileMessageHook(FrameworkNoticeBox);
  std::string line = AfxMakeCommandLine(argc, argv);
  return AfxWinMain(nullptr, nullptr, line.data(), SW_SHOWNORMAL);
}
