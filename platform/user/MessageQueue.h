// Per-thread message queues: posting, sending (direct on the window's own thread, queued and
// blocking across threads), retrieval, dispatch and the message waits.
//
// A thread gets its queue when it first calls a function here or creates a window. Sent messages
// from other threads are processed by the receiving thread inside GetMessage, PeekMessage,
// WaitMessage's caller loop, its own SendMessage (while it waits for the answer) and every modal
// loop built on these. Retrieval order: sent messages, posted messages in posting order, WM_QUIT,
// synthesized messages (WM_PAINT), then WM_TIMER, which is made only when nothing else matches.
// A thread that TerminateThread has asked to stop gets WM_QUIT from every look at its queue, and
// its message waits return.
#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// SMTO_NORMAL is what the program uses; the other flags are accepted and change nothing. A message
// that the receiver has not begun when the time runs out is withdrawn, so that it never reads
// the sender's parameters after the sender has returned; on time-out the result is 0 and
// GetLastError gives ERROR_TIMEOUT.
LRESULT SendMessageTimeoutA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout, PDWORD_PTR result);
void PostQuitMessage(int exitCode);
LONG GetMessageTime();
DWORD GetMessagePos();
DWORD GetQueueStatus(UINT flags);
BOOL GetInputState();
BOOL WaitMessage();
BOOL InSendMessage();
DWORD InSendMessageEx(LPVOID reserved);
BOOL ReplyMessage(LRESULT result);
// Waits for one of the objects or for new input of the kinds in `wakeMask` ("new" means arrived
// since the thread last looked at its queue with GetMessage, PeekMessage or GetQueueStatus).
// Returns WAIT_OBJECT_0 + count for input. With waitAll the wait ends when all objects are
// signalled or when input arrives.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask);
// MWMO_INPUTAVAILABLE also counts input that was already there; MWMO_WAITALL as waitAll above.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags);

#define GetMessage GetMessageA
#define PeekMessage PeekMessageA
#define DispatchMessage DispatchMessageA
#define PostMessage PostMessageA
#define PostThreadMessage PostThreadMessageA
#define SendMessage SendMessageA
#define SendMessageTimeout SendMessageTimeoutA

namespace platform {

// Turns the virtual key of a WM_KEYDOWN or WM_SYSKEYDOWN into the bytes it types (GBK), empty for
// none; TranslateMessage posts one WM_CHAR per byte, as Win32 sends a double-byte character to
// an ANSI window. TranslateMessage is the only source of WM_CHAR for keys: the input layer
// installs a translator that knows the shift and caps-lock state and the text of input-method
// keys, and posts key messages only. Without one, Backspace, Tab, Enter, Escape, Space, digits
// and unshifted letters are translated.
using KeyTranslator = std::function<std::string(UINT virtualKey, LPARAM keyData)>;
void SetKeyTranslator(KeyTranslator translator);

// Descriptors a thread watches itself while it waits for messages (the sockets selected to its
// windows), so that their events need no other thread to become messages. `claim` fills the
// descriptors to watch for the calling thread (none: false); `release` is called after the
// wait with what poll saw (revents, all 0 when the wait ended for another reason) and turns it
// into posted messages; it returns true when some of the descriptors still want watching.
// `handOver` gives those to the poll thread; it is called once the thread leaves its wait, not
// when it only looks at its queue and goes back to waiting (it claims them again). All are
// called without locks held.
struct ThreadDescriptorWatch {
  bool (*claim)(DWORD threadId, std::vector<::pollfd>* fds) = nullptr;
  bool (*release)(DWORD threadId, const std::vector<::pollfd>& fds) = nullptr;
  void (*handOver)() = nullptr;
};
void SetThreadDescriptorWatch(ThreadDescriptorWatch watch);

// Calls the window's current procedure on the calling thread, with the lock released. 0 for a
// window that does not exist.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
