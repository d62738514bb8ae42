// pxqd-packwrite OUTPUT FILE...
// Packs files into a resource package. Each file is found by the game under its title (case kept)
// and the kind suffix of its extension; the entries keep the order of the command line, so palettes
// (.quad) that pictures use must come before those pictures.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/PackWriter.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT FILE...\n", argv[0]);
    return 2;
  }
  PackWriter pack;
  for (int i = 2; i < argc; i++) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      return 1;
    }
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = argv[i];
    const size_t slash = path.find_last_of('/');
    pack.AddFile(slash == std::string::npos ? path : path.substr(slash + 1), bytes);
  }
  if (!pack.WriteFile(argv[1])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
