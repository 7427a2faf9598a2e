// TVelRegEx: the system's only regular-expression engine, a thin class over
// PCRE2 that keeps one pattern, one subject and the state of the last match.
// Positions are 1-based byte positions in Subject; 0 means "none".
//
// Raises (std::runtime_error-derived RegexError):
//  - "TVelRegEx.Compile() - Please specify a regular expression in RegEx first"
//    for an empty pattern;
//  - the pattern text itself for a pattern PCRE2 rejects;
//  - an engine error (match, depth or heap limit exceeded) with a message
//    naming the pattern and the cause, never as "no match".
// Accessors used without a successful last match raise RegexAssertion with
// "REQUIRE: There must be a successful match first (<file>, line <n>)".
//
// Execution runs PCRE2's JIT code when available (same results as its
// interpreter, to which it falls back when the JIT stack runs out), with match,
// depth and heap limits that let lazy spans over tens of megabytes pass but
// stop runaway backtracking with an error. Subjects up to 2 GB - 1 bytes.
//
// SharedRegex() is the one process-wide instance (options preCaseLess and
// preSingleLine) that every conversion stage uses; it exists before the first
// conversion and outlives the last.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {

class RegexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An assertion failure of the engine's preconditions.
class RegexAssertion : public RegexError {
 public:
  using RegexError::RegexError;
};

// Compile options, a set of 8 flags (one byte). The option word derived from
// them carries the classic PCRE values of kOptionWord below.
enum TVelRegExOption : uint8_t {
  preCaseLess = 1 << 0,
  preMultiLine = 1 << 1,
  preSingleLine = 1 << 2,
  preExtended = 1 << 3,
  preAnchored = 1 << 4,
  preDollarEndOnly = 1 << 5,
  preExtra = 1 << 6,
  preUnGreedy = 1 << 7,
};
using TVelRegExOptions = uint8_t;

// Execution flags (State), a set of 3 flags.
enum TVelRegExState : uint8_t {
  preNotBOL = 1 << 0,
  preNotEOL = 1 << 1,
  preNotEmpty = 1 << 2,
};
using TVelRegExStates = uint8_t;

class TVelRegEx {
 public:
  TVelRegEx();
  ~TVelRegEx();
  TVelRegEx(const TVelRegEx&) = delete;
  TVelRegEx& operator=(const TVelRegEx&) = delete;

  // --- settings -----------------------------------------------------------
  TVelRegExOptions Options() const { return options_; }
  void SetOptions(TVelRegExOptions options);  // ignored when unchanged
  // The classic option word of the current options (caseless 1, multiline 2,
  // dot-all 4, extended 8, anchored 16, dollar-end-only 32, extra 64,
  // ungreedy 512).
  uint32_t CompileFlags() const { return compile_flags_; }
  TVelRegExStates State() const { return state_; }

  const std::string& Pattern() const { return pattern_; }
  void SetPattern(const std::string& pattern);  // ignored when identical

  const std::string& Replacement() const { return replacement_; }
  void SetReplacement(const std::string& replacement) { replacement_ = replacement; }

  // The current subject, with every replacement made so far applied.
  const std::string& Subject() const {
    if (HasPendingEdits()) ApplyPendingEdits();
    return subject_;
  }
  // Stores the text (moved in, not copied), Start = 1, Stop = its length,
  // forgets the last match.
  void SetSubject(std::string subject);
  // Hands the subject out (moved), leaving the instance's subject empty and
  // the match forgotten. For stages that finish a scan and keep the text.
  std::string TakeSubject();

  int Start() const { return start_; }
  int Stop() const { return stop_; }

  bool IsCompiled() const { return compiled_; }
  void Compile();

  // Whether compiled patterns also get PCRE2's JIT code (on by default; the
  // results are the interpreter's). Changing it uncompiles.
  void SetJitEnabled(bool enabled);
  bool JitEnabled() const { return jit_enabled_; }

  // --- matching -----------------------------------------------------------
  bool Match();       // from the subject's beginning
  bool MatchAgain();  // from Start
  bool FoundMatch() const { return match_count_ > 0; }
  int MatchCount() const { return match_count_; }

  std::string MatchedText() const;
  int MatchedOffset() const;
  int MatchedLength() const;
  int SubmatchCount() const;
  std::string Submatch(int index) const;
  int SubmatchOffset(int index) const;
  int SubmatchLength(int index) const;
  // Raw offset-vector entries 0 and 1 (1-based start, position after), no checks.
  int MatchStart() const { return offsets_[0]; }
  int MatchEnd() const { return offsets_[1]; }

  // Group number of a named group, or a negative value when there is none.
  int NamedSubmatchIndex(const std::string& name);

  // Every matched text of the pattern in |text|, in order (sets Subject).
  std::vector<std::string> MatchList(const std::string& text);

  // --- replacement ----------------------------------------------------------
  // Replacement expanded for the current match ($1, ${name}, \U1, ...).
  std::string ComputeReplacement();
  // Rewrites Subject with every match (from the current one on) replaced.
  bool ReplaceAllMatches();
  // Replaces the current match inside Subject by the expanded template and
  // returns the whole new Subject; Start and Stop shift by the length change.
  std::string Replace(const std::string& replacement_template);
  // Same as Replace, without copying the subject out: the rewrite is deferred
  // until the joined text is needed (Subject, Match, a pattern that looks
  // behind), so a MatchAgain/ReplaceInPlace loop costs linear time in the
  // subject's length. Use it for long scans.
  void ReplaceInPlace(const std::string& replacement_template);
  // One-shot replace-all of the current pattern on |text|.
  std::string ReplaceIn(const std::string& text, const std::string& replacement_template);

  // Events: present for completeness; nothing in the system assigns them.
  std::function<void(TVelRegEx&)> OnMatch;
  std::function<void(TVelRegEx&, std::string& replace_with)> OnReplace;

  static constexpr int kOffsetCount = 300;

 private:
  void Uncompile();
  bool Execute(int start_offset);
  void Require(bool condition, const char* text, int line) const;
  // |length| characters of the subject from 1-based |from|.
  std::string SubjectText(int from, int length) const;
  bool HasPendingEdits() const { return consumed_ != 0 || !edited_.empty(); }
  void ApplyPendingEdits() const;
  void Require(bool condition, const char* text, const char* file, int line) const;

  bool compiled_ = false;
  TVelRegExOptions options_ = 0;
  TVelRegExStates state_ = preNotEmpty;
  uint32_t compile_flags_ = 0;
  std::string pattern_;
  std::string replacement_;
  // A scan that replaces match after match does not rewrite the subject each
  // time: the text before the last replacement is built in edited_, while
  // subject_ keeps the original from position consumed_ + 1 on. The subject
  // is edited_ + subject_[consumed_..]; positions (Start, Stop, offsets) are
  // always those of that whole text. Reading Subject joins the two.
  mutable std::string subject_;
  mutable std::string edited_;
  mutable size_t consumed_ = 0;
  bool needs_context_ = false;  // the pattern looks before its start position
  int start_ = 1;
  int stop_ = 0;
  int offsets_[kOffsetCount] = {};
  int match_count_ = 0;
  void* code_ = nullptr;        // pcre2_code*
  void* match_data_ = nullptr;  // pcre2_match_data*
  void* match_context_ = nullptr;
  void* jit_stack_ = nullptr;  // pcre2_jit_stack*
  bool jit_enabled_ = true;
  const uint8_t* tables_ = nullptr;
};

// The one process-wide engine of the conversion (preCaseLess | preSingleLine).
TVelRegEx& SharedRegex();

}  // namespace quillon
