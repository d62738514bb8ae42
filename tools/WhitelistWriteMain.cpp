// pxqd-whitelist OUTPUT HOSTS-FILE
// Writes the web panes' host whitelist: one 64-byte record per host or domain name of the hosts
// file (one name a line; blank lines and lines starting with '#' are skipped), each the name in
// lower case, zero-padded to 64 bytes and enciphered with AES-128-ECB under the whitelist key the
// client reads it with. A name of 64 bytes or more has no room for its terminator and is refused.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "net/CryptLayer.h"
#include "net/SharedKeys.h"

namespace {

constexpr size_t RECORD_SIZE = 64;

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT HOSTS-FILE\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[2]);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[2]);
    return 1;
  }
  std::vector<BYTE> out;
  std::string line;
  for (int number = 1; std::getline(in, line); number++) {
    std::string host = Trim(line);
    if (host.empty() || host[0] == '#') continue;
    if (host.size() >= RECORD_SIZE) {
      std::fprintf(stderr, "%s: %s:%d: a name of %zu bytes does not fit a record\n", argv[0], argv[2], number,
                   host.size());
      return 1;
    }
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    BYTE plain[RECORD_SIZE] = {};
    std::copy(host.begin(), host.end(), plain);
    BYTE cipher[RECORD_SIZE];
    if (!CCryptLayer::AesEcbEncrypt(WhitelistKey(), SHARED_KEY_BYTES * 8, plain, RECORD_SIZE, cipher)) {
      std::fprintf(stderr, "%s: the cipher failed\n", argv[0]);
      return 1;
    }
    out.insert(out.end(), cipher, cipher + RECORD_SIZE);
  }
  FILE* file = std::fopen(argv[1], "wb");
  if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
