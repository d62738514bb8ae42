#include "framework/PlayerRecords.h"

#include <cstring>

#include "framework/BodyReader.h"
#include "net/WireBytes.h"

namespace {

void ReadText(char* field, size_t size, const BYTE* data) {
  CopyTextField(field, size, reinterpret_cast<const char*>(data), size);
}

}  // namespace

PlayerRecord PlayerRecord::Read(const BYTE* d) {
  PlayerRecord r;
  r.userId = ReadI32Le(d + 0);
  r.flags = ReadI32Le(d + 4);
  r.status = ReadI32Le(d + 8);
  std::memcpy(r.reserved12, d + 12, 8);
  ReadText(r.name, sizeof(r.name), d + 20);
  ReadText(r.nickname, sizeof(r.nickname), d + 52);
  r.value68 = ReadI32Le(d + 68);
  r.portraitId = ReadI32Le(d + 72);
  r.clothing = ReadI32Le(d + 76);
  r.silver = ReadI32Le(d + 80);
  r.levelIndex = ReadI32Le(d + 84);
  ReadText(r.levelTitle, sizeof(r.levelTitle), d + 88);
  r.score = ReadI32Le(d + 104);
  r.minutes = ReadI32Le(d + 108);
  r.value112 = ReadI32Le(d + 112);
  r.value116 = ReadI32Le(d + 116);
  for (int i = 0; i < 5; ++i) r.values120[i] = ReadI32Le(d + 120 + 4 * i);
  r.tableNo = ReadI32Le(d + 140);
  r.chair = ReadI32Le(d + 144);
  r.lookOn = ReadI32Le(d + 148);
  std::memcpy(r.reserved152, d + 152, 8);
  r.isFriend = ReadI32Le(d + 160);
  r.isUnwelcome = ReadI32Le(d + 164);
  r.isKnown = ReadI32Le(d + 168);
  std::memcpy(r.reserved172, d + 172, sizeof(r.reserved172));
  return r;
}

void PlayerRecord::Write(BYTE* d) const {
  std::memset(d, 0, PLAYER_RECORD_SIZE);
  auto put = [d](size_t offset, int32_t value) { WriteU32Le(d + offset, static_cast<uint32_t>(value)); };
  put(0, userId);
  put(4, flags);
  put(8, status);
  std::memcpy(d + 12, reserved12, 8);
  std::memcpy(d + 20, name, sizeof(name));
  std::memcpy(d + 52, nickname, sizeof(nickname));
  put(68, value68);
  put(72, portraitId);
  put(76, clothing);
  put(80, silver);
  put(84, levelIndex);
  std::memcpy(d + 88, levelTitle, sizeof(levelTitle));
  put(104, score);
  put(108, minutes);
  put(112, value112);
  put(116, value116);
  for (int i = 0; i < 5; ++i) put(120 + 4 * i, values120[i]);
  put(140, tableNo);
  put(144, chair);
  put(148, lookOn);
  std::memcpy(d + 152, reserved152, 8);
  put(160, isFriend);
  put(164, isUnwelcome);
  put(168, isKnown);
  std::memcpy(d + 172, reserved172, sizeof(reserved172));
}

std::string PlayerRecord::DisplayName() const {
  if (nickname[0] == '\0') return name;
  return std::string(name) + "[" + nickname + "]";
}

WirePlayerRecord WirePlayerRecord::Read(const BYTE* d) {
  WirePlayerRecord r;
  r.userId = ReadI32Le(d + 0);
  r.flags = ReadI32Le(d + 4);
  r.status = ReadI32Le(d + 8);
  r.tableNo = ReadI32Le(d + 12);
  r.chair = ReadI32Le(d + 16);
  r.value20 = ReadI32Le(d + 20);
  r.portraitId = ReadI32Le(d + 24);
  r.value28 = ReadI32Le(d + 28);
  r.clothing = ReadI32Le(d + 32);
  ReadText(r.name, sizeof(r.name), d + 36);
  ReadText(r.nickname, sizeof(r.nickname), d + 68);
  r.silver = ReadI32Le(d + 84);
  r.levelIndex = ReadI32Le(d + 88);
  r.score = ReadI32Le(d + 92);
  r.value96 = ReadI32Le(d + 96);
  for (int i = 0; i < 5; ++i) r.values100[i] = ReadI32Le(d + 100 + 4 * i);
  std::memcpy(r.unused120, d + 120, sizeof(r.unused120));
  return r;
}

void WirePlayerRecord::Write(BYTE* d) const {
  std::memset(d, 0, WIRE_PLAYER_RECORD_SIZE);
  auto put = [d](size_t offset, int32_t value) { WriteU32Le(d + offset, static_cast<uint32_t>(value)); };
  put(0, userId);
  put(4, flags);
  put(8, status);
  put(12, tableNo);
  put(16, chair);
  put(20, value20);
  put(24, portraitId);
  put(28, value28);
  put(32, clothing);
  std::memcpy(d + 36, name, sizeof(name));
  std::memcpy(d + 68, nickname, sizeof(nickname));
  put(84, silver);
  put(88, levelIndex);
  put(92, score);
  put(96, value96);
  for (int i = 0; i < 5; ++i) put(100 + 4 * i, values100[i]);
  std::memcpy(d + 120, unused120, sizeof(unused120));
}

RoomRecord RoomRecord::Read(const BYTE* d) {
  RoomRecord r;
  std::memcpy(r.raw, d, ROOM_RECORD_SIZE);
  r.noticeId = ReadI32Le(d + 12);
  r.flags = ReadI32Le(d + 16);
  ReadText(r.roomName, sizeof(r.roomName), d + 20);
  ReadText(r.advertBase, sizeof(r.advertBase), d + 84);
  ReadText(r.noticeBase, sizeof(r.noticeBase), d + 148);
  ReadText(r.location, sizeof(r.location), d + 212);
  r.noticePeriod = ReadI32Le(d + 280);
  r.options = ReadI32Le(d + 292);
  r.value304 = ReadI32Le(d + 304);
  r.value308 = ReadI32Le(d + 308);
  r.hasLevelTitles = ReadI32Le(d + 320);
  return r;
}

TableRecord TableRecord::Read(const BYTE* d) {
  TableRecord r;
  std::memcpy(r.raw, d, TABLE_RECORD_SIZE);
  r.tableNo = ReadI32Le(d + 0);
  r.seatCount = ReadI32Le(d + 8);
  r.onlookerCount = ReadI32Le(d + 12);
  return r;
}
