#include "mahjong/MJGameConnection.h"

#include <cstring>

#include "framework/BodyWriter.h"
#include "mahjong/MahjongNotifyCodes.h"

namespace {
// Game codes lie above the framework's.
constexpr int FIRST_GAME_CODE = 220001;

void CopyReply(const std::vector<BYTE>& reply, BYTE* out, size_t size) {
  if (out == nullptr) return;
  std::memset(out, 0, size);
  if (!reply.empty()) std::memcpy(out, reply.data(), reply.size() < size ? reply.size() : size);
}
}  // namespace

CMJGameConnection::CMJGameConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags)
    : CGameConnection(key, keyBits, cryptFlags, zipFlags) {}

int CMJGameConnection::Exchange(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                                int wait) {
  return CGameConnection::SendRequest(text, code, length, body, result, replyData, wait);
}

int CMJGameConnection::SendRequest(CString& text, int code, int* length, const BYTE* body, int* result,
                                   BYTE** replyData, int wait) {
  int sent = Exchange(text, code, length, body, result, replyData, wait);
  if (code >= FIRST_GAME_CODE && !sent && wait == 1 && IsConnected()) {
    if (m_hooks.onRequestFailed) m_hooks.onRequestFailed();
  }
  return sent;
}

int CMJGameConnection::GetRequestTimeout(int code) {
  if (code == REQ_DISCARD || code == REQ_DRAW) return 10;
  return CGameConnection::GetRequestTimeout(code);
}

RequestContext CMJGameConnection::Context() {
  return m_hooks.context ? m_hooks.context() : MakeContext();
}

void CMJGameConnection::Notice(int code, const RequestBody& body) {
  if (m_hooks.postLocalNotice) m_hooks.postLocalNotice(code, body.data(), body.size());
}

int CMJGameConnection::Send(CString& text, int code, const RequestBody& body, bool measured, int* replyCode,
                            std::vector<BYTE>* reply) {
  text = "";
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* data = nullptr;
  int sent = SendRequest(text, code, &length, body.data(), &result, reply ? &data : nullptr, measured ? 1 : 0);
  if (reply) {
    reply->clear();
    if (data != nullptr && length > 0) reply->assign(data, data + length);
    delete[] data;
  }
  if (replyCode) *replyCode = result;
  return sent;
}

int CMJGameConnection::RequestSeeHand() {
  CString text;
  return Send(text, REQ_SEE_HAND, MakeSeeHandBody(Context()), false, nullptr, nullptr);
}

int CMJGameConnection::SendSeeHandPermission(int watcherUserId, int allow) {
  CString text;
  return Send(text, REQ_SEE_HAND_PERMISSION, MakeSeeHandPermissionBody(Context(), watcherUserId, allow), false, nullptr,
              nullptr);
}

int CMJGameConnection::SendPass(CString& text, const RequestBody& body) {
  return Send(text, REQ_PASS, body, false, nullptr, nullptr);
}

int CMJGameConnection::SendHu(CString& text, const RequestBody& body) {
  int code = 0;
  if (!Send(text, REQ_HU, body, true, &code, nullptr)) return 0;
  Notice(REQ_HU, body);
  return code;
}

int CMJGameConnection::SendGangAction(CString& text, int code, const RequestBody& body, BYTE* reply32,
                                      int* replyCode) {
  std::vector<BYTE> reply;
  int result = 0;
  if (!Send(text, code, body, true, &result, &reply)) {
    if (replyCode) *replyCode = RESULT_REQUEST_FAILED;
    return 0;
  }
  if (replyCode) *replyCode = result;
  if (result != RESULT_SUCCESS) return 0;
  CopyReply(reply, reply32, GANG_ACTION_REPLY_SIZE);
  return 1;
}

int CMJGameConnection::SendPengMeld(CString& text, int* replyCode, const RequestBody& body) {
  int result = 0;
  if (!Send(text, REQ_PENG_MELD, body, true, &result, nullptr)) return 0;
  if (replyCode) *replyCode = result;
  Notice(NTF_PENG_MELD, body);
  return result == RESULT_SUCCESS ? 1 : 0;
}

int CMJGameConnection::SendChiMeld(CString& text, const RequestBody& body, int* replyCode) {
  int result = 0;
  if (!Send(text, REQ_CHI_MELD, body, true, &result, nullptr)) {
    if (replyCode) *replyCode = RESULT_REQUEST_FAILED;
    return 0;
  }
  if (replyCode) *replyCode = result;
  Notice(NTF_CHI_MELD, body);
  return result == RESULT_SUCCESS ? 1 : 0;
}

int CMJGameConnection::SendChiClaim(CString& text, const RequestBody& body) {
  return Send(text, REQ_CHI_CLAIM, body, false, nullptr, nullptr);
}

int CMJGameConnection::SendPengClaim(CString& text, const RequestBody& body) {
  return Send(text, REQ_PENG_CLAIM, body, false, nullptr, nullptr);
}

int CMJGameConnection::SendGangClaim(CString& text, const RequestBody& body, BYTE* reply48) {
  std::vector<BYTE> reply;
  int result = 0;
  if (!Send(text, REQ_GANG_CLAIM, body, true, &result, &reply)) return 0;
  if (result != RESULT_SUCCESS) return 0;
  CopyReply(reply, reply48, GANG_CLAIM_REPLY_SIZE);
  return 1;
}

int CMJGameConnection::SendDiscard(CString& text, const RequestBody& body) {
  if (!Send(text, REQ_DISCARD, body, true, nullptr, nullptr)) return 0;
  Notice(NTF_TILE_DISCARDED, body);
  return 1;
}

int CMJGameConnection::SendDiscardNoNotice(CString& text, const RequestBody& body) {
  int result = 0;
  if (!Send(text, REQ_DISCARD, body, true, &result, nullptr)) return RESULT_REQUEST_FAILED;
  return result;
}

int CMJGameConnection::PostDiscard(CString& text, const RequestBody& body) {
  return Send(text, REQ_DISCARD, body, false, nullptr, nullptr);
}

int CMJGameConnection::DrawRecordRequest(CString& text, int code, const RequestBody& body, BYTE* record32,
                                         int noticeCode) {
  std::vector<BYTE> reply;
  int result = 0;
  if (!Send(text, code, body, true, &result, &reply)) return 0;
  Notice(noticeCode, body);
  if (result == RESULT_SUCCESS) {
    CopyReply(reply, record32, DRAW_RECORD_SIZE);
    return 1;
  }
  if (result == RESULT_NO_TILE && record32 != nullptr) {
    CBodyWriter w(4);
    w.Int(0, -1);
    std::memcpy(record32 + 4, w.Data().data(), 4);
  }
  return 0;
}

int CMJGameConnection::SendDrawTile(CString& text, const RequestBody& body, BYTE* record32) {
  return DrawRecordRequest(text, REQ_DRAW, body, record32, NTF_TILE_DRAWN);
}

int CMJGameConnection::PostDrawTile(CString& text, const RequestBody& body) {
  return Send(text, REQ_DRAW, body, false, nullptr, nullptr);
}

int CMJGameConnection::SendFlowerReplace(CString& text, const RequestBody& body, BYTE* record32) {
  return DrawRecordRequest(text, REQ_FLOWER_REPLACE, body, record32, NTF_FLOWER_REPLACED);
}

int CMJGameConnection::SendRequest229405() {
  CString text;
  return Send(text, REQ_TURN_STALLED, MakeCommonBody(Context()), false, nullptr, nullptr);
}

int CMJGameConnection::SendAutoReady() {
  CString text;
  RequestBody body = MakeCommonBody(Context());
  body.resize(AUTO_READY_BODY_SIZE);
  return Send(text, REQ_AUTO_READY, body, false, nullptr, nullptr);
}

int CMJGameConnection::SendReturnToGame(int value) {
  CString text;
  return Send(text, REQ_RETURN_TO_GAME, MakeReturnBody(Context(), value), false, nullptr, nullptr);
}

int CMJGameConnection::SendRequest229505() {
  CString text;
  return Send(text, REQ_C229505, MakeCommonBody(Context()), false, nullptr, nullptr);
}
