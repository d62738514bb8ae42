// The texts that the framework's requests make of the server's refusals. Every value is read
// from the reply only when the reply holds it; a reply too short for its result's values gives
// "请求处理失败。" instead.
#pragma once

#include "framework/BodyReader.h"
#include "platform/mfc/String.h"

#define TEXT_REQUEST_FAILED "请求处理失败。"

// 201125: true when the result is a refusal (the server keeps the player at the table), with
// its text.
bool GetLeaveRefusalText(int result, const CBodyReader& reply, CString& text);
// 201303, results other than 10.
void GetSilverRewardFailureText(int result, const CBodyReader& reply, const char* gameName, CString& text);
// 200042, results other than 10; 60092 also sets the amount that may go out.
void GetDepositFailureText(int result, const CBodyReader& reply, const char* gameName, int* amount, CString& text);
// 200041, results other than 10.
void GetWithdrawFailureText(int result, const CBodyReader& reply, const char* gameName, CString& text);
