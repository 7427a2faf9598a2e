// The `quillon` command: convert, html, unzip, --help, --version.
#include <cstring>
#include <iostream>

#include "quillon_version.h"

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--version") == 0)) {
    std::cout << "quillon " << QUILLON_VERSION << "\n";
    return 0;
  }
  std::cout << "usage: quillon --help | --version\n";
  return argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
}
