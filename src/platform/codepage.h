// Code page conversions for ZIP entry names: the DOS code page 437 that old
// archivers wrote, the Windows code page 1252 that the system keeps names in,
// and UTF-8, the form file names take on POSIX. Pure functions; never throw.
#pragma once

#include <string>

namespace quillon::platform {

// Code page 437 to 1252, byte for byte. Bytes below 0x80 are kept; a 437
// character that 1252 lacks (box drawing, most Greek letters, math signs)
// becomes '_'.
std::string Cp437ToCp1252(const std::string& text);

// Code page 1252 to UTF-8. The five bytes 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows does.
std::string Cp1252ToUtf8(const std::string& text);

}  // namespace quillon::platform
