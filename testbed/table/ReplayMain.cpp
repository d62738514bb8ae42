// pxqd-replay: checks hand logs of the testbed server's tables, or plays hands of four computer
// players and checks their log.
//
//   pxqd-replay LOG...                      check each log (JSON lines)
//   pxqd-replay --play N [--seed S] [--flowers] [--log FILE]
//                                           play N hands with bots, check them, optionally keep the log
//   pxqd-replay --compare TABLE LOG...      hold a client's table lines (PXQD_TABLE_DUMP) against
//                                           the table at the end of each hand of the logs
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "testbed/table/HandEndLines.h"
#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableRunner.h"

using namespace testbed;

namespace {

int Report(const std::string& name, const ReplayChecker& checker) {
  std::printf("%s: %d hands (%d won, %d drawn), %d claims, %d abandoned, %zu problems\n", name.c_str(),
              checker.HandsChecked(), checker.HandsWon(), checker.HandsDrawn(), checker.Claims(),
              checker.HandsAbandoned(), checker.Errors().size());
  size_t shown = 0;
  for (const std::string& e : checker.Errors()) {
    if (++shown > 20) {
      std::printf("  ...\n");
      break;
    }
    std::printf("  %s\n", e.c_str());
  }
  return checker.Errors().empty() ? 0 : 1;
}

int Play(int hands, uint64_t seed, bool flowers, const char* logPath) {
  TableConfig config;
  config.seed = seed;
  config.flowers = flowers;
  MahjongTable table(config);
  ReplayChecker checker;
  std::ofstream log;
  if (logPath) {
    log.open(logPath);
    if (!log) {
      std::fprintf(stderr, "pxqd-replay: cannot write %s\n", logPath);
      return 2;
    }
  }
  table.SetHandLog([&](const std::string& line) {
    checker.Feed(line);
    if (log.is_open()) log << line << '\n';
  });
  TableRunner runner(table);
  runner.KeepMessages(false);
  for (int c = 0; c < 4; ++c) runner.Take(table.SeatBot(c, 9001 + c));
  const int played = runner.RunUntilHands(hands);
  checker.Finish();
  if (played < hands) std::printf("the table stopped after %d hands\n", played);
  return Report("seed " + std::to_string(seed), checker) | (played < hands ? 1 : 0);
}

int Compare(const char* tablePath, char** logs, int logCount) {
  HandEndLines server;
  for (int i = 0; i < logCount; ++i) {
    std::ifstream in(logs[i]);
    if (!in) {
      std::fprintf(stderr, "pxqd-replay: cannot read %s\n", logs[i]);
      return 2;
    }
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty()) server.Feed(line);
    }
  }
  std::ifstream table(tablePath);
  if (!table) {
    std::fprintf(stderr, "pxqd-replay: cannot read %s\n", tablePath);
    return 2;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(table, line);) lines.push_back(line);
  const HandEndLines::Comparison r = server.Compare(lines);
  std::printf("%s: %d hands as the server logged them, %d differ, %d not in the log\n", tablePath, r.matched,
              r.differing, r.unknown);
  for (const std::string& note : r.notes) std::printf("  %s\n", note.c_str());
  return r.differing + r.unknown == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--play") == 0) {
    const int hands = std::atoi(argv[2]);
    uint64_t seed = 1;
    bool flowers = false;
    const char* logPath = nullptr;
    for (int i = 3; i < argc; ++i) {
      if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
      else if (std::strcmp(argv[i], "--flowers") == 0) flowers = true;
      else if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) logPath = argv[++i];
    }
    return Play(hands > 0 ? hands : 1, seed, flowers, logPath);
  }
  if (argc >= 4 && std::strcmp(argv[1], "--compare") == 0) return Compare(argv[2], argv + 3, argc - 3);
  if (argc < 2) {
    std::fprintf(stderr, "usage: pxqd-replay LOG... | pxqd-replay --play N [--seed S] [--flowers] [--log FILE]\n"
                         "       pxqd-replay --compare TABLE LOG...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i]);
    if (!in) {
      std::fprintf(stderr, "pxqd-replay: cannot read %s\n", argv[i]);
      status = 2;
      continue;
    }
    ReplayChecker checker;
    checker.FeedStream(in);
    status |= Report(argv[i], checker);
  }
  return status;
}
