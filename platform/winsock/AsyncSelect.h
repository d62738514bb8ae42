// The machinery behind WSAAsyncSelect: one poll thread for the whole process watches every socket
// that has a selection and posts its notifications to the selected windows.
#pragma once

#include <functional>

#include "platform/winsock/WinSock.h"

namespace platform {

// How a notification reaches its window. The default posts it with PostMessage; a test of the
// notification rules may record the notifications instead. An empty function restores the
// default.
using SocketNotifySink = std::function<void(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;
void SetSocketNotifySink(SocketNotifySink sink);

// Returns once the poll thread has looked at every selected socket after this call and posted
// what it found, so that a test can tell "no notification" from "not yet". It waits, so the
// read watches that the calling thread keeps paused (see EndOwnRead) are given back first.
void FlushSocketNotifications();

// Waits like WaitForMultipleObjects for any one of the handles, and ends as well when the socket
// has something to read (data, or the end of its stream): the result is then WAIT_OBJECT_0 +
// count and *readable is true. A wake-up that concerns neither may end the wait early with
// WAIT_OBJECT_0 + count and *readable false; the caller looks again. Without a socket, or on a
// thread that cannot watch descriptors, it waits for the handles alone.
DWORD WaitForObjectsOrSocketRead(DWORD count, const HANDLE* handles, DWORD milliseconds, SOCKET s, bool* readable);

// A thread that reads a selected socket itself while it waits for data it expects (with
// WaitForObjectsOrSocketRead above) calls BeginOwnRead first: until the matching EndOwnRead,
// FD_READ and FD_CLOSE are not looked for, so that the data wakes only the reading thread and
// not the thread that would turn it into a notification. What is left unread when the last own
// reader ends is reported as usual. BeginOwnRead returns false, and changes nothing, when the
// calling thread cannot wait on the socket (WaitForObjectsOrSocketRead would not watch it); only
// a true result is matched by EndOwnRead.
//
// A thread that sends one request after the other would pause and restore the watch for each;
// instead, the last own reader to end keeps it paused while it goes on running, and its next
// BeginOwnRead takes the pause over without changing the watch. It gives the watch back (and
// what came meanwhile is reported) as soon as it blocks in any wait of this platform or in Sleep,
// when it ends, or when it has not begun another own read within the keep limit below; another
// thread's BeginOwnRead takes the pause over as well.
bool BeginOwnRead(SOCKET s);
void EndOwnRead(SOCKET s);

// How long an ended own read keeps the read watch paused at most (10 ms unless changed); tests
// that look at a kept pause lengthen it, tests of the limit shorten it.
void SetOwnReadKeepLimit(DWORD milliseconds);

}  // namespace platform
