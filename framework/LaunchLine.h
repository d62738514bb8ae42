// The command line with which the hall starts the client: fields separated by '|', optionally
// enclosed in one pair of double quotes. It names the game, the server, the room, the table and
// chair, the user and the hall's window to report to.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

#define LAUNCH_MIN_FIELDS 9
#define LAUNCH_USED_FIELDS 15
#define LAUNCH_MAX_FIELDS 30
#define LAUNCH_ADDRESS_SIZE 32
#define LAUNCH_GAME_NAME_SIZE 128
#define DEFAULT_GAME_PORT 31380

// Outcome of parsing a launch line.
enum LaunchParseResult {
  LAUNCH_OK = 0,
  // Fewer than 9 fields: the program was not started by the hall.
  LAUNCH_TOO_FEW_FIELDS = 1,
  // A server address that does not fit its 31 characters: the line is refused as a whole rather
  // than connecting to a cut, and therefore wrong, host.
  LAUNCH_BAD_ADDRESS = 2,
};

struct LaunchLine {
  int gameId = 0;
  char serverAddress[LAUNCH_ADDRESS_SIZE] = {};
  int roomId = 0;
  HWND hallWindow = nullptr;
  int reserved4 = 0;
  int userId = 0;
  int tableNo = -1;
  int chair = -1;
  int lookOn = 0;
  int launchFlag9 = 0;
  char gameName[LAUNCH_GAME_NAME_SIZE] = {};
  int port = 0;
  // Fields 12 to 14 stand in for the room record's flags, options and word at offset 308 until
  // the hall's session data arrives; each is applied only when its field is present.
  int roomFlags = 0;
  int roomOptions = 0;
  int roomValue308 = 0;
  bool hasRoomFlags = false;
  bool hasRoomOptions = false;
  bool hasRoomValue308 = false;
};

// Parses the command line into fields, which hold the values to keep where a field is absent.
// A port of 0 becomes defaultPort. The game name is cut to 127 bytes on a character boundary.
LaunchParseResult ParseLaunchLine(const char* commandLine, int defaultPort, LaunchLine* fields);

// The command line of a relaunch from the current values (the caller sets launch flag 9 and the
// look-on flag first), in the quoted form that ParseLaunchLine reads. Empty when the line would
// exceed maxLength characters.
std::string FormatRelaunchLine(const LaunchLine& fields, int roomFlags, int roomOptions, int roomValue308,
                               size_t maxLength);

// "<executable> <args>", empty when it would exceed maxLength characters.
std::string FormatSelfCommandLine(const char* executable, const char* args, size_t maxLength);
