// Last stages of the conversion: field codes, rendered page breaks, the page
// head and body (FinishText/AssemblePage), line breaks before p/t/d tags, and
// SaveHtml, which writes the finished page. All work on State().DocumentText.
#pragma once

#include <string>

namespace quillon {

void ParseFields();
void ParsePageBreaks();
void FinishText();
void AssemblePage();
void BreakLines();
// Writes DocumentText unchanged to |path| (nothing when either is empty).
// Raises TextFileError when the file cannot be written.
void SaveHtml(const std::string& path);

}  // namespace quillon
