// The bodies of the framework's notifications as the client reads them: every reader of the
// player tables, the open-hours text and the round results. The first byte picks the
// notification; the body follows.
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/NotifyBodies.h"
#include "framework/PlayerTables.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t pick = in.Byte() % 10;
  size_t count = 0;
  const BYTE* body = in.Rest(&count);
  LaunchLine launch;
  launch.userId = 7;
  launch.chair = 1;
  CPlayerTables tables(&launch);
  for (int chair = 0; chair < SEAT_COUNT; ++chair) {
    tables.Seat(chair)->userId = chair + 1;
    tables.Seat(chair)->chair = chair;
  }
  CBodyReader reader(body, count);
  switch (pick) {
    case 0: tables.LoadRandomTable(body, count); break;
    case 1: tables.LoadMovedTable(body, count); break;
    case 2: tables.UpdateSeatNames(body, count); break;
    case 3: tables.SetPlayerClothing(body, count); break;
    case 4: tables.SetPlayerMember(body, count); break;
    case 5: tables.SeatFromWire(body, count); break;
    case 6: tables.UpdateScores(body, count); break;
    case 7: {
      TableDataTail tail = tables.OnTablePlayers(body, count);
      if (tail.accepted && tail.length > count) std::abort();
      break;
    }
    case 8: {
      int periods = -1;
      FormatOpenHoursText(reader, &periods);
      if (periods < 0 || periods > OPEN_HOURS_MAX_PERIODS) std::abort();
      break;
    }
    case 9: {
      std::string message, link;
      SplitRoundResults(reader, &message, &link);
      if (message.size() + link.size() > count) std::abort();
      break;
    }
  }
  if (launch.chair < 0 || launch.chair >= SEAT_COUNT) std::abort();
  for (int chair = 0; chair < SEAT_COUNT; ++chair) {
    const PlayerRecord* seat = tables.Seat(chair);
    if (std::strlen(seat->name) >= PLAYER_NAME_SIZE || std::strlen(seat->levelTitle) >= LEVEL_TITLE_SIZE) std::abort();
  }
  return 0;
}
