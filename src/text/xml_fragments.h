// Fixed-form searches over WordprocessingML text (the "w:" prefix already
// removed). Plain, case-sensitive substring searches; an empty result means
// "not found". None of these fail.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::string AttrValue(std::string_view text, std::string_view key);
std::string ValAttr(std::string_view text, std::string_view element_name);
std::string EmptyElement(std::string_view text, std::string_view element_name);
std::string TagName(std::string_view element_text);
// Next element at or after |position| (1-based, in/out).
std::string NextElement(std::string_view text, int& position);
std::string RelIdOf(std::string_view text);
// Target of a relationship id in |relationships| (the relationships part's text).
std::string RelationshipTarget(std::string_view relationships, std::string_view id);
std::string MergeAdjacentElements(std::string_view text, std::string_view element_name);

}  // namespace quillon
