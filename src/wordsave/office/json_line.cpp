// A small recursive-descent reader for the bridge's answer lines.
#include "wordsave/office/json_line.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace quillon::json {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

const Value* Value::Find(const std::string& name) const {
  if (kind != Kind::kObject) return nullptr;
  auto it = members.find(name);
  return it == members.end() ? nullptr : &it->second;
}

namespace {

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}

  Value Document() {
    Value v = Read(0);
    SkipBlanks();
    if (pos_ != s_.size()) Fail("trailing characters");
    return v;
  }

 private:
  static constexpr int kMaxDepth = 64;

  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string("bad JSON answer: ") + what);
  }

  void SkipBlanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
      ++pos_;
  }

  bool Take(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (s_.compare(pos_, n, word) != 0) return false;
    pos_ += n;
    return true;
  }

  Value Read(int depth) {
    if (depth > kMaxDepth) Fail("nested too deeply");
    SkipBlanks();
    if (pos_ >= s_.size()) Fail("unexpected end");
    Value v;
    char c = s_[pos_];
    if (c == '{') {
      v.kind = Value::Kind::kObject;
      ++pos_;
      SkipBlanks();
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return v;
      }
      for (;;) {
        SkipBlanks();
        if (pos_ >= s_.size() || s_[pos_] != '"') Fail("member name expected");
        std::string name = ReadText();
        SkipBlanks();
        if (pos_ >= s_.size() || s_[pos_] != ':') Fail("':' expected");
        ++pos_;
        v.members[name] = Read(depth + 1);
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == '}') {
          ++pos_;
          return v;
        }
        Fail("',' or '}' expected");
      }
    }
    if (c == '[') {
      v.kind = Value::Kind::kArray;
      ++pos_;
      SkipBlanks();
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return v;
      }
      for (;;) {
        v.items.push_back(Read(depth + 1));
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == ']') {
          ++pos_;
          return v;
        }
        Fail("',' or ']' expected");
      }
    }
    if (c == '"') {
      v.kind = Value::Kind::kText;
      v.text = ReadText();
      return v;
    }
    if (Take("true")) {
      v.kind = Value::Kind::kBool;
      v.boolean = true;
      return v;
    }
    if (Take("false")) {
      v.kind = Value::Kind::kBool;
      return v;
    }
    if (Take("null")) return v;
    if (c == '-' || (c >= '0' && c <= '9')) {
      const char* start = s_.c_str() + pos_;
      char* end = nullptr;
      v.kind = Value::Kind::kNumber;
      v.number = std::strtod(start, &end);
      if (end == start) Fail("bad number");
      pos_ += static_cast<size_t>(end - start);
      return v;
    }
    Fail("unexpected character");
  }

  unsigned ReadHex4() {
    if (pos_ + 4 > s_.size()) Fail("short \\u escape");
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      char h = s_[pos_++];
      value <<= 4;
      if (h >= '0' && h <= '9')
        value |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f')
        value |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        value |= static_cast<unsigned>(h - 'A' + 10);
      else
        Fail("bad \\u escape");
    }
    return value;
  }

  static void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::string ReadText() {
    ++pos_;  // opening quote
    std::string out;
    while (pos_ < s_.size()) {
      char c = s_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) break;
      char e = s_[pos_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned cp = ReadHex4();
          if (cp >= 0xD800 && cp < 0xDC00 && pos_ + 6 <= s_.size() && s_[pos_] == '\\' &&
              s_[pos_ + 1] == 'u') {
            size_t keep = pos_;
            pos_ += 2;
            unsigned low = ReadHex4();
            if (low >= 0xDC00 && low < 0xE000) {
              cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else {
              pos_ = keep;
            }
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          Fail("bad escape");
      }
    }
    Fail("unterminated text");
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

Value Parse(const std::string& line) { return Reader(line).Document(); }

}  // namespace quillon::json
