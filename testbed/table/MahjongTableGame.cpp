#include "testbed/table/MahjongTableGame.h"

#include "testbed/table/TableCodes.h"

namespace testbed {

namespace {

// The requests of the game that the table answers; the rest stay with the framework.
bool IsTableRequest(DWORD code) {
  switch (code) {
    case REQ_SEE_HAND:
    case REQ_SEE_HAND_PERMISSION:
    case REQ_DISCARD:
    case REQ_DRAW:
    case REQ_PASS:
    case REQ_PENG_CLAIM:
    case REQ_GANG_CLAIM:
    case REQ_CHI_CLAIM:
    case REQ_PENG_MELD:
    case REQ_CHI_MELD:
    case REQ_GANG_EXPOSED:
    case REQ_GANG_CONCEALED:
    case REQ_GANG_ADDED:
    case REQ_FLOWER_REPLACE:
    case REQ_HU:
    case REQ_TURN_STALLED:
    case REQ_RETURN_TO_GAME:
    case REQ_C229505:
    case REQ_AUTO_READY:
      return true;
    default:
      return false;
  }
}

}  // namespace

WirePlayer MahjongTableGame::ComputerPlayer(int chair) {
  // One name per chair, so that the players can tell the computer players apart.
  static const char* const NAMES[4] = {"电脑阿东", "电脑阿南", "电脑阿西", "电脑阿北"};
  WirePlayer p;
  p.userId = BOT_USER_BASE - chair;
  p.chair = chair;
  p.name = NAMES[chair >= 0 && chair < 4 ? chair : 0];
  return p;
}

MahjongTableGame::MahjongTableGame(int32_t roomId, int32_t table, TableConfig config,
                                   std::function<void(const std::string&)> handLog)
    : m_table([&] {
        config.roomId = roomId;
        config.tableNo = table;
        return config;
      }()) {
  if (handLog) m_table.SetHandLog(std::move(handLog));
}

int MahjongTableGame::ChairOfUser(int userId) const {
  for (int c = 0; c < 4; ++c) {
    if (m_users[c] == userId && userId != 0) return c;
  }
  return -1;
}

MahjongTableGame::~MahjongTableGame() { m_table.AbandonHand(); }

void MahjongTableGame::OnSeated(TableChannel& channel, int chair) {
  if (chair < 0 || chair > 3) return;
  const int user = channel.UserAt(chair);
  if (user == 0) return;
  if (m_users[chair] == user) {
    // The same player back in his chair (a dropped connection that came back).
    Deliver(channel, m_table.Reconnect(user), 0, nullptr);
    return;
  }
  if (m_users[chair] != 0) {
    if (HandInProgress()) {
      // The chair's player of the running hand keeps it. The newcomer follows that hand as an
      // onlooker of the chair, so that his client sees it end and can get ready for the next.
      if (m_waiting[chair] > 0 && m_waiting[chair] != user) m_table.StopWatching(m_waiting[chair]);
      m_waiting[chair] = user;
      Deliver(channel, m_table.Watch(user, chair), 0, nullptr);
      return;
    }
    m_table.Leave(m_users[chair]);
    m_users[chair] = 0;
  }
  StopWaiting(chair);
  Deliver(channel, m_table.SeatHuman(chair, user), 0, nullptr);
  m_users[chair] = user;
}

void MahjongTableGame::StopWaiting(int chair) {
  if (m_waiting[chair] > 0) m_table.StopWatching(m_waiting[chair]);
  m_waiting[chair] = 0;
  m_readyWhenFree[chair] = false;
}

void MahjongTableGame::OnLeft(TableChannel& channel, int chair) {
  if (chair >= 0 && chair <= 3 && m_waiting[chair] > 0 && m_waiting[chair] != channel.UserAt(chair)) StopWaiting(chair);
  if (chair < 0 || chair > 3 || m_users[chair] <= 0) return;
  Deliver(channel, m_table.Leave(m_users[chair]), 0, nullptr);
  if (!HandInProgress()) m_users[chair] = 0;
}

bool MahjongTableGame::HoldChairOnDisconnect(TableChannel& channel, int chair) {
  if (chair < 0 || chair > 3 || m_users[chair] <= 0 || !HandInProgress()) return false;
  // A player whose connection drops in the middle of a hand keeps his chair for the rest of it:
  // the table plays his turns when they time out, and he may come back and take over.
  Deliver(channel, m_table.Disconnect(m_users[chair]), 0, nullptr);
  return true;
}

void MahjongTableGame::OnReconnected(TableChannel& channel, int chair) {
  if (chair < 0 || chair > 3 || m_users[chair] <= 0 || m_users[chair] != channel.UserAt(chair)) return;
  Deliver(channel, m_table.Reconnect(m_users[chair]), 0, nullptr);
}

void MahjongTableGame::OnReady(TableChannel& channel, int chair) {
  if (chair < 0 || chair > 3) return;
  if (HandInProgress()) {
    // The framework has accepted the ready, so it counts for the next hand: a player waiting
    // for a chair kept for the running hand takes it then, and a player back in his own chair
    // (whose client may not see this hand end) is ready for the next one.
    const int user = channel.UserAt(chair);
    if (user > 0 && (m_waiting[chair] == user || m_users[chair] == user)) m_readyWhenFree[chair] = true;
    return;
  }
  // Between hands the table's chairs follow the framework's: players who left give their chairs
  // up, players who sat down during the last hand take theirs, and computer players take every
  // chair nobody sits in (and keep it until somebody does).
  for (int c = 0; c < 4; ++c) {
    const int user = channel.UserAt(c);
    const bool botInEmptyChair = user == 0 && m_users[c] < 0;
    if (m_users[c] != 0 && m_users[c] != user && !botInEmptyChair) {
      m_table.Leave(m_users[c]);
      m_users[c] = 0;
    }
    if (user > 0 && m_users[c] == 0) {
      StopWaiting(c);
      Deliver(channel, m_table.SeatHuman(c, user), 0, nullptr);
      m_users[c] = user;
    }
    if (m_users[c] == 0) {
      m_users[c] = BOT_USER_BASE - c;
      // The framework seats him first, so that the table knows his name before he gets ready.
      channel.SeatComputer(c, ComputerPlayer(c));
      Deliver(channel, m_table.SeatBot(c, m_users[c]), 0, nullptr);
    } else if (m_users[c] < 0 && user == 0) {
      // A computer player the framework does not show (his seating failed): try again.
      channel.SeatComputer(c, ComputerPlayer(c));
    }
  }
  if (m_users[chair] <= 0) return;
  // The framework has answered the ready request already; the table's own answer is dropped.
  const int handsBefore = m_table.HandsPlayed();
  IdentityBody ready{Identity{m_users[chair], channel.RoomId(), channel.TableNumber(), chair}};
  Deliver(channel, m_table.HandleRequest(m_users[chair], REQ_READY, ready.Write()), 0, nullptr);
  SettleIfEnded(channel, handsBefore);
}

void MahjongTableGame::OnTimer(TableChannel& channel, int token) {
  const int handsBefore = m_table.HandsPlayed();
  Deliver(channel, m_table.HandleTimer(static_cast<uint64_t>(token)), 0, nullptr);
  SettleIfEnded(channel, handsBefore);
}

bool MahjongTableGame::OnRequest(TableChannel& channel, int chair, bool onlooker, DWORD code, const Bytes& body,
                                 Reply* reply) {
  if (code == REQ_ASK_LEAVE || code == REQ_ANSWER_LEAVE) {
    if (onlooker) {
      reply->result = RESULT_REFUSED;
      return true;
    }
    return OnLeaveRequest(channel, chair, code, body, reply);
  }
  if (code == REQ_ACTIVITY_STATE || code == REQ_PRIZE_LIST || code == REQ_EXCHANGE_PRIZE) {
    return OnActivityRequest(channel, chair, onlooker, code, body, reply);
  }
  if (!IsTableRequest(code)) return false;
  if (onlooker) {
    // The table itself decides what an onlooker may ask (the see-hand request, the table data).
    const int user = channel.RequestUser();
    if (user <= 0) {
      reply->result = RESULT_REFUSED;
      return true;
    }
    Deliver(channel, m_table.HandleRequest(user, static_cast<int>(code), body), user, reply);
    return true;
  }
  if (chair < 0 || chair > 3 || m_users[chair] <= 0) {
    reply->result = RESULT_REFUSED;
    return true;
  }
  if (code == REQ_AUTO_READY) {
    // The client's own ready after the settlement: the same as the framework's ready.
    if (!IdentityBody::Read(body)) {
      reply->result = RESULT_REFUSED;
      return true;
    }
    reply->result = RESULT_SUCCESS;
    // It is sent a while after the settlement closed and may come after the next hand began:
    // then it belongs to the hand before and must not make the player ready for the one after,
    // which would deal that hand while his settlement is still open.
    if (!HandInProgress()) OnReady(channel, chair);
    return true;
  }
  const int user = channel.RequestUser();
  if (user > 0 && user != m_users[chair]) {
    // A newcomer in a chair kept for the running hand's player follows that hand as an onlooker
    // of the chair: he asks what an onlooker may ask, never in that player's name.
    Deliver(channel, m_table.HandleRequest(user, static_cast<int>(code), body), user, reply);
    return true;
  }
  const int handsBefore = m_table.HandsPlayed();
  Deliver(channel, m_table.HandleRequest(m_users[chair], static_cast<int>(code), body), m_users[chair], reply);
  SettleIfEnded(channel, handsBefore);
  return true;
}

bool MahjongTableGame::HandInProgress() const { return m_table.CurrentPhase() != MahjongTable::Phase::IDLE; }

Bytes MahjongTableGame::TableInfo(int chair, bool onlooker, int32_t userId) const {
  if (chair < 0 || chair > 3) return {};
  // An onlooker the watched player let see his hand gets it; the table checks that.
  if (onlooker) return userId > 0 ? m_table.TableInfoFor(userId) : m_table.TableInfoForOnlooker(chair);
  if (m_users[chair] <= 0) return m_table.TableInfoForOnlooker(chair);
  // A newcomer waiting for the chair sees the running hand as its onlookers do.
  if (userId > 0 && userId != m_users[chair]) return m_table.TableInfoForOnlooker(chair);
  return m_table.TableInfoFor(m_users[chair]);
}

void MahjongTableGame::OnWatching(TableChannel& channel, int32_t userId, int chair) {
  if (userId <= 0 || chair < 0 || chair > 3) return;
  Deliver(channel, m_table.Watch(userId, chair), 0, nullptr);
}

void MahjongTableGame::OnStoppedWatching(TableChannel&, int32_t userId, int) {
  if (userId > 0) m_table.StopWatching(userId);
}

void MahjongTableGame::Deliver(TableChannel& channel, TableOutput&& out, int requester, Reply* reply) {
  for (TableMessage& m : out.messages) {
    if (m.reply) {
      if (reply && requester != 0 && m.toUser == requester) {
        reply->result = static_cast<DWORD>(m.code);
        reply->data = std::move(m.body);
      }
      continue;
    }
    if (m.toUser <= 0) continue;  // a computer player
    const int chair = ChairOfUser(m.toUser);
    if (chair >= 0) {
      channel.SendToChair(chair, static_cast<DWORD>(m.code), m.body);
    } else {
      channel.SendToUser(m.toUser, static_cast<DWORD>(m.code), m.body);
    }
  }
  for (const TimerRequest& t : out.timers) channel.Schedule(t.delayMs, static_cast<int>(t.token));
}

bool MahjongTableGame::OnLeaveRequest(TableChannel& channel, int chair, DWORD code, const Bytes& body, Reply* reply) {
  const int user = chair >= 0 && chair < 4 ? channel.UserAt(chair) : 0;
  const size_t size = code == REQ_ASK_LEAVE ? 80 : 40;
  if (user <= 0 || body.size() < size) {
    reply->result = RESULT_REFUSED;
    return true;
  }
  // The body goes on as the notification, with the sender's own user id in front whatever the
  // client wrote there; a reason always ends inside its 64 bytes.
  Bytes notice(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(size));
  WriteU32Le(notice.data(), static_cast<uint32_t>(user));
  if (code == REQ_ASK_LEAVE) {
    notice[79] = 0;
    // Everyone else at the table is asked; the asker waits for their answers.
    channel.SendToTable(NTF_ASK_LEAVE, notice, chair);
  } else {
    // Everyone hears the answer, the asker included.
    channel.SendToTable(NTF_ANSWER_LEAVE, notice);
  }
  reply->result = RESULT_SUCCESS;
  return true;
}

bool MahjongTableGame::OnActivityRequest(TableChannel& channel, int chair, bool onlooker, DWORD code, const Bytes& body,
                                         Reply* reply) {
  const int user = channel.RequestUser();
  if (!m_exchange || onlooker || user <= 0 || chair < 0 || chair > 3) {
    reply->result = RESULT_REFUSED;
    return true;
  }
  reply->result = RESULT_SUCCESS;
  if (code == REQ_ACTIVITY_STATE) {
    channel.SendToUser(user, NTF_ACTIVITY_OPEN, m_exchange->OpenBody());
    channel.SendToUser(user, NTF_TICKET_COUNT, m_exchange->TicketCountBody(user));
  } else if (code == REQ_PRIZE_LIST) {
    channel.SendToUser(user, NTF_PRIZE_LIST, m_exchange->PrizePageBody(user));
  } else {
    int result = 0;
    channel.SendToUser(user, NTF_EXCHANGE_RESULT, m_exchange->Exchange(user, body, &result));
  }
  return true;
}

void MahjongTableGame::SettleIfEnded(TableChannel& channel, int handsBefore) {
  if (m_table.HandsPlayed() == handsBefore || !m_table.LastResult()) return;
  const RoundResultRecord& r = *m_table.LastResult();
  if (m_exchange) {
    // Every player who played the hand earns tickets, the winner more.
    for (int c = 0; c < 4; ++c) {
      if (m_users[c] <= 0) continue;
      Bytes won = m_exchange->AwardTickets(m_users[c], TicketsForHand(r.win[c] != 0));
      if (!won.empty()) channel.SendToChair(c, NTF_TICKETS_WON, won);
    }
  }
  std::array<int64_t, 4> silver{};
  std::array<int64_t, 4> score{};
  for (int c = 0; c < 4; ++c) {
    silver[c] = r.silver[c];
    score[c] = r.points[c];
  }
  channel.Settle(silver, score);
  channel.ClearReady();
  // The hand that kept the chairs of players who are still away is over: their chairs are free
  // for others (and for computer players at the next start) from now on.
  for (int c = 0; c < 4; ++c) {
    if (channel.IsAbsent(c)) channel.ReleaseChair(c);
  }
  // Players who got ready during the hand (waiting for their chair, or in it) are ready now.
  const std::array<bool, 4> ready = m_readyWhenFree;
  const std::array<int, 4> waiting = m_waiting;
  const std::array<int, 4> users = m_users;
  m_readyWhenFree.fill(false);
  for (int c = 0; c < 4; ++c) {
    const int user = channel.UserAt(c);
    if (ready[c] && user > 0 && (waiting[c] == user || users[c] == user)) OnReady(channel, c);
  }
}

}  // namespace testbed
