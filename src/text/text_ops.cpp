// Text operations over 8-bit byte strings with 1-based positions.
#include "text/text_ops.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/files.h"
#include "text/regex.h"

namespace quillon {
namespace {

inline unsigned char FoldAZ(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline int ToInt(size_t n) {
  return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

// First 0-based index >= from where |sub| occurs, or npos. |sub| non-empty.
size_t FindExact(std::string_view text, std::string_view sub, size_t from) {
  if (from >= text.size() || sub.size() > text.size() - from) return std::string_view::npos;
  const char* base = text.data();
  const char* p = base + from;
  const char* last = base + text.size() - sub.size();  // last possible start
  const char first = sub[0];
  while (p <= last) {
    p = static_cast<const char*>(std::memchr(p, first, static_cast<size_t>(last - p) + 1));
    if (p == nullptr) return std::string_view::npos;
    if (std::memcmp(p + 1, sub.data() + 1, sub.size() - 1) == 0) {
      return static_cast<size_t>(p - base);
    }
    ++p;
  }
  return std::string_view::npos;
}

// Same as FindExact, with "A" to "Z" folded to lower case on both sides.
// |folded_sub| must already be folded.
size_t FindFolded(std::string_view text, std::string_view folded_sub, size_t from) {
  if (from >= text.size() || folded_sub.size() > text.size() - from) {
    return std::string_view::npos;
  }
  const unsigned char first = static_cast<unsigned char>(folded_sub[0]);
  const bool letter = first >= 'a' && first <= 'z';
  const size_t last = text.size() - folded_sub.size();
  for (size_t p = from; p <= last; ++p) {
    if (!letter) {
      const void* hit = std::memchr(text.data() + p, first, last - p + 1);
      if (hit == nullptr) return std::string_view::npos;
      p = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    } else if (FoldAZ(static_cast<unsigned char>(text[p])) != first) {
      continue;
    }
    size_t k = 1;
    while (k < folded_sub.size() && FoldAZ(static_cast<unsigned char>(text[p + k])) ==
                                        static_cast<unsigned char>(folded_sub[k])) {
      ++k;
    }
    if (k == folded_sub.size()) return p;
  }
  return std::string_view::npos;
}

std::string FoldedCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldAZ(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string CopyText(std::string_view text, int from, int count) {
  if (from < 1) from = 1;
  if (count < 0 || static_cast<size_t>(from) > text.size()) return std::string();
  size_t begin = static_cast<size_t>(from) - 1;
  if (count == 0) return std::string(text.substr(begin));
  return std::string(text.substr(begin, static_cast<size_t>(count)));
}

std::string TailFrom(std::string_view text, int from) { return CopyText(text, from, 0); }

std::string LeftText(std::string_view text, int count) {
  if (count <= 0) return std::string();
  return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool ignore_case) {
  if (find.empty() || find.size() > text.size()) return std::string(text);
  std::string folded;
  if (ignore_case) folded = FoldedCopy(find);
  auto next = [&](size_t from) {
    return ignore_case ? FindFolded(text, folded, from) : FindExact(text, find, from);
  };
  size_t hit = next(0);
  if (hit == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(replacement.size() > find.size() ? text.size() * 2 : text.size());
  size_t copy_from = 0;
  while (hit != std::string_view::npos) {
    out.append(text.data() + copy_from, hit - copy_from);
    out.append(replacement);
    copy_from = hit + find.size();
    hit = next(copy_from);
  }
  out.append(text.data() + copy_from, text.size() - copy_from);
  return out;
}

std::string JoinTexts(const std::vector<std::string>& items, std::string_view separator) {
  size_t total = 0;
  for (const std::string& item : items) total += item.size() + separator.size();
  std::string out;
  out.reserve(total);
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(items[i]);
  }
  return out;
}

std::string JoinList(const TextList& list, std::string_view separator) {
  return JoinTexts(list, separator);
}

TextList SplitText(std::string_view text, std::string_view separator) {
  TextList items;
  if (separator.empty()) {
    items.emplace_back(text);
    return items;
  }
  size_t item_start = 0;
  size_t hit = FindExact(text, separator, 0);
  while (hit != std::string_view::npos) {
    items.emplace_back(text.substr(item_start, hit - item_start));
    item_start = hit + separator.size();
    hit = FindExact(text, separator, item_start);
  }
  items.emplace_back(text.substr(item_start));
  return items;
}

int Contains(std::string_view text, std::string_view sub) { return PosFrom(text, sub, 1); }

int PosFrom(std::string_view text, std::string_view sub, int start, bool ignore_case) {
  if (sub.empty()) return 0;
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > text.size()) return 0;
  size_t hit = ignore_case ? FindFolded(text, FoldedCopy(sub), static_cast<size_t>(start) - 1)
                           : FindExact(text, sub, static_cast<size_t>(start) - 1);
  return hit == std::string_view::npos ? 0 : ToInt(hit + 1);
}

int PosFirstOf(std::string_view text, std::string_view a, std::string_view b, std::string_view c,
               int start) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > text.size()) return 0;
  std::string_view markers[3] = {a, b, c};
  bool first_char[256] = {};
  int distinct_firsts = 0;
  unsigned char common = 0;
  for (std::string_view m : markers) {
    if (m.empty()) continue;
    unsigned char f = static_cast<unsigned char>(m[0]);
    if (!first_char[f]) {
      first_char[f] = true;
      ++distinct_firsts;
      common = f;
    }
  }
  if (distinct_firsts == 0) return 0;
  const size_t n = text.size();
  for (size_t p = static_cast<size_t>(start) - 1; p < n; ++p) {
    if (distinct_firsts == 1) {
      const void* hit = std::memchr(text.data() + p, common, n - p);
      if (hit == nullptr) return 0;
      p = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    } else if (!first_char[static_cast<unsigned char>(text[p])]) {
      continue;
    }
    for (std::string_view m : markers) {
      if (!m.empty() && m.size() <= n - p &&
          std::memcmp(text.data() + p, m.data(), m.size()) == 0) {
        return ToInt(p + 1);
      }
    }
  }
  return 0;
}

int PosBefore(std::string_view text, std::string_view sub, int start, int limit) {
  if (sub.empty()) return 0;
  if (start < 1) start = 1;
  long long last_start = static_cast<long long>(limit) - static_cast<long long>(sub.size());
  if (last_start < start) return 0;
  // Occurrences must end before |limit|: search only text[start-1, limit-1).
  size_t window_end = std::min(text.size(), static_cast<size_t>(limit - 1));
  if (static_cast<size_t>(start) > window_end) return 0;
  size_t hit = FindExact(text.substr(0, window_end), sub, static_cast<size_t>(start) - 1);
  return hit == std::string_view::npos ? 0 : ToInt(hit + 1);
}

int PosBackFrom(std::string_view text, std::string_view sub, int from) {
  if (sub.empty() || sub.size() > text.size() || from < 0) return 0;
  size_t last = text.size() - sub.size();  // greatest start that fits
  if (from > 0 && static_cast<size_t>(from) - 1 < last) last = static_cast<size_t>(from) - 1;
  const char first = sub[0];
  for (size_t p = last + 1; p-- > 0;) {
    const void* hit = memrchr(text.data(), first, p + 1);
    if (hit == nullptr) return 0;
    p = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (std::memcmp(text.data() + p, sub.data(), sub.size()) == 0) return ToInt(p + 1);
  }
  return 0;
}

std::string TextBetween(std::string_view text, std::string_view open, std::string_view close,
                        bool ignore_case) {
  int p = PosFrom(text, open, 1, ignore_case);
  if (p == 0) return std::string();
  int q0 = p + static_cast<int>(open.size());
  int q = PosFrom(text, close, q0, ignore_case);
  if (q <= q0) return std::string();
  return std::string(text.substr(static_cast<size_t>(q0) - 1, static_cast<size_t>(q - q0)));
}

std::string TextEnclosedFrom(std::string_view text, std::string_view open, std::string_view close,
                             int start) {
  int p = PosFrom(text, open, start);
  if (p == 0) return std::string();
  int q = PosFrom(text, close, p + static_cast<int>(open.size()));
  if (q == 0) return std::string();
  size_t end = static_cast<size_t>(q) - 1 + close.size();
  return std::string(text.substr(static_cast<size_t>(p) - 1, end - (static_cast<size_t>(p) - 1)));
}

std::string TextEnclosed(std::string_view text, std::string_view open, std::string_view close) {
  return TextEnclosedFrom(text, open, close, 1);
}

void AppendRange(std::string& buffer, int& write_pos, std::string_view source, int from, int to) {
  if (from < 1) from = 1;
  if (to > static_cast<int>(source.size())) to = static_cast<int>(source.size());
  if (to < from) return;
  if (write_pos < 1) write_pos = 1;
  const size_t count = static_cast<size_t>(to - from) + 1;
  const size_t last = static_cast<size_t>(write_pos) - 1 + count;  // last position written
  if (last > buffer.size()) {
    // The buffer grows to the write position + 1024 whenever that position
    // passes its length; computed once for the whole range.
    size_t length = buffer.size();
    while (last > length) {
      size_t pos = std::max(static_cast<size_t>(write_pos), length + 1);
      length = pos + 1024;
    }
    buffer.resize(length);
  }
  std::memcpy(&buffer[static_cast<size_t>(write_pos) - 1], source.data() + from - 1, count);
  write_pos += static_cast<int>(count);
}

SpliceBuilder::SpliceBuilder(std::string_view input) : input_(input) {
  // Most rewrites grow the text a little (tags inserted per item); an eighth
  // of headroom keeps them from copying the whole text once more.
  buffer_.reserve(input.size() + input.size() / 8 + 1024);
}

void SpliceBuilder::CopyUpTo(int pos) {
  if (copy_pos_ < 1) copy_pos_ = 1;
  size_t end = std::min(static_cast<size_t>(std::max(pos, 1)) - 1, input_.size());
  size_t begin = static_cast<size_t>(copy_pos_) - 1;
  if (end > begin) {
    buffer_.append(input_.data() + begin, end - begin);
    copy_pos_ = pos;
  }
}

void SpliceBuilder::Append(std::string_view text) { buffer_.append(text); }

std::string SpliceBuilder::Finish() {
  if (copy_pos_ < 1) copy_pos_ = 1;
  size_t begin = static_cast<size_t>(copy_pos_) - 1;
  if (begin < input_.size()) buffer_.append(input_.data() + begin, input_.size() - begin);
  copy_pos_ = static_cast<int>(input_.size()) + 1;
  return std::move(buffer_);
}

void RegexReplace(std::string& text, const std::string& pattern, const std::string& replacement) {
  TVelRegEx& regex = SharedRegex();
  regex.SetPattern(pattern);
  regex.SetSubject(text);
  regex.SetReplacement(replacement);
  if (regex.Match()) {
    regex.ReplaceAllMatches();
    text = regex.Subject();
  }
}

void RegexDelete(std::string& text, const std::string& pattern) {
  RegexReplace(text, pattern, std::string());
}

std::string ReadTextFile(const std::string& path) {
  if (!platform::FileExists(path)) return std::string();
  std::string text;
  int error = platform::ReadWholeFile(path, text);
  if (error == ENOENT) return std::string();  // removed in between: still "no file"
  if (error != 0) {
    throw TextFileError("Cannot read file \"" + path + "\": " + std::strerror(error), error);
  }
  return text;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  int error = platform::WriteWholeFile(path, text);
  if (error != 0) {
    throw TextFileError("Cannot write file \"" + path + "\": " + std::strerror(error) + " (error " +
                            std::to_string(error) + ")",
                        error);
  }
}

std::string FileBaseName(std::string_view path) {
  // The file name follows the last backslash or drive colon; a slash counts
  // too, since no file name can hold one.
  size_t cut = path.find_last_of("\\:/");
  std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string();
  return std::string(name.substr(0, dot));
}

int StrToIntStrict(std::string_view text) {
  auto fail = [&]() -> int {
    throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
  };
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return fail();
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return fail();
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return fail();
  return static_cast<int>(value);
}

long long RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  double floor_value = std::floor(value);
  double diff = value - floor_value;
  double rounded;
  if (diff < 0.5) {
    rounded = floor_value;
  } else if (diff > 0.5) {
    rounded = floor_value + 1;
  } else {
    rounded = std::fmod(floor_value, 2.0) == 0 ? floor_value : floor_value + 1;
  }
  if (rounded >= 9.2e18) return LLONG_MAX;
  if (rounded <= -9.2e18) return LLONG_MIN;
  return static_cast<long long>(rounded);
}

}  // namespace quillon
