// The panes' web site as its own program: two sites on free ports of the system's choosing run
// side by side and each tells the address it serves; the port comes from --port or
// $PXQD_WEB_PORT; a bad port is refused and a taken one reported.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <httplib.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testbed/web/WebSite.h"
#include "tests/support/TempDir.h"

namespace {

// pxqd-web started with its output in files; ended with SIGTERM unless it ended by itself.
class WebProgram {
 public:
  WebProgram(const std::vector<std::string>& args, const std::string& out, const std::string& err,
             const char* envPort = nullptr)
      : m_out(out), m_err(err) {
    m_pid = fork();
    if (m_pid == 0) {
      const int o = open(out.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
      const int e = open(err.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
      dup2(o, 1);
      dup2(e, 2);
      if (envPort != nullptr) {
        setenv("PXQD_WEB_PORT", envPort, 1);
      } else {
        unsetenv("PXQD_WEB_PORT");
      }
      std::vector<char*> argv{const_cast<char*>(PXQD_WEB_PROGRAM)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(PXQD_WEB_PROGRAM, argv.data());
      _exit(127);
    }
  }
  ~WebProgram() {
    if (m_pid > 0 && !m_ended) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  // The address from its "serving" line (waits up to ten seconds for it); empty when it ended.
  std::string Url() {
    for (int tries = 0; tries < 500; ++tries) {
      std::ifstream in(m_out);
      std::string line;
      if (std::getline(in, line)) {
        const size_t at = line.rfind(" at ");
        if (line.rfind("pxqd-web: serving ", 0) == 0 && at != std::string::npos && !line.empty()) return line.substr(at + 4);
      }
      if (Ended()) return std::string();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::string();
  }
  // Its exit status once it ended (waits up to ten seconds), -1 when it goes on.
  int Wait() {
    for (int tries = 0; tries < 500 && !Ended(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return m_ended ? m_status : -1;
  }
  int Stop() {
    if (!m_ended) kill(m_pid, SIGTERM);
    return Wait();
  }
  std::string Errors() const {
    std::ifstream in(m_err);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  bool Ended() {
    if (m_ended) return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid) return false;
    m_ended = true;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }

  pid_t m_pid = -1;
  std::string m_out;
  std::string m_err;
  bool m_ended = false;
  int m_status = -1;
};

int PortOf(const std::string& url) {
  const size_t colon = url.rfind(':');
  return colon == std::string::npos ? -1 : std::atoi(url.c_str() + colon + 1);
}

TEST(WebProgram, TwoSitesOnFreePortsServeSideBySide) {
  testsupport::TempDir dir;
  // One asks on its command line, the other through the environment.
  WebProgram a({"--port", "0"}, dir.File("a.out"), dir.File("a.err"), "31390");
  WebProgram b({}, dir.File("b.out"), dir.File("b.err"), "0");
  const std::string urlA = a.Url();
  const std::string urlB = b.Url();
  ASSERT_FALSE(urlA.empty()) << a.Errors();
  ASSERT_FALSE(urlB.empty()) << b.Errors();
  EXPECT_GT(PortOf(urlA), 0);
  EXPECT_GT(PortOf(urlB), 0);
  EXPECT_NE(PortOf(urlA), PortOf(urlB));
  for (const std::string& url : {urlA, urlB}) {
    httplib::Client client("127.0.0.1", PortOf(url));
    auto page = client.Get("/rules/Pxqd.html");
    ASSERT_TRUE(page) << url;
    EXPECT_EQ(page->status, 200) << url;
  }
  EXPECT_EQ(a.Stop(), 0);
  EXPECT_EQ(b.Stop(), 0);
}

TEST(WebProgram, ABadPortIsRefusedAndATakenOneReported) {
  testsupport::TempDir dir;
  testbed::WebSite holder(PXQD_WEB_SITE_DIR);
  ASSERT_TRUE(holder.Start(0));
  const std::string taken = std::to_string(PortOf(holder.BaseUrl()));
  const struct {
    std::vector<std::string> args;
    const char* envPort;
    int status;
    const char* says;
  } cases[] = {
      {{"--port", "abc"}, nullptr, 2, "bad port 'abc' (--port)"},
      {{"--port", "70000"}, nullptr, 2, "bad port '70000'"},
      {{"--port", "-1"}, nullptr, 2, "bad port '-1'"},
      {{}, "31x", 2, "bad port '31x' (PXQD_WEB_PORT)"},
      {{"--port"}, nullptr, 2, "usage"},
      {{"--port", taken}, nullptr, 1, "cannot listen on 127.0.0.1:"},
      {{}, taken.c_str(), 1, "cannot listen on 127.0.0.1:"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    const std::string name = dir.File("case" + std::to_string(n++));
    WebProgram web(c.args, name + ".out", name + ".err", c.envPort);
    EXPECT_EQ(web.Wait(), c.status);
    EXPECT_NE(web.Errors().find(c.says), std::string::npos) << web.Errors();
  }
  holder.Stop();
}

}  // namespace
