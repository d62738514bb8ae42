#include "testbed/hall/HallRecords.h"

#include <openssl/evp.h>

#include <cstring>

#include "net/CryptLayer.h"
#include "net/SharedKeys.h"

namespace testbed {
namespace {

void PutInt(Bytes& out, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(u >> (8 * i));
}

int32_t GetInt(const BYTE* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// A text field: cut to leave room for its terminator, the rest of the field zero.
void PutText(Bytes& out, size_t at, size_t width, const std::string& text) {
  const size_t n = std::min(text.size(), width - 1);
  std::memcpy(out.data() + at, text.data(), n);
}

}  // namespace

Bytes WritePlayerRecord(const HallPlayer& p) {
  Bytes out(PLAYER_RECORD_BYTES, 0);
  PutInt(out, 0, p.userId);
  PutInt(out, 4, p.flags);
  PutInt(out, 8, p.status);
  PutText(out, 20, 32, p.name);
  PutText(out, 52, 16, p.nickname);
  PutInt(out, 72, p.portraitId);
  PutInt(out, 76, p.clothing);
  PutInt(out, 80, p.silver);
  PutInt(out, 84, p.levelIndex);
  PutText(out, 88, 16, p.levelTitle);
  PutInt(out, 104, p.score);
  PutInt(out, 108, p.minutes);
  PutInt(out, 140, p.table);
  PutInt(out, 144, p.chair);
  PutInt(out, 148, p.lookOn);
  PutInt(out, 160, p.friendFlag);
  PutInt(out, 164, p.unwelcome);
  PutInt(out, 168, p.acquaintance);
  return out;
}

Bytes WriteRoomRecord(const HallRoom& r) {
  Bytes out(ROOM_RECORD_BYTES, 0);
  PutInt(out, 12, r.noticeId);
  PutInt(out, 16, r.flags);
  PutText(out, 20, 64, r.name);
  PutText(out, 84, 64, r.advertBase);
  PutText(out, 148, 64, r.noticeBase);
  PutText(out, 212, 68, r.location);
  PutInt(out, 280, r.noticePeriod);
  PutInt(out, 292, r.options);
  PutInt(out, 304, r.value304);
  PutInt(out, 308, r.value308);
  PutInt(out, 320, r.levelTitles.empty() ? 0 : 1);
  return out;
}

Bytes WriteTableRecord(const HallTable& t) {
  Bytes out(TABLE_RECORD_BYTES, 0);
  PutInt(out, 0, t.number);
  PutInt(out, 8, static_cast<int32_t>(t.seats.size()));
  PutInt(out, 12, static_cast<int32_t>(t.onlookers.size()));
  return out;
}

Bytes WriteSessionData(const HallRoom& room, const HallTable& table) {
  Bytes out = WriteRoomRecord(room);
  Bytes t = WriteTableRecord(table);
  out.insert(out.end(), t.begin(), t.end());
  for (const auto* list : {&table.seats, &table.onlookers}) {
    for (const HallPlayer& p : *list) {
      Bytes b = WritePlayerRecord(p);
      out.insert(out.end(), b.begin(), b.end());
    }
  }
  if (!room.levelTitles.empty()) {
    std::string joined;
    for (size_t i = 0; i < room.levelTitles.size(); ++i) joined += (i ? "|" : "") + room.levelTitles[i];
    Bytes list(LEVEL_LIST_BYTES, 0);
    std::memcpy(list.data(), joined.data(), std::min(joined.size(), LEVEL_LIST_BYTES - 1));
    out.insert(out.end(), list.begin(), list.end());
  }
  return out;
}

Bytes WriteQuitRecord(int32_t hallWindow, int32_t userId, int32_t table, int32_t chair) {
  Bytes out(QUIT_RECORD_BYTES, 0);
  PutInt(out, 0, hallWindow);
  PutInt(out, 4, userId);
  PutInt(out, 8, table);
  PutInt(out, 12, chair);
  return out;
}

Bytes WriteSignAnswer(int32_t userId, const std::string& sign, uint64_t queryAddress) {
  Bytes out(SIGN_ANSWER_BYTES, 0);
  PutInt(out, 0, userId);
  PutText(out, 8, 256, sign);
  PutInt(out, 268, static_cast<int32_t>(queryAddress & 0xFFFFFFFFu));
  PutInt(out, 272, static_cast<int32_t>(queryAddress >> 32));
  return out;
}

bool ReadExitReport(const BYTE* data, size_t size, ExitReport* out) {
  if (!data || size != EXIT_RECORD_BYTES) return false;
  for (size_t i = 36; i < EXIT_RECORD_BYTES; ++i) {
    if (data[i]) return false;
  }
  out->frameWindow = GetInt(data + 0);
  out->userId = GetInt(data + 4);
  out->table = GetInt(data + 8);
  out->chair = GetInt(data + 12);
  out->serverMajor = GetInt(data + 16);
  out->lookOn = GetInt(data + 20);
  out->exitKind = GetInt(data + 24);
  out->gameId = GetInt(data + 28);
  out->serverMinor = GetInt(data + 32);
  return true;
}

Bytes WriteExitReport(const ExitReport& r) {
  Bytes out(EXIT_RECORD_BYTES, 0);
  PutInt(out, 0, r.frameWindow);
  PutInt(out, 4, r.userId);
  PutInt(out, 8, r.table);
  PutInt(out, 12, r.chair);
  PutInt(out, 16, r.serverMajor);
  PutInt(out, 20, r.lookOn);
  PutInt(out, 24, r.exitKind);
  PutInt(out, 28, r.gameId);
  PutInt(out, 32, r.serverMinor);
  return out;
}

bool ReadTextRecord(const Bytes& plain, TextRecord* out) {
  if (plain.size() < TEXT_RECORD_BYTES) return false;
  const BYTE* text = plain.data() + 20;
  const void* end = std::memchr(text, 0, 256);
  if (!end) return false;
  out->window = GetInt(plain.data() + 0);
  out->userId = GetInt(plain.data() + 4);
  out->gameId = GetInt(plain.data() + 8);
  out->roomId = GetInt(plain.data() + 12);
  out->value = GetInt(plain.data() + 16);
  out->text.assign(reinterpret_cast<const char*>(text), static_cast<const BYTE*>(end) - text);
  return true;
}

Bytes WriteTextRecord(const TextRecord& r) {
  Bytes out(TEXT_RECORD_BYTES, 0);
  PutInt(out, 0, r.window);
  PutInt(out, 4, r.userId);
  PutInt(out, 8, r.gameId);
  PutInt(out, 12, r.roomId);
  PutInt(out, 16, r.value);
  PutText(out, 20, 256, r.text);
  return out;
}

Bytes EncryptHallRecord(const Bytes& plain) {
  Bytes out((plain.size() + 15) / 16 * 16, 0);
  if (plain.empty()) return out;
  CCryptLayer::AesEcbEncrypt(HallKey(), 128, plain.data(), static_cast<DWORD>(plain.size()), out.data());
  return out;
}

bool DecryptHallRecord(const BYTE* data, size_t size, Bytes* plain) {
  if (!data || size == 0 || size % 16 != 0 || size > (1u << 20)) return false;
  plain->assign(size, 0);
  return CCryptLayer::AesEcbDecrypt(HallKey(), 128, data, static_cast<DWORD>(size), plain->data()) != 0;
}

std::string HallSign(int32_t userId) {
  std::string input = std::to_string(userId);
  input.append(reinterpret_cast<const char*>(HallKey()), SHARED_KEY_BYTES);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr);
  static const char HEX[] = "0123456789abcdef";
  std::string out;
  for (unsigned i = 0; i < 16 && i < length; ++i) {
    out += HEX[digest[i] >> 4];
    out += HEX[digest[i] & 15];
  }
  return out;
}

}  // namespace testbed
