// Windows of other processes.
//
// A few windows are addressed by other processes (the hall's main window, the client's main frame
// and wait dialog). The window layer knows only its own process's windows; when a handle names
// none of them, SendMessage, SendMessageTimeout, PostMessage, IsWindow and FindWindow ask the
// router that the hall layer installs (platform/hall), which reaches the owning process.
#pragma once

#include <functional>

#include "platform/base/WinTypes.h"

namespace platform {

struct ForeignWindowRouter {
  BOOL (*isWindow)(HWND hwnd);
  // TRUE when the message was queued in the other process.
  BOOL (*post)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // TRUE with the result when the receiver processed the message within the time (INFINITE waits
  // for as long as the owner lives); FALSE with the last error set otherwise.
  BOOL (*send)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout, LRESULT* result);
  HWND (*find)(LPCSTR className, LPCSTR windowName);
};

// Installs the router (null removes it). The object must outlive its use.
void SetForeignWindowRouter(const ForeignWindowRouter* router);
const ForeignWindowRouter* GetForeignWindowRouter();

// Waits until done() is true or the time runs out, running meanwhile the messages that other
// threads send to the calling thread, as a thread does that waits in SendMessage. done() must be
// cheap and take no lock (it also runs under the kernel's wait lock); whoever makes it true must
// call NotifyWaiters after.
// True when done() became true.
bool WaitWhileReceivingSent(const std::function<bool()>& done, DWORD timeout);

}  // namespace platform
