// The few JSON pieces the office bridge protocol needs: quoting a text for a
// command line, and reading one answer line into a tree of values. Numbers are
// kept as doubles; \u escapes become UTF-8. Parse raises std::runtime_error on
// malformed input.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillon::json {

// "a\"b" -> "\"a\\\"b\"": control characters escaped, other bytes as they are.
std::string Quote(const std::string& text);

struct Value {
  enum class Kind { kNull, kBool, kNumber, kText, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Value> items;
  std::map<std::string, Value> members;

  // Member lookup; nullptr when absent or when this is not an object.
  const Value* Find(const std::string& name) const;
};

Value Parse(const std::string& line);

}  // namespace quillon::json
