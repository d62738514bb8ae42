#include "tests/support/ClientTableFixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/Process.h"

namespace testsupport {

namespace {

// The last `count` lines of a text, so that a long log does not bury the failure.
std::string LastLines(const std::vector<std::string>& lines, size_t count = 80) {
  std::string out;
  if (lines.size() > count) out = "(" + std::to_string(lines.size() - count) + " lines before)\n";
  for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) out += lines[i] + "\n";
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TempDir* ClientTableFixture::s_linkDir = nullptr;
ScopedEnvironment* ClientTableFixture::s_suiteEnv = nullptr;

void ClientTableFixture::SetUpTestSuite() {
  s_linkDir = new TempDir();
  s_suiteEnv = new ScopedEnvironment();
  s_suiteEnv->Set("PXQD_HALL_DIR", s_linkDir->Path());
}

void ClientTableFixture::TearDownTestSuite() {
  delete s_suiteEnv;
  s_suiteEnv = nullptr;
  delete s_linkDir;
  s_linkDir = nullptr;
}

void ClientTableFixture::SetUp() {
  m_env.Set("PXQD_SYSTEM_DIR", m_dir.Path());
  m_env.Set("XDG_DATA_HOME", m_dir.File("data"));
  m_env.Set("PXQD_DISPLAY", "headless");
  m_env.Set("PXQD_AUDIO", "null");
}

void ClientTableFixture::TearDown() {
  if (HasFailure()) ShowLogs();
  StopAll();
  m_env.Restore();
}

bool ClientTableFixture::StartServer(testbed::ServerConfig config,
                                     const std::function<void(testbed::GameServer&)>& prepare) {
  m_server = std::make_unique<testbed::GameServer>(std::move(config));
  if (prepare) prepare(*m_server);
  std::string error;
  if (m_server->Start(m_dir.File("accounts.db"), 0, &error)) return true;
  ADD_FAILURE() << "the game server did not start: " << error;
  return false;
}

testbed::HallOptions ClientTableFixture::ClientOptions(const std::string& program, int room, int table, int chair,
                                                       int userId, const std::string& hallName) const {
  testbed::HallOptions options;
  options.hallDir = m_dir.File(hallName);
  options.clientPath = std::string(PXQD_BIN_DIR) + "/" + program;
  options.serverPort = m_server ? m_server->Port() : 0;
  options.gameId = 7;
  options.roomId = room;
  options.table = table;
  options.chair = chair;
  options.userId = userId;
  return options;
}

testbed::HallStandIn* ClientTableFixture::Launch(const testbed::HallOptions& options, const std::string& outputPath) {
  m_halls.push_back(std::make_unique<testbed::HallStandIn>(options));
  testbed::HallStandIn& hall = *m_halls.back();
  if (!hall.Start()) {
    ADD_FAILURE() << "the hall stand-in did not start in " << options.hallDir;
    return nullptr;
  }
  bool started = false;
  if (outputPath.empty()) {
    started = hall.StartClient();
  } else {
    // The client inherits the test's standard output: it points at the file while it starts.
    fflush(stdout);
    const int file = open(outputPath.c_str(), O_CREAT | O_WRONLY | O_APPEND | O_CLOEXEC, 0644);
    const int saved = dup(1);
    if (file >= 0 && saved >= 0) {
      dup2(file, 1);
      started = hall.StartClient();
      dup2(saved, 1);
    } else {
      ADD_FAILURE() << "cannot write " << outputPath;
    }
    if (file >= 0) close(file);
    if (saved >= 0) close(saved);
  }
  if (!started) {
    ADD_FAILURE() << "the client " << options.clientPath << " did not start";
    return nullptr;
  }
  return &hall;
}

bool ClientTableFixture::WaitForSeat(int room, int table, int chair, int userId, int limitMs) {
  return WaitFor([&] { return m_server->Core().TableUsers(room, table)[chair] == userId; }, limitMs);
}

int ClientTableFixture::WaitForExit(testbed::HallStandIn& hall, int limitMs) {
  HANDLE client = hall.ClientProcess();
  if (client == nullptr || WaitForSingleObject(client, static_cast<DWORD>(limitMs)) != WAIT_OBJECT_0) return -1;
  DWORD code = 1;
  GetExitCodeProcess(client, &code);
  return static_cast<int>(code);
}

std::string ClientTableFixture::ClientLog() const { return TempDir::Read(m_dir.File("data/pxqd/logs/client.log")); }

void ClientTableFixture::ShowLogs() {
  std::ostringstream out;
  for (size_t i = 0; i < m_halls.size(); ++i) {
    std::vector<std::string> lines;
    for (const testbed::HallEvent& e : m_halls[i]->Events()) lines.push_back(e.line);
    out << "--- hall " << i << " (" << m_halls[i]->Options().hallDir << ") ---\n" << LastLines(lines);
  }
  if (m_server) out << "--- the game server's log ---\n" << LastLines(m_server->Core().LogLines());
  out << "--- the clients' log ---\n" << LastLines(Lines(ClientLog()));
  std::cout << out.str() << std::flush;
}

void ClientTableFixture::StopAll() {
  for (auto& hall : m_halls) {
    HANDLE client = hall->ClientProcess();
    if (client != nullptr && WaitForSingleObject(client, 0) == WAIT_TIMEOUT) {
      TerminateProcess(client, 1);
      WaitForSingleObject(client, static_cast<DWORD>(PROCESS_WAIT_MS));
    }
    hall->Stop();
  }
  m_halls.clear();
  // The server goes before the test's own members that its tables and clock may reach.
  if (m_server) m_server->Stop();
  m_server.reset();
}

}  // namespace testsupport
