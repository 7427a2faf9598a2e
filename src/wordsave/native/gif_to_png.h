// Turns the first frame of a GIF picture into a PNG picture, since the
// binary document format has no GIF picture kind. Transparent pixels stay
// transparent. Returns false for data that is not a readable GIF.
#pragma once

#include <string>

namespace quillon::native {

bool GifToPng(const std::string& gif, std::string* png);

}  // namespace quillon::native
