#include "tests/support/ScriptedClient.h"

#include <chrono>

#include "net/SharedKeys.h"

namespace testsupport {

namespace {
const char GREETING[] = "Hello! Play Harbour.";

void StartSocketsOnce() {
  static bool started = [] {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    RegisterSocketWindowClass();
    return true;
  }();
  (void)started;
}
}  // namespace

ScriptedClient::ScriptedClient() : m_connection(PacketKey(), 128, 0x100, 0, 1, 4000) {
  StartSocketsOnce();
  m_receiver = std::thread([this] { ReceiverLoop(); });
  std::unique_lock<std::mutex> g(m_lock);
  m_changed.wait(g, [&] { return m_ready; });
}

ScriptedClient::~ScriptedClient() {
  Close();
  PostThreadMessageA(m_receiverId, WM_QUIT, 0, 0);
  m_receiver.join();
}

bool ScriptedClient::Connect(uint16_t port) {
  return m_connection.Connect("127.0.0.1", port, 5, nullptr, m_receiverId, 0, reinterpret_cast<const BYTE*>(GREETING),
                              sizeof GREETING, 0, 0) == 1;
}

void ScriptedClient::Close() { m_connection.Close(); }

ScriptedClient::Answer ScriptedClient::Ask(DWORD code, const Bytes& body, DWORD timeoutMs) {
  PacketEnvelope envelope{};
  envelope.replyWanted = 1;
  PacketRecord request{};
  request.head.code = code;
  request.length = static_cast<int32_t>(body.size());
  request.data = body.empty() ? nullptr : const_cast<BYTE*>(body.data());
  PacketRecord reply{};
  int timedOut = 0;
  Answer answer;
  if (m_connection.SendAndWait(&envelope, &request, &reply, &timedOut, timeoutMs, 0, 0, 1, nullptr, 0) != 1) {
    return answer;
  }
  answer.arrived = true;
  answer.result = reply.head.code;
  if (reply.data && reply.length > 0) answer.data.assign(reply.data, reply.data + reply.length);
  FreePacketData(&reply);
  return answer;
}

bool ScriptedClient::Tell(DWORD code, const Bytes& body) {
  PacketEnvelope envelope{};
  PacketRecord request{};
  request.head.code = code;
  request.length = static_cast<int32_t>(body.size());
  request.data = body.empty() ? nullptr : const_cast<BYTE*>(body.data());
  return m_connection.SendAndWait(&envelope, &request, nullptr, nullptr, 1000, 0, 0, 1, nullptr, 0) == 1;
}

bool ScriptedClient::Next(Notice* notice, int timeoutMs) {
  std::unique_lock<std::mutex> g(m_lock);
  if (!m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return !m_notices.empty(); })) return false;
  *notice = std::move(m_notices.front());
  m_notices.pop_front();
  return true;
}

bool ScriptedClient::NextOf(DWORD code, Bytes* data, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> g(m_lock);
  while (true) {
    while (!m_notices.empty()) {
      Notice n = std::move(m_notices.front());
      m_notices.pop_front();
      if (n.code == code) {
        if (data) *data = std::move(n.data);
        return true;
      }
    }
    if (m_changed.wait_until(g, deadline) == std::cv_status::timeout && m_notices.empty()) return false;
  }
}

bool ScriptedClient::WaitClosed(int timeoutMs) {
  std::unique_lock<std::mutex> g(m_lock);
  return m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_closed; });
}

void ScriptedClient::ReceiverLoop() {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  {
    std::lock_guard<std::mutex> g(m_lock);
    m_receiverId = GetCurrentThreadId();
    m_ready = true;
  }
  m_changed.notify_all();
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message != WM_PACKET_ARRIVED) continue;
    auto* envelope = reinterpret_cast<PacketEnvelope*>(msg.wParam);
    auto* record = reinterpret_cast<PacketRecord*>(msg.lParam);
    {
      std::lock_guard<std::mutex> g(m_lock);
      DWORD code = record->head.code;
      if (code == PACKET_CODE_CLOSED || code == PACKET_CODE_SOCKET_ERROR) {
        m_closed = true;
      } else {
        Notice n;
        n.code = code;
        if (record->data && record->length > 0) n.data.assign(record->data, record->data + record->length);
        m_notices.push_back(std::move(n));
      }
    }
    FreePacketData(record);
    delete record;
    delete envelope;
    m_changed.notify_all();
  }
}

}  // namespace testsupport
