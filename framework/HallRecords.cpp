#include "framework/HallRecords.h"

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"
#include "framework/PlayerRecords.h"
#include "net/CryptLayer.h"

int EncryptHallData(const BYTE* key, DWORD length, const BYTE* plain, BYTE* out) {
  if (length == 0 || length % HALL_CIPHER_BLOCK != 0) return 0;
  return CCryptLayer::AesEcbEncrypt(key, HALL_KEY_BITS, plain, length, out);
}

int DecryptHallData(const BYTE* key, DWORD length, BYTE* out, const BYTE* enciphered) {
  if (length == 0 || length % HALL_CIPHER_BLOCK != 0) return 0;
  return CCryptLayer::AesEcbDecrypt(key, HALL_KEY_BITS, enciphered, length, out);
}

size_t HallRecordMinimumLength(ULONG_PTR kind) {
  switch (kind) {
    case HALL_SESSION_DATA:
      return ROOM_RECORD_SIZE + TABLE_RECORD_SIZE;
    case HALL_ONLOOKER_JOINED:
      return PLAYER_RECORD_SIZE;
    case HALL_PLAYER_QUIT:
      return HALL_PLAYER_QUIT_SIZE;
    case HALL_SIGN_ANSWER:
      return HALL_SIGN_ANSWER_SIZE;
    default:
      return 0;
  }
}

bool IsAcceptableHallPayload(ULONG_PTR kind, size_t length) {
  return length > 0 && length % HALL_CIPHER_BLOCK == 0 && length >= HallRecordMinimumLength(kind);
}

bool ReadPlayerQuitRecord(const BYTE* data, size_t length, PlayerQuitRecord* out) {
  CBodyReader body(data, length);
  if (!body.Has(HALL_PLAYER_QUIT_SIZE)) return false;
  out->hallWindow = body.Int(0);
  out->userId = body.Int(4);
  out->tableNo = body.Int(8);
  out->chair = body.Int(12);
  return true;
}

bool ReadSignAnswer(const BYTE* data, size_t length, SignAnswer* out) {
  CBodyReader body(data, length);
  if (!body.Has(HALL_SIGN_ANSWER_SIZE)) return false;
  out->userId = body.Int(0);
  out->sign = body.Text(8, HALL_SIGN_TEXT_SIZE);
  out->queryId = static_cast<uint32_t>(body.Int(268));
  return true;
}

std::vector<BYTE> MakeHallExitRecord(const HallExitValues& v) {
  CBodyWriter w(HALL_EXIT_RECORD_SIZE);
  w.Int(0, static_cast<int32_t>(v.frameWindow));
  w.Int(4, v.userId);
  w.Int(8, v.tableNo);
  w.Int(12, v.chair);
  w.Int(16, v.serverMajor);
  w.Int(20, v.lookOn);
  w.Int(24, v.exitKind);
  w.Int(28, v.gameId);
  w.Int(32, v.serverMinor);
  return w.Data();
}

std::vector<BYTE> MakeHallTextRecord(const HallTextValues& v) {
  CBodyWriter w(HALL_TEXT_SENT_SIZE);
  w.Int(0, static_cast<int32_t>(v.mainWindow));
  w.Int(4, v.userId);
  w.Int(8, v.gameId);
  w.Int(12, v.roomId);
  w.Int(16, v.value);
  w.Text(20, 256, v.text.c_str());
  return w.Data();
}
