// The panes' web site as its own program: two sites on free ports of the system's choosing run
// side by side and each tells the address it serves; the port comes from --port or
// $PXQD_WEB_PORT; a bad port is refused and a taken one reported.
#include <gtest/gtest.h>

#include <cstdlib>
#include <httplib.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testbed/web/WebSite.h"
#include "tests/support/Program.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitFor.h"

namespace {

// pxqd-web started with its output in files and $PXQD_WEB_PORT set or removed; ended with
// SIGTERM unless it ended by itself.
class WebProgram {
 public:
  WebProgram(const std::vector<std::string>& args, const std::string& out, const std::string& err,
             const char* envPort = nullptr)
      : m_program(Arguments(args), {.environment = {{"PXQD_WEB_PORT", envPort != nullptr
                                                                          ? std::optional<std::string>(envPort)
                                                                          : std::nullopt}},
                                    .outputPath = out,
                                    .errorPath = err}) {}
  // The address from its "serving" line (waits up to ten seconds for it); empty when it ended.
  std::string Url() {
    std::string url;
    testsupport::WaitFor(
        [&] {
          std::istringstream in(m_program.Output());
          std::string line;
          if (std::getline(in, line)) {
            const size_t at = line.rfind(" at ");
            if (line.rfind("pxqd-web: serving ", 0) == 0 && at != std::string::npos) {
              url = line.substr(at + 4);
              return true;
            }
          }
          return m_program.Ended();
        },
        10000);
    return url;
  }
  // Its exit status once it ended (waits up to ten seconds), -1 when it goes on.
  int Wait() { return m_program.WaitForExit(10000); }
  int Stop() { return m_program.Stop(10000); }
  std::string Errors() const { return m_program.Errors(); }

 private:
  static std::vector<std::string> Arguments(const std::vector<std::string>& args) {
    std::vector<std::string> argv{PXQD_WEB_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }

  testsupport::Program m_program;
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
