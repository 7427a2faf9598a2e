// Removal of the WordprocessingML namespace prefix "w:" from package parts.
// Only markup changes: the prefix goes where it starts an element name ("<w:",
// "</w:") or an attribute name inside a tag (after blank space); text content
// and quoted attribute values are copied as they stand. One left-to-right pass.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::string RemoveWordPrefix(std::string_view xml);

}  // namespace quillon
