// The testbed game server as a program: listens on 127.0.0.1, answers the framework's requests,
// keeps the accounts in an SQLite file in its data folder and plays the mahjong table at every
// table, with computer players in the empty chairs.
//   pxqd-server [--port N] [--data FOLDER] [--seed S]
//               [--faults DELAY_ONE_IN:MAX_MS:DROP_ONE_IN[:REPEAT_ONE_IN]] [--clock-scale N]
//               [--wall FILE] [--requests FILE] [--min-hands N]
// The port defaults to 31380; the data folder to pxqd-server in the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share). A lone number is taken as the port, as before. Each
// table writes its hands to hands-<seed>-<room>-<table>.jsonl in the data folder, which
// pxqd-replay checks; the seed (random unless given) makes the walls again. --faults makes the
// server misbehave for a long run: one reply in DELAY_ONE_IN comes up to MAX_MS late and one in
// DROP_ONE_IN is cut off with its connection, and one notification in REPEAT_ONE_IN of those a
// client may get twice (a chair away or back, a shown hand, the players' new standing) comes
// twice, chosen from the seed. A player cut off in the middle of a hand keeps his chair until
// the hand ends. The accounts outlive the process: a server started again on the same data
// folder knows every player's silver. --clock-scale runs the
// server's clock N times as fast (its time-outs, intervals and days), for a long run. --wall
// deals every table's first hand from a scripted wall (the format is in testbed/table/
// WallScript.h). --requests appends every request the server receives, with its reply code and
// its body in hex, to FILE. --min-hands makes every table a room where N hands must be played
// before a player may leave (0, the default, lets him leave at any time): the clients then count
// their settlement down and take the next hand by themselves.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <random>
#include <string>
#include <thread>

#include "testbed/server/FaultPlan.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/RequestLog.h"
#include "testbed/server/ScaledClock.h"
#include "testbed/table/ExchangeStore.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "testbed/table/WallScript.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const long DEFAULT_PORT = 31380;

int Usage(const char* program) {
  fprintf(stderr, "usage: %s [--port N] [--data FOLDER] [--seed S]\n"
          "       [--faults DELAY_ONE_IN:MAX_MS:DROP_ONE_IN[:REPEAT_ONE_IN]] [--clock-scale N]\n"
          "       [--wall FILE] [--requests FILE] [--min-hands N]\n", program);
  return 2;
}

std::string DefaultDataFolder() {
  const char* data = getenv("XDG_DATA_HOME");
  if (data && *data) return std::string(data) + "/pxqd-server";
  const char* home = getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/pxqd-server";
}

// Creates the folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ParsePort(const char* text, long* port) {
  char* end = nullptr;
  errno = 0;
  long value = strtol(text, &end, 10);
  if (errno || !end || *end || end == text || value < 0 || value > 65535) return false;
  *port = value;
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  long port = DEFAULT_PORT;
  std::string folder = DefaultDataFolder();
  uint64_t seed = std::random_device{}();
  testbed::FaultRates faults;
  bool withFaults = false;
  long clockScale = 1;
  std::string wallPath;
  std::string requestsPath;
  long minHands = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) {
      char* end = nullptr;
      seed = strtoull(argv[++i], &end, 10);
      if (!end || *end) return Usage(argv[0]);
    } else if (arg == "--port" && i + 1 < argc) {
      if (!ParsePort(argv[++i], &port)) return Usage(argv[0]);
    } else if (arg == "--faults" && i + 1 < argc) {
      if (!testbed::FaultPlan::Parse(argv[++i], &faults)) return Usage(argv[0]);
      withFaults = true;
    } else if (arg == "--clock-scale" && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      clockScale = strtol(argv[++i], &end, 10);
      if (errno || !end || *end || clockScale < 1 || clockScale > 1000) return Usage(argv[0]);
    } else if (arg == "--wall" && i + 1 < argc) {
      wallPath = argv[++i];
    } else if (arg == "--requests" && i + 1 < argc) {
      requestsPath = argv[++i];
    } else if (arg == "--min-hands" && i + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      minHands = strtol(argv[++i], &end, 10);
      if (errno || !end || *end || minHands < 0 || minHands > 1000) return Usage(argv[0]);
    } else if (arg == "--data" && i + 1 < argc) {
      folder = argv[++i];
    } else if (argc == 2 && ParsePort(argv[i], &port)) {
      continue;
    } else {
      return Usage(argv[0]);
    }
  }
  if (folder.empty() || !MakeFolders(folder)) {
    fprintf(stderr, "cannot make the data folder %s\n", folder.c_str());
    return 1;
  }
  std::vector<int> wall;
  testbed::WallScript script;
  if (!wallPath.empty()) {
    std::ifstream in(wallPath);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!in || !testbed::ParseWallScript(text.str(), &script, &error) || !testbed::ArrangeWall(script, &wall, &error)) {
      fprintf(stderr, "%s: %s\n", wallPath.c_str(), in ? error.c_str() : "cannot be read");
      return 1;
    }
  }
  testbed::ServerConfig config;
  if (clockScale > 1) {
    auto clock = std::make_shared<testbed::ScaledClock>(static_cast<int>(clockScale));
    config.clock = [clock] { return clock->Now(); };
    config.tickGivenClock = true;
  }
  // The ticket-exchange activity keeps its tickets, stock and exchanges beside the accounts.
  auto exchangeStore = std::make_shared<testbed::ExchangeStore>();
  std::string exchangeError;
  if (!exchangeStore->Open(folder + "/accounts.db", 5, &exchangeError)) {
    fprintf(stderr, "%s/accounts.db: %s\n", folder.c_str(), exchangeError.c_str());
    return 1;
  }
  auto exchange = std::make_shared<testbed::ExchangeActivity>(exchangeStore);
  config.tableGames = [folder, seed, wall, script, exchange, minHands](int32_t room, int32_t table) {
    testbed::TableConfig tableConfig;
    tableConfig.minHands = static_cast<int>(minHands);
    if (!wall.empty()) {
      tableConfig.fixedWalls = {wall};
      tableConfig.fixedBreak = script.breakPosition;
      tableConfig.fixedDice = script.dice;
      tableConfig.firstBanker = script.banker;
      tableConfig.botBrains = testbed::ScriptedBrains(script);
    }
    tableConfig.seed = seed * 1000003u + static_cast<uint64_t>(room) * 1009u + static_cast<uint64_t>(table);
    auto log = std::make_shared<std::ofstream>(folder + "/hands-" + std::to_string(seed) + "-" + std::to_string(room) +
                                                   "-" + std::to_string(table) + ".jsonl",
                                               std::ios::app);
    auto game = std::make_unique<testbed::MahjongTableGame>(room, table, tableConfig, [log](const std::string& line) {
      *log << line << '\n';
      log->flush();
    });
    game->SetExchange(exchange);
    game->SetEventLog([](const std::string& line) { fprintf(stderr, "%s\n", line.c_str()); });
    return game;
  };
  testbed::GameServer server(std::move(config));
  // The faults' generator is seeded apart from the walls, so that turning faults on deals the
  // same hands.
  auto plan = std::make_shared<testbed::FaultPlan>(faults, seed ^ 0x5eedfa17u);
  plan->SetRepeatable({testbed::NTF_PLAYER_BACK_OR_LEFT, testbed::NTF_HAND_SHOWN, testbed::NTF_HAND_REFRESH,
                       testbed::NTF_PLAYERS_UPDATED});
  if (withFaults) {
    server.SetReplyFilter([plan](const testbed::Request& request, testbed::Reply* reply) {
      plan->Apply(request, reply);
      if (reply->closeMidPacket) {
        fprintf(stderr, "fault: the reply %u to request %u of session %d is cut off with its connection\n",
                static_cast<unsigned>(reply->result), static_cast<unsigned>(request.code), request.session);
      }
    });
    server.SetNoticeCopies([plan](int, DWORD code) { return plan->CopiesOf(code); });
  }
  std::shared_ptr<std::ofstream> requests;
  if (!requestsPath.empty()) {
    requests = std::make_shared<std::ofstream>(requestsPath, std::ios::app);
    if (!*requests) {
      fprintf(stderr, "cannot write %s\n", requestsPath.c_str());
      return 1;
    }
    auto log = std::make_shared<testbed::RequestLog>();
    log->KeepRequests(false);
    log->SetLineSink([requests](const std::string& line) {
      static std::mutex lock;
      std::lock_guard<std::mutex> g(lock);
      *requests << line << '\n';
      requests->flush();
    });
    server.SetRequestObserver([log](const testbed::Request& r, const testbed::Reply& reply) { log->Add(r, reply); });
  }
  server.Core().SetLogSink([](const std::string& line) { fprintf(stderr, "%s\n", line.c_str()); });
  std::string error;
  std::string database = folder + "/accounts.db";
  if (!server.Start(database, static_cast<uint16_t>(port), &error)) {
    fprintf(stderr, "%s: %s\n", database.c_str(), error.c_str());
    return 1;
  }
  printf("listening on 127.0.0.1:%u, accounts in %s\n", server.Port(), database.c_str());
  fflush(stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server.Stop();
  if (withFaults) printf("faults: %d replies delayed, %d connections dropped, %d notifications repeated\n", plan->Delayed(),
                       plan->Dropped(), plan->Repeated());
  return 0;
}
