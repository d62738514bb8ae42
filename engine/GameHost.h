// What the engine needs of the layers around it: the host view that owns the frame and hover
// timers, and the framework's chat pane. The framework installs the real services once its main
// frame exists; until then (and in tests) there is no host view and no chat pane.
#pragma once

class EngineHostView {
 public:
  virtual ~EngineHostView() = default;
  // Kills the view's frame timer and its hover timer.
  virtual void KillTimers() = 0;
};

struct GameHostServices {
  // The main frame's table view, or null when there is no main window or it has none.
  EngineHostView* (*getTableView)() = nullptr;
  // Appends one line of chat markup to the main frame's chat pane; 0 when there is none.
  int (*addChatText)(const char* text) = nullptr;
};

void SetGameHostServices(const GameHostServices& services);
const GameHostServices& GetGameHostServices();
