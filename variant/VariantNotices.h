// The rule set's own readings of a few table notifications: the voice of an announced gang,
// the player-back and player-dropped notice with the absent marks it sets, the follow-banker
// settlement line, and the chair the fallback draw and discard speak for.
#pragma once

#include <cstddef>
#include <string>

#include "mahjong/SeatLayout.h"

// The exposed and added gangs say "gang2", a concealed one "gang1".
const char* GangAnnouncedVoice(int kind);

// The kinds of the player-back-or-dropped notice.
#define PLAYER_BACK 1
#define PLAYER_DROPPED 2
#define PLAYER_FOLLOW_BANKER 6

struct PlayerNotice {
  int chair = -1;
  int kind = 0;
};

// Reads +12 chair and +16 kind; false when the body is too short.
bool ReadPlayerNotice(const void* body, size_t length, PlayerNotice* out);

// Applies a back or dropped notice: the chair's absent mark and the chat line. A chair that is
// not seated at the table changes nothing and returns an empty line, as does any other kind.
std::string ApplyPlayerNotice(const PlayerNotice& notice, const CSeatLayout& seats, const std::string& name,
                              int absent[4]);

// The follow-banker line: the banker pays three stakes, the other players in turn order from
// the banker's previous chair receive one each. name gives a chair's player name.
std::string FollowBankerLine(const CSeatLayout& seats, int bankerChair, int stake,
                             std::string (*name)(int chair, void* context), void* context);

// The chair whose side the clock hand points at, -1 when the position is not a side.
int TurnHolderChair(const CSeatLayout& seats, int pointTo);
