// pxqd-enginedemo [seconds]: the table-like demo scene in a real window (SDL2 when a display is
// there), run through the host contract until Escape, the window closing, or the given seconds.
#include <cstdio>
#include <cstdlib>

#include "engine/ResourceManager.h"
#include "platform/display/Display.h"
#include "platform/kernel/Time.h"
#include "tools/DemoTableScene.h"
#include "tools/SceneHost.h"

int main(int argc, char** argv) {
  const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 0;
  platform::StartDisplay();
  {
    SceneHost host;
    if (host.Create("pxqd engine demo", 800, 600) == nullptr) {
      std::fprintf(stderr, "pxqd-enginedemo: no window\n");
      return 1;
    }
    auto* scene = new DemoTableScene();
    if (!host.AttachGame(scene)) return 1;
    host.Start();
    if (seconds != 0) SetTimer(host.Window(), 9999, seconds * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER && msg.wParam == 9999) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    std::printf("frames %u, arrivals %u, average frame %d ms\n", host.Frames(), scene->Arrivals(),
                scene->GetAverageFrameTime());
    DestroyWindow(host.Window());
    delete scene;
  }
  platform::StopDisplay();
  return 0;
}
