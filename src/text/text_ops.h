// Text operations every conversion stage is written with. Texts are 8-bit byte
// strings with 1-based positions; position 0 means "not found" and an empty
// text stands for "absent". Searches and cut-outs never fail. Only the two
// regex operations (they use SharedRegex) and the two file operations touch
// anything beyond their arguments.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

using TextList = std::vector<std::string>;

std::string CopyText(std::string_view text, int from, int count);  // count 0 = to the end
std::string TailFrom(std::string_view text, int from);
std::string LeftText(std::string_view text, int count);

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement,
                       bool ignore_case = false);

std::string JoinTexts(const std::vector<std::string>& items, std::string_view separator);
std::string JoinList(const TextList& list, std::string_view separator);
TextList SplitText(std::string_view text, std::string_view separator);

int Contains(std::string_view text, std::string_view sub);
int PosFrom(std::string_view text, std::string_view sub, int start, bool ignore_case = false);
int PosFirstOf(std::string_view text, std::string_view a, std::string_view b, std::string_view c,
               int start);
int PosBefore(std::string_view text, std::string_view sub, int start, int limit);
int PosBackFrom(std::string_view text, std::string_view sub, int from);

std::string TextBetween(std::string_view text, std::string_view open, std::string_view close,
                        bool ignore_case = false);
std::string TextEnclosed(std::string_view text, std::string_view open, std::string_view close);
std::string TextEnclosedFrom(std::string_view text, std::string_view open, std::string_view close,
                             int start);

// Copies source[from..to] (1-based, inclusive, clamped to the source) into
// buffer at write_pos, advancing write_pos; grows the buffer to write_pos +
// 1024 when it runs out. Nothing happens when to < from.
void AppendRange(std::string& buffer, int& write_pos, std::string_view source, int from, int to);

// The splice build: rewrite a large text in one pass. Usage:
//   SpliceBuilder b(input);
//   b.CopyUpTo(pos);  b.Append(new_text);  b.SkipTo(after);  ...
//   std::string out = b.Finish();
// Equivalent to the AppendRange pattern over a buffer pre-sized to the input.
class SpliceBuilder {
 public:
  explicit SpliceBuilder(std::string_view input);
  // Appends input from the copy position up to, not including, 1-based |pos|,
  // and moves the copy position there (nothing happens when |pos| is not
  // beyond the copy position).
  void CopyUpTo(int pos);
  // Appends any text.
  void Append(std::string_view text);
  // Moves the copy position to 1-based |pos| (skipping what lies between).
  void SkipTo(int pos) { copy_pos_ = pos; }
  int CopyPos() const { return copy_pos_; }
  // Appends the rest of the input from the copy position and returns the text.
  std::string Finish();

 private:
  std::string_view input_;
  std::string buffer_;  // reserved to the input's length up front
  int copy_pos_ = 1;
};

// Replaces every match of |pattern| on SharedRegex; |replacement| is a
// template only when it contains "$". Raises RegexError on a bad pattern.
void RegexReplace(std::string& text, const std::string& pattern, const std::string& replacement);
void RegexDelete(std::string& text, const std::string& pattern);

// Whole-file read: a missing file reads as the empty text; a file that exists
// but cannot be read raises TextFileError (never silently wrong content).
std::string ReadTextFile(const std::string& path);
// Creates or empties the file and writes the bytes; raises TextFileError with
// the system error on failure.
void WriteTextFile(const std::string& path, const std::string& text);

class TextFileError : public std::runtime_error {
 public:
  TextFileError(const std::string& message, int error_code)
      : std::runtime_error(message), error_code_(error_code) {}
  int error_code() const { return error_code_; }

 private:
  int error_code_;
};

// "C:\\x\\report.final.docx" -> "report.final"; no dot -> "".
std::string FileBaseName(std::string_view path);

// Strict whole-number conversion: an optional sign and decimal digits, nothing
// else (no blanks, no fraction, no overflow past 32 bits).
// Raises ConversionError "'<text>' is not a valid integer value".
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
int StrToIntStrict(std::string_view text);
// Rounds to the nearest integer, halves to the even neighbour.
long long RoundHalfEven(double value);

}  // namespace quillon
