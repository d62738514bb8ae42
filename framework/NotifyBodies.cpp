#include "framework/NotifyBodies.h"

#include <cstdio>

#include "framework/PlayerRecords.h"

size_t NotifyMinimumLength(int code) {
  switch (code) {
    case NOTIFY_PLAYER_CALLED:
      return 20;
    case NOTIFY_PLAYER_LEFT:
      return 32;
    case NOTIFY_PLAYER_SEATED:
      return WIRE_PLAYER_RECORD_SIZE;
    case NOTIFY_ONLOOKER_LEFT:
    case NOTIFY_HALL_FORWARD:
    case NOTIFY_SILVER_SHORT:
    case NOTIFY_SCORE_SHORT:
    case NOTIFY_SCORE_OVER_LIMIT:
      return 4;
    case NOTIFY_PLAYER_ROUNDS_OVER:
      return 16;
    case NOTIFY_TABLE_ROUNDS_OVER:
    case NOTIFY_OUTSIDE_OPEN_HOURS:
      return 12;
    case NOTIFY_SERVER_MESSAGE:
      return 8;
    case NOTIFY_ROUND_RESULTS:
      return 32;
    case NOTIFY_BASE_SILVER:
    case NOTIFY_CLOTHING_CHANGED:
    case NOTIFY_MEMBER_CHANGED:
      return 12;
    case NOTIFY_NAMES_CHANGED:
      return SEAT_COUNT * 52;
    case NOTIFY_RANDOM_SEATED:
      return 64;
    case NOTIFY_MOVED_TO_TABLE:
      return 68;
    case NOTIFY_PLAYERS_UPDATED:
      return 20;
    default:
      return 0;
  }
}

std::string FormatOpenHoursText(const CBodyReader& body, int* periods) {
  std::string text = "已超出限定时间，不能继续游戏。";
  int n = body.Int(8);
  if (n < 0) n = 0;
  if (n > OPEN_HOURS_MAX_PERIODS) n = OPEN_HOURS_MAX_PERIODS;
  // Only the periods whose start and end times both lie in the body are listed.
  while (n > 0 && !body.Has(60 + 4 * static_cast<size_t>(n))) --n;
  if (n > 0) {
    text += "下列时间段开放：\r\n\r\n";
    for (int i = 0; i < n; ++i) {
      int start = body.Int(28 + 4 * i);
      int end = body.Int(60 + 4 * i);
      char line[96];
      std::snprintf(line, sizeof(line), "%d点%02d分 ~ %d点%02d分\r\n", start / 100, start % 100, end / 100, end % 100);
      text += line;
    }
  }
  if (periods != nullptr) *periods = n;
  return text;
}

void SplitRoundResults(const CBodyReader& body, std::string* message, std::string* link) {
  // The text runs to the end of the body at most.
  std::string text = body.Length() > 32 ? body.Text(32, body.Length() - 32 + 1) : std::string();
  size_t bar = text.find('|');
  if (bar == std::string::npos) {
    message->clear();
    *link = text;
  } else {
    *message = text.substr(0, bar);
    *link = text.substr(bar + 1);
  }
}
