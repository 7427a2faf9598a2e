// The `quillon` command: convert, html, unzip, --help, --version.
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "quillon_version.h"

namespace {

const char* const kUsage =
    "usage: quillon COMMAND [ARGS]\n"
    "\n"
    "Converts Word .docx documents into Word 97-2003 .doc documents.\n"
    "\n"
    "commands:\n"
    "  convert [--engine NAME] [--workspace DIR] [--skip NAME]... FOLDER\n"
    "      convert every .docx of FOLDER into a .doc beside it; prints one line per\n"
    "      file: name, source size, target size, status (tab-separated)\n"
    "  html [--workspace DIR] FILE.docx\n"
    "      write the HTML page made from FILE.docx to standard output\n"
    "  unzip ARCHIVE DESTDIR\n"
    "      extract every entry of ARCHIVE below DESTDIR\n"
    "\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  const quillon::cli::Args args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "--version") {
    std::cout << "quillon " << QUILLON_VERSION << "\n";
    return 0;
  }
  try {
    if (command == "convert") return quillon::cli::ConvertCommand(args);
    if (command == "html") return quillon::cli::HtmlCommand(args);
    if (command == "unzip") return quillon::cli::UnzipCommand(args);
  } catch (const std::exception& e) {
    std::cerr << "quillon " << command << ": " << e.what() << "\n";
    return 1;
  }
  std::cerr << "quillon: unknown command \"" << command << "\"\n" << kUsage;
  return 2;
}
