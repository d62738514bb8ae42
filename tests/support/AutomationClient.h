// The test's end of a program's automation socket (platform/display/Automation.h): what the
// program's windows show, and clicks and typing as the display would deliver them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ShownWindow {
  uint32_t handle = 0;
  uint32_t parent = 0;
  int id = 0;
  bool visible = false;
  int left = 0, top = 0, right = 0, bottom = 0;
  std::string className;  // as the program holds it
  std::string text;       // GBK, as the program holds it
  int CenterX() const { return (left + right) / 2; }
  int CenterY() const { return (top + bottom) / 2; }
};

class AutomationClient {
 public:
  explicit AutomationClient(std::string socketPath) : m_path(std::move(socketPath)) {}
  ~AutomationClient();
  AutomationClient(const AutomationClient&) = delete;
  AutomationClient& operator=(const AutomationClient&) = delete;

  // Connects, trying again until the program serves the socket or the limit has passed.
  bool Connect(int limitMs);
  // One command's answer lines; empty when the connection failed.
  std::vector<std::string> Ask(const std::string& line);

  std::vector<ShownWindow> Windows();
  std::string Text(uint32_t handle);
  std::vector<std::string> Rows(uint32_t handle, int column);
  // The window that a click at the screen point would reach (0 for none).
  uint32_t At(int x, int y);
  bool Click(int x, int y);
  bool Click(const ShownWindow& w) { return Click(w.CenterX(), w.CenterY()); }
  bool Type(const std::string& utf8);
  bool Post(uint32_t handle, unsigned message, long long wParam, long long lParam);

  // Asks for the windows again and again until one matches or the limit has passed.
  std::optional<ShownWindow> WaitForWindow(const std::function<bool(const ShownWindow&)>& match, int limitMs);
  // The same for any condition on the program's answers.
  static bool WaitUntil(const std::function<bool()>& condition, int limitMs);

 private:
  std::string m_path;
  int m_fd = -1;
  std::string m_pending;
};

// A visible window whose text is `text` (GBK).
std::function<bool(const ShownWindow&)> VisibleWithText(const std::string& text);
// A visible window whose text begins with `prefix` (GBK).
std::function<bool(const ShownWindow&)> VisibleStartingWith(const std::string& prefix);

}  // namespace testsupport
