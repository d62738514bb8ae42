// Windows that other processes may address, and the way to reach theirs.
//
// A process that owns such a window (the client's main frame and wait dialog, the hall's windows)
// publishes it. Publishing starts the process's hall server: a Unix domain socket
// "p<process id>.sock" in the hall folder, and for each published window a link "w<handle in 8
// hex digits>" to that socket. SendMessage, SendMessageTimeout, PostMessage, IsWindow and
// FindWindow reach a published window of another process through it: the window layer hands
// every handle it does not know to this layer (platform/user/ForeignWindows.h), which is
// installed as soon as a program that links it starts. WM_COPYDATA carries its bytes across;
// every other message carries its two numbers only, so the receiver accepts only WM_COPYDATA,
// WM_NULL, WM_CLOSE and private messages (WM_USER and above) from another process. A window whose
// process has ended is no window at once: its socket refuses the connection.
//
// The hall folder is $PXQD_HALL_DIR when set, else "pxqd-hall" in $XDG_RUNTIME_DIR, else
// /tmp/pxqd-hall-<user id>; it is made with mode 0700, and a folder or socket of another user is
// not used. Only processes of the same user are served.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

namespace platform {

// Makes a window of this process reachable from other processes. FALSE when the window is not
// this process's or the hall server cannot run.
BOOL PublishWindow(HWND hwnd);
// Makes it unreachable again (destroying the window does too).
void WithdrawWindow(HWND hwnd);
// Installs the router for foreign windows; linking this layer does it already, so programs only
// call it to make the dependency plain.
void EnableForeignWindows();
// The hall folder as described above (created when missing); empty when it cannot be used.
std::string HallDirectory();

}  // namespace platform
