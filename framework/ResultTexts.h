// Result codes of the game server and the texts the user sees for them, and the time-out of
// each request.
#pragma once

#include "platform/mfc/String.h"

#define RESULT_SUCCESS 10
#define RESULT_TIMEOUT 1030
#define RESULT_NOT_CONNECTED 1031
#define RESULT_SERVER_TEXT 60031

// The generic table: sets the text for the codes it knows and returns true; leaves it alone
// otherwise.
bool GetGenericResultText(CString& text, int code);
// The safe-deposit table: always sets a text, "操作失败！" for a code it does not know.
void GetSafeResultText(CString& text, int code);
// Generic codes 1000, 1001, 1010, 10000, every safe-deposit code and the account codes; other
// codes leave the text alone.
void GetAccountResultText(CString& text, int code);
// Seconds to wait for the reply to a request.
int GetRequestTimeoutSeconds(int code);
