// Starting other programs: the hall, this program again, and the user's web browser.
#pragma once

#include "platform/base/WinTypes.h"

// True for an absolute http or https URL with a host and without blanks or control characters:
// the only kind of text the program hands to the browser.
bool IsBrowsableUrl(LPCSTR url);
// Starts the program with the command line (its arguments) without waiting for it.
BOOL StartProgram(LPCSTR program, LPCSTR commandLine, int show);
// Opens a browsable URL in the user's browser; any other text is refused and nothing runs.
BOOL OpenUrlInUserBrowser(LPCSTR url);
