// First stages: PrepareDocument simplifies the raw WordprocessingML text, and
// ReadPageSettings takes page size, margins and encoding into the state.
// ToPixels is the twips-to-pixels conversion shared by later stages.
// ReadPageSettings sets all six page values: from the page-size and margin
// elements, or the default page (US Letter, one-inch margins) for what the
// document leaves out; a stated value that is not a whole number raises
// ConversionError.
#pragma once

#include <string>

namespace quillon {

void PrepareDocument();
void ReadPageSettings();
// Twips text -> whole pixel text ("" for blank input, "1" instead of "0" for
// any non-"0" input). Raises ConversionError on a non-integer text.
std::string ToPixels(const std::string& twips);

}  // namespace quillon
