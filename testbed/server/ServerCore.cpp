#include "testbed/server/ServerCore.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "testbed/server/ProtectionAnswer.h"
#include "testbed/server/ProtocolCodes.h"

namespace testbed {

namespace {
// The log keeps its newest lines; older ones are dropped.
const size_t LOG_LINES_KEPT = 2000;
const int64_t DAY_MS = 24LL * 60 * 60 * 1000;
// Challenges are shown as eight digits.
const uint32_t CHALLENGE_RANGE = 100000000;

int32_t ToWire(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

Bytes OneInt(int32_t value) { return BodyWriter(4).I32(0, value).Take(); }

Bytes PlayerBytes(const WirePlayer& player) {
  BodyWriter out(WIRE_PLAYER_SIZE);
  player.Write(out, 0);
  return out.Take();
}
}  // namespace

struct ServerCore::SessionState {
  int id = 0;
  int32_t userId = 0;
  bool entered = false;
  int32_t roomId = 0;
  int32_t table = -1;
  int32_t chair = -1;
  bool onlooker = false;
  WirePlayer profile;  // the player as the client described him when he entered
  bool hasChallenge = false;
  int32_t challenge = 0;
  int64_t lastChangeTableMs = 0;
  bool changedTable = false;
  int32_t lastAverageMs = 0;
  int32_t lastMaximumMs = 0;
  int64_t lastKeepAliveMs = 0;
};

struct ServerCore::Table {
  std::array<int, CHAIRS> seats{};  // session ids of connected players; 0 = none
  std::array<bool, CHAIRS> ready{};
  std::vector<int> onlookers;       // session ids in arrival order
  // Chairs taken without a connection: kept for an absent player, or a computer player's.
  std::array<int32_t, CHAIRS> absentUser{};
  std::array<bool, CHAIRS> computer{};
  std::array<WirePlayer, CHAIRS> unconnected{};  // the absent or computer player of a chair
  std::unique_ptr<TableGame> game;

  bool Taken(int chair) const { return seats[chair] || absentUser[chair] || computer[chair]; }
  // A table lives while it has a connected player, an onlooker or a player kept absent;
  // computer players alone do not keep it.
  bool Empty() const {
    for (int chair = 0; chair < CHAIRS; ++chair) {
      if (seats[chair] || absentUser[chair]) return false;
    }
    return onlookers.empty();
  }
  bool Playing() const { return game && game->HandInProgress(); }
};

struct ServerCore::Room {
  RoomRules rules;
  std::map<int32_t, Table> tables;
};

// The channel a table's game gets; valid only during the call that hands it over.
class ServerCore::Channel : public TableChannel {
 public:
  Channel(ServerCore& core, int32_t roomId, int32_t table, int32_t requestUser = 0)
      : m_core(core), m_roomId(roomId), m_table(table), m_requestUser(requestUser) {}
  int32_t RoomId() const override { return m_roomId; }
  int32_t TableNumber() const override { return m_table; }
  int32_t UserAt(int chair) const override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    return t && chair >= 0 && chair < CHAIRS ? m_core.UserAt(*t, chair) : 0;
  }
  bool IsAbsent(int chair) const override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    return t && chair >= 0 && chair < CHAIRS && t->absentUser[chair] != 0;
  }
  bool IsComputer(int chair) const override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    return t && chair >= 0 && chair < CHAIRS && t->computer[chair];
  }
  int32_t RequestUser() const override { return m_requestUser; }
  bool IsReady(int chair) const override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    return t && chair >= 0 && chair < CHAIRS && t->ready[chair];
  }
  void ClearReady() override {
    if (Table* t = m_core.FindTable(m_roomId, m_table)) t->ready.fill(false);
  }
  void SendToChair(int chair, DWORD code, const Bytes& data) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (t && chair >= 0 && chair < CHAIRS && t->seats[chair]) m_core.m_outbox->Send(t->seats[chair], code, data);
  }
  void SendToTable(DWORD code, const Bytes& data, int exceptChair) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (!t) return;
    int except = exceptChair >= 0 && exceptChair < CHAIRS ? t->seats[exceptChair] : 0;
    m_core.SendToTable(*t, code, data, except ? except : -1);
  }
  void SendToUser(int32_t userId, DWORD code, const Bytes& data) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (!t) return;
    for (int id : t->seats) {
      SessionState* s = id ? m_core.FindSession(id) : nullptr;
      if (s && s->userId == userId) m_core.m_outbox->Send(id, code, data);
    }
    for (int id : t->onlookers) {
      SessionState* s = m_core.FindSession(id);
      if (s && s->userId == userId) m_core.m_outbox->Send(id, code, data);
    }
  }
  bool SeatComputer(int chair, const WirePlayer& player) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (!t || chair < 0 || chair >= CHAIRS || t->Taken(chair) || player.userId == 0) return false;
    if (!m_core.m_accounts.Ensure(player.userId, player.name, m_core.m_config.startingSilver, nullptr)) return false;
    t->computer[chair] = true;
    t->ready[chair] = false;
    t->unconnected[chair] = player;
    t->unconnected[chair].table = m_table;
    t->unconnected[chair].chair = chair;
    m_core.SendToTable(*t, NTF_PLAYER_SEATED, PlayerBytes(m_core.PlayerAt(*t, chair)), -1);
    return true;
  }
  void RemoveComputer(int chair) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (!t || chair < 0 || chair >= CHAIRS || !t->computer[chair]) return;
    int32_t user = t->unconnected[chair].userId;
    t->computer[chair] = false;
    t->ready[chair] = false;
    t->unconnected[chair] = WirePlayer{};
    m_core.SendToTable(*t, NTF_PLAYER_LEFT, WritePlayerLeft(user, chair, m_table), -1);
  }
  void ReleaseChair(int chair) override {
    Table* t = m_core.FindTable(m_roomId, m_table);
    if (!t || chair < 0 || chair >= CHAIRS || !t->absentUser[chair]) return;
    int32_t user = t->absentUser[chair];
    t->absentUser[chair] = 0;
    t->ready[chair] = false;
    t->unconnected[chair] = WirePlayer{};
    m_core.SendToTable(*t, NTF_PLAYER_LEFT, WritePlayerLeft(user, chair, m_table), -1);
    m_core.Logf("room %d table %d: the chair kept for user %d is free", m_roomId, m_table, user);
  }
  bool Settle(const std::array<int64_t, 4>& silver, const std::array<int64_t, 4>& score) override {
    return m_core.SettleLocked(m_roomId, m_table, silver, score);
  }
  void Schedule(int64_t delayMs, int token) override {
    m_core.m_timers.push_back({m_core.Now() + std::max<int64_t>(delayMs, 0), m_core.m_timerOrder++, m_roomId, m_table,
                               token});
  }

 private:
  ServerCore& m_core;
  int32_t m_roomId;
  int32_t m_table;
  int32_t m_requestUser;
};

ServerCore::ServerCore(ServerConfig config, Outbox* outbox) : m_config(std::move(config)), m_outbox(outbox) {
  m_random.seed(m_config.seed ? m_config.seed : static_cast<uint32_t>(Now()));
}

ServerCore::~ServerCore() = default;

bool ServerCore::OpenAccounts(const std::string& databasePath, std::string* error) {
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Open(databasePath, error);
}

int64_t ServerCore::Now() const {
  if (m_config.clock) return m_config.clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void ServerCore::Logf(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (m_log.size() >= LOG_LINES_KEPT) m_log.erase(m_log.begin(), m_log.begin() + LOG_LINES_KEPT / 2);
  m_log.emplace_back(line);
  if (m_logSink) m_logSink(m_log.back());
}

void ServerCore::SetLogSink(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> g(m_lock);
  m_logSink = std::move(sink);
}

std::vector<std::string> ServerCore::LogLines() const {
  std::lock_guard<std::mutex> g(m_lock);
  return m_log;
}

Reply ServerCore::Refuse(const Request& request, DWORD result, const char* why) {
  Logf("session %d: request %u (%zu bytes) refused with %u: %s", request.session, request.code, request.data.size(),
       result, why);
  Reply reply;
  reply.result = result;
  return reply;
}

Reply ServerCore::ServerText(const std::string& text) {
  Reply reply;
  reply.result = RESULT_SERVER_TEXT;
  reply.data.assign(text.begin(), text.end());
  reply.data.push_back(0);
  return reply;
}

ServerCore::Room& ServerCore::RoomFor(int32_t roomId) {
  auto& room = m_rooms[roomId];
  if (!room) {
    room = std::make_unique<Room>();
    auto rules = m_roomRules.find(roomId);
    room->rules = rules != m_roomRules.end() ? rules->second : m_config.rules;
  }
  return *room;
}

ServerCore::Table* ServerCore::FindTable(int32_t roomId, int32_t table) {
  auto room = m_rooms.find(roomId);
  if (room == m_rooms.end()) return nullptr;
  auto t = room->second->tables.find(table);
  return t == room->second->tables.end() ? nullptr : &t->second;
}

ServerCore::Table* ServerCore::TableOf(const SessionState& s) {
  return s.entered ? FindTable(s.roomId, s.table) : nullptr;
}

ServerCore::SessionState* ServerCore::FindSession(int id) {
  auto it = m_sessions.find(id);
  return it == m_sessions.end() ? nullptr : it->second.get();
}

void ServerCore::SetRoomRules(int32_t roomId, const RoomRules& rules) {
  std::lock_guard<std::mutex> g(m_lock);
  m_roomRules[roomId] = rules;
  auto room = m_rooms.find(roomId);
  if (room != m_rooms.end()) room->second->rules = rules;
}

// ---------------------------------------------------------------------------------------------
// Requests

Reply ServerCore::Handle(const Request& request) {
  std::lock_guard<std::mutex> g(m_lock);
  auto& slot = m_sessions[request.session];
  if (!slot) {
    slot = std::make_unique<SessionState>();
    slot->id = request.session;
  }
  Reply reply = Dispatch(*slot, request);
  // Still under the lock: nothing the core sends after this reply was made can come before it.
  if (reply.inOrder && request.replyWanted && reply.send) m_outbox->Answer(request, &reply);
  if (!request.replyWanted && reply.result != RESULT_SUCCESS) {
    Logf("session %d: request %u wants no reply; its result %u goes nowhere", request.session, request.code,
         reply.result);
  }
  return reply;
}

Reply ServerCore::Dispatch(SessionState& s, const Request& r) {
  if (r.code == REQ_VERSION) {
    Reply reply;
    reply.data = WriteVersionReply(m_config.versionMajor, m_config.versionMinor);
    return reply;
  }
  if (r.code == REQ_ENTER) return Enter(s, r);
  if (!s.entered) return Refuse(r, RESULT_AUTH_FAILED, "no player has entered on this connection");
  switch (r.code) {
    case REQ_LEAVE:
    case REQ_LEAVE_CHECKED:
      return Leave(s, r);
    case REQ_READY:
    case REQ_READY_CHECKED:
    case REQ_READY_RANDOM:
      return Ready(s, r);
    case REQ_CHAT:
    case REQ_CHAT_QUIET:
      return Chat(s, r);
    case REQ_CALL:
      return Call(s, r);
    case REQ_CHANGE_TABLE:
      return ChangeTable(s, r);
    case REQ_RESPONSE_TIMES:
      return KeepAlive(s, r);
    case REQ_GAME_RUNNING:
      return GameRunning(s, r);
    case REQ_GAME_DATA:
      return GameData(s, r);
    case REQ_REWARD:
      return Reward(s, r);
    case REQ_ALLOWANCE_CONFIG:
      return AllowanceConfigReply(s, r);
    case REQ_ALLOWANCE:
    case REQ_ALLOWANCE2:
      return Allowance(s, r);
    case REQ_OPEN_SAFE:
      return OpenSafe(s, r);
    case REQ_DEPOSIT:
      return Deposit(s, r);
    case REQ_WITHDRAW:
      return Withdraw(s, r);
    case REQ_PROTECT_QUERY:
      return ProtectQuery(s, r);
    default:
      return PassToGame(s, r);
  }
}

Reply ServerCore::Enter(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  EnterRequest e;
  if (!e.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short or malformed enter record");
  if (e.userId <= 0) return Refuse(r, RESULT_AUTH_FAILED, "enter record without a user id");
  if (e.hasPlayer && e.player.userId != e.userId) return Refuse(r, RESULT_INVALID_PARAMETER, "player of another user");
  if (s.entered && s.userId != e.userId) return Refuse(r, RESULT_AUTH_FAILED, "another user on an entered connection");
  Room& room = RoomFor(e.roomId);
  if (e.table < 0 || e.table >= room.rules.tables || e.chair < 0 || e.chair >= CHAIRS) {
    return Refuse(r, RESULT_ENTER_FAILED, "no such table or chair");
  }
  // A client sends its player record only in rooms with option bit 6; otherwise the server
  // knows the player's name from the hall.
  const std::string name = e.hasPlayer ? e.player.name : m_accounts.HallName(e.userId);
  if (!m_accounts.Ensure(e.userId, name, m_config.startingSilver, nullptr)) {
    return Refuse(r, RESULT_FAILED, "the account could not be read or made");
  }
  bool lookOn = e.lookOn != 0;
  if (s.entered) RemoveFromTable(s);

  // The same user on another connection: the newer connection takes his place; when it is the
  // same chair, the table sees no change (a client that lost its connection comes back).
  bool rejoin = false;
  for (auto& [id, other] : m_sessions) {
    if (id == s.id || !other->entered || other->userId != e.userId) continue;
    bool samePlace = other->roomId == e.roomId && other->table == e.table && other->chair == e.chair &&
                     other->onlooker == lookOn;
    Table* t = TableOf(*other);
    if (samePlace && t) {
      if (lookOn) {
        std::replace(t->onlookers.begin(), t->onlookers.end(), id, s.id);
      } else {
        t->seats[e.chair] = s.id;
      }
      other->entered = false;
      rejoin = true;
      Logf("session %d: user %d comes back to room %d table %d chair %d (session %d ends)", s.id, e.userId, e.roomId,
           e.table, e.chair, id);
    } else {
      RemoveFromTable(*other);
    }
    m_outbox->Close(id);
  }

  Table& t = room.tables[e.table];
  if (!rejoin && !lookOn && t.absentUser[e.chair] == e.userId) {
    // The chair was kept for him while his connection was gone.
    t.absentUser[e.chair] = 0;
    t.unconnected[e.chair] = WirePlayer{};
    t.seats[e.chair] = s.id;
    rejoin = true;
    Logf("session %d: user %d takes back his chair %d at room %d table %d", s.id, e.userId, e.chair, e.roomId,
         e.table);
  } else if (!rejoin && !lookOn && t.computer[e.chair]) {
    Channel channel(*this, e.roomId, e.table, e.userId);
    if (t.game && t.game->YieldComputerChair(channel, e.chair)) channel.RemoveComputer(e.chair);
  }
  if (!rejoin) {
    if (lookOn) {
      if (!t.Taken(e.chair)) {
        DropTableIfEmpty(e.roomId, e.table);
        return Refuse(r, RESULT_NOT_READY_TO_WATCH, "nobody to watch in that chair");
      }
      if (static_cast<int32_t>(t.onlookers.size()) >= room.rules.maxOnlookers) {
        return Refuse(r, RESULT_NO_WATCH_PLACE, "no place for another onlooker");
      }
    } else if (t.Taken(e.chair)) {
      DropTableIfEmpty(e.roomId, e.table);
      return Refuse(r, RESULT_ENTER_FAILED, "the chair is taken");
    }
  }
  s.userId = e.userId;
  s.profile = e.hasPlayer ? e.player : WirePlayer{};
  s.profile.userId = e.userId;
  s.profile.flags = e.flags;
  s.hasChallenge = false;
  if (rejoin) {
    s.entered = true;
    s.roomId = e.roomId;
    s.table = e.table;
    s.chair = e.chair;
    s.onlooker = lookOn;
    if (t.game && !lookOn) {
      Channel channel(*this, e.roomId, e.table, e.userId);
      t.game->OnReconnected(channel, e.chair);
    }
  } else {
    Seat(s, e.roomId, e.table, e.chair, lookOn);
  }
  Logf("session %d: user %d enters room %d table %d chair %d%s", s.id, s.userId, s.roomId, s.table, s.chair,
       lookOn ? " as an onlooker" : "");
  Table* seated = TableOf(s);
  Reply reply;
  reply.result = RESULT_ENTERED_WITH_PLAYERS;
  reply.data = WriteTablePlayers(PlayersOf(*seated), seated->game ? seated->game->TableInfo(s.chair, s.onlooker, s.userId) : Bytes());
  return reply;
}

// Takes a chair or an onlooker's place and tells the table; the table and its game are made on
// first use.
void ServerCore::Seat(SessionState& s, int32_t roomId, int32_t table, int32_t chair, bool onlooker) {
  Room& room = RoomFor(roomId);
  Table& t = room.tables[table];
  s.entered = true;
  s.roomId = roomId;
  s.table = table;
  s.chair = chair;
  s.onlooker = onlooker;
  if (onlooker) {
    t.onlookers.push_back(s.id);
    if (t.game) {
      Channel channel(*this, roomId, table, s.userId);
      t.game->OnWatching(channel, s.userId, chair);
    }
    return;
  }
  t.seats[chair] = s.id;
  t.ready[chair] = false;
  if (!t.game && m_config.tableGames) t.game = m_config.tableGames(roomId, table);
  SendToTable(t, NTF_PLAYER_SEATED, PlayerBytes(PlayerOf(s)), s.id);
  if (t.game) {
    Channel channel(*this, roomId, table, s.userId);
    t.game->OnSeated(channel, chair);
  }
}

void ServerCore::RemoveFromTable(SessionState& s) {
  Table* t = TableOf(s);
  s.entered = false;
  s.hasChallenge = false;
  if (!t) return;
  if (s.onlooker) {
    t->onlookers.erase(std::remove(t->onlookers.begin(), t->onlookers.end(), s.id), t->onlookers.end());
    SendToTable(*t, NTF_ONLOOKER_LEFT, WriteOnlookerLeft(s.userId, s.table, s.chair), -1);
    if (t->game) {
      Channel channel(*this, s.roomId, s.table, s.userId);
      t->game->OnStoppedWatching(channel, s.userId, s.chair);
    }
  } else if (s.chair >= 0 && s.chair < CHAIRS && t->seats[s.chair] == s.id) {
    t->seats[s.chair] = 0;
    t->ready[s.chair] = false;
    SendToTable(*t, NTF_PLAYER_LEFT, WritePlayerLeft(s.userId, s.chair, s.table), -1);
    if (t->game) {
      Channel channel(*this, s.roomId, s.table, s.userId);
      t->game->OnLeft(channel, s.chair);
    }
  }
  Logf("session %d: user %d leaves room %d table %d chair %d", s.id, s.userId, s.roomId, s.table, s.chair);
  DropTableIfEmpty(s.roomId, s.table);
}

void ServerCore::DropTableIfEmpty(int32_t roomId, int32_t table) {
  auto room = m_rooms.find(roomId);
  if (room == m_rooms.end()) return;
  auto t = room->second->tables.find(table);
  if (t == room->second->tables.end() || !t->second.Empty()) return;
  room->second->tables.erase(t);
  m_timers.erase(std::remove_if(m_timers.begin(), m_timers.end(),
                                [&](const Timer& x) { return x.roomId == roomId && x.table == table; }),
                 m_timers.end());
}

WirePlayer ServerCore::PlayerOf(const SessionState& s) {
  WirePlayer p = s.profile;
  p.userId = s.userId;
  p.table = s.table;
  p.chair = s.chair;
  Account account;
  if (m_accounts.Find(s.userId, &account)) {
    if (p.name.empty()) p.name = account.name;
    p.silver = ToWire(account.silver);
    p.score = ToWire(account.score);
    p.level = account.level;
  }
  return p;
}

int32_t ServerCore::UserAt(const Table& t, int chair) {
  if (t.absentUser[chair]) return t.absentUser[chair];
  if (t.computer[chair]) return t.unconnected[chair].userId;
  SessionState* s = t.seats[chair] ? FindSession(t.seats[chair]) : nullptr;
  return s ? s->userId : 0;
}

WirePlayer ServerCore::PlayerAt(const Table& t, int chair) {
  if (t.absentUser[chair] || t.computer[chair]) {
    WirePlayer p = t.unconnected[chair];
    Account account;
    if (m_accounts.Find(p.userId, &account)) {
      p.silver = ToWire(account.silver);
      p.score = ToWire(account.score);
      p.level = account.level;
    }
    return p;
  }
  SessionState* s = t.seats[chair] ? FindSession(t.seats[chair]) : nullptr;
  return s ? PlayerOf(*s) : WirePlayer{};
}

std::vector<WirePlayer> ServerCore::PlayersOf(const Table& t) {
  // By position: the client puts record i into seat i, so free chairs go as empty records.
  std::vector<WirePlayer> players(CHAIRS);
  for (int chair = 0; chair < CHAIRS; ++chair) players[chair] = PlayerAt(t, chair);
  return players;
}

int ServerCore::SendToTable(const Table& t, DWORD code, const Bytes& data, int exceptSession) {
  int sent = 0;
  for (int id : t.seats) {
    if (id && id != exceptSession) {
      m_outbox->Send(id, code, data);
      ++sent;
    }
  }
  for (int id : t.onlookers) {
    if (id != exceptSession) {
      m_outbox->Send(id, code, data);
      ++sent;
    }
  }
  return sent;
}

Reply ServerCore::Leave(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  LeaveRequest l;
  if (!l.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short leave request");
  if (l.ownUserId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "leave request of another user");
  Table* t = TableOf(s);
  if (r.code == REQ_LEAVE_CHECKED && !s.onlooker && t && t->Playing()) {
    Logf("session %d: user %d may not leave during a hand", s.id, s.userId);
    Reply reply;
    reply.result = RESULT_KEEP_PLAYING;
    return reply;
  }
  RemoveFromTable(s);
  return Reply{};
}

Reply ServerCore::Ready(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  CommonRequest c;
  if (!c.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short ready request");
  if (c.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "ready request of another user");
  if (s.onlooker) return Refuse(r, RESULT_FAILED, "an onlooker cannot be ready");
  Table* t = TableOf(s);
  Account account;
  if (!t || !m_accounts.Find(s.userId, &account)) return Refuse(r, RESULT_FAILED, "no table or account");
  const RoomRules& rules = RoomFor(s.roomId).rules;
  Reply reply;
  if (rules.minSilver > 0 && account.silver < rules.minSilver) {
    reply.result = RESULT_SILVER_TOO_LOW;
    reply.data = WriteSilverLimitReply(ToWire(account.silver), rules.minSilver);
    return reply;
  }
  if (rules.maxSilver > 0 && account.silver > rules.maxSilver) {
    reply.result = RESULT_SILVER_TOO_HIGH;
    reply.data = WriteSilverLimitReply(ToWire(account.silver), rules.maxSilver);
    return reply;
  }
  t->ready[s.chair] = true;
  if (t->game) {
    Channel channel(*this, s.roomId, s.table, s.userId);
    t->game->OnReady(channel, s.chair);
  }
  return reply;
}

bool ServerCore::MakeReady(int32_t userId) {
  std::lock_guard<std::mutex> g(m_lock);
  for (auto& [id, s] : m_sessions) {
    if (!s || !s->entered || s->userId != userId || s->onlooker || s->chair < 0) continue;
    Table* t = TableOf(*s);
    if (!t) return false;
    t->ready[s->chair] = true;
    if (t->game) {
      Channel channel(*this, s->roomId, s->table, s->userId);
      t->game->OnReady(channel, s->chair);
    }
    return true;
  }
  return false;
}

Reply ServerCore::Chat(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  ChatLine line;
  if (!line.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short chat line");
  if (line.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "chat line of another user");
  if (line.text.empty()) return Refuse(r, RESULT_INVALID_PARAMETER, "empty chat line");
  Table* t = TableOf(s);
  if (!t) return Refuse(r, RESULT_FAILED, "no table");
  // The client shows its own line of 201210 itself and waits for the server to show that of
  // 201211, so only the quiet request comes back to the sender. The sender's machine id stays
  // with the server.
  ChatLine relay{s.userId, s.roomId, s.table, s.chair, std::string(), line.text};
  SendToTable(*t, NTF_CHAT, relay.Write(), r.code == REQ_CHAT ? s.id : -1);
  return Reply{};
}

Reply ServerCore::Call(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  CallRecord call;
  if (!call.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short call request");
  if (call.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "call of another user");
  Table* t = TableOf(s);
  SessionState* called = nullptr;
  if (t && call.calledUserId != s.userId) {
    for (int id : t->seats) {
      SessionState* other = id ? FindSession(id) : nullptr;
      if (other && other->userId == call.calledUserId) called = other;
    }
    for (int id : t->onlookers) {
      SessionState* other = FindSession(id);
      if (!called && other && other->userId == call.calledUserId) called = other;
    }
  }
  if (!called) return Refuse(r, RESULT_OBJECT_MISSING, "the called user is not at the table");
  CallRecord notice{s.userId, s.roomId, s.table, s.chair, called->userId, called->onlooker ? -1 : called->chair};
  m_outbox->Send(called->id, NTF_PLAYER_CALLED, notice.Write());
  return Reply{};
}

Reply ServerCore::ChangeTable(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  CommonRequest c;
  if (!c.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short change-table request");
  if (c.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "change-table request of another user");
  if (s.onlooker) return Refuse(r, RESULT_FAILED, "an onlooker cannot change tables");
  Table* current = TableOf(s);
  if (current && current->Playing()) return Refuse(r, RESULT_FAILED, "a hand is being played");
  int64_t now = Now();
  if (s.changedTable && now - s.lastChangeTableMs < m_config.changeTableIntervalMs) {
    Reply reply;
    reply.result = RESULT_CHANGE_TOO_OFTEN;
    return reply;
  }
  // A table that has players and a free chair first, else the first empty table.
  Room& room = RoomFor(s.roomId);
  int32_t target = -1;
  int32_t chair = -1;
  for (auto& [number, t] : room.tables) {
    if (number == s.table || number >= room.rules.tables) continue;
    for (int i = 0; i < CHAIRS && target < 0; ++i) {
      if (!t.Taken(i)) {
        target = number;
        chair = i;
      }
    }
    if (target >= 0) break;
  }
  for (int32_t number = 0; target < 0 && number < room.rules.tables; ++number) {
    if (number != s.table && !room.tables.count(number)) {
      target = number;
      chair = 0;
    }
  }
  if (target < 0) return Refuse(r, RESULT_FAILED, "no free chair at another table");
  int32_t roomId = s.roomId;
  RemoveFromTable(s);
  Seat(s, roomId, target, chair, false);
  s.changedTable = true;
  s.lastChangeTableMs = now;
  Table* moved = TableOf(s);
  m_outbox->Send(s.id, NTF_MOVED_TO_TABLE, WriteMovedTable(target, chair, PlayersOf(*moved)));
  Logf("session %d: user %d moves to table %d chair %d", s.id, s.userId, target, chair);
  return Reply{};
}

Reply ServerCore::KeepAlive(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  ResponseTimesRequest times;
  if (!times.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short response-time report");
  if (times.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "response times of another user");
  s.lastAverageMs = times.average;
  s.lastMaximumMs = times.maximum;
  s.lastKeepAliveMs = Now();
  return Reply{};
}

Reply ServerCore::GameRunning(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  CommonRequest c;
  if (!c.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short request");
  if (c.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "request of another user");
  Table* t = TableOf(s);
  Reply reply;
  reply.result = t && t->Playing() ? RESULT_GAME_RUNNING : RESULT_SUCCESS;
  const RoomRules& rules = RoomFor(s.roomId).rules;
  if (rules.roomFlags) reply.data = OneInt(*rules.roomFlags);
  return reply;
}

Reply ServerCore::GameData(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  CommonRequest c;
  if (!c.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short request");
  if (c.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "request of another user");
  Table* t = TableOf(s);
  if (!t || !t->game) return Refuse(r, RESULT_OBJECT_MISSING, "no game at the table");
  Reply reply;
  reply.data = t->game->TableInfo(s.chair, s.onlooker, s.userId);
  // The client keeps the notifications read after this reply and drops those before it.
  reply.inOrder = true;
  return reply;
}

Reply ServerCore::PassToGame(SessionState& s, const Request& r) {
  // Requests the framework knows but leaves to the game are checked for their size first.
  BodyReader in(r.data);
  if (r.code == REQ_SEAT_VALUE) {
    SeatValueRequest v;
    if (!v.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short seat value");
  } else if (r.code == REQ_NAMED_RECORD_A || r.code == REQ_NAMED_RECORD_B) {
    NamedRecordRequest n;
    if (!n.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short named record");
  }
  Table* t = TableOf(s);
  if (t && t->game) {
    Channel channel(*this, s.roomId, s.table, s.userId);
    // No code is 0: a request the game takes and leaves without an answer is refused, never
    // reported to the client as done.
    Reply reply;
    reply.result = 0;
    if (t->game->OnRequest(channel, s.chair, s.onlooker, r.code, r.data, &reply)) {
      if (reply.result == 0) {
        Logf("session %d: request %u was taken by the table's game and left without an answer: refused", s.id,
             r.code);
        reply.result = RESULT_FAILED;
        reply.data.clear();
      }
      return reply;
    }
  }
  if (r.code == REQ_SEAT_VALUE || r.code == REQ_NAMED_RECORD_A || r.code == REQ_NAMED_RECORD_B) {
    Logf("session %d: request %u noted", s.id, r.code);
    return Reply{};
  }
  return Refuse(r, RESULT_UNSUPPORTED, "unknown request");
}

// ---------------------------------------------------------------------------------------------
// Silver

void ServerCore::TellSilver(const SessionState& s, int kind, int64_t amount, int64_t silver, int target) {
  // The notice puts the silver into the seat of its chair, so only a seated player's goes out.
  Table* t = FindTable(s.roomId, s.table);
  if (!t || s.onlooker || !s.entered) return;
  BaseSilverNotice notice{s.userId, s.chair, kind, ToWire(amount), ToWire(silver), 0, target};
  SendToTable(*t, NTF_BASE_SILVER, notice.Write(), -1);
}

int32_t ServerCore::LevelOf(int64_t score) const {
  int32_t level = 0;
  for (size_t i = 0; i < m_config.levels.size(); ++i) {
    if (score >= m_config.levels[i].first) level = static_cast<int32_t>(i);
  }
  return level;
}

std::string ServerCore::LevelTitle(int32_t level) const {
  return level >= 0 && static_cast<size_t>(level) < m_config.levels.size() ? m_config.levels[level].second
                                                                            : std::string();
}

int64_t ServerCore::DayStart(int64_t now) const { return now - ((now % DAY_MS) + DAY_MS) % DAY_MS; }

int64_t ServerCore::MonthStart(int64_t now) const {
  time_t seconds = static_cast<time_t>(now / 1000);
  tm parts{};
  gmtime_r(&seconds, &parts);
  parts.tm_mday = 1;
  parts.tm_hour = parts.tm_min = parts.tm_sec = 0;
  return static_cast<int64_t>(timegm(&parts)) * 1000;
}

Reply ServerCore::Reward(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  RewardRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short reward request");
  if (q.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "reward of another user");
  if (q.amount <= 0) return Refuse(r, RESULT_REQUEST_FAILED, "no amount");
  const RoomRules& rules = RoomFor(s.roomId).rules;
  int64_t now = Now();
  Reply reply;
  int64_t silver = 0;
  bool stored = m_accounts.Update({s.userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    if (a[0].reward < q.amount) {
      reply.result = RESULT_REQUEST_FAILED;
    } else if (rules.maxSilver > 0 && a[0].silver + q.amount > rules.maxSilver) {
      reply.result = RESULT_ABOVE_ROOM_MAXIMUM;
      reply.data = OneInt(rules.maxSilver);
    } else {
      a[0].reward -= q.amount;
      a[0].silver += q.amount;
      silver = a[0].silver;
      log.push_back({s.userId, Movement::REWARD, q.amount, now});
    }
    return reply.result == RESULT_SUCCESS;
  });
  if (reply.result != RESULT_SUCCESS) return reply;
  if (!stored) return Refuse(r, RESULT_FAILED, "the account could not be changed");
  TellSilver(s, BASE_SILVER_REWARD, q.amount, silver, 0);
  return reply;
}

Reply ServerCore::AllowanceConfigReply(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  AllowanceConfigRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short allowance request");
  if (q.common.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "allowance of another user");
  AllowanceConfig config;
  config.amount = m_config.allowanceAmount;
  config.threshold = m_config.allowanceThreshold;
  config.perDay = m_config.allowancePerDay;
  config.claimedToday = m_accounts.CountMovements(s.userId, Movement::ALLOWANCE, DayStart(Now()));
  config.argument = q.argument;
  Reply reply;
  reply.data = config.Write();
  return reply;
}

Reply ServerCore::Allowance(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  AllowanceRequest q;
  if (!q.Read(in, r.code == REQ_ALLOWANCE2)) return Refuse(r, RESULT_INVALID_PARAMETER, "short allowance claim");
  if (q.common.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "allowance of another user");
  if (q.kind != 0 && q.kind != 1) return Refuse(r, RESULT_INVALID_PARAMETER, "no such allowance kind");
  if (s.onlooker) return Refuse(r, RESULT_FAILED, "an onlooker gets no allowance");
  int64_t now = Now();
  int claimed = m_accounts.CountMovements(s.userId, Movement::ALLOWANCE, DayStart(now));
  char text[256];
  if (claimed >= m_config.allowancePerDay) {
    snprintf(text, sizeof text, "您今天已经领取了%d次低保，明天再来吧。", claimed);
    return ServerText(text);
  }
  bool tooRich = false;
  int64_t silver = 0;
  bool stored = m_accounts.Update({s.userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    if (a[0].silver + a[0].bank >= m_config.allowanceThreshold) {
      tooRich = true;
      return false;
    }
    (q.kind == 0 ? a[0].silver : a[0].bank) += m_config.allowanceAmount;
    silver = a[0].silver;
    log.push_back({s.userId, Movement::ALLOWANCE, m_config.allowanceAmount, now});
    return true;
  });
  if (tooRich) {
    snprintf(text, sizeof text, "您的银子不少于%d两，不能领取低保。", m_config.allowanceThreshold);
    return ServerText(text);
  }
  if (!stored) return Refuse(r, RESULT_FAILED, "the account could not be changed");
  TellSilver(s, BASE_SILVER_ALLOWANCE, m_config.allowanceAmount, silver, q.kind);
  Reply reply;
  reply.data = OneInt(m_config.allowanceAmount);
  return reply;
}

Reply ServerCore::OpenSafe(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  SafeQueryRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short safe request");
  if (q.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "safe of another user");
  Account account;
  if (!m_accounts.Find(s.userId, &account)) return Refuse(r, RESULT_FAILED, "no account");
  Reply reply;
  reply.data = WriteOpenSafeReply(ToWire(account.silver), ToWire(account.bank));
  return reply;
}

Reply ServerCore::Deposit(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  SafeTransferRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short deposit request");
  if (q.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "deposit of another user");
  if (q.direction != SAFE_INTO_BOX || q.amount <= 0) return Refuse(r, RESULT_INVALID_PARAMETER, "bad direction or amount");
  const RoomRules& rules = RoomFor(s.roomId).rules;
  Table* t = TableOf(s);
  Reply reply;
  if (!rules.bankAllowed) {
    reply.result = RESULT_BANK_FORBIDDEN;
  } else if (t && !s.onlooker && t->Playing()) {
    reply.result = RESULT_TRANSFER_WHILE_PLAYING;
  } else if (t && !s.onlooker && t->ready[s.chair]) {
    reply.result = RESULT_TRANSFER_WHILE_READY;
  }
  if (reply.result != RESULT_SUCCESS) return reply;
  int64_t now = Now();
  int64_t silver = 0;
  bool stored = m_accounts.Update({s.userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    if (q.amount > a[0].silver) {
      reply.result = RESULT_NOT_ENOUGH_SILVER;
    } else if (!s.onlooker && rules.minSilver > 0 && a[0].silver - q.amount < rules.minSilver) {
      reply.result = RESULT_BELOW_ROOM_MINIMUM;
      reply.data = OneInt(rules.minSilver);
    } else {
      a[0].silver -= q.amount;
      a[0].bank += q.amount;
      silver = a[0].silver;
      log.push_back({s.userId, Movement::DEPOSIT, q.amount, now});
    }
    return reply.result == RESULT_SUCCESS;
  });
  if (reply.result != RESULT_SUCCESS) return reply;
  if (!stored) return Refuse(r, RESULT_FAILED, "the account could not be changed");
  TellSilver(s, BASE_SILVER_SAVED, q.amount, silver, 0);
  return reply;
}

Reply ServerCore::Withdraw(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  SafeTransferRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short withdraw request");
  if (q.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "withdrawal of another user");
  if (q.direction != SAFE_OUT_OF_BOX || q.amount <= 0) {
    return Refuse(r, RESULT_INVALID_PARAMETER, "bad direction or amount");
  }
  const RoomRules& rules = RoomFor(s.roomId).rules;
  Table* t = TableOf(s);
  Reply reply;
  if (!rules.bankAllowed) {
    reply.result = RESULT_BANK_FORBIDDEN;
  } else if (t && !s.onlooker && t->Playing()) {
    reply.result = RESULT_TRANSFER_WHILE_PLAYING;
  } else if (t && !s.onlooker && t->ready[s.chair]) {
    reply.result = RESULT_TRANSFER_WHILE_READY;
  }
  if (reply.result != RESULT_SUCCESS) return reply;

  Account account;
  if (!m_accounts.Find(s.userId, &account)) return Refuse(r, RESULT_FAILED, "no account");
  int64_t now = Now();
  if (!account.protectPassword.empty()) {
    if (now < account.lockedUntilMs) {
      reply.result = RESULT_ANSWERS_LOCKED;
      return reply;
    }
    // A challenge answers one withdrawal, right or wrong.
    bool right = s.hasChallenge && q.answer == ProtectionAnswer(account.protectPassword, s.challenge);
    s.hasChallenge = false;
    if (!right) {
      m_accounts.Update({s.userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>&) {
        if (++a[0].wrongAnswers >= m_config.wrongAnswerLimit) {
          a[0].wrongAnswers = 0;
          a[0].lockedUntilMs = now + m_config.answerLockMs;
        }
        return true;
      });
      Logf("session %d: user %d gave a wrong protection answer", s.id, s.userId);
      reply.result = RESULT_INVALID_PARAMETER;
      return reply;
    }
  }
  int64_t silver = 0;
  bool stored = m_accounts.Update({s.userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    int64_t today = m_config.dailyWithdrawLimit > 0
                        ? m_accounts.SumMovements(s.userId, Movement::WITHDRAW, DayStart(now))
                        : 0;
    int64_t month = m_config.monthlyWithdrawLimit > 0
                        ? m_accounts.SumMovements(s.userId, Movement::WITHDRAW, MonthStart(now))
                        : 0;
    if (q.amount > a[0].bank) {
      reply.result = RESULT_NOT_ENOUGH_SILVER;
    } else if (!s.onlooker && rules.maxSilver > 0 && a[0].silver + q.amount > rules.maxSilver) {
      reply.result = RESULT_ABOVE_ROOM_MAXIMUM;
      reply.data = OneInt(rules.maxSilver);
    } else if (m_config.dailyWithdrawLimit > 0 && today + q.amount > m_config.dailyWithdrawLimit) {
      reply.result = RESULT_DAILY_LIMIT;
      reply.data = BodyWriter(8).I32(0, ToWire(today)).I32(4, ToWire(m_config.dailyWithdrawLimit)).Take();
    } else if (m_config.monthlyWithdrawLimit > 0 && month + q.amount > m_config.monthlyWithdrawLimit) {
      reply.result = RESULT_MONTHLY_LIMIT;
      reply.data = BodyWriter(16).I64(0, month).I64(8, m_config.monthlyWithdrawLimit).Take();
    } else {
      a[0].bank -= q.amount;
      a[0].silver += q.amount;
      a[0].wrongAnswers = 0;
      silver = a[0].silver;
      log.push_back({s.userId, Movement::WITHDRAW, q.amount, now});
    }
    return reply.result == RESULT_SUCCESS;
  });
  if (reply.result != RESULT_SUCCESS) return reply;
  if (!stored) return Refuse(r, RESULT_FAILED, "the account could not be changed");
  TellSilver(s, BASE_SILVER_TAKEN, q.amount, silver, 0);
  return reply;
}

Reply ServerCore::ProtectQuery(SessionState& s, const Request& r) {
  BodyReader in(r.data);
  SafeQueryRequest q;
  if (!q.Read(in)) return Refuse(r, RESULT_INVALID_PARAMETER, "short protection query");
  if (q.userId != s.userId) return Refuse(r, RESULT_AUTH_FAILED, "protection query of another user");
  Account account;
  if (!m_accounts.Find(s.userId, &account)) return Refuse(r, RESULT_FAILED, "no account");
  Reply reply;
  if (account.protectPassword.empty()) {
    reply.result = RESULT_NO_PROTECTION;
    return reply;
  }
  s.challenge = static_cast<int32_t>(m_random() % CHALLENGE_RANGE);
  s.hasChallenge = true;
  reply.data = WriteProtectReply(s.userId, s.challenge);
  return reply;
}

// ---------------------------------------------------------------------------------------------
// Connections, timers and hooks

void ServerCore::OnSessionClosed(int session) {
  std::lock_guard<std::mutex> g(m_lock);
  SessionState* s = FindSession(session);
  if (!s) return;
  if (s->entered) {
    Logf("session %d: connection of user %d closed", session, s->userId);
    Table* t = TableOf(*s);
    Channel channel(*this, s->roomId, s->table, s->userId);
    if (t && !s->onlooker && t->seats[s->chair] == s->id && t->game &&
        t->game->HoldChairOnDisconnect(channel, s->chair)) {
      // The chair stays his, absent, until he comes back or the game lets it go.
      t->absentUser[s->chair] = s->userId;
      t->unconnected[s->chair] = PlayerOf(*s);
      t->seats[s->chair] = 0;
      s->entered = false;
      Logf("room %d table %d: chair %d is kept for user %d", s->roomId, s->table, s->chair, s->userId);
    } else {
      RemoveFromTable(*s);
    }
  }
  m_sessions.erase(session);
}

void ServerCore::RunDueTimers() {
  std::lock_guard<std::mutex> g(m_lock);
  int64_t now = Now();
  // A game may schedule again from OnTimer; those new timers wait for the next run.
  std::vector<Timer> due;
  auto split = std::stable_partition(m_timers.begin(), m_timers.end(), [&](const Timer& t) { return t.due > now; });
  due.assign(split, m_timers.end());
  m_timers.erase(split, m_timers.end());
  std::sort(due.begin(), due.end(),
            [](const Timer& a, const Timer& b) { return a.due != b.due ? a.due < b.due : a.order < b.order; });
  for (const Timer& timer : due) {
    Table* t = FindTable(timer.roomId, timer.table);
    if (!t || !t->game) continue;
    Channel channel(*this, timer.roomId, timer.table);
    t->game->OnTimer(channel, timer.token);
    // The game may have let the last kept chair go.
    DropTableIfEmpty(timer.roomId, timer.table);
  }
}

bool ServerCore::FindAccount(int32_t userId, Account* account) {
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Find(userId, account);
}

bool ServerCore::EnsureAccount(int32_t userId, const std::string& name, Account* account) {
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Ensure(userId, name, m_config.startingSilver, account);
}

bool ServerCore::SetSilver(int32_t userId, int64_t silver, int64_t bank) {
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Ensure(userId, std::string(), m_config.startingSilver, nullptr) &&
         m_accounts.Update({userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>&) {
           a[0].silver = silver;
           a[0].bank = bank;
           return true;
         });
}

bool ServerCore::SetProtectPassword(int32_t userId, const std::string& digits) {
  if (!digits.empty() && !IsProtectionPassword(digits)) return false;
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Ensure(userId, std::string(), m_config.startingSilver, nullptr) &&
         m_accounts.Update({userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>&) {
           a[0].protectPassword = digits;
           a[0].wrongAnswers = 0;
           a[0].lockedUntilMs = 0;
           return true;
         });
}

bool ServerCore::AwardReward(int32_t userId, int64_t amount) {
  if (amount <= 0) return false;
  std::lock_guard<std::mutex> g(m_lock);
  return m_accounts.Ensure(userId, std::string(), m_config.startingSilver, nullptr) &&
         m_accounts.Update({userId}, [&](std::vector<Account>& a, std::vector<MovementEntry>&) {
           a[0].reward += amount;
           return true;
         });
}

int ServerCore::NotifyUser(int32_t userId, DWORD code, const Bytes& data) {
  std::lock_guard<std::mutex> g(m_lock);
  int sent = 0;
  for (auto& [id, s] : m_sessions) {
    if (s->userId == userId) {
      m_outbox->Send(id, code, data);
      ++sent;
    }
  }
  return sent;
}

int ServerCore::NotifyTable(int32_t roomId, int32_t table, DWORD code, const Bytes& data) {
  std::lock_guard<std::mutex> g(m_lock);
  Table* t = FindTable(roomId, table);
  return t ? SendToTable(*t, code, data, -1) : 0;
}

int ServerCore::NotifyAll(DWORD code, const Bytes& data) {
  std::lock_guard<std::mutex> g(m_lock);
  for (auto& [id, s] : m_sessions) m_outbox->Send(id, code, data);
  return static_cast<int>(m_sessions.size());
}

bool ServerCore::CloseTable(int32_t roomId, int32_t table) {
  std::lock_guard<std::mutex> g(m_lock);
  Table* t = FindTable(roomId, table);
  if (!t) return false;
  SendToTable(*t, NTF_TABLE_CLOSED, WriteTableClosed(table), -1);
  // Everyone leaves at once: the clients close their connections on this notice, so nobody is
  // told of the others going.
  for (auto& [id, s] : m_sessions) {
    if (s->entered && s->roomId == roomId && s->table == table) s->entered = false;
  }
  t->seats.fill(0);
  t->absentUser.fill(0);
  t->computer.fill(false);
  t->onlookers.clear();
  DropTableIfEmpty(roomId, table);
  Logf("room %d table %d closed", roomId, table);
  return true;
}

bool ServerCore::Settle(int32_t roomId, int32_t table, const std::array<int64_t, 4>& silver,
                        const std::array<int64_t, 4>& score) {
  std::lock_guard<std::mutex> g(m_lock);
  return SettleLocked(roomId, table, silver, score);
}

bool ServerCore::SettleLocked(int32_t roomId, int32_t table, const std::array<int64_t, 4>& silver,
                              const std::array<int64_t, 4>& score) {
  Table* t = FindTable(roomId, table);
  if (!t) return false;
  std::vector<int32_t> users;
  std::vector<int> chairs;
  for (int chair = 0; chair < CHAIRS; ++chair) {
    int32_t user = UserAt(*t, chair);
    if (user) {
      users.push_back(user);
      chairs.push_back(chair);
    }
  }
  int64_t now = Now();
  std::vector<PlayerStanding> standings;
  bool stored = m_accounts.Update(users, [&](std::vector<Account>& a, std::vector<MovementEntry>& log) {
    standings.clear();
    for (size_t i = 0; i < a.size(); ++i) {
      a[i].silver += silver[chairs[i]];
      a[i].score += score[chairs[i]];
      a[i].level = LevelOf(a[i].score);
      if (silver[chairs[i]] != 0) log.push_back({users[i], Movement::SETTLEMENT, silver[chairs[i]], now});
      standings.push_back({users[i], ToWire(a[i].score), ToWire(a[i].silver), a[i].level, LevelTitle(a[i].level)});
    }
    return true;
  });
  if (!stored) {
    Logf("room %d table %d: the settlement could not be stored", roomId, table);
    return false;
  }
  SendToTable(*t, NTF_PLAYERS_UPDATED, WritePlayersUpdated(standings), -1);
  return true;
}

std::array<int32_t, 4> ServerCore::TableUsers(int32_t roomId, int32_t table) {
  std::lock_guard<std::mutex> g(m_lock);
  std::array<int32_t, 4> users{};
  Table* t = FindTable(roomId, table);
  for (int chair = 0; t && chair < CHAIRS; ++chair) users[chair] = UserAt(*t, chair);
  return users;
}

bool ServerCore::TablePlaying(int32_t roomId, int32_t table) {
  std::lock_guard<std::mutex> g(m_lock);
  Table* t = FindTable(roomId, table);
  return t != nullptr && t->Playing();
}

std::vector<int32_t> ServerCore::TableOnlookers(int32_t roomId, int32_t table) {
  std::lock_guard<std::mutex> g(m_lock);
  std::vector<int32_t> users;
  Table* t = FindTable(roomId, table);
  for (int id : t ? t->onlookers : std::vector<int>()) {
    if (SessionState* s = FindSession(id)) users.push_back(s->userId);
  }
  return users;
}

bool ServerCore::Session(int session, SessionView* view) {
  std::lock_guard<std::mutex> g(m_lock);
  SessionState* s = FindSession(session);
  if (!s) return false;
  *view = SessionView{s->userId,        s->entered,       s->roomId,       s->table,          s->chair,
                      s->onlooker,      s->lastAverageMs, s->lastMaximumMs, s->lastKeepAliveMs};
  return true;
}

}  // namespace testbed
