// What every control shares: its state object kept in the window's extra bytes, the font,
// notifications to the parent, the parent's colours, GBK character steps and the scroll-bar
// model that the scroll-bar control, the window scroll bars and the lists use.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Window.h"
#include "platform/user/controls/Controls.h"

namespace platform::controls {

// Every control keeps a pointer to its state in the first extra bytes of its window.
template <typename T>
T* StateOf(HWND hwnd) {
  return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, 0));
}

// Makes the control's state on WM_NCCREATE and frees it on WM_NCDESTROY. Returns the state for
// every other message; null for those two messages or a control without state, which the caller
// then hands to DefWindowProc.
template <typename T>
T* TrackState(HWND hwnd, UINT message) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new T));
    return nullptr;
  }
  T* state = StateOf<T>(hwnd);
  if (message == WM_NCDESTROY) {
    delete state;
    SetWindowLongPtrA(hwnd, 0, 0);
    return nullptr;
  }
  return state;
}

// The font a control draws with: the one WM_SETFONT gave, else DEFAULT_GUI_FONT.
HFONT FontOr(HFONT font);
int ControlId(HWND hwnd);
// WM_COMMAND to the parent with the control's id and `code`.
void Notify(HWND hwnd, int code);
// Asks the parent for the colours (WM_CTLCOLOR*). The DC gets the parent's colours; a parent
// that answers 0 gets the system's: window text on the window colour for edits and lists,
// button text on the face colour for the rest.
HBRUSH ControlBrush(HWND hwnd, HDC dc, UINT message);
// The line height of a font (tmHeight).
int FontHeight(HFONT font);
// Width of GBK text in a font.
int TextWidth(HDC dc, const char* text, size_t length);

// GBK character steps inside `s`: the start of the character after/before `pos`.
size_t NextChar(const std::string& s, size_t pos);
size_t PrevChar(const std::string& s, size_t pos);
// `pos` moved back to the start of the character it falls in.
size_t CharStart(const std::string& s, size_t pos);
// Case-insensitive comparison of GBK text as lstrcmpi orders ASCII letters.
int CompareNoCase(const std::string& a, const std::string& b);
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// The classic look of a scroll bar, arrows included, inside `rc` with the given values.
struct ScrollModel {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT disabledArrows = 0;  // ESB_DISABLE_* bits
  bool tracking = false;

  int MaxPos() const;
  void Clamp();
  // Applies SetScrollInfo's fields; returns the new position.
  int Apply(const SCROLLINFO& info);
  void Fill(SCROLLINFO& info) const;
};

enum class ScrollPart { NONE, ARROW_UP, PAGE_UP, THUMB, PAGE_DOWN, ARROW_DOWN };

struct ScrollGeometry {
  RECT arrowUp{}, arrowDown{}, thumb{}, track{};
  bool thumbShown = false;
};
ScrollGeometry MeasureScroll(const RECT& rc, bool vertical, const ScrollModel& m);
ScrollPart HitScroll(const ScrollGeometry& g, bool vertical, POINT pt);
// The position the thumb's leading edge at `offset` pixels into the track stands for.
int ScrollPosFromThumb(const ScrollGeometry& g, bool vertical, const ScrollModel& m, int offset);
void DrawScroll(HDC dc, const RECT& rc, bool vertical, const ScrollModel& m, bool enabled, ScrollPart pressed);

// A press on a scroll bar in progress: which part, where the thumb was grabbed. The owner
// feeds it mouse moves, the release and the repeat timer, and it sends WM_HSCROLL/WM_VSCROLL
// to `target` with `lParam` (the control, or null for window scroll bars).
class ScrollTracker {
 public:
  ScrollTracker(HWND target, HWND lParamWindow, bool vertical) : m_target(target), m_control(lParamWindow), m_vertical(vertical) {}
  // Returns false when the press missed every part.
  bool Press(const RECT& rc, ScrollModel& m, POINT pt);
  void Move(const RECT& rc, ScrollModel& m, POINT pt);
  void Release(ScrollModel& m);
  // The repeat timer: repeats the arrow or page step while the pointer is on the pressed part.
  void Repeat(const RECT& rc, const ScrollModel& m);
  ScrollPart Pressed() const { return m_hot ? m_part : ScrollPart::NONE; }
  bool Active() const { return m_part != ScrollPart::NONE; }

  static constexpr UINT_PTR TIMER_ID = 0xFFF1;
  static constexpr UINT FIRST_DELAY = 400;
  static constexpr UINT REPEAT_DELAY = 50;

 private:
  void Send(int code, int pos);
  HWND m_target;
  HWND m_control;
  bool m_vertical;
  ScrollPart m_part = ScrollPart::NONE;
  bool m_hot = false;
  int m_grabOffset = 0;
  POINT m_last{};
};

// Timer ids the controls use for themselves (out of the way of ids a program picks).
constexpr UINT_PTR CARET_TIMER = 0xFFF2;
constexpr UINT_PTR SCROLL_TIMER = 0xFFF3;

LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);

// Between the combo box and its parts.
// The combo box tells its edit and its list whom they belong to (wParam: the combo box); the
// edit then hands the combo box's keys to it.
#define WM_PRIVATE_EDIT_COMBO (WM_USER + 0x3F00)
// Sent by the drop-down list to its combo box when the user picked an item (wParam TRUE) or
// closed the list without choosing (FALSE).
#define WM_PRIVATE_LIST_DONE (WM_USER + 0x3F01)
bool IsComboBox(HWND hwnd);
bool ComboDropped(HWND combo);

}  // namespace platform::controls
