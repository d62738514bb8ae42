// Each record the hall sends, deciphered, as the client reads it: the session data into the
// player tables, an onlooker's record, a player who quit and a sign answer. The first byte picks
// the record; the own seat comes from the next two.
#include <cstdlib>
#include <cstring>

#include "framework/HallRecords.h"
#include "framework/PlayerTables.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t kind = in.Byte() % 4;
  LaunchLine launch;
  launch.userId = in.Byte();
  launch.chair = in.Byte() % 10 - 1;
  size_t count = 0;
  const BYTE* body = in.Rest(&count);
  switch (kind) {
    case 0: {
      CPlayerTables tables(&launch);
      tables.LoadSessionData(body, count);
      if (tables.Table().seatCount < 0 || tables.Table().seatCount > SEAT_COUNT) std::abort();
      for (const auto& title : tables.LevelTitles()) {
        if (title.second.size() > LEVEL_TITLE_LIST_SIZE) std::abort();
      }
      for (int chair = 0; chair < SEAT_COUNT; ++chair) {
        if (std::strlen(tables.Seat(chair)->name) >= PLAYER_NAME_SIZE) std::abort();
      }
      break;
    }
    case 1:
      if (IsAcceptableHallPayload(HALL_ONLOOKER_JOINED, count)) {
        PlayerRecord record = PlayerRecord::Read(body);
        BYTE out[PLAYER_RECORD_SIZE];
        record.Write(out);
        if (std::strlen(record.nickname) >= PLAYER_NICKNAME_SIZE) std::abort();
      }
      break;
    case 2: {
      PlayerQuitRecord quit;
      if (ReadPlayerQuitRecord(body, count, &quit) != (count >= HALL_PLAYER_QUIT_SIZE)) std::abort();
      break;
    }
    case 3: {
      SignAnswer answer;
      if (ReadSignAnswer(body, count, &answer) && answer.sign.size() >= HALL_SIGN_TEXT_SIZE) std::abort();
      break;
    }
  }
  return 0;
}
