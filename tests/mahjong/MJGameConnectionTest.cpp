#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/BodyWriter.h"
#include "mahjong/MJGameConnection.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "net/WireBytes.h"

namespace {

// The connection over a scripted exchange: each request gets the next scripted answer.
class ScriptedConnection : public CMJGameConnection {
 public:
  struct Answer {
    int sent = 1;  // 0: no reply (time-out or send failure)
    int code = 10;
    std::vector<BYTE> data;
  };
  ScriptedConnection() : CMJGameConnection(nullptr, 0, 0, 0) {
    Hooks hooks;
    hooks.onRequestFailed = [this] { ++resyncs; };
    hooks.postLocalNotice = [this](int code, const BYTE*, size_t) { notices.push_back(code); };
    hooks.context = [] {
      RequestContext c;
      c.userId = 1;
      c.chair = 0;
      return c;
    };
    SetHooks(hooks);
  }
  int IsConnected() override { return connected; }

  std::vector<Answer> script;
  std::vector<int> codes;
  std::vector<int> waits;
  std::vector<std::vector<BYTE>> bodies;
  std::vector<int> notices;
  int resyncs = 0;
  int connected = 1;

 protected:
  int Exchange(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
               int wait) override {
    codes.push_back(code);
    waits.push_back(wait);
    bodies.emplace_back(body, body + (length ? *length : 0));
    Answer a = script.empty() ? Answer{} : script.front();
    if (!script.empty()) script.erase(script.begin());
    if (!connected) {
      *result = 1031;
      return 0;
    }
    if (!a.sent) {
      *result = 1030;
      return 0;
    }
    *result = wait == 1 ? a.code : 0;
    *length = static_cast<int>(a.data.size());
    if (replyData) {
      *replyData = nullptr;
      if (!a.data.empty()) {
        *replyData = new BYTE[a.data.size()];
        std::memcpy(*replyData, a.data.data(), a.data.size());
      }
    }
    return 1;
  }
};

std::vector<BYTE> DrawReply(int chair, int tile, int wall) {
  CBodyWriter w(32);
  w.Int(0, chair);
  w.Int(4, tile);
  w.Int(8, wall);
  return w.Data();
}

TEST(MJGameConnection, DrawRepliesAndNotices) {
  struct Case {
    ScriptedConnection::Answer answer;
    int connected;
    int result;
    int tileWord;  // the draw record's tile word afterwards
    int notices, resyncs;
  } cases[] = {
      {{1, 10, DrawReply(0, 44, 93)}, 1, 1, 44, 1, 0},
      {{1, 229101, {}}, 1, 0, -1, 1, 0},            // wall empty: -1 and still the notice
      {{1, 229450, {}}, 1, 0, 77, 1, 0},            // refused: the record is left alone
      {{0, 0, {}}, 1, 0, 77, 0, 1},                 // no reply on a live connection: one resync
      {{0, 0, {}}, 0, 0, 77, 0, 0},                 // connection down: failure, no resync
  };
  for (const Case& c : cases) {
    ScriptedConnection conn;
    conn.connected = c.connected;
    conn.script = {c.answer};
    BYTE record[32] = {};
    CBodyWriter w(4);
    w.Int(0, 77);
    std::memcpy(record + 4, w.Data().data(), 4);
    CString text;
    EXPECT_EQ(c.result, conn.SendDrawTile(text, MakeDrawBody(RequestContext{}, 1, 0), record)) << c.answer.code;
    EXPECT_EQ(c.tileWord, ReadI32Le(record + 4)) << c.answer.code;
    EXPECT_EQ(c.notices, static_cast<int>(conn.notices.size())) << c.answer.code;
    EXPECT_EQ(c.resyncs, conn.resyncs) << c.answer.code;
    EXPECT_EQ(1, conn.waits[0]);
  }
}

TEST(MJGameConnection, UnansweredRequestsReportFailure) {
  // Unmeasured requests, and any request while the connection is down, report what happened.
  ScriptedConnection conn;
  CString text;
  RequestBody body = MakeMeldBody(RequestContext{}, 1, 20, 21, 22, -1, 0);
  conn.script = {{0, 0, {}}};
  EXPECT_EQ(0, conn.SendPengClaim(text, body));
  EXPECT_EQ(0, conn.resyncs);  // unmeasured: no resync
  EXPECT_EQ(0, conn.waits[0]);
  conn.script = {{1, 0, {}}};
  EXPECT_EQ(1, conn.SendPengClaim(text, body));
  conn.connected = 0;
  EXPECT_EQ(0, conn.SendSeeHandPermission(5, 1));
  EXPECT_EQ(0, conn.SendPass(text, MakePassBody(RequestContext{}, 1, 20)));
  EXPECT_EQ(0, conn.SendReturnToGame(1));
  EXPECT_EQ(0, conn.SendHu(text, MakeHuBody(RequestContext{}, 1, 20, 1, 0)));
  int tiles[1] = {20};
  EXPECT_EQ(0, conn.SendDiscard(text, MakeDiscardBody(RequestContext{}, 1, 0, false, tiles, 1)));
  EXPECT_EQ(RESULT_REQUEST_FAILED, conn.SendDiscardNoNotice(text, MakeDiscardBody(RequestContext{}, 1, 0, false, tiles, 1)));
  EXPECT_EQ(0, conn.resyncs);
  EXPECT_TRUE(conn.notices.empty());
}

TEST(MJGameConnection, ReplyCodesOfMeldsAndGangs) {
  ScriptedConnection conn;
  CString text;
  RequestBody body = MakeMeldBody(RequestContext{}, 1, 20, 21, 22, -1, 0);
  int code = -5;
  conn.script = {{1, 210050, {}}};
  EXPECT_EQ(0, conn.SendPengMeld(text, &code, body));
  EXPECT_EQ(210050, code);
  conn.script = {{0, 0, {}}};
  code = -5;
  EXPECT_EQ(0, conn.SendPengMeld(text, &code, body));
  EXPECT_EQ(-5, code);  // untouched without a reply
  EXPECT_EQ(1, conn.resyncs);
  conn.script = {{0, 0, {}}};
  EXPECT_EQ(0, conn.SendChiMeld(text, body, &code));
  EXPECT_EQ(RESULT_REQUEST_FAILED, code);
  BYTE reply[32] = {};
  conn.script = {{1, 10, DrawReply(0, 99, 39)}};
  EXPECT_EQ(1, conn.SendGangAction(text, REQ_GANG_EXPOSED, body, reply, &code));
  EXPECT_EQ(99, ReadI32Le(reply + 4));
  conn.script = {{1, 229450, {}}};
  EXPECT_EQ(0, conn.SendGangAction(text, REQ_GANG_EXPOSED, body, reply, &code));
  EXPECT_EQ(229450, code);
  BYTE reply48[48];
  conn.script = {{1, 10, std::vector<BYTE>(48, 0)}};
  EXPECT_EQ(1, conn.SendGangClaim(text, body, reply48));
  // The discard with a notice returns 1 for any reply; without, the reply's code.
  int tiles[1] = {20};
  RequestBody discard = MakeDiscardBody(RequestContext{}, 1, 0, false, tiles, 1);
  conn.script = {{1, 229450, {}}};
  EXPECT_EQ(1, conn.SendDiscard(text, discard));
  conn.script = {{1, 229450, {}}};
  EXPECT_EQ(229450, conn.SendDiscardNoNotice(text, discard));
  conn.script = {{1, 210050, {}}};
  EXPECT_EQ(210050, conn.SendHu(text, MakeHuBody(RequestContext{}, 1, 20, 1, 0)));
  EXPECT_EQ(10, conn.GetRequestTimeout(REQ_DRAW));
}

}  // namespace

namespace {

TEST(MJGameConnection, AutoReadyCarriesTheFourIdsOnly) {
  ScriptedConnection conn;
  conn.script = {{1, 10, {}}};
  EXPECT_EQ(1, conn.SendAutoReady());
  ASSERT_EQ(1u, conn.codes.size());
  EXPECT_EQ(229610, conn.codes[0]);
  ASSERT_EQ(1u, conn.bodies.size());
  ASSERT_EQ(16u, conn.bodies[0].size());
  EXPECT_EQ(1, static_cast<int>(conn.bodies[0][0]));  // the user id of the context
  conn.connected = 0;
  EXPECT_EQ(0, conn.SendAutoReady());
}

}  // namespace
