// One TCP connection to a server with its own worker thread.
//
// The worker owns a hidden window that receives the socket's asynchronous events, reads what
// arrives, cuts it into units, reassembles the segments of each packet and hands a reply to the
// sender that waits for it or posts a notification (WM_PACKET_ARRIVED) to the connection's one
// receiver. Requests are sent on the caller's thread, which then blocks until the reply or its
// time-out. Every step is virtual so that a derived connection can replace any of them.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "net/ByteBuffer.h"
#include "net/PacketRecord.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "platform/winsock/WinSock.h"

#define WM_PACKET_ARRIVED 0x7E9
#define WM_SOCKET_NOTIFY 0x2B11
#define WM_SOCKET_THREAD_READY 0x2B12

// Bytes of a unit in front of its payload: length word, segment head, payload length word.
#define SEGMENT_HEAD_SIZE 52
#define UNIT_OVERHEAD 60
// The most a reassembled packet may hold; larger ones are a protocol error. Packets of this
// protocol are a few kilobytes.
#define MAX_PACKET_BYTES (1024 * 1024)

// The 52-byte head of a segment, in host order; it is read and written field by field.
struct SegmentHead {
  DWORD kind;            // 1 request or notification, 2 reply
  DWORD segmentSerial;   // per peer, every segment sent
  DWORD crcFlag;         // 1 = crc is valid
  DWORD crc;             // CRC-32 of the whole unit with crcFlag and crc zeroed
  DWORD reserved1[2];
  DWORD requestSerial;   // per peer, every request; a reply carries its request's serial
  DWORD segmentNumber;   // 1, 2, 3 ... within the packet
  DWORD lastFlag;        // 1 on the last segment
  DWORD reserved2;
  DWORD replyWanted;     // 1 when the sender waits for the reply
  DWORD reserved3[2];

  void Read(const BYTE* p);
  void Write(BYTE* p) const;
};

struct PeerRecord {
  volatile LONG closedCounter = 0;
  HANDLE event = nullptr;           // manual reset: a reply was stored, or the hello arrived
  PacketRecord reply{};             // the last complete reply
  DWORD replySerial = 0;            // the request serial that reply answers
  bool replySignalled = false;      // the event was set for a stored reply (under replyLock)
  CRITICAL_SECTION replyLock;
  CByteBuffer receiveBuffer;
  CByteBuffer notificationBuffer;
  DWORD notificationSerial = 0;
  DWORD notificationSegment = 0;
  CRITICAL_SECTION reassemblyLock;
  CByteBuffer replyBuffer;
  DWORD expectedReplySerial = 0;
  DWORD replySegments = 0;
  DWORD moveIdSerial = 0;           // the request whose reply moves the run id on
  volatile LONG requestSerialCounter = 0;
  volatile LONG segmentSerialCounter = 0;

  PeerRecord();
  ~PeerRecord();
  PeerRecord(const PeerRecord&) = delete;
  PeerRecord& operator=(const PeerRecord&) = delete;
};

class CSocketConnection {
 public:
  CSocketConnection(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags, DWORD crcFlag,
                    DWORD largestPayload);
  virtual ~CSocketConnection();                                                     // slot 0
  CSocketConnection(const CSocketConnection&) = delete;
  CSocketConnection& operator=(const CSocketConnection&) = delete;

  virtual int Connect(const char* host, int port, int timeoutSeconds, HWND notifyWindow, DWORD notifyThread,
                      int waitForHello, const BYTE* greeting, DWORD greetingLength, DWORD helloWaitMs,
                      int reserved);                                                 // slot 1
  virtual int Close();                                                               // slot 2
  virtual int Attach(SOCKET socket, HWND notifyWindow, DWORD notifyThread, int waitForHello, const BYTE* greeting,
                     DWORD greetingLength, DWORD helloWaitMs, const char* host, int port,
                     int timeoutSeconds);                                            // slot 3
  virtual int SendAndWait(const PacketEnvelope* envelope, const PacketRecord* request, PacketRecord* reply,
                          int* timedOut, DWORD timeoutMs, DWORD cryptOverride, DWORD zipOverride, DWORD crcFlag,
                          const char* host, int port);                               // slot 4
  virtual SOCKET GetSocket();                                                        // slot 5
  virtual LONG GetConnectionId();                                                    // slot 6
  virtual void SetConnectionId(LONG id);                                             // slot 7
  virtual int IsConnected();                                                         // slot 8
  virtual int SetPacketOptions(const BYTE* key, DWORD keyBits, DWORD cryptFlags, DWORD zipFlags);  // slot 9
  virtual int Start(SOCKET socket, HWND notifyWindow, DWORD notifyThread, int waitForHello, const BYTE* greeting,
                    DWORD greetingLength, DWORD helloWaitMs, const char* host, int port, int timeoutSeconds,
                    int skipConnect);                                                // slot 10
  virtual void MarkPeersClosed();                                                    // slot 11
  virtual void RemoveAllPeers();                                                     // slot 12
  virtual int AddPeer(const char* host, int port);                                   // slot 13
  virtual PeerRecord* FindPeer(const char* host, int port, std::string* key);        // slot 14
  virtual PeerRecord* GetFirstPeer(std::string* key);                                // slot 15
  virtual void SetPeer(const char* host, int port, PeerRecord* peer);                // slot 16
  virtual int CreateSocket(int reserved);                                            // slot 17
  virtual int ConnectSocket(const char* host, int port, int timeoutSeconds, int skip);  // slot 18
  virtual int BindSocket(const char* host, int port);                                // slot 19
  virtual int CreateSocketWindow();                                                  // slot 20
  virtual int WaitThreadReady(DWORD threadId);                                       // slot 21
  virtual unsigned ThreadMain();                                                     // slot 22
  virtual int CheckSegment(BYTE* segment, LONG unitLength, PeerRecord* peer);        // slot 23
  virtual int OnSegment(BYTE* segment, LONG unitLength, PeerRecord* peer);           // slot 24
  virtual int OnNotification(const BYTE* block, DWORD length, PeerRecord* peer);     // slot 25
  virtual int OnReply(const BYTE* block, DWORD length, PeerRecord* peer);            // slot 26
  virtual int OnSocketError();                                                       // slot 27
  virtual int OnSocketClose();                                                       // slot 28
  virtual int OnSocketRead();                                                        // slot 29
  virtual int OnSocketWrite();                                                       // slot 30
  // requestSerial, when given, receives the serial the packet was sent under.
  virtual int SendPacket(CByteBuffer* chunks, int replyWanted, DWORD crcFlag, const char* host, int port,
                         DWORD* requestSerial = nullptr);                            // slot 31
  virtual int SendSegment(const BYTE* payload, DWORD length, SegmentHead* head, DWORD crcFlag, const char* host,
                          int port);                                                 // slot 32
  virtual int SendGreeting(const BYTE* block, DWORD count, const char* host, int port);  // slot 33
  virtual int Receive(SOCKET socket, BYTE* buffer, int size, std::string* sender, int* senderLength);  // slot 34
  virtual int Send(SOCKET socket, const BYTE* data, int length, const char* host, int port);  // slot 35
  virtual DWORD ReadAvailable(std::vector<PeerRecord*>* touched);                    // slot 36
  virtual DWORD SendBuffer(CByteBuffer* buffer, const char* host, int port);         // slot 37
  virtual int GetReadChunkSize();                                                    // slot 38
  virtual int OnRawData(PeerRecord* peer, const BYTE* bytes, int count);             // slot 39
  virtual void SetExpectedReply(DWORD serial, PeerRecord* peer);                     // slot 40
  virtual void GetExpectedReply(DWORD* serial, DWORD* segments, PeerRecord* peer);   // slot 41
  virtual int AppendSegmentData(CByteBuffer* buffer, const BYTE* segment, const SegmentHead* head);  // slot 42
  virtual int WaitGreetingReply(DWORD milliseconds, const char* host, int port);     // slot 43
  virtual int OnGreetingReply(PeerRecord* peer);                                     // slot 44
  virtual int SplitPacket(CByteBuffer* input, CByteBuffer* output, DWORD largest);   // slot 45
  virtual int JoinPacket(CByteBuffer* input, CByteBuffer* output, DWORD largest);    // slot 46

  // The reply to the next request the calling thread sends moves the run id on as it is taken:
  // notifications read before that reply keep the old id, those read after it carry the new one.
  // A reply that describes the whole state (the table data) marks in the stream where what came
  // before it is already held.
  void MoveIdOnAtNextReply();

  DWORD GetBytesReceived() const { return m_bytesReceived; }

 protected:
  static unsigned __stdcall SocketThreadProc(void* self);
  int PostPacket(PacketEnvelope* envelope, PacketRecord* record);
  int PostConnectionRecord(DWORD code);
  // Writes the unit's length word and head (with its CRC when one is wanted) into the 56 bytes in
  // front of the payload length word at unit + 56.
  void FrameUnit(BYTE* unit, DWORD length, SegmentHead* head, DWORD crcFlag);
  // The envelope a packet that starts with this segment is handed on with.
  PacketEnvelope EnvelopeOf(const SegmentHead& head);
  // OnSocketRead (and OnSocketError when it fails) under the receive lock, which the worker and
  // a sender that reads its own reply share. True when it read any bytes.
  bool ReadUnderLock();

  SOCKET m_socket = INVALID_SOCKET;
  volatile LONG m_connectionId = 0;
  volatile LONG m_moveIdThread = 0;  // the thread whose next request's reply moves the id on
  const BYTE* m_key = nullptr;
  DWORD m_keyBits = 0;
  DWORD m_cryptFlags = 0;
  DWORD m_zipFlags = 0;
  DWORD m_crcFlag = 0;
  DWORD m_largestPayload = 0;
  int m_waitForHello = 0;
  HWND m_notifyWindow = nullptr;
  DWORD m_notifyThread = 0;
  HANDLE m_workerThread = nullptr;
  DWORD m_workerThreadId = 0;
  HANDLE m_stopEvent = nullptr;
  HANDLE m_writableEvent = nullptr;
  HWND m_socketWindow = nullptr;
  HANDLE m_readyEvent = nullptr;
  DWORD m_bytesReceived = 0;
  DWORD m_readEvents = 0;
  CRITICAL_SECTION m_peerLock;
  // Held while received bytes are read and handled, by the worker or by a waiting sender.
  CRITICAL_SECTION m_receiveLock;
  // Kept in insertion order so that "the first peer" is the one added first.
  std::vector<std::pair<std::string, PeerRecord*>> m_peers;
  volatile LONG m_inFlight = 0;
  // The server closed the connection or it failed: it is no longer up, although the socket
  // stays open until Close.
  volatile LONG m_ended = 0;
  // Set by a protocol error: the rest of the stream is dropped until the next run.
  bool m_streamBroken = false;
};

LONG NextConnectionId();
std::string MakePeerKey(const char* host, int port);
int RegisterSocketWindowClass();
void UnregisterSocketWindowClass();
int ResolveAddress(const char* host, int port, sockaddr_in* address);
int GetSocketConnectTime(SOCKET socket);
int IsSocketConnected(SOCKET socket);
