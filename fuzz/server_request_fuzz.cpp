// The testbed server's framework core over arbitrary client requests: an input is a sequence of
// requests, each [code index][session][u16 body length][body], sent to a core whose table already
// holds two players and an onlooker. Whatever the bodies hold, the core must answer each request
// without reading outside it, keep every seated player in one chair, and keep silver conserved
// by the bank (no request creates or destroys silver except rewards and allowances, which this
// input cannot award).
#include <cstddef>
#include <cstdint>

#include "net/WireBytes.h"
#include "testbed/server/ProtocolCodes.h"
#include "testbed/server/ServerCore.h"

namespace {

using namespace testbed;

class NullOutbox : public Outbox {
 public:
  void Send(int, DWORD, const Bytes& data) override { bytes += data.size(); }
  void Close(int) override {}
  size_t bytes = 0;
};

const DWORD CODES[] = {REQ_VERSION,        REQ_ENTER,         REQ_GAME_RUNNING,   REQ_GAME_DATA,
                       REQ_READY,          REQ_READY_CHECKED, REQ_READY_RANDOM,   REQ_LEAVE,
                       REQ_LEAVE_CHECKED,  REQ_CALL,          REQ_SEAT_VALUE,     REQ_RESPONSE_TIMES,
                       REQ_CHAT,           REQ_CHAT_QUIET,    REQ_CHANGE_TABLE,   REQ_REWARD,
                       REQ_ALLOWANCE_CONFIG, REQ_ALLOWANCE,   REQ_ALLOWANCE2,     REQ_NAMED_RECORD_A,
                       REQ_NAMED_RECORD_B, REQ_OPEN_SAFE,     REQ_WITHDRAW,       REQ_DEPOSIT,
                       REQ_PROTECT_QUERY,  229000};
const size_t CODE_COUNT = sizeof CODES / sizeof CODES[0];

Bytes EnterBody(int32_t user, int32_t chair, bool lookOn) {
  Bytes b(108, 0);
  WriteU32Le(b.data() + 0, static_cast<uint32_t>(user));
  WriteU32Le(b.data() + 12, 1);
  WriteU32Le(b.data() + 20, static_cast<uint32_t>(chair));
  WriteU32Le(b.data() + 56, lookOn ? 1 : 0);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  NullOutbox outbox;
  ServerConfig config;
  config.seed = 1;
  config.clock = [] { return int64_t{1797163200000}; };
  // Allowances are off so that silver is only moved, never made.
  config.allowanceThreshold = 0;
  ServerCore core(config, &outbox);
  if (!core.OpenAccounts(":memory:", nullptr)) __builtin_trap();
  DWORD serial = 0;
  auto ask = [&](int session, DWORD code, const Bytes& body) {
    Request r{session, code, ++serial, true, body};
    return core.Handle(r);
  };
  ask(1, REQ_ENTER, EnterBody(101, 0, false));
  ask(2, REQ_ENTER, EnterBody(102, 1, false));
  ask(3, REQ_ENTER, EnterBody(103, 1, true));
  core.SetProtectPassword(102, "1234");
  const int64_t total = 3 * 10000;

  size_t at = 0;
  while (at + 4 <= size) {
    DWORD code = CODES[data[at] % CODE_COUNT];
    int session = 1 + data[at + 1] % 4;
    size_t length = data[at + 2] | (static_cast<size_t>(data[at + 3]) << 8);
    at += 4;
    if (length > size - at) length = size - at;
    Bytes body(data + at, data + at + length);
    at += length;
    Reply reply = ask(session, code, body);
    volatile size_t sink = reply.data.size();
    (void)sink;
  }
  core.RunDueTimers();
  for (int session = 1; session <= 4; ++session) core.OnSessionClosed(session);

  int64_t silver = 0;
  for (int32_t user : {101, 102, 103}) {
    Account a;
    if (core.FindAccount(user, &a)) silver += a.silver + a.bank;
  }
  if (silver != total) __builtin_trap();
  return 0;
}
