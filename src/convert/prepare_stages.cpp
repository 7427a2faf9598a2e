#include "convert/prepare_stages.h"

#include "convert/state.h"
#include "convert/word_prefix.h"
#include "text/regex.h"
#include "text/text_ops.h"
#include "text/xml_fragments.h"

namespace quillon {
namespace {

// The page used when a document states no size or margins: US Letter with
// one-inch margins, in pixels.
constexpr const char* kDefaultWidth = "816";
constexpr const char* kDefaultHeight = "1056";
constexpr const char* kDefaultMargin = "96";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Value of the attribute named exactly |name| in one element's text, or "".
std::string NamedAttr(const std::string& element, const std::string& name) {
  const std::string key = name + "=\"";
  size_t at = element.find(key);
  while (at != std::string::npos) {
    if (at > 0 && IsBlank(element[at - 1])) {
      size_t from = at + key.size();
      size_t end = element.find('"', from);
      return end == std::string::npos ? "" : element.substr(from, end - from);
    }
    at = element.find(key, at + 1);
  }
  return "";
}

// The first empty element named exactly |name| ("<" + name, a blank, ...,
// "/>"), or "".
std::string FirstElement(const std::string& text, const std::string& name) {
  const std::string open = "<" + name;
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
    const size_t after = at + open.size();
    if (after < text.size() && IsBlank(text[after])) {
      const size_t end = text.find("/>", after);
      return end == std::string::npos ? "" : text.substr(at, end + 2 - at);
    }
  }
  return "";
}

// ToPixels of an attribute of |element|, or |fallback| when it is absent. Some
// producers write whole twips with a zero fraction ("12240.0"); that fraction
// is dropped. Any other non-integer text raises ConversionError.
std::string PixelsOr(const std::string& element, const std::string& name, const char* fallback) {
  std::string value = NamedAttr(element, name);
  if (value.empty()) return fallback;
  const size_t dot = value.find('.');
  if (dot != std::string::npos && dot > 0 && dot + 1 < value.size() &&
      value.find_first_not_of('0', dot + 1) == std::string::npos) {
    value.resize(dot);
  }
  return ToPixels(value);
}

}  // namespace

std::string ToPixels(const std::string& twips) {
  size_t first = 0, last = twips.size();
  while (first < last && static_cast<unsigned char>(twips[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(twips[last - 1]) <= ' ') --last;
  if (first == last) return "";
  const std::string trimmed = twips.substr(first, last - first);
  const int n = StrToIntStrict(trimmed);
  long long px = RoundHalfEven(static_cast<double>(n) / State().PixelDivisor);
  // A non-zero length never becomes zero pixels.
  if (px == 0 && trimmed != "0") px = 1;
  return std::to_string(px);
}

void PrepareDocument() {
  std::string& doc = State().DocumentText;
  doc = RemoveWordPrefix(doc);
  doc = ReplaceAll(doc, "<t>", "");
  RegexDelete(doc, "<t [^>]+>");
  RegexReplace(doc, "<p [^>/]+>", "<p>");
  RegexReplace(doc, "<tr [^>]+>", "<tr>");
  doc = ReplaceAll(doc, "</t>", "");
  RegexDelete(doc, "</?v:[^>]+>");
  RegexDelete(doc, "<proofErr[^>]+/>");
  RegexDelete(doc, "<smartTag[^>]+>");
  doc = ReplaceAll(doc, "</smartTag>", "");
}

void ReadPageSettings() {
  ConversionState& s = State();
  PageSettingsT& page = s.PageSettings;
  TVelRegEx& re = SharedRegex();
  // The document is lent to the engine for the two searches, not copied.
  re.SetSubject(std::move(s.DocumentText));
  try {
    re.SetPattern("<pgSz w=\"(\\d+)\" h=\"(\\d+)\"");
    if (re.Match()) {
      page.width = ToPixels(re.Submatch(1));
      page.height = ToPixels(re.Submatch(2));
    } else {
      // Attributes in another order or with others between them.
      const std::string element = FirstElement(re.Subject(), "pgSz");
      page.width = PixelsOr(element, "w", kDefaultWidth);
      page.height = PixelsOr(element, "h", kDefaultHeight);
    }
    re.SetPattern("<pgMar top=\"(\\d+)\" right=\"(\\d+)\" bottom=\"(\\d+)\" left=\"(\\d+)\"");
    if (re.Match()) {
      page.top = ToPixels(re.Submatch(1));
      page.right = ToPixels(re.Submatch(2));
      page.bottom = ToPixels(re.Submatch(3));
      page.left = ToPixels(re.Submatch(4));
    } else {
      const std::string element = FirstElement(re.Subject(), "pgMar");
      page.top = PixelsOr(element, "top", kDefaultMargin);
      page.right = PixelsOr(element, "right", kDefaultMargin);
      page.bottom = PixelsOr(element, "bottom", kDefaultMargin);
      page.left = PixelsOr(element, "left", kDefaultMargin);
    }
  } catch (...) {
    s.DocumentText = re.TakeSubject();
    throw;
  }
  s.DocumentText = re.TakeSubject();
  s.EncodingText = AttrValue(s.DocumentText, "encoding");
}

}  // namespace quillon
