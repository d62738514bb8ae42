#include "variant/VariantNotices.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int CHAT_RED = 255;
constexpr int CHAT_TEXT = 4953725;

int32_t ReadInt(const void* body, size_t offset) {
  int32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(body) + offset, sizeof v);
  return v;
}

}  // namespace

const char* GangAnnouncedVoice(int kind) { return kind == 1 || kind == 2 ? "gang2" : "gang1"; }

bool ReadPlayerNotice(const void* body, size_t length, PlayerNotice* out) {
  if (body == nullptr || length < 20) return false;
  out->chair = ReadInt(body, 12);
  out->kind = ReadInt(body, 16);
  return true;
}

std::string ApplyPlayerNotice(const PlayerNotice& notice, const CSeatLayout& seats, const std::string& name,
                              int absent[4]) {
  if (!seats.IsSeatedChair(notice.chair) || notice.chair < 0 || notice.chair > 3) return "";
  char line[512];
  if (notice.kind == PLAYER_BACK) {
    absent[notice.chair] = 0;
    std::snprintf(line, sizeof line, "<c=%d>[系统]<c=%d>%s重新回到了游戏!\r\n", CHAT_RED, CHAT_TEXT, name.c_str());
    return line;
  }
  if (notice.kind == PLAYER_DROPPED) {
    absent[notice.chair] = 1;
    std::snprintf(line, sizeof line, "<c=%d>[系统]<c=%d>%s断线了!\r\n", CHAT_RED, CHAT_TEXT, name.c_str());
    return line;
  }
  return "";
}

std::string FollowBankerLine(const CSeatLayout& seats, int bankerChair, int stake,
                             std::string (*name)(int chair, void* context), void* context) {
  if (!seats.IsSeatedChair(bankerChair)) return "";
  // Three stakes may not fit an int; the line prints what was paid whatever the stake.
  const long long x = stake;
  char part[512];
  std::string bankerName = name(bankerChair, context);
  std::snprintf(part, sizeof part, "<c=%d>%s<c=%d>被跟庄\r\n", CHAT_RED, bankerName.c_str(), CHAT_TEXT);
  std::string line = part;
  std::snprintf(part, sizeof part, "<c=%d>%s<c=%d>: %lld两\r\n", CHAT_RED, bankerName.c_str(), CHAT_TEXT, -3 * x);
  line += part;
  int chair = bankerChair;
  for (int k = 0; k < 3; ++k) {
    chair = seats.PrevChair(chair);
    std::snprintf(part, sizeof part, "<c=%d>%s<c=%d>: %lld两\r\n", CHAT_RED, name(chair, context).c_str(), CHAT_TEXT,
                  x);
    line += part;
  }
  return line;
}

int TurnHolderChair(const CSeatLayout& seats, int pointTo) {
  if (pointTo < 0 || pointTo > 7 || pointTo % 2 != 0) return -1;
  return seats.SideToChair(pointTo / 2);
}
