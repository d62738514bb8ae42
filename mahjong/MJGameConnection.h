// The game-server connection of a mahjong table: the framework's connection with the mahjong
// requests. Every request blocks until its reply or its time-out. A measured game request that
// fails on a live connection starts the application's resynchronisation of the table.
#pragma once

#include <functional>

#include "framework/GameConnection.h"
#include "mahjong/MahjongRequests.h"

class CMJGameConnection : public CGameConnection {
 public:
  CMJGameConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags);

  // What the connection asks of the application and the table scene.
  struct Hooks {
    // The application's resynchronisation after a measured request failed on a live connection.
    std::function<void()> onRequestFailed;
    // The scene's list of the player's own requests that were answered.
    std::function<void(int code, const BYTE* body, size_t length)> postLocalNotice;
    // The values of the application that the bodies carry, at the moment of sending.
    std::function<RequestContext()> context;
  };
  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }

  // Every result below is the real outcome: 1 (or the reply's code) only when a reply came.
  // A request that was never answered reports failure to its caller, measured or not, and
  // whether or not the connection is still up.
  int SendRequest(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                  int wait) override;
  int GetRequestTimeout(int code) override;

  virtual int RequestSeeHand();
  virtual int SendSeeHandPermission(int watcherUserId, int allow);
  virtual int SendPass(CString& text, const RequestBody& body);
  // The reply's code; 0 when no reply came.
  virtual int SendHu(CString& text, const RequestBody& body);
  // 1 when the reply code is 10 (the 32-byte reply copied out); *replyCode gets the code, or
  // RESULT_REQUEST_FAILED when no reply came.
  virtual int SendGangAction(CString& text, int code, const RequestBody& body, BYTE* reply32, int* replyCode);
  virtual int SendPengMeld(CString& text, int* replyCode, const RequestBody& body);
  virtual int SendChiMeld(CString& text, const RequestBody& body, int* replyCode);
  virtual int SendChiClaim(CString& text, const RequestBody& body);
  virtual int SendPengClaim(CString& text, const RequestBody& body);
  virtual int SendGangClaim(CString& text, const RequestBody& body, BYTE* reply48);
  // 1 when a reply came, whatever its code.
  virtual int SendDiscard(CString& text, const RequestBody& body);
  // The reply's code; RESULT_REQUEST_FAILED when no reply came.
  virtual int SendDiscardNoNotice(CString& text, const RequestBody& body);
  virtual int PostDiscard(CString& text, const RequestBody& body);
  // 1 when the reply code is 10 and the draw record was copied; with RESULT_NO_TILE the
  // record's tile word is set to -1.
  virtual int SendDrawTile(CString& text, const RequestBody& body, BYTE* record32);
  virtual int PostDrawTile(CString& text, const RequestBody& body);
  virtual int SendFlowerReplace(CString& text, const RequestBody& body, BYTE* record32);
  virtual int SendRequest229405();
  // The ready request the table makes by itself after a settlement: the four ids only.
  virtual int SendAutoReady();
  virtual int SendReturnToGame(int value);
  virtual int SendRequest229505();

 protected:
  // One exchange through the framework's connection; tests replace it with a scripted server.
  virtual int Exchange(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                       int wait);
  // Sends a body and returns the exchange's result with the reply's code and data.
  int Send(CString& text, int code, const RequestBody& body, bool measured, int* replyCode, std::vector<BYTE>* reply);
  RequestContext Context();
  void Notice(int code, const RequestBody& body);
  // The draw record's answer shared by the draw and the flower replacement.
  int DrawRecordRequest(CString& text, int code, const RequestBody& body, BYTE* record32, int noticeCode);

 private:
  Hooks m_hooks;
};
