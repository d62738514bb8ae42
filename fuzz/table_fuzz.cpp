// Client requests fed to the testbed server's table: two scripted players, two computer players
// and an onlooker, with time passing between requests. Whatever arrives, every request must get
// exactly one reply, the hand log must stay consistent (every tile once, legal claims, scores
// that sum to zero) and every resync record must read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "testbed/table/MahjongTable.h"
#include "testbed/table/ReplayChecker.h"
#include "testbed/table/TableCodes.h"
#include "testbed/table/TableRunner.h"

using namespace testbed;

namespace {

constexpr int CODES[] = {REQ_READY,         REQ_GET_GAME_DATA, REQ_SEE_HAND,       REQ_SEE_HAND_PERMISSION,
                         REQ_DISCARD,       REQ_DRAW,          REQ_PASS,           REQ_PENG_CLAIM,
                         REQ_GANG_CLAIM,    REQ_CHI_CLAIM,     REQ_PENG_MELD,      REQ_CHI_MELD,
                         REQ_GANG_EXPOSED,  REQ_GANG_CONCEALED, REQ_GANG_ADDED,    REQ_FLOWER_REPLACE,
                         REQ_HU,            REQ_TURN_STALLED,  REQ_RETURN_TO_GAME, REQ_AUTO_READY};
constexpr int USERS[] = {101, 102, 900, 777};

class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool Empty() const { return m_pos >= m_size; }
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  size_t Take(uint8_t* out, size_t n) {
    size_t k = 0;
    while (k < n && m_pos < m_size) out[k++] = m_data[m_pos++];
    return k;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  TableConfig config;
  config.seed = 1 + in.Byte();
  config.flowers = (in.Byte() & 1) != 0;
  MahjongTable table(config);
  ReplayChecker checker;
  table.SetHandLog([&](const std::string& line) { checker.Feed(line); });
  TableRunner runner(table);
  runner.KeepMessages(false);
  runner.Take(table.SeatHuman(0, 101));
  runner.Take(table.SeatHuman(1, 102));
  runner.Take(table.SeatBot(2, 103));
  runner.Take(table.SeatBot(3, 104));
  runner.Take(table.Watch(900, 0));
  for (int step = 0; step < 300 && !in.Empty(); ++step) {
    const uint8_t op = in.Byte();
    if (op % 8 == 0) {
      runner.Advance(200 * static_cast<int64_t>(in.Byte()));
      continue;
    }
    if (op % 8 == 1) {
      runner.Take(op & 0x10 ? table.Disconnect(101 + (op >> 5) % 2) : table.Reconnect(101 + (op >> 5) % 2));
      continue;
    }
    const int user = USERS[in.Byte() % 4];
    const int code = CODES[in.Byte() % (sizeof(CODES) / sizeof(CODES[0]))];
    // A body of the right length with the sender's identity, the rest from the input; or, now
    // and then, a body of any length.
    const size_t length = (op & 0x80) ? in.Byte() * 2 : 104 + (in.Byte() & 0x3f) * 4;
    BodyData body(length, 0);
    const int chair = user - 101;
    const int32_t words[4] = {user, 1, 1, chair};
    for (size_t k = 0; k < 16 && k < body.size(); ++k) body[k] = static_cast<BYTE>(words[k / 4] >> (8 * (k % 4)));
    if (body.size() > 16) {
      const size_t n = static_cast<size_t>(4 + in.Byte() % 32);
      in.Take(body.data() + 16, n < body.size() - 16 ? n : body.size() - 16);
    }
    const TableOutput out = table.HandleRequest(user, code, body);
    int replies = 0;
    for (const TableMessage& m : out.messages) replies += m.reply && m.toUser == user ? 1 : 0;
    if (replies != 1) __builtin_trap();
    runner.Take(TableOutput(out));
    if (!checker.Errors().empty()) __builtin_trap();
  }
  runner.Advance(60000);
  checker.Finish();
  if (!checker.Errors().empty()) __builtin_trap();
  for (int user : USERS) {
    if (!TableInfoRecord::Read(table.TableInfoFor(user))) __builtin_trap();
  }
  return 0;
}
