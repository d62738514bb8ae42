// Opening a web address in the user's browser.
//
// The program asks the shell to open web addresses only: either the file "iexplore" with the
// address as its parameters, or the verb "open" on the address itself. Here both open the
// address with the desktop's opener (xdg-open), started with the address as its one argument, so
// that nothing in the address is ever read by a shell. Only http and https addresses are opened;
// every other file, program or scheme is refused, so that a text from the server or a page can
// never start a program.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

// Answers a value above 32 when the opener was started, SE_ERR_NOASSOC for anything that is not an
// http or https address (or holds blanks or control characters), SE_ERR_FNF when no opener is
// installed. Bytes above 127 are passed percent-encoded. The window, the folder and the show
// command are not used.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand);
#define ShellExecute ShellExecuteA

namespace platform {

// For tests: the program started instead of xdg-open (a path; empty restores xdg-open).
void SetUrlOpener(const std::string& program);

}  // namespace platform
