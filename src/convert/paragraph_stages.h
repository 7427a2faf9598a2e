// Paragraphs and runs to HTML: ParseParagraphs rewrites every "<p>" element
// (properties to a style attribute, runs to spans and b/i/u/sub/sup), ParseRuns
// strips what is left of run markup and merges equal neighbouring spans,
// ParseTabs marks tab elements. Stages work on State().DocumentText; the other
// functions on the texts given. Raise ConversionError on a size or length that
// is not a whole number.
#pragma once

#include <string>

namespace quillon {

void ParseParagraphs();
void ParseRuns();
void ParseTabs();

// One paragraph's text ("<p>" ... "</p>") to its HTML.
std::string ConvertParagraph(const std::string& paragraph, bool in_table);
// |style_text| is the paragraph's own style attribute text.
void ConvertRuns(std::string& body, const std::string& style_text);
// Wraps the content of every run holding the empty element "<" + letter + "/>".
void WrapRunsWithFlag(std::string& body, const std::string& letter);
// Wraps the content of every run whose text holds |marker| in |tag|.
void WrapRunsWithMarker(std::string& body, const std::string& marker, const std::string& tag);
// The replacement template of one matched run: its span start tag, "$1" (the
// run content) and "</span>", or just "$1" when the span would be empty.
std::string RunSpanTemplate(const std::string& run, const std::string& style_text);
// Replaces the current match of SharedRegex (one run) by its span; |body|
// receives the engine's rewritten subject.
void RunToSpan(std::string& body, const std::string& run, const std::string& style_text);

}  // namespace quillon
