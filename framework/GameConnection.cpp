#include "framework/GameConnection.h"

#include <cstring>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameFrameWnd.h"
#include "framework/RequestReplies.h"
#include "net/CryptLayer.h"
#include "net/NetLog.h"
#include "net/SharedKeys.h"
#include "platform/kernel/Kernel.h"
#include "platform/mfc/Afx.h"

namespace {

// Frees a reply block that the caller does not hand on.
void FreeReply(BYTE*& data) {
  delete[] data;
  data = nullptr;
}

void CopyField(char* field, size_t size, LPCSTR text) {
  CopyTextField(field, size, text, text != nullptr ? std::strlen(text) : 0);
}

}  // namespace

CGameConnection::CGameConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags)
    : CSocketConnection(key, keyBits, cryptFlags, zipFlags, 1, GAME_LARGEST_PAYLOAD) {}

// The worker thread calls this object's operations until the connection is closed, so a
// connection still open when the object goes (the program ends without a lost connection or a
// leave) is closed here, while the whole object still exists.
CGameConnection::~CGameConnection() { CGameConnection::Disconnect(); }

int CGameConnection::InitPacketOptions() {
  return SetPacketOptions(PacketKey(), SHARED_KEY_BYTES * 8, CRYPT_LAYER_FLAG, 0);
}

int CGameConnection::Disconnect() {
  m_proxySocket.Close();
  return Close();
}

int CGameConnection::ConnectToServer(LPCSTR name, LPCSTR host, int port, int* errorKind) {
  CWaitCursor wait;
  Close();
  static const char GREETING[] = GAME_GREETING;
  const BYTE* greeting = reinterpret_cast<const BYTE*>(GREETING);
  int connected;
  if (m_proxyNeeded != 0) {
    if (!m_proxySocket.ConnectWithTimeout(host, port, m_proxyKind, m_proxyHost, m_proxyPort, m_proxyUser,
                                          m_proxyPassword, 10)) {
      if (errorKind != nullptr) *errorKind = 1;
      return 0;
    }
    connected = Attach(m_proxySocket.Detach(), nullptr, m_notifyThread, 0, greeting, sizeof(GREETING), 10000,
                       nullptr, 0, 5);
  } else {
    connected = Connect(host, port, 10, nullptr, m_notifyThread, 0, greeting, sizeof(GREETING), 10000, 0);
  }
  if (connected) {
    m_serverPort = port;
    CopyField(m_connectionName, sizeof(m_connectionName), name);
    CopyField(m_serverHost, sizeof(m_serverHost), host);
  }
  return connected;
}

CString CGameConnection::GetProxyHost() { return CString(m_proxyHost); }

void CGameConnection::SetNotifyThread(DWORD threadId) { m_notifyThread = threadId; }

void CGameConnection::ReadProxySettings(LPCSTR iniPath) {
  m_proxyNeeded = static_cast<int>(GetPrivateProfileIntA("PROXY", "Need", 0, iniPath));
  m_proxyPort = static_cast<int>(GetPrivateProfileIntA("PROXY", "Port", 1080, iniPath));
  m_proxyKind = static_cast<int>(GetPrivateProfileIntA("PROXY", "Sock", 3, iniPath));
  GetPrivateProfileStringA("PROXY", "Host", "", m_proxyHost, sizeof(m_proxyHost), iniPath);
  GetPrivateProfileStringA("PROXY", "User", "", m_proxyUser, sizeof(m_proxyUser), iniPath);
  GetPrivateProfileStringA("PROXY", "pwd", "", m_proxyPassword, sizeof(m_proxyPassword), iniPath);
}

void CGameConnection::AddResponseTime(DWORD elapsed) {
  ++m_responseCount;
  m_responseTotal += elapsed;
  if (elapsed > m_responseMaximum) m_responseMaximum = elapsed;
}

int CGameConnection::SendRequest(CString& text, int code, int* length, const BYTE* body, int* result,
                                 BYTE** replyData, int wait) {
  if (replyData != nullptr) *replyData = nullptr;
  if (!IsConnected()) {
    *result = RESULT_NOT_CONNECTED;
    text = "与服务器连接断开。";
    return 0;
  }
  PacketRecord request{};
  request.head.code = static_cast<uint32_t>(code);
  request.length = *length;
  request.data = const_cast<BYTE*>(body);
  PacketEnvelope envelope{};
  envelope.socket = static_cast<uint32_t>(GetSocket());
  envelope.replyWanted = wait;
  PacketRecord reply{};

  const DWORD timeoutMs = static_cast<DWORD>(GetRequestTimeout(code)) * 1000;
  const DWORD start = GetTickCount();
  int timedOut = 0;
  int sent;
  {
    CWaitCursor wait;
    sent = SendAndWait(&envelope, &request, &reply, &timedOut, timeoutMs, 0, 0, 1, nullptr, 0);
  }
  if (!sent) {
    FreePacketData(&reply);
    if (timedOut) {
      *result = RESULT_TIMEOUT;
      text = "请求处理超时。";
    } else {
      text = "请求发送失败。";
    }
    return 0;
  }
  if (wait == 1) AddResponseTime(GetTickCount() - start);
  if (wait != 1) {
    FreePacketData(&reply);
    *length = 0;
    *result = 0;
    return 1;
  }
  *length = reply.length;
  *result = static_cast<int>(reply.head.code);
  if (*result == RESULT_SERVER_TEXT) {
    // The server's text ends at its terminator or at the end of the data, whichever comes first.
    text = CBodyReader(reply.data, static_cast<size_t>(reply.length)).Text(0, static_cast<size_t>(reply.length) + 1).c_str();
    FreePacketData(&reply);
    *length = 0;
    return 0;
  }
  if (replyData != nullptr) {
    *replyData = reply.data;
    reply.data = nullptr;
  } else {
    FreePacketData(&reply);
  }
  GetResultText(text, *result);
  return 1;
}

int CGameConnection::GetRequestTimeout(int code) { return GetRequestTimeoutSeconds(code); }

void CGameConnection::GetResultText(CString& text, int code) { GetGenericResultText(text, code); }

CGameApp* CGameConnection::GetApp() { return GetGameApp(); }

CTablePaneHooks* CGameConnection::TablePane() {
  CGameFrameWnd* frame = GetApp()->GetGameFrame();
  return frame != nullptr ? frame->GetTableView() : nullptr;
}

void CGameConnection::GetSafeResultText(CString& text, int code) { ::GetSafeResultText(text, code); }

void CGameConnection::GetAccountResultText(CString& text, int code) { ::GetAccountResultText(text, code); }

RequestContext CGameConnection::MakeContext() {
  RequestContext c;
  CGameApp* app = GetApp();
  c.userId = app->GetUserID();
  c.gameId = app->GetGameId();
  c.roomId = app->GetRoomID();
  c.tableNo = app->GetTableNO();
  c.chair = app->GetChairNO();
  c.lookOn = app->IsLookOn();
  GetMachineId(c.machineId);
  return c;
}

int CGameConnection::QueryGameRunning() {
  RequestBody body = MakeCommonBody(MakeContext());
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  int sent = SendRequest(text, REQ_GAME_RUNNING, &length, body.data(), &result, &reply, 1);
  CBodyReader data(reply, sent ? static_cast<size_t>(length) : 0);
  if (data.Has(4)) GetApp()->SetRoomFlags(data.Int(0));
  FreeReply(reply);
  return sent && result == 210030 ? 1 : 0;
}

int CGameConnection::GetGameData() {
  RequestBody body = MakeCommonBody(MakeContext());
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  int sent = SendRequest(text, REQ_GAME_DATA, &length, body.data(), &result, &reply, 1);
  int ok = 0;
  if (sent && result == RESULT_SUCCESS) {
    StoreTableData(reply, length);
    ok = 1;
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::CheckVersion(CString& text, int* serverMajor, int* serverMinor) {
  int length = 0;
  int result = 0;
  BYTE* reply = nullptr;
  int sent = SendRequest(text, REQ_CHECK_VERSION, &length, nullptr, &result, &reply, 1);
  CBodyReader data(reply, sent ? static_cast<size_t>(length) : 0);
  // Both version words must be there; a shorter answer counts as no answer.
  if (!sent || !data.Has(8)) {
    FreeReply(reply);
    text = "服务器繁忙，请稍候再试。";
    return 0;
  }
  const int major = data.Int(0);
  const int minor = data.Int(4);
  FreeReply(reply);
  CGameApp* app = GetApp();
  const int ownMajor = app->GetOwnVersionMajor();
  const int ownMinor = app->GetOwnVersionMinor();
  if (major == ownMajor && minor == ownMinor) return 1;
  if (major > ownMajor) {
    text = "您的游戏程序太旧了,必须下载新的程序才能玩游戏。";
    if (serverMajor != nullptr) *serverMajor = major;
  } else if (major < ownMajor) {
    text = "服务正在更新中，请稍候再试。";
  } else if (minor > ownMinor) {
    text = "您的游戏程序需要更新。";
    if (serverMinor != nullptr) *serverMinor = minor;
  } else {
    text = "服务正在更新中，请稍候再试。";
  }
  return 0;
}

int CGameConnection::BuildEnterGameRecord(RequestBody* record) {
  CGameApp* app = GetApp();
  const PlayerRecord* own = app->FindPlayer(app->GetUserID());
  *record = MakeEnterGameRecord(MakeContext(), own, app->IsQuickCatch(), app->GetRoomValue());
  return own != nullptr ? 1 : 0;
}

int CGameConnection::BuildWirePlayerRecord(BYTE* record) {
  CGameApp* app = GetApp();
  const PlayerRecord* own = app->FindPlayer(app->GetUserID());
  if (own == nullptr) return 0;
  WirePlayerRecord wire;
  app->PlayerRecordToWire(&wire, *own);
  wire.Write(record);
  return 1;
}

int CGameConnection::StoreTableData(const BYTE* data, int length) {
  if (length <= 0 || data == nullptr) return 0;
  CGameApp* app = GetApp();
  BYTE* info = app->GetTableInfo();
  const size_t size = app->GetTableInfoSize();
  if (info == nullptr || size == 0) return 0;
  // The game's block has a fixed size: more table data than it holds is cut.
  size_t count = static_cast<size_t>(length) < size ? static_cast<size_t>(length) : size;
  std::memcpy(info, data, count);
  return 1;
}

int CGameConnection::EnterGame(CString& text) {
  RequestBody record;
  BYTE wire[WIRE_PLAYER_RECORD_SIZE] = {};
  BuildEnterGameRecord(&record);
  BuildWirePlayerRecord(wire);
  if (CBodyReader(record.data(), record.size()).Int(0) == 0) {
    text = "对象不存在。";
    return 0;
  }
  CGameApp* app = GetApp();
  if (app->RoomOptionBit6()) record.insert(record.end(), wire, wire + WIRE_PLAYER_RECORD_SIZE);
  int length = static_cast<int>(record.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_ENTER_GAME, &length, record.data(), &result, &reply, 1)) {
    LogPrintf("the enter request got no answer: %s", static_cast<LPCSTR>(text));
    return 0;
  }
  int entered = 0;
  if (result == 200500) {
    if (CTablePaneHooks* table = TablePane()) table->InitKickCountdown();
    if (reply != nullptr && length > 0) {
      app->SetGameDataFlag(app->IsLookOn() ? 0 : 1);
      StoreTableData(reply, length);
    } else {
      app->SetGameDataFlag(0);
    }
    entered = 1;
  } else if (result == 200510) {
    app->OnTablePlayers(reply, length > 0 ? static_cast<size_t>(length) : 0);
    entered = 1;
  } else if (result == 210087) {
    text = "进入游戏失败，请等待本局结果提交。";
  }
  if (entered) {
    LogPrintf("entered room %d table %d chair %d%s%s", app->GetRoomID(), app->GetTableNO(), app->GetChairNO(),
              app->IsLookOn() ? " as an onlooker" : "", app->HasGameData() ? " with the table's data" : "");
  } else {
    LogPrintf("entering room %d table %d chair %d was refused with %d", app->GetRoomID(), app->GetTableNO(),
              app->GetChairNO(), result);
  }
  FreeReply(reply);
  return entered;
}

int CGameConnection::ClaimSilverReward(CString& text, int amount) {
  if (amount < 0) return 0;
  RequestBody body = MakeSilverRewardBody(MakeContext(), amount);
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_SILVER_REWARD, &length, body.data(), &result, &reply, 1)) return 0;
  int ok = result == RESULT_SUCCESS ? 1 : 0;
  if (!ok) {
    GetSilverRewardFailureText(result, CBodyReader(reply, static_cast<size_t>(length)), GetApp()->GetGameName(),
                               text);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::SendReady(CString& text) {
  text = "";
  RequestBody body = MakeCommonBody(MakeContext());
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_READY, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::LeaveTable(int userId, int chair) {
  RequestBody body = MakeLeaveBody(MakeContext(), userId, chair);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_LEAVE_TABLE, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::LeaveGame(CString& text, int userId, int chair) {
  RequestBody body = MakeLeaveBody(MakeContext(), userId, chair);
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_LEAVE_GAME, &length, body.data(), &result, &reply, 1)) return 0;
  int refused = GetLeaveRefusalText(result, CBodyReader(reply, static_cast<size_t>(length)), text) ? 1 : 0;
  if (!refused) text = "";
  FreeReply(reply);
  return refused;
}

int CGameConnection::SendChat(LPCSTR line) {
  RequestBody body = MakeChatBody(MakeContext(), line);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_CHAT, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::SendChatQuiet(LPCSTR line) {
  RequestBody body = MakeChatBody(MakeContext(), line);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_CHAT_QUIET, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::CallPlayer(int calledUserId) {
  RequestBody body = MakeCallBody(MakeContext(), calledUserId, GetApp()->GetPlayerChair(calledUserId));
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_CALL_PLAYER, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::SendSeatValue(int value) {
  RequestBody body = MakeSeatValueBody(MakeContext(), value);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_SEAT_VALUE, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::ReportResponseTimes() {
  DWORD average = m_responseCount != 0 ? m_responseTotal / m_responseCount : 0;
  DWORD maximum = m_responseMaximum;
  if (average > RESPONSE_TIME_CAP) average = RESPONSE_TIME_CAP;
  if (maximum > RESPONSE_TIME_CAP) maximum = RESPONSE_TIME_CAP;
  m_responseTotal = 0;
  m_responseCount = 0;
  m_responseMaximum = 0;
  RequestBody body = MakeResponseReportBody(GetApp()->GetUserID(), average, maximum);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  return SendRequest(text, REQ_RESPONSE_REPORT, &length, body.data(), &result, nullptr, 0);
}

int CGameConnection::SendNamedRecordA() {
  CGameApp* app = GetApp();
  RequestBody body = MakeNamedRecordBody(MakeContext(), app->GetPlayerName(app->GetUserID()));
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  SendRequest(text, REQ_NAMED_RECORD_A, &length, body.data(), &result, nullptr, 0);
  return 1;
}

int CGameConnection::SendNamedRecordB() {
  CGameApp* app = GetApp();
  RequestBody body = MakeNamedRecordBody(MakeContext(), app->GetPlayerName(app->GetUserID()));
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  SendRequest(text, REQ_NAMED_RECORD_B, &length, body.data(), &result, nullptr, 0);
  return 1;
}

int CGameConnection::SendReadyWithCheck(CString& text, int code) {
  RequestBody body = MakeCommonBody(MakeContext());
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, code, &length, body.data(), &result, &reply, 1)) return 0;
  int ok = 0;
  CGameApp* app = GetApp();
  const size_t size = reply != nullptr && length > 0 ? static_cast<size_t>(length) : 0;
  if (result == RESULT_SUCCESS) {
    if (CTablePaneHooks* table = TablePane()) table->KillKickTimer();
    ok = 1;
  } else if (result == 210090) {
    app->OnSilverTooLow(reply, size);
  } else if (result == 210091) {
    app->OnSilverTooHigh(reply, size);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::SendReadyChecked(CString& text) { return SendReadyWithCheck(text, REQ_READY_CHECKED); }

int CGameConnection::SendReadyRandom(CString& text) {
  CGameApp* app = GetApp();
  if (app->IsLookOn() || !app->RoomOptionBit1() || !app->RoomOptionBit7()) return 0;
  return SendReadyWithCheck(text, REQ_READY_RANDOM);
}

int CGameConnection::ChangeTable(CString& text) {
  CGameApp* app = GetApp();
  if (app->IsLookOn()) return 0;
  RequestBody body = MakeCommonBody(MakeContext());
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_CHANGE_TABLE, &length, body.data(), &result, &reply, 1)) return 0;
  FreeReply(reply);
  if (result == RESULT_SUCCESS) return 1;
  if (result == 210092) {
    text = " <z=kv系统通知> <c=255>您的换桌操作过于频繁，请稍等片刻!\r\n";
    app->AddChatText(text);
  }
  return 0;
}

int CGameConnection::OpenSafe(CString& text, BYTE* block32) {
  CGameApp* app = GetApp();
  if (app->IsLookOn()) return 0;
  text = "保险箱打开失败。";
  RequestBody body = MakeSafeQueryBody(MakeContext());
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_OPEN_SAFE, &length, body.data(), &result, &reply, 1)) return 0;
  int ok = 0;
  if (result == RESULT_SUCCESS && reply != nullptr && length >= 32) {
    std::memcpy(block32, reply, 32);
    ok = 1;
  } else if (result == RESULT_SUCCESS) {
    text = TEXT_REQUEST_FAILED;
  } else {
    GetSafeResultText(text, result);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::SendSafeTransfer(CString& text, int amount, int protectAnswer, int direction, int* result,
                                      BYTE** reply, int* replyLength) {
  CGameApp* app = GetApp();
  const PlayerRecord* seat = app->Tables().Seat(app->GetChairNO());
  RequestBody body = MakeSafeTransferBody(MakeContext(), amount, protectAnswer, seat != nullptr ? seat->silver : 0,
                                          direction);
  *replyLength = static_cast<int>(body.size());
  return SendRequest(text, direction == 1 ? REQ_DEPOSIT_SILVER : REQ_WITHDRAW_SILVER, replyLength, body.data(),
                     result, reply, 1);
}

int CGameConnection::DepositSilver(CString& text, int* amount, int* result) {
  if (!GetApp()->MayUseBank()) return 0;
  text = "";
  int localResult = 0;
  int* out = result != nullptr ? result : &localResult;
  BYTE* reply = nullptr;
  int length = 0;
  if (!SendSafeTransfer(text, *amount, 0, 1, out, &reply, &length)) return 0;
  int ok = *out == RESULT_SUCCESS ? 1 : 0;
  if (!ok) {
    GetDepositFailureText(*out, CBodyReader(reply, static_cast<size_t>(length)), GetApp()->GetGameName(), amount,
                          text);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::WithdrawSilver(CString& text, int amount, int protectAnswer) {
  if (!GetApp()->MayUseBank()) return 0;
  int result = 0;
  BYTE* reply = nullptr;
  int length = 0;
  if (!SendSafeTransfer(text, amount, protectAnswer, 2, &result, &reply, &length)) return 0;
  int ok = result == RESULT_SUCCESS ? 1 : 0;
  if (ok) {
    text = "银子已经成功划入您指定的游戏。";
  } else {
    GetWithdrawFailureText(result, CBodyReader(reply, static_cast<size_t>(length)), GetApp()->GetGameName(), text);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::QueryProtectPassword(CString& text, BYTE* block24, int* result) {
  text = "";
  RequestBody body = MakeSafeQueryBody(MakeContext());
  int length = static_cast<int>(body.size());
  int localResult = 0;
  int* out = result != nullptr ? result : &localResult;
  *out = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_PROTECT_PASSWORD, &length, body.data(), out, &reply, 1)) return 0;
  int ok = 0;
  if (*out == RESULT_SUCCESS && reply != nullptr && length >= 24) {
    std::memcpy(block24, reply, 24);
    ok = 1;
  } else if (*out == RESULT_SUCCESS) {
    text = TEXT_REQUEST_FAILED;
  } else {
    GetSafeResultText(text, *out);
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::GetAllowanceConfig(CString& text, int argument, BYTE* block124) {
  text = "";
  RequestBody body = MakeAllowanceConfigBody(MakeContext(), argument);
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, REQ_ALLOWANCE_CONFIG, &length, body.data(), &result, &reply, 1)) return 0;
  int ok = 0;
  if (result == RESULT_SUCCESS && reply != nullptr && length >= 124) {
    std::memcpy(block124, reply, 124);
    ok = 1;
  } else if (result == RESULT_SUCCESS) {
    text = TEXT_REQUEST_FAILED;
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::SendClaimAllowance(CString& text, int argument, int kind, int* value, bool withMachineId) {
  text = "";
  if (value != nullptr) *value = 0;
  CGameApp* app = GetApp();
  if (app->IsLookOn() || (kind != 0 && kind != 1)) return 0;
  RequestBody body =
      MakeClaimAllowanceBody(MakeContext(), app->GetPlayerName(app->GetUserID()), argument, kind, withMachineId);
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  if (!SendRequest(text, withMachineId ? REQ_CLAIM_ALLOWANCE2 : REQ_CLAIM_ALLOWANCE, &length, body.data(), &result,
                   &reply, 1)) {
    return 0;
  }
  int ok = 0;
  CBodyReader data(reply, static_cast<size_t>(length));
  if (result == RESULT_SUCCESS && data.Has(4)) {
    if (value != nullptr) *value = data.Int(0);
    ok = 1;
  } else if (result == RESULT_SUCCESS) {
    text = TEXT_REQUEST_FAILED;
  }
  FreeReply(reply);
  return ok;
}

int CGameConnection::ClaimAllowance(CString& text, int argument, int kind, int* value) {
  return SendClaimAllowance(text, argument, kind, value, false);
}

int CGameConnection::ClaimAllowance2(CString& text, int argument, int kind, int* value) {
  return SendClaimAllowance(text, argument, kind, value, true);
}
