#include "framework/GameCommThread.h"

#include <atomic>
#include <cstring>

#include "net/PacketRecord.h"
#include "net/SocketConnection.h"

namespace {

// Written only by the UI thread, which starts and stops the thread.
CGameCommThread* g_commThread = nullptr;

void FreePacket(WPARAM wParam, LPARAM lParam) {
  delete reinterpret_cast<PacketEnvelope*>(wParam);
  PacketRecord* record = reinterpret_cast<PacketRecord*>(lParam);
  FreePacketData(record);
  delete record;
}

}  // namespace

IMPLEMENT_DYNCREATE(CGameCommThread, CWinThread)

BEGIN_MESSAGE_MAP(CGameCommThread, CWinThread)
  ON_THREAD_MESSAGE(WM_COMM_SET_TARGET, OnSetTarget)
  ON_THREAD_MESSAGE(WM_COMM_QUIT, OnQuit)
  ON_THREAD_MESSAGE(WM_PACKET_ARRIVED, OnPacketArrived)
  ON_THREAD_MESSAGE(WM_COMM_SHOW_WAIT, OnShowWait)
END_MESSAGE_MAP()

CGameCommThread::CGameCommThread() {
  // The UI thread deletes the object after it has joined the thread.
  m_bAutoDelete = FALSE;
}

CGameCommThread::~CGameCommThread() = default;

BOOL CGameCommThread::InitInstance() {
  LPCTSTR windowClass = AfxRegisterWndClass(0);
  if (!m_hidden.CreateEx(0, windowClass, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         nullptr, nullptr)) {
    return FALSE;
  }
  m_pMainWnd = &m_hidden;
  m_wait.Create(WAIT_DIALOG_TEMPLATE, &m_hidden);
  return TRUE;
}

int CGameCommThread::ExitInstance() {
  // Notifications still queued for this thread are freed with it.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_PACKET_ARRIVED, WM_PACKET_ARRIVED, PM_REMOVE)) {
    FreePacket(msg.wParam, msg.lParam);
  }
  while (PeekMessageA(&msg, nullptr, WM_COMM_SHOW_WAIT, WM_COMM_SHOW_WAIT, PM_REMOVE)) {
    delete[] reinterpret_cast<char*>(msg.wParam);
  }
  return CWinThread::ExitInstance();
}

void CGameCommThread::OnSetTarget(WPARAM wParam, LPARAM) { m_target = reinterpret_cast<HWND>(wParam); }

void CGameCommThread::OnQuit(WPARAM, LPARAM) {
  if (m_wait.GetSafeHwnd() != nullptr) m_wait.DestroyWindow();
  if (m_hidden.GetSafeHwnd() != nullptr) m_hidden.DestroyWindow();
  m_pMainWnd = nullptr;
  PostQuitMessage(0);
}

void CGameCommThread::OnPacketArrived(WPARAM wParam, LPARAM lParam) {
  if (m_target != nullptr && IsWindow(m_target) && PostMessageA(m_target, WM_PACKET_ARRIVED, wParam, lParam)) return;
  FreePacket(wParam, lParam);
}

void CGameCommThread::OnShowWait(WPARAM wParam, LPARAM lParam) {
  char* text = reinterpret_cast<char*>(wParam);
  if (text == nullptr) {
    if (m_wait.GetSafeHwnd() != nullptr) m_wait.Hide();
    return;
  }
  if (m_wait.GetSafeHwnd() != nullptr) m_wait.ShowText(text, static_cast<int>(lParam));
  delete[] text;
}

BOOL StartCommThread() {
  if (g_commThread != nullptr) return TRUE;
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CGameCommThread), THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
  g_commThread = static_cast<CGameCommThread*>(thread);
  return g_commThread != nullptr;
}

void StopCommThread() {
  if (g_commThread == nullptr) return;
  CGameCommThread* thread = g_commThread;
  g_commThread = nullptr;
  thread->PostThreadMessage(WM_COMM_QUIT, 0, 0);
  // The thread leaves its message loop by itself; nothing on it blocks for long, so the join
  // ends, and the object is deleted only once the thread no longer runs.
  WaitForSingleObject(thread->m_hThread, INFINITE);
  delete thread;
}

CGameCommThread* GetCommThread() { return g_commThread; }

DWORD GetCommThreadId() { return g_commThread != nullptr ? g_commThread->m_nThreadID : 0; }

HWND GetCommWaitWindow() { return g_commThread != nullptr ? g_commThread->WaitDialog().GetSafeHwnd() : nullptr; }

BOOL PostCommThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_commThread == nullptr) return FALSE;
  return g_commThread->PostThreadMessage(message, wParam, lParam);
}

void PostWaitText(LPCSTR text, int seconds) {
  if (g_commThread == nullptr || text == nullptr) return;
  size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  if (!g_commThread->PostThreadMessage(WM_COMM_SHOW_WAIT, reinterpret_cast<WPARAM>(copy), seconds)) delete[] copy;
}
