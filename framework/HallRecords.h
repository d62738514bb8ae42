// The records of the link with the hall: what the hall sends in WM_COPYDATA (deciphered with
// the hall key), what the client sends back, and the cipher step. Every record from the hall is
// checked against its layout before anything reads it: a payload that is empty, not a whole
// number of cipher blocks or shorter than its layout is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// dwData of the hall's records to the client.
#define HALL_SESSION_DATA 1
#define HALL_ONLOOKER_JOINED 4
#define HALL_PLAYER_QUIT 6
#define HALL_PLAYER_DETAILS 7
#define HALL_DATA13 13
#define HALL_SIGN_ANSWER 14
// dwData of the client's records to the hall.
#define HALL_EXIT_REPORT 2
#define HALL_EXIT_REPORT_DROPPED 5
#define HALL_TEXT_RECORD 11

#define HALL_KEY_BITS 128
#define HALL_CIPHER_BLOCK 16
#define HALL_EXIT_RECORD_SIZE 188
#define HALL_TEXT_RECORD_SIZE 532
#define HALL_TEXT_SENT_SIZE 544
#define HALL_PLAYER_QUIT_SIZE 16
#define HALL_SIGN_ANSWER_SIZE 272
#define HALL_SIGN_TEXT_SIZE 256

// Messages from the client to the hall's windows.
#define WM_HALL_GAME_WINDOW 0x9105
#define WM_HALL_FORWARD_NOTICE 0x9107
#define WM_HALL_SHOW_PLAYER 0x9108
#define WM_HALL_SIGN_QUERY 0x910C
#define WM_HALL_CHANGE_CLOTHING 0x86EF
#define WM_HALL_BECOME_MEMBER 0x86F0
#define HALL_FRAME_CLASS "ZuzaRuziFrame"

// AES-128 in ECB mode over whole 16-byte blocks with the hall key; the output has the length of
// the input, which must be a whole number of blocks. 1 / 0.
int EncryptHallData(const BYTE* key, DWORD length, const BYTE* plain, BYTE* out);
int DecryptHallData(const BYTE* key, DWORD length, BYTE* out, const BYTE* enciphered);

// The smallest plain length a record of the hall may have (0 when the record has no fixed
// layout), and whether a received payload of that length is acceptable at all.
size_t HallRecordMinimumLength(ULONG_PTR kind);
bool IsAcceptableHallPayload(ULONG_PTR kind, size_t length);

struct PlayerQuitRecord {
  int32_t hallWindow = 0;
  int32_t userId = 0;
  int32_t tableNo = 0;
  int32_t chair = 0;
};
bool ReadPlayerQuitRecord(const BYTE* data, size_t length, PlayerQuitRecord* out);

// The hall's answer to a sign query: the user id, the sign text and the query's number as the
// client sent it.
struct SignAnswer {
  int32_t userId = 0;
  std::string sign;
  uint32_t queryId = 0;
};
bool ReadSignAnswer(const BYTE* data, size_t length, SignAnswer* out);

struct HallExitValues {
  uint32_t frameWindow = 0;
  int32_t userId = 0;
  int32_t tableNo = 0;
  int32_t chair = 0;
  int32_t serverMajor = 0;
  int32_t lookOn = 0;
  int32_t exitKind = 0;
  int32_t gameId = 0;
  int32_t serverMinor = 0;
};
// The 188 plain bytes of the exit report.
std::vector<BYTE> MakeHallExitRecord(const HallExitValues& v);

struct HallTextValues {
  uint32_t mainWindow = 0;
  int32_t userId = 0;
  int32_t gameId = 0;
  int32_t roomId = 0;
  int32_t value = 0;
  std::string text;
};
// The 532 plain bytes of the text record zero-padded to the 544 bytes that are enciphered.
std::vector<BYTE> MakeHallTextRecord(const HallTextValues& v);
