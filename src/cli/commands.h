// The sub-commands of `quillon`. Each takes the arguments after its own name
// and returns the process exit code; errors go to standard error.
#pragma once

#include <string>
#include <vector>

namespace quillon::cli {

using Args = std::vector<std::string>;

// quillon convert [--engine NAME] [--workspace DIR] [--skip NAME]... FOLDER
int ConvertCommand(const Args& args);
// quillon html [--workspace DIR] FILE.docx
int HtmlCommand(const Args& args);
// quillon unzip ARCHIVE DESTDIR
int UnzipCommand(const Args& args);

}  // namespace quillon::cli
