// The answer a client gives to the safe box's protection challenge: the password's digits cut
// from the left into at most four groups (groups of four while more than four digits remain, the
// rest forming the last group), each group read as a number, plus the challenge's two halves.
// The password itself never travels; the server keeps it and computes the same answer.
#pragma once

#include <cstdint>
#include <string>

namespace testbed {

// Longest protection password the client's keypad accepts.
const size_t PROTECTION_PASSWORD_MAX = 16;

// Whether a text can be a protection password: 1 to 16 digits.
bool IsProtectionPassword(const std::string& digits);

int32_t ProtectionAnswer(const std::string& digits, int32_t challenge);

}  // namespace testbed
