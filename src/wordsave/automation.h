// A small late-bound automation object model, the shape in which the system
// drives a word processor: values are Variants, objects answer get-property,
// set-property and call-method by member name (names compared without regard
// to case). Engines (native, office, and a recording one for tests) implement
// AutoObject; StartWord/SaveAsDoc/QuitWord are written against it only.
//
// Any member call may throw AutomationError (an unknown member, a refused
// value, a failed save); the batch reports that file as "Error".
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace quillon {

class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AutoObject;
using AutoObjectPtr = std::shared_ptr<AutoObject>;

// empty, boolean, integer, text or object.
class Variant {
 public:
  Variant() = default;
  Variant(bool b) : value_(b) {}                       // NOLINT
  Variant(int i) : value_(static_cast<long long>(i)) {}  // NOLINT
  Variant(long long i) : value_(i) {}                  // NOLINT
  Variant(const char* s) : value_(std::string(s)) {}   // NOLINT
  Variant(std::string s) : value_(std::move(s)) {}     // NOLINT
  Variant(AutoObjectPtr o) : value_(std::move(o)) {}   // NOLINT

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsBool() const { return std::holds_alternative<bool>(value_); }
  bool IsInt() const { return std::holds_alternative<long long>(value_); }
  bool IsText() const { return std::holds_alternative<std::string>(value_); }
  bool IsObject() const {
    return std::holds_alternative<AutoObjectPtr>(value_) && std::get<AutoObjectPtr>(value_);
  }

  // Conversions raise AutomationError when the value has another kind.
  bool AsBool() const;
  long long AsInt() const;
  const std::string& AsText() const;
  AutoObjectPtr AsObject() const;

  // "empty", "true", "42", "\"text\"", "object" - for logs and test records.
  std::string Describe() const;

 private:
  std::variant<std::monostate, bool, long long, std::string, AutoObjectPtr> value_;
};

using VariantList = std::vector<Variant>;

class AutoObject : public std::enable_shared_from_this<AutoObject> {
 public:
  virtual ~AutoObject() = default;
  // A property read, or a call without arguments that yields a value.
  virtual Variant Get(const std::string& name) = 0;
  virtual void Set(const std::string& name, const Variant& value) = 0;
  virtual Variant Call(const std::string& name, const VariantList& args) = 0;
};

// Case-insensitive member-name comparison (ASCII).
bool SameName(const std::string& a, const std::string& b);

// Convenience for chained calls: Get(obj, "Documents"), Call(obj, "Item", {1}).
AutoObjectPtr GetObject(const AutoObjectPtr& obj, const std::string& name);
Variant CallMember(const AutoObjectPtr& obj, const std::string& name, const VariantList& args = {});

// Settings an engine may use when it starts. |workspace_dir| is the batch's
// workspace (backslash form, ending with a backslash); an engine that needs
// private files (the office engine's profile) keeps them below it. Empty means
// a folder of the engine's own choosing.
struct EngineOptions {
  std::string workspace_dir;
};

// Creates the automation object ("Word.Application") of an engine by name:
// "native" (the default, in-process), "office" (LibreOffice), and on Windows
// "com". Raises AutomationError for an unknown name or an engine that cannot
// start. Implemented in engines.cpp, the one place that knows every engine.
AutoObjectPtr CreateEngine(const std::string& engine_name);
AutoObjectPtr CreateEngine(const std::string& engine_name, const EngineOptions& options);
std::vector<std::string> EngineNames();
extern const char* const kDefaultEngine;

// What each engine's header declares and engines.cpp lists: a name and the
// function that starts it.
using EngineFactory = AutoObjectPtr (*)(const EngineOptions& options);
struct EngineEntry {
  const char* name;
  EngineFactory factory;
};

}  // namespace quillon
