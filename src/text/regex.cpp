// TVelRegEx over PCRE2: compile caching, execution with 1-based offsets and the
// Start/Stop scan window, group access and the shared instance.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "text/regex.h"

#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace quillon {
namespace {

constexpr int kPairCount = 100;  // the whole match and 99 groups

// Execution limits: generous enough for lazy spans over whole documents of
// tens of megabytes, low enough that a runaway backtrack ends with an error.
constexpr uint32_t kMatchLimit = 200000000;
constexpr uint32_t kDepthLimit = 10000000;
constexpr uint32_t kHeapLimitKiB = 1024 * 1024;  // 1 GiB of backtracking frames
constexpr size_t kJitStackStart = 256 * 1024;
constexpr size_t kJitStackMax = 64 * 1024 * 1024;

pcre2_code* Code(void* p) { return static_cast<pcre2_code*>(p); }
pcre2_match_data* MatchData(void* p) { return static_cast<pcre2_match_data*>(p); }
pcre2_match_context* MatchContext(void* p) { return static_cast<pcre2_match_context*>(p); }

// The classic option word of an option set.
uint32_t ClassicFlags(TVelRegExOptions options) {
  uint32_t flags = 0;
  if (options & preCaseLess) flags |= 1;
  if (options & preMultiLine) flags |= 2;
  if (options & preSingleLine) flags |= 4;
  if (options & preExtended) flags |= 8;
  if (options & preAnchored) flags |= 16;
  if (options & preDollarEndOnly) flags |= 32;
  if (options & preExtra) flags |= 64;
  if (options & preUnGreedy) flags |= 512;
  return flags;
}

// PCRE2's own compile options for a classic option word. "Extra" (an unknown
// escape letter is an error) is always in force in PCRE2, so it maps to nothing.
uint32_t Pcre2CompileOptions(uint32_t classic) {
  uint32_t options = 0;
  if (classic & 1) options |= PCRE2_CASELESS;
  if (classic & 2) options |= PCRE2_MULTILINE;
  if (classic & 4) options |= PCRE2_DOTALL;
  if (classic & 8) options |= PCRE2_EXTENDED;
  if (classic & 16) options |= PCRE2_ANCHORED;
  if (classic & 32) options |= PCRE2_DOLLAR_ENDONLY;
  if (classic & 512) options |= PCRE2_UNGREEDY;
  return options;
}

std::string EngineErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) {
    std::snprintf(reinterpret_cast<char*>(buffer), sizeof buffer, "error %d", code);
  }
  return reinterpret_cast<char*>(buffer);
}

}  // namespace

#define REQUIRE_MATCH() \
  Require(match_count_ > 0, "REQUIRE: There must be a successful match first", __FILE__, __LINE__)

TVelRegEx::TVelRegEx() {
  tables_ = pcre2_maketables(nullptr);
  match_data_ = pcre2_match_data_create(kPairCount, nullptr);
  pcre2_match_context* context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(context, kMatchLimit);
  pcre2_set_depth_limit(context, kDepthLimit);
  pcre2_set_heap_limit(context, kHeapLimitKiB);
  match_context_ = context;
  // One JIT stack per instance, reserved up front and committed on demand.
  jit_stack_ = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
  if (jit_stack_ != nullptr) {
    pcre2_jit_stack_assign(context, nullptr, static_cast<pcre2_jit_stack*>(jit_stack_));
  }
  if (tables_ == nullptr || match_data_ == nullptr || match_context_ == nullptr) {
    throw RegexError("TVelRegEx: out of memory");
  }
}

TVelRegEx::~TVelRegEx() {
  Uncompile();
  pcre2_jit_stack_free(static_cast<pcre2_jit_stack*>(jit_stack_));
  pcre2_match_context_free(MatchContext(match_context_));
  pcre2_match_data_free(MatchData(match_data_));
  pcre2_maketables_free(nullptr, tables_);
}

void TVelRegEx::Require(bool condition, const char* text, int line) const {
  Require(condition, text, __FILE__, line);
}

// Raises "<text> (<unit>, line <n>)", the unit being the source file's name.
void TVelRegEx::Require(bool condition, const char* text, const char* file, int line) const {
  if (condition) return;
  const char* slash = std::strrchr(file, '/');
  const char* unit = slash != nullptr ? slash + 1 : file;
  char message[512];
  std::snprintf(message, sizeof message, "%s (%s, line %d)", text, unit, line);
  throw RegexAssertion(message);
}

void TVelRegEx::Uncompile() {
  compiled_ = false;
  pcre2_code_free(Code(code_));
  code_ = nullptr;
  match_count_ = 0;
}

void TVelRegEx::SetOptions(TVelRegExOptions options) {
  if (options == options_) return;
  options_ = options;
  compile_flags_ = ClassicFlags(options);
  Uncompile();
}

void TVelRegEx::SetPattern(const std::string& pattern) {
  if (pattern == pattern_) return;
  pattern_ = pattern;
  Uncompile();
}

void TVelRegEx::SetJitEnabled(bool enabled) {
  if (enabled == jit_enabled_) return;
  jit_enabled_ = enabled;
  Uncompile();
}

void TVelRegEx::SetSubject(std::string subject) {
  if (subject.size() > static_cast<size_t>(INT_MAX)) {
    throw RegexError("TVelRegEx: subject text too long");
  }
  subject_ = std::move(subject);
  std::string().swap(edited_);
  consumed_ = 0;
  start_ = 1;
  stop_ = static_cast<int>(subject_.size());
  match_count_ = 0;
}

std::string TVelRegEx::TakeSubject() {
  ApplyPendingEdits();
  std::string out = std::move(subject_);
  subject_.clear();
  start_ = 1;
  stop_ = 0;
  match_count_ = 0;
  return out;
}

void TVelRegEx::Compile() {
  if (pattern_.empty()) {
    throw RegexError("TVelRegEx.Compile() - Please specify a regular expression in RegEx first");
  }
  Uncompile();
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (context == nullptr) throw RegexError("TVelRegEx: out of memory");
  pcre2_set_character_tables(context, tables_);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(),
                    Pcre2CompileOptions(compile_flags_), &error_code, &error_offset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) throw RegexError(pattern_);
  // The JIT gives the interpreter's results faster; where it cannot compile a
  // pattern, pcre2_match falls back to the interpreter by itself.
  if (jit_enabled_) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  // Lookbehinds, \b and \A (all counted as lookbehind) and multiline "^"
  // inspect the text before the start position.
  uint32_t lookbehind = 0;
  pcre2_pattern_info(code, PCRE2_INFO_MAXLOOKBEHIND, &lookbehind);
  needs_context_ = lookbehind > 0 || (compile_flags_ & 2) != 0;
  code_ = code;
  compiled_ = true;
}

bool TVelRegEx::Execute(int start_offset) {
  if (!compiled_) Compile();
  if (stop_ < start_) {
    match_count_ = -1;
    return false;
  }
  uint32_t options = 0;
  if (state_ & preNotBOL) options |= PCRE2_NOTBOL;
  if (state_ & preNotEOL) options |= PCRE2_NOTEOL;
  if (state_ & preNotEmpty) options |= PCRE2_NOTEMPTY;
  size_t offset = static_cast<size_t>(std::max(start_offset, 0));
  // With replacements pending, search the original text after the last one:
  // it is identical to the subject from there on. A search that begins
  // earlier, or a pattern that looks behind its start, needs the joined text.
  if (HasPendingEdits() && (needs_context_ || offset == 0 || offset < edited_.size())) {
    ApplyPendingEdits();
  }
  const long long delta =
      static_cast<long long>(edited_.size()) - static_cast<long long>(consumed_);
  long long stop =
      std::min(static_cast<long long>(stop_) - delta, static_cast<long long>(subject_.size()));
  size_t length = static_cast<size_t>(std::max(stop, 0LL));
  offset = static_cast<size_t>(static_cast<long long>(offset) - delta);
  if (offset > length) {
    match_count_ = -1;
    return false;
  }
  auto subject = reinterpret_cast<PCRE2_SPTR>(subject_.data());
  int rc = pcre2_match(Code(code_), subject, length, offset, options, MatchData(match_data_),
                       MatchContext(match_context_));
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
    // The interpreter keeps its backtracking frames on the heap and can go
    // deeper than the JIT stack; its results are the same.
    rc = pcre2_match(Code(code_), subject, length, offset, options | PCRE2_NO_JIT,
                     MatchData(match_data_), MatchContext(match_context_));
  }
  if (rc == 0) rc = kPairCount;  // more groups than the vector holds: keep the first 99
  if (rc < 0) {
    match_count_ = -1;
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    // A limit or resource failure is not "no match": the caller must not go on
    // as if the text held no occurrence.
    throw RegexError("Regular expression \"" + pattern_ +
                     "\" could not be run: " + EngineErrorText(rc));
  }
  const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(MatchData(match_data_));
  for (int i = 0; i < 2 * rc; ++i) {
    offsets_[i] = vector[i] == PCRE2_UNSET
                      ? 0
                      : static_cast<int>(static_cast<long long>(vector[i]) + 1 + delta);
  }
  for (int i = 2 * rc; i < 2 * kPairCount; ++i) offsets_[i] = 0;
  match_count_ = rc;
  start_ = offsets_[1];
  if (offsets_[0] == offsets_[1]) ++start_;
  if (OnMatch) OnMatch(*this);
  return true;
}

std::string TVelRegEx::SubjectText(int from, int length) const {
  size_t from0 = static_cast<size_t>(from - 1);
  if (HasPendingEdits()) {
    if (from0 >= edited_.size()) {
      return subject_.substr(from0 - edited_.size() + consumed_, static_cast<size_t>(length));
    }
    ApplyPendingEdits();
  }
  return subject_.substr(from0, static_cast<size_t>(length));
}

void TVelRegEx::ApplyPendingEdits() const {
  if (!HasPendingEdits()) return;
  edited_.append(subject_, consumed_, std::string::npos);
  subject_.swap(edited_);
  std::string().swap(edited_);
  consumed_ = 0;
}

bool TVelRegEx::Match() { return Execute(0); }

bool TVelRegEx::MatchAgain() { return Execute(start_ - 1); }

std::string TVelRegEx::MatchedText() const {
  REQUIRE_MATCH();
  return SubjectText(offsets_[0], offsets_[1] - offsets_[0]);
}

int TVelRegEx::MatchedOffset() const {
  REQUIRE_MATCH();
  return offsets_[0];
}

int TVelRegEx::MatchedLength() const {
  REQUIRE_MATCH();
  return offsets_[1] - offsets_[0];
}

int TVelRegEx::SubmatchCount() const {
  REQUIRE_MATCH();
  return match_count_ - 1;
}

std::string TVelRegEx::Submatch(int index) const {
  REQUIRE_MATCH();
  if (index < 0 || index > match_count_ - 1) return std::string();
  int from = offsets_[2 * index];
  int to = offsets_[2 * index + 1];
  if (from <= 0 || to <= from) return std::string();
  return SubjectText(from, to - from);
}

int TVelRegEx::SubmatchOffset(int index) const {
  REQUIRE_MATCH();
  Require(index >= 0 && index <= match_count_ - 1, "REQUIRE: Index <= SubmatchCount", __FILE__,
          __LINE__);
  return offsets_[2 * index];
}

int TVelRegEx::SubmatchLength(int index) const {
  REQUIRE_MATCH();
  Require(index >= 0 && index <= match_count_ - 1, "REQUIRE: Index <= SubmatchCount", __FILE__,
          __LINE__);
  return offsets_[2 * index + 1] - offsets_[2 * index];
}

int TVelRegEx::NamedSubmatchIndex(const std::string& name) {
  if (!compiled_) Compile();
  return pcre2_substring_number_from_name(Code(code_), reinterpret_cast<PCRE2_SPTR>(name.c_str()));
}

std::vector<std::string> TVelRegEx::MatchList(const std::string& text) {
  SetSubject(text);
  std::vector<std::string> list;
  if (Match()) {
    do {
      list.push_back(MatchedText());
    } while (MatchAgain());
  }
  return list;
}

TVelRegEx& SharedRegex() {
  static TVelRegEx* shared = [] {
    static TVelRegEx instance;
    instance.SetOptions(static_cast<TVelRegExOptions>(preCaseLess | preSingleLine));
    return &instance;
  }();
  return *shared;
}

}  // namespace quillon
