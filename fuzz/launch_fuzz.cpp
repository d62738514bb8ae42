// The launch line over arbitrary text: parsing, and the relaunch line built from what was parsed,
// which must parse back to the same values.
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/LaunchLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();  // the command line ends at its first zero
  LaunchLine fields;
  if (ParseLaunchLine(line.c_str(), DEFAULT_GAME_PORT, &fields) != LAUNCH_OK) return 0;
  if (std::strlen(fields.serverAddress) >= sizeof(fields.serverAddress)) std::abort();
  if (std::strlen(fields.gameName) >= sizeof(fields.gameName)) std::abort();
  if (fields.port == 0) std::abort();
  // Fields holding '|' or '"' cannot travel in a relaunch line; everything else comes back.
  if (std::strpbrk(fields.gameName, "|\"") != nullptr || std::strpbrk(fields.serverAddress, "|\"") != nullptr) return 0;
  std::string relaunch = FormatRelaunchLine(fields, 1, 2, 3, 255);
  if (relaunch.size() > 255) std::abort();
  if (relaunch.empty()) return 0;
  LaunchLine again;
  if (ParseLaunchLine(relaunch.c_str(), DEFAULT_GAME_PORT, &again) != LAUNCH_OK) std::abort();
  if (again.userId != fields.userId || again.chair != fields.chair || again.tableNo != fields.tableNo ||
      std::strcmp(again.serverAddress, fields.serverAddress) != 0 || again.roomOptions != 2) {
    std::abort();
  }
  return 0;
}
