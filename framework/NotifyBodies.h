// The framework's notification codes and what their bodies must hold before a handler reads
// them, and the texts made from them.
#pragma once

#include <cstddef>
#include <string>

#include "framework/BodyReader.h"

#define NOTIFY_SYSTEM_TEXT 60031
#define NOTIFY_PLAYER_CALLED 201200
#define NOTIFY_CHAT_MESSAGE 201210
#define NOTIFY_TABLE_CLOSED 211000
#define NOTIFY_PLAYER_LEFT 211010
#define NOTIFY_PLAYER_SEATED 211011
#define NOTIFY_ONLOOKER_LEFT 211020
#define NOTIFY_HALL_FORWARD 211025
#define NOTIFY_RANDOM_SEATED 211028
#define NOTIFY_PLAYERS_UPDATED 211030
#define NOTIFY_SILVER_SHORT 211110
#define NOTIFY_SCORE_SHORT 211130
#define NOTIFY_SCORE_OVER_LIMIT 211132
#define NOTIFY_PLAYER_ROUNDS_OVER 211134
#define NOTIFY_TABLE_ROUNDS_OVER 211136
#define NOTIFY_OUTSIDE_OPEN_HOURS 211137
#define NOTIFY_SERVER_MESSAGE 211138
#define NOTIFY_CHAT_NOTICE 211200
#define NOTIFY_ROUND_RESULTS 211410
#define NOTIFY_BASE_SILVER 211420
#define NOTIFY_CLOTHING_CHANGED 211430
#define NOTIFY_MEMBER_CHANGED 211440
#define NOTIFY_MOVED_TO_TABLE 211700
#define NOTIFY_AMULET_USED 211900
#define NOTIFY_NAMES_CHANGED 211910
#define NOTIFY_TABLE_NOTICE 211920
#define NOTIFY_LOTTERY_STATE 214100
#define NOTIFY_LOTTERY_STATE2 214101
#define NOTIFY_LOTTERY_DRAW 214102
#define NOTIFY_LOTTERY_BROADCAST 214103

// The most periods an open-hours notice lists.
#define OPEN_HOURS_MAX_PERIODS 8

// The bytes a notification's body must hold before the framework reads it; 0 when the framework
// reads no fixed field of it (the records with counts are checked by their readers).
size_t NotifyMinimumLength(int code);

// 211137: "已超出限定时间，不能继续游戏。" and, when periods are listed, the heading and one line
// per period. The number of period lines (at most 8) goes to periods.
std::string FormatOpenHoursText(const CBodyReader& body, int* periods);
// 211410: the text at offset 32, split at its first '|' into the message and the link; a text
// without '|' is all link.
void SplitRoundResults(const CBodyReader& body, std::string* message, std::string* link);
