#include "framework/LaunchLine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/SystemHelpers.h"
#include "platform/base/Gbk.h"

LaunchParseResult ParseLaunchLine(const char* commandLine, int defaultPort, LaunchLine* fields) {
  std::string line = commandLine != nullptr ? commandLine : "";
  // A quoted line loses its first and its last character, whatever the last one is; a line of a
  // lone quote becomes empty.
  if (!line.empty() && line[0] == '"') line = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();

  std::vector<char> text(line.begin(), line.end());
  text.push_back('\0');
  LPSTR field[LAUNCH_MAX_FIELDS + 2] = {};
  int count = SplitString(text.data(), field, LAUNCH_MAX_FIELDS, nullptr);
  if (count < LAUNCH_MIN_FIELDS) return LAUNCH_TOO_FEW_FIELDS;
  if (std::strlen(field[1]) >= LAUNCH_ADDRESS_SIZE) return LAUNCH_BAD_ADDRESS;

  fields->gameId = std::atoi(field[0]);
  std::memset(fields->serverAddress, 0, sizeof(fields->serverAddress));
  std::strcpy(fields->serverAddress, field[1]);
  fields->roomId = std::atoi(field[2]);
  // Window handles are 32-bit values; the hall writes its window as an unsigned decimal number.
  fields->hallWindow =
      reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<uint32_t>(std::strtoul(field[3], nullptr, 10))));
  fields->reserved4 = std::atoi(field[4]);
  fields->userId = std::atoi(field[5]);
  fields->tableNo = std::atoi(field[6]);
  fields->chair = std::atoi(field[7]);
  fields->lookOn = std::atoi(field[8]);
  if (count > 9) fields->launchFlag9 = std::atoi(field[9]);
  if (count > 10) {
    size_t length = GbkSafeCut(field[10], strnlen(field[10], LAUNCH_GAME_NAME_SIZE - 1));
    std::memset(fields->gameName, 0, sizeof(fields->gameName));
    std::memcpy(fields->gameName, field[10], length);
  }
  if (count > 11) fields->port = std::atoi(field[11]);
  if (fields->port == 0) fields->port = defaultPort;
  if (count > 12) {
    fields->roomFlags = std::atoi(field[12]);
    fields->hasRoomFlags = true;
  }
  if (count > 13) {
    fields->roomOptions = std::atoi(field[13]);
    fields->hasRoomOptions = true;
  }
  if (count > 14) {
    fields->roomValue308 = std::atoi(field[14]);
    fields->hasRoomValue308 = true;
  }
  return LAUNCH_OK;
}

std::string FormatRelaunchLine(const LaunchLine& f, int roomFlags, int roomOptions, int roomValue308,
                               size_t maxLength) {
  const unsigned hall = static_cast<unsigned>(reinterpret_cast<uintptr_t>(f.hallWindow));
  int needed = std::snprintf(nullptr, 0, "\"%d|%s|%d|%u|%d|%d|%d|%d|%d|%d|%s|%d|%d|%d|%d\"", f.gameId,
                             f.serverAddress, f.roomId, hall, f.reserved4, f.userId, f.tableNo, f.chair, f.lookOn,
                             f.launchFlag9, f.gameName, f.port, roomFlags, roomOptions, roomValue308);
  if (needed < 0 || static_cast<size_t>(needed) > maxLength) return std::string();
  std::string line(static_cast<size_t>(needed) + 1, '\0');
  std::snprintf(line.data(), line.size(), "\"%d|%s|%d|%u|%d|%d|%d|%d|%d|%d|%s|%d|%d|%d|%d\"", f.gameId,
                f.serverAddress, f.roomId, hall, f.reserved4, f.userId, f.tableNo, f.chair, f.lookOn, f.launchFlag9,
                f.gameName, f.port, roomFlags, roomOptions, roomValue308);
  line.resize(static_cast<size_t>(needed));
  return line;
}

std::string FormatSelfCommandLine(const char* executable, const char* args, size_t maxLength) {
  std::string line = std::string(executable != nullptr ? executable : "") + " " + (args != nullptr ? args : "");
  if (line.size() > maxLength) return std::string();
  return line;
}
