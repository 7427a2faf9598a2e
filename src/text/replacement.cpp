// The replacement side of TVelRegEx: template expansion ($1, ${name}, \g<name>,
// \U1 ...), replace-all over the subject, and replacement of the current match
// inside a running scan.
#include <utility>

#include "text/regex.h"

namespace quillon {
namespace {

// Case conversion in Windows code page 1252, a single-byte code page: ASCII
// letters, the Latin-1 letters 0xC0-0xDE / 0xE0-0xFE (except the signs 0xD7
// and 0xF7), and the four letter pairs of the 0x80 row.
unsigned char Lower1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

// Word separators of the initial-capitals conversion.
bool IsWordSeparator(unsigned char c) {
  return c <= 38 || (c >= 40 && c <= 46) || c == '<' || c == '?' || c == '[' || c == '{';
}

// Applies a case conversion letter (F, I, L, U in either case; 0 for none).
std::string ConvertCase(std::string text, char conversion) {
  switch (conversion) {
    case 'L':
    case 'l':
      for (char& c : text) c = static_cast<char>(Lower1252(static_cast<unsigned char>(c)));
      break;
    case 'U':
    case 'u':
      for (char& c : text) c = static_cast<char>(Upper1252(static_cast<unsigned char>(c)));
      break;
    case 'F':
    case 'f':
      for (char& c : text) c = static_cast<char>(Lower1252(static_cast<unsigned char>(c)));
      if (!text.empty())
        text[0] = static_cast<char>(Upper1252(static_cast<unsigned char>(text[0])));
      break;
    case 'I':
    case 'i': {
      bool at_word_start = true;
      for (char& c : text) {
        unsigned char u = Lower1252(static_cast<unsigned char>(c));
        if (IsWordSeparator(u)) {
          at_word_start = true;
        } else if (u != '\'') {
          if (at_word_start) u = Upper1252(u);
          at_word_start = false;
        }
        c = static_cast<char>(u);
      }
      break;
    }
    default:
      break;
  }
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

}  // namespace

#define REQUIRE_MATCH_FOR_REPLACE() \
  Require(match_count_ > 0, "REQUIRE: There must be a successful match first", __FILE__, __LINE__)

std::string TVelRegEx::ComputeReplacement() {
  std::string t = replacement_;
  const int submatch_count = SubmatchCount();  // requires a successful match
  size_t i = 0;                                // 0-based scan position

  // Replaces t[i, i + ref_length) by group |n| converted with |conversion|
  // and moves i past the inserted text.
  auto expand = [&](size_t ref_length, int n, char conversion) -> bool {
    t.erase(i, ref_length);
    if (n > submatch_count) return true;
    std::string group = Submatch(n);
    if (group.empty()) return true;
    group = ConvertCase(std::move(group), conversion);
    if (t.empty()) {
      t = std::move(group);
      return false;  // nothing left to scan
    }
    t.insert(i, group);
    i += group.size();
    return true;
  };
  // Reads a group number at t[at]: one digit, or two when the two-digit
  // number exists. Returns the number of digits (0 when none).
  auto group_number = [&](size_t at, int& n) -> size_t {
    if (at >= t.size() || !IsDigit(t[at])) return 0;
    n = t[at] - '0';
    if (at + 1 < t.size() && IsDigit(t[at + 1])) {
      int two = n * 10 + (t[at + 1] - '0');
      if (two <= submatch_count) {
        n = two;
        return 2;
      }
    }
    return 1;
  };

  while (i + 1 < t.size()) {
    const char c = t[i];
    const char next = t[i + 1];
    if (c == '\\') {
      if (next == '$' || next == '\\') {
        t.erase(i, 1);
        i += 1;
      } else if (next == 'g' || next == 'G') {
        if (i + 3 < t.size() && t[i + 2] == '<' && IsNameStart(t[i + 3])) {
          size_t end = i + 4;
          while (end < t.size() && IsNameChar(t[end])) ++end;
          if (end < t.size() && t[end] == '>') {
            int n = NamedSubmatchIndex(t.substr(i + 3, end - (i + 3)));
            if (n >= 1) {
              if (!expand(end + 1 - i, n, 0)) break;
            } else {
              t.erase(i, end + 1 - i);
            }
          } else {
            i = end;
          }
        } else {
          i += 2;
        }
      } else {
        char conversion = 0;
        size_t digits_at = i + 1;
        if (next == 'F' || next == 'I' || next == 'L' || next == 'U' || next == 'f' ||
            next == 'i' || next == 'l' || next == 'u') {
          conversion = next;
          digits_at = i + 2;
        }
        int n = 0;
        size_t digits = group_number(digits_at, n);
        if (digits == 0) {
          i += 1;
        } else if (!expand(digits_at + digits - i, n, conversion)) {
          break;
        }
      }
    } else if (c == '$') {
      if (next == '$') {
        t.erase(i, 1);
        i += 1;
      } else if (next == '{') {
        size_t j = i + 2;
        int n = -1;
        if (j < t.size() && IsDigit(t[j])) {
          long long value = 0;
          while (j < t.size() && IsDigit(t[j])) {
            if (value < 1000000) value = value * 10 + (t[j] - '0');
            ++j;
          }
          n = static_cast<int>(value);
        } else if (j < t.size() && IsNameStart(t[j])) {
          while (j < t.size() && IsNameChar(t[j])) ++j;
          n = NamedSubmatchIndex(t.substr(i + 2, j - (i + 2)));
        }
        if (n >= 0 && j < t.size() && t[j] == '}') {
          if (!expand(j + 1 - i, n, 0)) break;
        } else {
          i += 1;  // malformed or unknown: the dollar sign is literal
        }
      } else {
        int n = 0;
        size_t digits = group_number(i + 1, n);
        if (digits == 0) {
          i += 1;
        } else if (!expand(1 + digits, n, 0)) {
          break;
        }
      }
    } else {
      i += 1;
    }
  }
  return t;
}

bool TVelRegEx::ReplaceAllMatches() {
  REQUIRE_MATCH_FOR_REPLACE();
  ApplyPendingEdits();
  const bool is_template = replacement_.find('$') != std::string::npos;
  struct Range {
    int from;  // 1-based first character of the match
    int to;    // 1-based position after it
    std::string text;
  };
  std::vector<Range> ranges;
  size_t replaced_length = 0;
  do {
    Range range{MatchedOffset(), MatchedOffset() + MatchedLength(), std::string()};
    if (is_template) {
      range.text = ComputeReplacement();
      replaced_length += range.text.size();
    } else {
      replaced_length += replacement_.size();
    }
    ranges.push_back(std::move(range));
  } while (MatchAgain());

  std::string out;
  size_t removed = 0;
  for (const Range& r : ranges) removed += static_cast<size_t>(r.to - r.from);
  out.reserve(subject_.size() - removed + replaced_length);
  int copy_from = 1;
  for (const Range& r : ranges) {
    out.append(subject_, copy_from - 1, r.from - copy_from);
    out.append(is_template ? r.text : replacement_);
    copy_from = r.to;
  }
  if (static_cast<size_t>(copy_from - 1) < subject_.size()) out.append(subject_, copy_from - 1);
  SetSubject(std::move(out));
  return true;
}

void TVelRegEx::ReplaceInPlace(const std::string& replacement_template) {
  REQUIRE_MATCH_FOR_REPLACE();
  replacement_ = replacement_template;
  std::string text = ComputeReplacement();
  if (OnReplace) OnReplace(*this, text);
  const int offset = MatchedOffset();
  const int length = MatchedLength();
  // Record the edit instead of moving the rest of the subject: the text up to
  // the match and the replacement go to edited_, the original resumes after
  // the match (see the class's private notes).
  size_t from0 = static_cast<size_t>(offset - 1);
  if (from0 < edited_.size()) ApplyPendingEdits();
  if (!HasPendingEdits()) edited_.reserve(subject_.size() + text.size());
  const size_t base_from = from0 - edited_.size() + consumed_;
  edited_.append(subject_, consumed_, base_from - consumed_);
  edited_.append(text);
  consumed_ = base_from + static_cast<size_t>(length);
  const int delta = static_cast<int>(text.size()) - length;
  start_ += delta;
  stop_ += delta;
  match_count_ = 0;
}

std::string TVelRegEx::Replace(const std::string& replacement_template) {
  ReplaceInPlace(replacement_template);
  return Subject();
}

std::string TVelRegEx::ReplaceIn(const std::string& text, const std::string& replacement_template) {
  SetSubject(text);
  replacement_ = replacement_template;
  if (Match()) {
    ReplaceAllMatches();
    return subject_;
  }
  return text;
}

}  // namespace quillon
