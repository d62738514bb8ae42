// A scripted hand end to end: the hall stand-in launches build/bin/pxqd (headless) against a game
// server of the test's own whose table deals a fixed wall, and computer players in the other
// three chairs play a script: the banker lets a tile go, the player opposite pengs it, the next
// one makes an exposed gang and takes its replacement, draws and discards follow, the player's own
// chair draws and discards, and the banker wins on that discard. In one test the player leaves the
// own chair to its countdown (the table plays the turn when the server's time for it is up); in
// the other the client plays it in managed play, the server's clock standing still meanwhile.
// The server runs on the test's clock, one step at a time; after each step the test waits for the
// client to show it (its table pictures and states, written to a folder) and keeps the picture
// under build/tests/e2e-renderings/<test>/. Every request the client sent is compared byte for
// byte with the bodies the protocol prescribes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "net/WireBytes.h"
#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"
#include "testbed/hall/HallStandIn.h"
#include "testbed/server/GameServer.h"
#include "testbed/server/RequestLog.h"
#include "testbed/table/ExchangeActivity.h"
#include "testbed/table/HandEndLines.h"
#include "testbed/table/MahjongTableGame.h"
#include "testbed/table/TableCodes.h"
#include "testbed/table/WallScript.h"
#include "tests/support/ClientTableFixture.h"

namespace {

using namespace testbed;
using nlohmann::json;

constexpr int WAIT_MS = testsupport::PROCESS_WAIT_MS;
constexpr int ROOM = 12;
constexpr int TABLE = 3;
constexpr int OWN_CHAIR = 1;
constexpr int OWN_USER = 1001;

// The hand comes from testbed/table/walls/peng-gang-win.wall (PXQD_SCRIPTED_WALL): the banker
// (chair 0) lets a south wind go, chair 2 pengs it and lets a west wind go, chair 3 makes an
// exposed gang of it, and after a few draws the banker wins on the own chair's east wind.
// The ids the script gives (honours: 108 + code - 31 + 7 per copy).
constexpr int SOUTH_OF_BANKER = 109;            // c32, chair 0
constexpr int SOUTH_PAIR[2] = {116, 123};       // c32, chair 2
constexpr int WEST_OF_CHAIR2 = 110;             // c33, chair 2
constexpr int WEST_TRIPLE[3] = {117, 124, 131};  // c33, chair 3
constexpr int NORTH_OF_CHAIR3 = 111;            // c34
constexpr int GREEN_DRAWN = 113;                // c36, chair 2's draw
constexpr int EAST_DRAWN = 115;                 // c31, the own draw
constexpr int GANG_REPLACEMENT = 9;             // c1 from the tail

// Sides on the client's table: the own chair is side 3, the next chair (own + 1) side 0, the
// opposite side 1, the one before side 2.
int SideOf(int chair) { return chair == OWN_CHAIR ? 3 : (chair - OWN_CHAIR + 4) % 4 - 1; }

// One line of the client's steps.txt: its number and its key=value pairs.
struct Step {
  int number = 0;
  std::map<std::string, std::string> values;
  std::string line;
  const std::string& operator[](const std::string& key) const {
    static const std::string none = "?";
    auto it = values.find(key);
    return it == values.end() ? none : it->second;
  }
  int Int(const std::string& key) const { return std::atoi((*this)[key].c_str()); }
  // The ids of a list value ("1.2.3", "-" for none).
  std::vector<int> Ids(const std::string& key) const {
    std::vector<int> ids;
    std::stringstream in((*this)[key]);
    std::string part;
    while (std::getline(in, part, '.')) {
      if (part != "-" && part != "?") ids.push_back(std::atoi(part.c_str()));
    }
    return ids;
  }
};

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::string Hex(const Bytes& b) {
  std::string s;
  char h[4];
  for (BYTE x : b) {
    std::snprintf(h, sizeof h, "%02x ", x);
    s += h;
  }
  return s;
}

void Put(Bytes* b, size_t offset, int32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[offset + i] = static_cast<BYTE>(static_cast<uint32_t>(v) >> (8 * i));
}

class ScriptedHandTest : public testsupport::ClientTableFixture {
 protected:
  void SetUp() override {
    ClientTableFixture::SetUp();
    std::ifstream file(PXQD_SCRIPTED_WALL);
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_TRUE(file.good()) << PXQD_SCRIPTED_WALL;
    std::string error;
    ASSERT_TRUE(ParseWallScript(text.str(), &m_script, &error)) << error;
    ASSERT_TRUE(ArrangeWall(m_script, &m_wall, &error)) << error;
    m_stepDir = m_dir.File("steps");
    m_renderDir = std::string(PXQD_E2E_DUMP_DIR) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ec;
    std::filesystem::remove_all(m_renderDir, ec);
    std::filesystem::create_directories(m_renderDir);
    m_env.Set("PXQD_TABLE_STEPS", m_stepDir);

    ServerConfig config;
    config.clock = [this] { return m_now.load(); };
    config.tableGames = [this](int32_t room, int32_t table) {
      TableConfig t;
      t.fixedWalls = {m_wall};
      t.fixedBreak = m_script.breakPosition;
      t.fixedDice = m_script.dice;
      t.firstBanker = m_script.banker;
      t.botBrains = ScriptedBrains(m_script);
      return std::make_unique<MahjongTableGame>(room, table, t, [this](const std::string& line) {
        std::lock_guard<std::mutex> g(m_logLock);
        m_handLog.push_back(json::parse(line));
      });
    };
    ASSERT_TRUE(StartServer(std::move(config), [this](GameServer& server) {
      server.SetRequestObserver([this](const Request& r, const Reply& reply) { m_requests.Add(r, reply); });
    }));

    m_options = ClientOptions("pxqd", ROOM, TABLE, OWN_CHAIR, OWN_USER);
    m_options.room.value304 = 77;
  }

  // The server's clock moves on in small steps, running what falls due, until the hand log
  // holds an event of that kind for that chair (or the hand's time runs out).
  // (A tile narrows the event down to the one with that tile.)
  bool RunUntil(const std::string& event, int chair, int tile = -1) {
    for (int k = 0; k < 2000; ++k) {
      if (FindEvent(event, chair, tile) != nullptr) return true;
      m_now += 100;
      Server().Core().RunDueTimers();
    }
    return FindEvent(event, chair, tile) != nullptr;
  }
  // Waits in real time, the server's clock standing still, for the client's own move.
  bool WaitForEvent(const std::string& event, int chair, int tile = -1) {
    return testsupport::WaitFor([&] { return FindEvent(event, chair, tile) != nullptr; });
  }
  void PlayTheHand(bool clientPlays);
  const json* FindEvent(const std::string& event, int chair, int tile = -1) {
    std::lock_guard<std::mutex> g(m_logLock);
    for (const json& e : m_handLog) {
      if (e.value("ev", "") == event && (chair < 0 || e.value("chair", -9) == chair) &&
          (tile < 0 || e.value("tile", -9) == tile)) {
        return &e;
      }
    }
    return nullptr;
  }
  json Event(const std::string& event, int chair) {
    std::lock_guard<std::mutex> g(m_logLock);
    for (const json& e : m_handLog) {
      if (e.value("ev", "") == event && (chair < 0 || e.value("chair", -9) == chair)) return e;
    }
    return json();
  }

  std::vector<Step> ReadSteps() {
    std::vector<Step> steps;
    std::ifstream in(m_stepDir + "/steps.txt");
    std::string line;
    while (std::getline(in, line)) {
      // A dialog's line is no picture of the table.
      if (line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
      Step s;
      s.line = line;
      std::stringstream words(line);
      std::string word;
      words >> s.number;
      while (words >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos) s.values[word.substr(0, eq)] = word.substr(eq + 1);
      }
      steps.push_back(s);
    }
    return steps;
  }

  // Waits (in real time, generously) for a picture of the client whose state satisfies `shows`,
  // the last one found or a later one (one picture may show two moves), and keeps it as
  // <name>.png.
  bool WaitForStep(const std::string& name, const std::function<bool(const Step&)>& shows, Step* found = nullptr) {
    const bool shown = testsupport::WaitFor([&] {
      for (const Step& s : ReadSteps()) {
        if (s.number < m_lastStep || !shows(s)) continue;
        m_lastStep = s.number;
        char file[32];
        std::snprintf(file, sizeof file, "/step-%04d.png", s.number);
        std::error_code ec;
        std::filesystem::copy_file(m_stepDir + file, m_renderDir + "/" + name + ".png",
                                   std::filesystem::copy_options::overwrite_existing, ec);
        EXPECT_FALSE(ec) << "the picture of step " << s.number << ": " << ec.message();
        if (found != nullptr) *found = s;
        return true;
      }
      return false;
    });
    if (shown) return true;
    std::string seen;
    for (const Step& s : ReadSteps()) seen += s.line + "\n";
    ADD_FAILURE() << "the client never showed " << name << "; its steps:\n" << seen;
    return false;
  }

  // The client's requests on its connection, by code.
  std::vector<LoggedRequest> ClientRequests(DWORD code) {
    std::vector<LoggedRequest> out;
    for (const LoggedRequest& r : m_requests.OfCode(code)) {
      if (r.session == m_clientSession) out.push_back(r);
    }
    return out;
  }

  // The machine id as the protocol describes it: the Ethernet adapters' addresses in the
  // system's order (by interface name here) as lower-case hex, cut to 31 characters; on a machine
  // without one, the [SYSTEM] UniqueID of the shared settings file.
  std::string MachineId() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net", ec)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string hex;
    for (const std::string& name : names) {
      auto first = [&](const std::string& file) {
        std::ifstream in("/sys/class/net/" + name + "/" + file);
        std::string line;
        std::getline(in, line);
        return line;
      };
      if (first("type") != "1") continue;
      std::string address;
      for (char c : first("address")) {
        if (c != ':') address.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
      }
      if (address.empty() || address.find_first_not_of('0') == std::string::npos) continue;
      hex += address;
    }
    if (!hex.empty()) return hex.substr(0, 31);
    char id[32] = {};
    GetPrivateProfileStringA("SYSTEM", "UniqueID", "", id, sizeof id, m_hall->SharedSettingsPath().c_str());
    return id;
  }

  Bytes Identity(size_t size) const {
    Bytes b(size, 0);
    Put(&b, 0, OWN_USER);
    Put(&b, 4, ROOM);
    Put(&b, 8, TABLE);
    Put(&b, 12, OWN_CHAIR);
    return b;
  }

  // The body a request of the client must have, from the protocol's layouts and what the test
  // knows of the hand; nothing (with the reason) for a request the client has no business sending.
  std::optional<Bytes> Expected(const LoggedRequest& r, std::string* why) {
    switch (r.code) {
      case REQ_VERSION:
        return Bytes{};
      case REQ_ENTER: {
        Bytes b(108, 0);
        Put(&b, 0, OWN_USER);
        Put(&b, 8, m_options.gameId);
        Put(&b, 12, ROOM);
        Put(&b, 16, TABLE);
        Put(&b, 20, OWN_CHAIR);
        const std::string id = MachineId();
        std::copy(id.begin(), id.end(), b.begin() + 24);
        Put(&b, 56, 0);    // not looking on
        Put(&b, 72, 1);    // quick catch, the client's default setting
        Put(&b, 88, m_options.room.value304);
        return b;
      }
      case REQ_READY:
      case REQ_GET_GAME_DATA:
      case REQ_GAME_RUNNING:
        return Identity(32);
      case REQ_ACTIVITY_STATE:
        // At a new hand, whether the ticket-exchange activity runs: the ids and a zero word.
        return Identity(20);
      case REQ_LEAVE: {
        Bytes b(96, 0);
        Put(&b, 0, OWN_USER);
        Put(&b, 4, ROOM);
        Put(&b, 8, TABLE);
        Put(&b, 12, OWN_CHAIR);
        Put(&b, 16, 0);  // the own leave
        Put(&b, 20, TABLE);
        Put(&b, 24, OWN_CHAIR);
        Put(&b, 28, OWN_USER);
        const std::string id = MachineId();
        std::copy(id.begin(), id.end(), b.begin() + 32);
        return b;
      }
      case REQ_RESPONSE_TIMES: {
        // Every 60 s: its two times are the client's own measure, each capped at 60000.
        if (r.body.size() != 16) break;
        const int32_t average = ReadI32Le(r.body.data() + 4), maximum = ReadI32Le(r.body.data() + 8);
        if (average < 0 || average > 60000 || maximum < 0 || maximum > 60000) break;
        Bytes b(16, 0);
        Put(&b, 0, OWN_USER);
        Put(&b, 4, average);
        Put(&b, 8, maximum);
        return b;
      }
      case REQ_DRAW: {
        Bytes b = Identity(96);
        Put(&b, 20, TABLE);
        Put(&b, 24, OWN_CHAIR);
        Put(&b, 28, OWN_USER);
        return b;
      }
      case REQ_DISCARD: {
        // The own discard of the east wind it drew.
        Bytes b = Identity(108);
        Put(&b, 20, TABLE);
        Put(&b, 24, OWN_CHAIR);
        Put(&b, 28, OWN_USER);
        const std::string id = MachineId();
        std::copy(id.begin(), id.end(), b.begin() + 32);
        Put(&b, 80, 1);
        Put(&b, 100, 1);
        Put(&b, 104, EAST_DRAWN);
        return b;
      }
      default:
        *why = "the hand gives the client no reason to send it";
        return std::nullopt;
    }
    *why = "its body does not fit its layout";
    return std::nullopt;
  }

  WallScript m_script;
  std::vector<int> m_wall;
  std::string m_stepDir;
  std::string m_renderDir;
  std::atomic<int64_t> m_now{1000000};
  std::mutex m_logLock;
  std::vector<json> m_handLog;
  RequestLog m_requests;
  HallOptions m_options;
  HallStandIn* m_hall = nullptr;
  int m_lastStep = 0;
  int m_clientSession = -1;
};

// The hand, step by step. When the client plays (headless hands: it gets ready by itself and
// plays its chair in managed play), the server's clock stands still while the own chair is in
// turn, so that only the client's own requests can move the hand on; otherwise the table plays
// for the silent chair when its time is up.
void ScriptedHandTest::PlayTheHand(bool clientPlays) {
  m_hall = Launch(m_options);
  ASSERT_NE(m_hall, nullptr);
  ASSERT_TRUE(m_hall->WaitForEvent("game-window", WAIT_MS)) << "the client announced no window";
  ASSERT_TRUE(m_hall->WaitForEvent("session-sent", WAIT_MS));
  ASSERT_TRUE(WaitForSeat(ROOM, TABLE, OWN_CHAIR, OWN_USER)) << "the client did not enter the table";
  // The record of a request is made after its answer: the seat may show before it.
  testsupport::WaitFor([&] { return !m_requests.OfCode(REQ_ENTER).empty(); });
  ASSERT_EQ(m_requests.OfCode(REQ_ENTER).size(), 1u);
  m_clientSession = m_requests.OfCode(REQ_ENTER)[0].session;
  if (!clientPlays) ASSERT_TRUE(WaitForStep("00-empty-table", [](const Step& s) { return s.Int("playing") == 0; }));

  // The start: the table seats its computer players and deals. Every hand shows its count (the
  // banker's fourteenth as its drawn tile), the own tiles face up and the others' hidden, and
  // the wall has lost the 53 tiles of the deal.
  if (clientPlays) {
    ASSERT_TRUE(WaitForEvent("deal", OWN_CHAIR)) << "the client did not get ready";
  } else {
    ASSERT_TRUE(Server().Core().MakeReady(OWN_USER));
    ASSERT_NE(FindEvent("deal", OWN_CHAIR), nullptr);
  }
  auto held = [](const Step& s, int chair) {
    const std::string side = std::to_string(SideOf(chair));
    return s.Int("hand" + side) + (s["drawn" + side] != "-" ? 1 : 0);
  };
  Step dealt;
  ASSERT_TRUE(WaitForStep("01-dealt-table", [&](const Step& s) {
    return s.Int("playing") == 1 && held(s, 0) == 14 && held(s, 1) == 13 && held(s, 2) == 13 && held(s, 3) == 13;
  }, &dealt));
  EXPECT_EQ(Sorted(dealt.Ids("tiles3")), Sorted(m_script.hands[OWN_CHAIR])) << dealt.line;
  for (int chair : {0, 2, 3}) {
    const std::string side = std::to_string(SideOf(chair));
    for (int id : dealt.Ids("tiles" + side)) EXPECT_EQ(id, 200) << "chair " << chair << "'s tiles are hidden";
    EXPECT_EQ(dealt["river" + side], "-");
  }
  EXPECT_EQ(dealt.Int("wall"), 136 - 53) << "the deal took 53 head tiles: " << dealt.line;

  // The banker lets the south wind go: it shows as his played tile while it may be claimed.
  ASSERT_TRUE(RunUntil("discard", 0, SOUTH_OF_BANKER));
  ASSERT_TRUE(WaitForStep("02-banker-discards", [](const Step& s) {
    return s["played2"] == std::to_string(SOUTH_OF_BANKER);
  }));

  // Chair 2 (side 0) pengs it: the meld shows the three south winds, the played tile is gone, and
  // chair 2 holds 11 tiles (the one to let go in the drawn place).
  ASSERT_TRUE(RunUntil("peng", 2));
  Step peng;
  ASSERT_TRUE(WaitForStep("03-peng", [&](const Step& s) { return s["melds0"] != "-" && held(s, 2) == 11; }, &peng));
  EXPECT_EQ(peng["melds0"].substr(0, 4), "set:") << peng.line;
  EXPECT_EQ(Sorted(Step{0, {{"m", peng["melds0"].substr(4)}}}.Ids("m")),
            Sorted({SOUTH_OF_BANKER, SOUTH_PAIR[0], SOUTH_PAIR[1]}))
      << peng.line;
  EXPECT_EQ(peng["played2"], "-");
  EXPECT_EQ(peng["river2"], "-") << "the claimed tile never reached the banker's river";

  // Chair 2 lets a west wind go and chair 3 (side 1) makes an exposed gang of it: four west
  // winds laid down and the replacement from the tail in his drawn place, hidden.
  ASSERT_TRUE(RunUntil("exposed_gang", 3));
  Step gang;
  ASSERT_TRUE(WaitForStep("04-exposed-gang", [&](const Step& s) {
    return s["melds1"].rfind("gang:", 0) == 0 && held(s, 3) == 11;
  }, &gang));
  EXPECT_EQ(Sorted(Step{0, {{"m", gang["melds1"].substr(5)}}}.Ids("m")),
            Sorted({WEST_OF_CHAIR2, WEST_TRIPLE[0], WEST_TRIPLE[1], WEST_TRIPLE[2]}))
      << gang.line;
  EXPECT_EQ(gang["drawn1"], "200") << gang.line;
  EXPECT_EQ(gang["river0"], "-") << "the ganged tile left chair 2's side";
  EXPECT_EQ(gang["played0"], "-");
  EXPECT_EQ(gang.Int("wall"), 136 - 53 - 1) << "the replacement left the tail";
  const json replacement = Event("draw", 3);
  ASSERT_FALSE(replacement.is_null());
  EXPECT_EQ(replacement.value("end", ""), "tail");
  EXPECT_EQ(replacement.value("tile", -1), GANG_REPLACEMENT);

  // Chair 3 lets the north wind go; nobody wants it.
  ASSERT_TRUE(RunUntil("discard", 3, NORTH_OF_CHAIR3));
  ASSERT_TRUE(WaitForStep("05-after-gang-discard", [&](const Step& s) {
    return s["played1"] == std::to_string(NORTH_OF_CHAIR3) && held(s, 3) == 10;
  }));

  // Chair 2 draws the green dragon from the head and lets it go; the north wind is in its river.
  ASSERT_TRUE(RunUntil("discard", 2, GREEN_DRAWN));
  Step second;
  // (Nobody may claim it, so the own chair's time to claim is up at once and the client may draw
  // before a frame shows the dragon as played: it may show already in the river.)
  ASSERT_TRUE(WaitForStep("06-chair2-draw-discard", [&](const Step& s) {
    const bool shown = s["played0"] == std::to_string(GREEN_DRAWN) || s.Ids("river0") == std::vector<int>{GREEN_DRAWN};
    return shown && s.Ids("river1") == std::vector<int>{NORTH_OF_CHAIR3};
  }, &second));
  EXPECT_EQ(held(second, 2), 10) << second.line;
  EXPECT_EQ(second.Int("wall"), 136 - 53 - 2 - (held(second, OWN_CHAIR) == 14 ? 1 : 0)) << second.line;

  // The own chair draws the east wind (the client itself, or the table for a chair in turn that
  // stays silent): it shows face up in the own hand.
  ASSERT_TRUE(clientPlays ? WaitForEvent("draw", OWN_CHAIR, EAST_DRAWN) : RunUntil("draw", OWN_CHAIR, EAST_DRAWN));
  // (In managed play the client lets the tile go at once, often before a frame shows it.)
  if (!clientPlays) {
    Step ownDraw;
    ASSERT_TRUE(WaitForStep("07-own-draw", [&](const Step& s) { return held(s, OWN_CHAIR) == 14; }, &ownDraw));
    std::vector<int> ownTiles = ownDraw.Ids("tiles3");
    if (ownDraw["drawn3"] != "-") ownTiles.push_back(ownDraw.Int("drawn3"));
    std::vector<int> expectedOwn = m_script.hands[OWN_CHAIR];
    expectedOwn.push_back(EAST_DRAWN);
    EXPECT_EQ(Sorted(ownTiles), Sorted(expectedOwn)) << ownDraw.line;
    EXPECT_EQ(Sorted(ownDraw.Ids("river0")), std::vector<int>{GREEN_DRAWN});
  }

  // It lets the east wind go ...
  ASSERT_TRUE(clientPlays ? WaitForEvent("discard", OWN_CHAIR, EAST_DRAWN)
                          : RunUntil("discard", OWN_CHAIR, EAST_DRAWN));
  Step ownDiscard;
  ASSERT_TRUE(WaitForStep("08-own-discard", [&](const Step& s) {
    return s["played3"] == std::to_string(EAST_DRAWN) && held(s, OWN_CHAIR) == 13;
  }, &ownDiscard));
  EXPECT_EQ(Sorted(ownDiscard.Ids("tiles3")), Sorted(m_script.hands[OWN_CHAIR])) << ownDiscard.line;

  // ... and the banker wins on it: his hand lies open, the east wind beside it.
  ASSERT_TRUE(RunUntil("hu", 0, EAST_DRAWN));
  EXPECT_EQ(Event("hu", 0).value("from", -1), OWN_CHAIR);
  ASSERT_TRUE(RunUntil("result", -1));
  Step win;
  ASSERT_TRUE(WaitForStep("09-win", [](const Step& s) { return s.Int("winner") == SideOf(0) && s.Int("playing") == 0; },
                          &win));
  std::vector<int> bankerHand = m_script.hands[0];
  bankerHand.erase(std::find(bankerHand.begin(), bankerHand.end(), SOUTH_OF_BANKER));
  EXPECT_EQ(Sorted(win.Ids("tiles2")), Sorted(bankerHand)) << win.line;
  EXPECT_EQ(win["drawn2"], std::to_string(EAST_DRAWN)) << win.line;

  // The player closes the window: the client leaves the table, reports its exit and ends.
  PostMessageA(m_hall->GameWindow(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(m_hall->WaitForEvent("exit-report", WAIT_MS));
  const int code = WaitForExit(*m_hall);
  ASSERT_NE(code, -1) << "the client did not end";
  EXPECT_EQ(code, 0);

  // Every request of the client, byte for byte, against the bodies the protocol prescribes.
  std::map<DWORD, int> counts;
  for (const LoggedRequest& r : m_requests.All()) {
    if (r.session != m_clientSession) continue;
    ++counts[r.code];
    std::string why;
    const std::optional<Bytes> expected = Expected(r, &why);
    if (!expected) {
      ADD_FAILURE() << "request " << r.code << ": " << why << "\n" << RequestLog::Line(r);
      continue;
    }
    EXPECT_EQ(Hex(r.body), Hex(*expected)) << "request " << r.code;
  }
  EXPECT_EQ(counts[REQ_VERSION], 1);
  EXPECT_EQ(counts[REQ_ENTER], 1);
  std::string seen;
  for (const auto& [c, n] : counts) seen += std::to_string(c) + "x" + std::to_string(n) + " ";
  RecordProperty("requests", seen);
  if (clientPlays) {
    // The second ready is the next hand's, once the first has ended.
    EXPECT_GE(counts[REQ_READY], 1);
    EXPECT_EQ(counts[REQ_DRAW], 1);
    EXPECT_EQ(counts[REQ_DISCARD], 1);
  }
}

// The own chair's connection drops in the middle of the hand (its client is killed after the
// peng, the exposed gang and chair 3's discard); the table keeps the chair. The player starts the
// game again: the new client enters the running hand and shows it at once from the enter reply's
// table data (the melds, rivers, played tile, hands and wall as they stand), tells the server it
// is back, and plays the rest of the hand in managed play; its table at the hand's end is the
// server's.
TEST_F(ScriptedHandTest, AClientStartedAgainMidHandShowsTheHandAndPlaysItOn) {
  HallStandIn* first = Launch(m_options);
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->WaitForEvent("session-sent", WAIT_MS));
  ASSERT_TRUE(WaitForSeat(ROOM, TABLE, OWN_CHAIR, OWN_USER)) << "the first client did not enter the table";
  ASSERT_TRUE(Server().Core().MakeReady(OWN_USER));
  ASSERT_TRUE(RunUntil("exposed_gang", 3));
  ASSERT_TRUE(RunUntil("discard", 3, NORTH_OF_CHAIR3));

  // The connection drops: the table keeps the chair for the running hand.
  TerminateProcess(first->ClientProcess(), 9);
  ASSERT_NE(WaitForExit(*first), -1);
  first->Stop();
  auto logged = [this](const std::string& text) {
    for (const std::string& line : Server().Core().LogLines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  };
  ASSERT_TRUE(testsupport::WaitFor([&] { return logged("is kept for user " + std::to_string(OWN_USER)); }))
      << "the table did not keep the chair";

  // The game is started again; it plays the one hand it enters, then ends.
  m_stepDir = m_dir.File("steps-back");
  m_lastStep = 0;
  m_env.Set("PXQD_TABLE_STEPS", m_stepDir);
  const std::string dump = m_dir.File("table-back.txt");
  m_env.Set("PXQD_TABLE_DUMP", dump);
  m_env.Set("PXQD_HEADLESS_HANDS", "1");
  m_hall = Launch(m_options);
  ASSERT_NE(m_hall, nullptr);
  m_env.Unset("PXQD_TABLE_DUMP");
  ASSERT_TRUE(m_hall->WaitForEvent("session-sent", WAIT_MS));

  // Without a single notification since it entered, the client shows the hand as it stands.
  auto held = [](const Step& s, int chair) {
    const std::string side = std::to_string(SideOf(chair));
    return s.Int("hand" + side) + (s["drawn" + side] != "-" ? 1 : 0);
  };
  Step back;
  ASSERT_TRUE(WaitForStep("10-back-in-the-hand", [](const Step& s) { return s.Int("playing") == 1; }, &back));
  EXPECT_EQ(back["melds0"].substr(0, 4), "set:") << back.line;
  EXPECT_EQ(Sorted(Step{0, {{"m", back["melds0"].substr(4)}}}.Ids("m")),
            Sorted({SOUTH_OF_BANKER, SOUTH_PAIR[0], SOUTH_PAIR[1]}))
      << back.line;
  EXPECT_EQ(Sorted(Step{0, {{"m", back["melds1"].substr(5)}}}.Ids("m")),
            Sorted({WEST_OF_CHAIR2, WEST_TRIPLE[0], WEST_TRIPLE[1], WEST_TRIPLE[2]}))
      << back.line;
  EXPECT_EQ(back["played1"], std::to_string(NORTH_OF_CHAIR3)) << "chair 3's discard waits for its claims";
  EXPECT_EQ(back["river0"], "-");
  EXPECT_EQ(back["river2"], "-");
  EXPECT_EQ(Sorted(back.Ids("tiles3")), Sorted(m_script.hands[OWN_CHAIR])) << back.line;
  EXPECT_EQ(held(back, 0), 13) << back.line;
  EXPECT_EQ(held(back, OWN_CHAIR), 13) << back.line;
  EXPECT_EQ(held(back, 2), 10) << back.line;
  EXPECT_EQ(held(back, 3), 10) << back.line;
  EXPECT_EQ(back.Int("wall"), 136 - 53 - 1) << back.line;
  testsupport::WaitFor([&] { return !m_requests.OfCode(REQ_RETURN_TO_GAME).empty(); });
  const std::vector<LoggedRequest> returns = m_requests.OfCode(REQ_RETURN_TO_GAME);
  ASSERT_EQ(returns.size(), 1u) << "the client tells the server it is back";
  ASSERT_GE(returns[0].body.size(), 20u);
  EXPECT_EQ(returns[0].body[16], 1) << "a return into a running hand";
  m_clientSession = returns[0].session;

  // The hand goes on: the client draws the east wind and lets it go, and the banker wins on it.
  ASSERT_TRUE(RunUntil("discard", 2, GREEN_DRAWN));
  ASSERT_TRUE(WaitForEvent("draw", OWN_CHAIR, EAST_DRAWN)) << "the client did not play its turn";
  ASSERT_TRUE(WaitForEvent("discard", OWN_CHAIR, EAST_DRAWN));
  ASSERT_TRUE(RunUntil("hu", 0, EAST_DRAWN));
  ASSERT_TRUE(RunUntil("result", -1));
  // Its one hand played, the client ends by itself (often before a frame shows the win).
  const int code = WaitForExit(*m_hall);
  ASSERT_NE(code, -1) << "the client did not end after its hand";
  EXPECT_EQ(code, 0);

  // Nothing it asked was refused, and its table at the end is the server's.
  for (const LoggedRequest& r : m_requests.All()) {
    if (r.session == m_clientSession && r.answered) EXPECT_NE(r.result, static_cast<DWORD>(RESULT_REFUSED)) << r.code;
  }
  HandEndLines server;
  {
    std::lock_guard<std::mutex> g(m_logLock);
    for (const json& e : m_handLog) server.Feed(e.dump());
  }
  std::vector<std::string> lines;
  std::ifstream in(dump);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1u) << "one hand end written";
  const HandEndLines::Comparison compared = server.Compare(lines);
  EXPECT_EQ(compared.matched, 1) << (compared.notes.empty() ? lines[0] : compared.notes[0]);
  // The user's log tells of the return (both clients write to it: the second one's lines last).
  const std::string text = ClientLog();
  const size_t entered = text.rfind("entered room 12 table 3 chair 1 with the table's data");
  EXPECT_NE(entered, std::string::npos) << text;
  EXPECT_NE(text.find("a hand under way was taken up", entered == std::string::npos ? 0 : entered), std::string::npos)
      << text;
}

TEST_F(ScriptedHandTest, TheClientFollowsAScriptedHandStepByStep) { PlayTheHand(false); }

TEST_F(ScriptedHandTest, TheClientPlaysItsOwnChairInAScriptedHand) {
  // Two hands asked for, so that the client shows the end of the first one (the second one never
  // starts: the server's clock stands still after the first).
  // Its clock ticks in real seconds: a countdown that stood at zero for half a minute would ask
  // the server to play the turn, and the server's clock stands still between the steps.
  m_env.Set("PXQD_HEADLESS_HANDS", "2");
  PlayTheHand(true);
}


}  // namespace
