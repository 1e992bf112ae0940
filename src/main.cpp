// Entry point: the window when a display is there, the terminal front end otherwise.
#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kVersionText = "Vorpex Version 0.9";

void PrintHelp() {
  std::printf(
      "%s\n"
      "Usage: vorpex [OPTION]\n"
      "  --version     print the name and version\n"
      "  --help        print this help\n",
      kVersionText);
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", kVersionText);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintHelp();
      return 0;
    }
    std::fprintf(stderr, "vorpex: unknown option %s (see --help)\n", argv[i]);
    return 2;
  }
  std::fprintf(stderr, "vorpex: the console and the window are not built yet\n");
  return 1;
}
