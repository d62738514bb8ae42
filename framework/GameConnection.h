// The client's connection to the game server: a CRC on every segment, at most 4000 payload bytes
// per segment, the AES packet layer, a direct or proxied connect with the greeting, one
// synchronous request operation on which every request is built, result texts, time-outs,
// response-time measurement and the version check; then the framework's request catalogue.
#pragma once

#include "framework/RequestBodies.h"
#include "framework/ResultTexts.h"
#include "net/ProxySocket.h"
#include "net/SocketConnection.h"
#include "platform/mfc/String.h"

#define GAME_GREETING "Hello! Play Harbour."
#define GAME_LARGEST_PAYLOAD 4000
#define RESPONSE_TIME_CAP 60000

class CGameApp;
class CTablePaneHooks;

class CGameConnection : public CSocketConnection {
 public:
  CGameConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags);
  ~CGameConnection() override;

  virtual int InitPacketOptions();                                                    // 47
  virtual int Disconnect();                                                           // 48
  virtual int ConnectToServer(LPCSTR name, LPCSTR host, int port, int* errorKind);    // 49
  virtual CString GetProxyHost();                                                     // 50
  virtual void SetNotifyThread(DWORD threadId);                                       // 51
  virtual void ReadProxySettings(LPCSTR iniPath);                                     // 52
  // Sends a request; see the class comment of the catalogue. *length is the body's length in
  // and the reply data's length out; *replyData is a heap block (new BYTE[]) the caller frees.
  virtual int SendRequest(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                          int wait);                                                  // 53
  virtual int GetRequestTimeout(int code);                                            // 54
  virtual void GetResultText(CString& text, int code);                                // 55
  virtual CGameApp* GetApp();                                                         // 56

  // The request catalogue (slots 57 to 86).
  virtual int QueryGameRunning();                                                     // 57
  virtual int GetGameData();                                                          // 58
  virtual int CheckVersion(CString& text, int* serverMajor, int* serverMinor);        // 59
  virtual int EnterGame(CString& text);                                               // 60
  virtual int ClaimSilverReward(CString& text, int amount);                           // 61
  virtual int SendReady(CString& text);                                               // 62
  virtual int LeaveTable(int userId, int chair);                                      // 63
  virtual int LeaveGame(CString& text, int userId, int chair);                        // 64
  virtual int SendChat(LPCSTR line);                                                  // 65
  virtual int SendChatQuiet(LPCSTR line);                                             // 66
  virtual int CallPlayer(int calledUserId);                                           // 67
  virtual int SendSeatValue(int value);                                               // 68
  virtual int ReportResponseTimes();                                                  // 69
  virtual int SendNamedRecordA();                                                     // 70
  virtual int SendNamedRecordB();                                                     // 71
  virtual int BuildEnterGameRecord(RequestBody* record);                              // 72
  virtual int BuildWirePlayerRecord(BYTE* record);                                    // 73
  virtual int StoreTableData(const BYTE* data, int length);                           // 74
  virtual int SendReadyChecked(CString& text);                                        // 75
  virtual int ChangeTable(CString& text);                                             // 76
  virtual int SendReadyRandom(CString& text);                                         // 77
  virtual int OpenSafe(CString& text, BYTE* block32);                                 // 78
  virtual int DepositSilver(CString& text, int* amount, int* result);                 // 79
  virtual int WithdrawSilver(CString& text, int amount, int protectAnswer);           // 80
  virtual int QueryProtectPassword(CString& text, BYTE* block24, int* result);        // 81
  virtual void GetSafeResultText(CString& text, int code);                            // 82
  virtual void GetAccountResultText(CString& text, int code);                         // 83
  virtual int GetAllowanceConfig(CString& text, int argument, BYTE* block124);        // 84
  virtual int ClaimAllowance(CString& text, int argument, int kind, int* value);      // 85
  virtual int ClaimAllowance2(CString& text, int argument, int kind, int* value);     // 86

  int GetServerPort() const { return m_serverPort; }
  LPCSTR GetServerHost() const { return m_serverHost; }
  int IsProxyNeeded() const { return m_proxyNeeded; }
  int GetProxyPort() const { return m_proxyPort; }
  int GetProxyKind() const { return m_proxyKind; }
  // The response-time statistics since the last report.
  DWORD GetResponseTotal() const { return m_responseTotal; }
  DWORD GetResponseCount() const { return m_responseCount; }
  DWORD GetResponseMaximum() const { return m_responseMaximum; }
  // Counts one measured response time, as a request with a reply does.
  void AddResponseTime(DWORD elapsed);

 protected:
  // The main frame's table pane, or null before there is one.
  CTablePaneHooks* TablePane();
  // The values of the application that the bodies carry.
  RequestContext MakeContext();
  // Ready with the silver check (201161) or random seating (201302).
  int SendReadyWithCheck(CString& text, int code);
  int SendSafeTransfer(CString& text, int amount, int protectAnswer, int direction, int* result, BYTE** reply,
                       int* replyLength);
  int SendClaimAllowance(CString& text, int argument, int kind, int* value, bool withMachineId);

 private:
  int m_serverPort = 0;
  char m_connectionName[32] = {};
  char m_serverHost[32] = {};
  int m_proxyNeeded = 0;
  int m_proxyPort = 0;
  int m_proxyKind = 0;
  char m_proxyHost[32] = {};
  char m_proxyUser[32] = {};
  char m_proxyPassword[32] = {};
  DWORD m_notifyThread = 0;
  CProxyConnectSocket m_proxySocket;
  DWORD m_responseTotal = 0;
  DWORD m_responseCount = 0;
  DWORD m_responseMaximum = 0;
};
