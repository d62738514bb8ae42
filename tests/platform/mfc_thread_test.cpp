// Threads and the application: AfxBeginThread with a run-time class and with a controlling
// function, thread message maps, the run loop with PreTranslateMessage, main windows and WM_QUIT.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/Kernel.h"
#include "platform/mfc/Afx.h"

namespace {

const UINT WM_TEST_PING = WM_APP + 1;
const UINT WM_TEST_QUIT = WM_APP + 2;

struct ThreadReport {
  std::atomic<bool> initRan{false};
  std::atomic<DWORD> threadId{0};
  std::atomic<bool> currentThreadMatched{false};
  std::atomic<bool> mainWndMatched{false};
  std::atomic<int> pings{0};
  std::atomic<long long> lastPing{0};
  std::atomic<int> exitCode{-1};
  std::atomic<bool> deleted{false};
  HANDLE done = nullptr;
};
ThreadReport* g_report = nullptr;

class CTestThread : public CWinThread {
  DECLARE_DYNCREATE(CTestThread)

 public:
  CWnd m_hidden;

  BOOL InitInstance() override {
    g_report->initRan = true;
    g_report->threadId = GetCurrentThreadId();
    g_report->currentThreadMatched = AfxGetThread() == this;
    if (!m_hidden.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr)) {
      return FALSE;
    }
    m_pMainWnd = &m_hidden;
    g_report->mainWndMatched = AfxGetMainWnd() == &m_hidden;
    return TRUE;
  }
  int ExitInstance() override {
    g_report->exitCode = CWinThread::ExitInstance();
    return g_report->exitCode;
  }
  ~CTestThread() override {
    g_report->deleted = true;
    SetEvent(g_report->done);
  }

 protected:
  CTestThread() = default;
  afx_msg void OnPing(WPARAM wParam, LPARAM lParam) {
    g_report->lastPing = static_cast<long long>(wParam) * 1000 + lParam;
    ++g_report->pings;
  }
  afx_msg void OnQuit(WPARAM, LPARAM) {
    // Destroying the thread's main window ends its message loop.
    m_hidden.DestroyWindow();
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestThread, CWinThread)
BEGIN_MESSAGE_MAP(CTestThread, CWinThread)
  ON_THREAD_MESSAGE(WM_TEST_PING, OnPing)
  ON_THREAD_MESSAGE(WM_TEST_QUIT, OnQuit)
END_MESSAGE_MAP()

class MfcThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_report = &m_report;
    m_report.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    CloseHandle(m_report.done);
    g_report = nullptr;
  }
  ThreadReport m_report;
};

TEST_F(MfcThreadTest, BeginThreadWithRuntimeClassAndThreadMessages) {
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CTestThread));
  ASSERT_NE(nullptr, thread);
  ASSERT_TRUE(thread->IsKindOf(RUNTIME_CLASS(CTestThread)));
  DWORD id = thread->m_nThreadID;
  EXPECT_NE(0u, id);
  // The new thread has its queue already: thread messages posted at once arrive.
  EXPECT_TRUE(PostThreadMessageA(id, WM_TEST_PING, 4, 2));
  EXPECT_TRUE(PostThreadMessageA(id, WM_TEST_PING, 5, 3));
  EXPECT_TRUE(PostThreadMessageA(id, WM_TEST_QUIT, 0, 0));
  // The object deletes itself when the thread ends (m_bAutoDelete): `thread` is not used again.
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_report.done, 10000));
  EXPECT_TRUE(m_report.initRan);
  EXPECT_EQ(id, m_report.threadId.load());
  EXPECT_TRUE(m_report.currentThreadMatched);
  EXPECT_TRUE(m_report.mainWndMatched);
  EXPECT_EQ(2, m_report.pings.load());
  EXPECT_EQ(5003, m_report.lastPing.load());
  EXPECT_EQ(0, m_report.exitCode.load());  // WM_QUIT's code
  EXPECT_TRUE(m_report.deleted);
}

TEST_F(MfcThreadTest, SuspendedUntilResumed) {
  CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CTestThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(nullptr, thread);
  EXPECT_FALSE(m_report.initRan);
  thread->m_bAutoDelete = FALSE;
  HANDLE h = thread->m_hThread;
  EXPECT_TRUE(thread->PostThreadMessage(WM_TEST_QUIT, 0, 0));  // waits in the queue
  EXPECT_EQ(1u, thread->ResumeThread());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 10000));
  EXPECT_TRUE(m_report.initRan);
  EXPECT_FALSE(m_report.deleted);
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeThread(h, &code));
  EXPECT_EQ(0u, code);
  delete thread;
  EXPECT_TRUE(m_report.deleted);
}

UINT AFX_CDECL Controlling(LPVOID param) {
  *static_cast<int*>(param) += 1;
  return 7;
}

TEST_F(MfcThreadTest, BeginThreadWithControllingFunction) {
  int value = 1;
  CWinThread* thread = AfxBeginThread(Controlling, &value, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(nullptr, thread);
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread->m_hThread, 10000));
  DWORD code = 0;
  GetExitCodeThread(thread->m_hThread, &code);
  EXPECT_EQ(7u, code);
  EXPECT_EQ(2, value);
  delete thread;
  EXPECT_EQ(nullptr, AfxBeginThread(static_cast<AFX_THREADPROC>(nullptr), nullptr));
  EXPECT_EQ(nullptr, AfxBeginThread(RUNTIME_CLASS(CWnd)));  // not a thread class
}

std::vector<std::string>& AppLog() {
  static std::vector<std::string> log;
  return log;
}

class CMainWindow : public CWnd {
 public:
  BOOL PreTranslateMessage(MSG* pMsg) override {
    // Enter is taken before dispatch, as a dialog-like window does.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
      AppLog().push_back("pretranslate-enter");
      return TRUE;
    }
    return CWnd::PreTranslateMessage(pMsg);
  }

 protected:
  afx_msg void OnKeyDown(UINT nChar, UINT, UINT) { AppLog().push_back("keydown:" + std::to_string(nChar)); }
  afx_msg LRESULT OnFinish(WPARAM wParam, LPARAM) {
    AppLog().push_back("finish");
    PostQuitMessage(static_cast<int>(wParam));
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMainWindow, CWnd)
  ON_WM_KEYDOWN()
  ON_MESSAGE(WM_APP + 9, OnFinish)
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
 public:
  BOOL m_initResult = TRUE;
  bool m_closeMainWindow = false;
  CMainWindow m_main;
  CWnd* m_mainSeenByOtherThread = nullptr;

  BOOL InitInstance() override {
    AppLog().push_back(std::string("init:") + m_lpCmdLine);
    if (!m_main.CreateEx(0, nullptr, "main", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr)) return FALSE;
    m_pMainWnd = &m_main;
    // A thread without a CWinThread sees the application's main window.
    std::thread t([this] { m_mainSeenByOtherThread = AfxGetMainWnd(); });
    t.join();
    if (!m_initResult) return FALSE;
    if (m_closeMainWindow) {
      m_main.PostMessage(WM_CLOSE);
      return TRUE;
    }
    m_main.PostMessage(WM_KEYDOWN, VK_RETURN, 1);
    m_main.PostMessage(WM_KEYDOWN, VK_SPACE, 1);
    m_main.PostMessage(WM_APP + 9, 5, 0);
    return TRUE;
  }
  int ExitInstance() override {
    AppLog().push_back("exit");
    return CWinApp::ExitInstance();
  }
};

TEST(MfcApp, RunLoopWithPreTranslateAndQuit) {
  AppLog().clear();
  CTestApp app;
  EXPECT_EQ(&app, AfxGetApp());
  int code = AfxWinMain(nullptr, nullptr, const_cast<LPTSTR>("-x \"a b\""), SW_SHOWNORMAL);
  EXPECT_EQ(5, code);
  EXPECT_EQ((std::vector<std::string>{"init:-x \"a b\"", "pretranslate-enter", "keydown:32", "finish", "exit"}),
            AppLog());
  EXPECT_EQ(&app.m_main, app.m_mainSeenByOtherThread);
  EXPECT_EQ(GetCurrentThreadId(), app.m_nThreadID);
  EXPECT_EQ(AfxGetInstanceHandle(), app.m_hInstance);
  EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
  app.m_main.DestroyWindow();
}

TEST(MfcApp, FailedInitInstanceSkipsTheLoopButExits) {
  AppLog().clear();
  CTestApp app;
  app.m_initResult = FALSE;
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 9, 0, 0);  // never taken: no loop runs
  AfxWinMain(nullptr, nullptr, const_cast<LPTSTR>(""), SW_SHOWNORMAL);
  EXPECT_EQ((std::vector<std::string>{"init:", "exit"}), AppLog());
  EXPECT_EQ(nullptr, app.m_main.m_hWnd);  // the main window was destroyed
}

TEST(MfcApp, ClosingTheMainWindowEndsTheLoop) {
  AppLog().clear();
  CTestApp app;
  app.m_closeMainWindow = true;
  EXPECT_EQ(0, AfxWinMain(nullptr, nullptr, const_cast<LPTSTR>(""), SW_SHOWNORMAL));
  EXPECT_EQ(nullptr, app.m_pMainWnd);
  EXPECT_EQ(nullptr, app.m_main.m_hWnd);
  EXPECT_EQ((std::vector<std::string>{"init:", "exit"}), AppLog());
}

TEST(MfcApp, CommandLineAndMessageBoxHook) {
  char a0[] = "game", a1[] = "1", a2[] = "two words", a3[] = "";
  char* argv[] = {a0, a1, a2, a3};
  EXPECT_EQ("1 \"two words\" \"\"", AfxMakeCommandLine(4, argv));
  EXPECT_EQ("", AfxMakeCommandLine(1, argv));
  EXPECT_EQ(0, AfxMessageBox("no box yet"));
  static std::string seen;
  AfxSetMessageBox([](LPCTSTR text, UINT type, UINT) {
    seen = text;
    return static_cast<int>(type) + 1;
  });
  EXPECT_EQ(17, AfxMessageBox("通讯线程创建失败。", 16));
  EXPECT_EQ("通讯线程创建失败。", seen);
  AfxSetMessageBox(nullptr);
}

}  // namespace
