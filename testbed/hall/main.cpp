// The hall stand-in as a program. It writes the hall's files, opens the hall window, starts the
// client (when one is given) with a launch line, and logs what the client sends until the client
// ends or the program is interrupted.
//   pxqd-hall --hall-dir DIR [--client PATH] [--server HOST] [--port N] [--player NAME]
//             [--user ID] [--game ID] [--room ID] [--table N] [--chair N] [--look-on]
//             [--proxy-need N] [--proxy-host HOST] [--proxy-port N] [--proxy-sock N]
//             [--proxy-user USER] [--proxy-pwd PASSWORD] [--log FILE] [--web URL] [--room-name NAME]
//             [--rejoin N] [--accounts FILE]
// The players' names go to the game server's account database (--accounts, by default the
// accounts.db of a server on this machine with its default data folder, when there is one), as
// the real hall and game server share their users.
// The room record names the web site of the panes' adverts and notices (--web, by default the
// testbed web site on 127.0.0.1:31390) and the room (--room-name).
// A client that reports leaving a running hand on a lost connection is started again with the
// same launch line, as the hall lets a player back into his chair, up to N times (--rejoin, 0 by
// default). When the client ends, the hall says how on standard error ("client PID ended: status
// S" or "client PID ended: signal S") and ends with the client's status.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/Gbk.h"
#include "platform/kernel/Kernel.h"
#include "testbed/hall/HallStandIn.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s --hall-dir DIR [--client PATH] [--server HOST] [--port N] [--player NAME] [--user ID]\n"
               "       [--game ID] [--room ID] [--table N] [--chair N] [--look-on] [--proxy-need N]\n"
               "       [--proxy-host HOST] [--proxy-port N] [--proxy-sock N] [--proxy-user USER]\n"
               "       [--proxy-pwd PASSWORD] [--log FILE] [--web URL] [--room-name NAME] [--rejoin N]\n"
               "       [--accounts FILE]\n",
               program);
  return 2;
}

bool ParseInt(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < -2147483647L || v > 2147483647L) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  testbed::HallOptions options;
  options.echo = true;
  int rejoins = 0;
  options.room.name = "测试房间";
  options.room.advertBase = "http://127.0.0.1:31390";
  options.room.noticeBase = "http://127.0.0.1:31390";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--look-on") {
      options.lookOn = 1;
      continue;
    }
    if (i + 1 >= argc) return Usage(argv[0]);
    const char* value = argv[++i];
    int* number = arg == "--port" ? &options.serverPort
                  : arg == "--user" ? &options.userId
                  : arg == "--game" ? &options.gameId
                  : arg == "--room" ? &options.roomId
                  : arg == "--table" ? &options.table
                  : arg == "--chair" ? &options.chair
                  : arg == "--proxy-need" ? &options.proxyNeed
                  : arg == "--proxy-port" ? &options.proxyPort
                  : arg == "--proxy-sock" ? &options.proxySock
                  : arg == "--rejoin"     ? &rejoins
                                          : nullptr;
    if (number) {
      if (!ParseInt(value, number)) return Usage(argv[0]);
    } else if (arg == "--hall-dir") {
      options.hallDir = value;
    } else if (arg == "--client") {
      options.clientPath = value;
    } else if (arg == "--server") {
      options.serverHost = value;
    } else if (arg == "--player") {
      options.playerName = Utf8ToGbk(value);
    } else if (arg == "--proxy-host") {
      options.proxyHost = value;
    } else if (arg == "--proxy-user") {
      options.proxyUser = value;
    } else if (arg == "--proxy-pwd") {
      options.proxyPassword = value;
    } else if (arg == "--log") {
      options.logPath = value;
    } else if (arg == "--web") {
      options.room.advertBase = value;
      options.room.noticeBase = value;
    } else if (arg == "--accounts") {
      options.accountsPath = value;
    } else if (arg == "--room-name") {
      options.room.name = Utf8ToGbk(value);
    } else {
      return Usage(argv[0]);
    }
  }
  if (options.hallDir.empty() || options.serverPort < 0 || options.serverPort > 65535 || rejoins < 0)
    return Usage(argv[0]);

  // The hall program's path in the shared settings file names a link to this program inside the
  // hall folder, so that the client's "start the hall" starts this stand-in and finds its folder.
  std::string folder = options.hallDir + (options.hallDir.back() == '/' ? "" : "/");
  options.exePath = folder + "pxqd-hall";
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    ::mkdir(options.hallDir.c_str(), 0755);
    ::unlink(options.exePath.c_str());
    if (::symlink(self, options.exePath.c_str()) != 0) std::perror("hall program link");
  }

  if (options.accountsPath.empty()) {
    // The default data folder of a game server on this machine.
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder = data != nullptr && *data != '\0' ? std::string(data)
                               : home != nullptr                  ? std::string(home) + "/.local/share"
                                                                  : std::string();
    struct stat st {};
    const std::string path = folder + "/pxqd-server/accounts.db";
    if (!folder.empty() && ::stat(path.c_str(), &st) == 0) options.accountsPath = path;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  testbed::HallStandIn hall(options);
  if (!hall.Start()) {
    std::fprintf(stderr, "the hall cannot start in %s\n", options.hallDir.c_str());
    return 1;
  }
  if (!options.clientPath.empty() && !hall.StartClient()) return 1;
  int status = 0;
  while (!g_stop) {
    if (!hall.ClientProcess()) {
      Sleep(200);
      continue;
    }
    if (WaitForSingleObject(hall.ClientProcess(), 200) != WAIT_OBJECT_0) continue;
    DWORD code = 0;
    GetExitCodeProcess(hall.ClientProcess(), &code);
    status = static_cast<int>(code);
    // The process number is the one the start was logged with.
    std::string pid = "?";
    for (const testbed::HallEvent& e : hall.Events()) {
      if (e.kind == "client-started") pid = e.line.substr(7, e.line.find(' ', 7) - 7);
    }
    if (code > 128 && code < 160) {
      std::fprintf(stderr, "client %s ended: signal %d\n", pid.c_str(), static_cast<int>(code - 128));
    } else {
      std::fprintf(stderr, "client %s ended: status %d\n", pid.c_str(), status);
    }
    if (rejoins > 0 && !g_stop && testbed::ClientLeftOnLostConnection(hall.Events())) {
      --rejoins;
      std::fprintf(stderr, "the client left a running hand on a lost connection: starting it again\n");
      if (hall.StartClient()) continue;
    }
    break;
  }
  hall.Stop();
  return status;
}
