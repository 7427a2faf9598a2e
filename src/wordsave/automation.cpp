// Variant conversions and the small helpers of the automation object model.
#include "wordsave/automation.h"

namespace quillon {

namespace {

const char* KindName(const Variant& v) {
  if (v.IsEmpty()) return "empty";
  if (v.IsBool()) return "boolean";
  if (v.IsInt()) return "integer";
  if (v.IsText()) return "text";
  return "object";
}

[[noreturn]] void WrongKind(const Variant& v, const char* wanted) {
  throw AutomationError(std::string("automation value is ") + KindName(v) + ", not " + wanted);
}

}  // namespace

bool Variant::AsBool() const {
  if (!IsBool()) WrongKind(*this, "boolean");
  return std::get<bool>(value_);
}

long long Variant::AsInt() const {
  if (!IsInt()) WrongKind(*this, "integer");
  return std::get<long long>(value_);
}

const std::string& Variant::AsText() const {
  if (!IsText()) WrongKind(*this, "text");
  return std::get<std::string>(value_);
}

AutoObjectPtr Variant::AsObject() const {
  if (!IsObject()) WrongKind(*this, "object");
  return std::get<AutoObjectPtr>(value_);
}

std::string Variant::Describe() const {
  if (IsBool()) return AsBool() ? "true" : "false";
  if (IsInt()) return std::to_string(AsInt());
  if (IsText()) return "\"" + AsText() + "\"";
  if (IsObject()) return "object";
  return "empty";
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

AutoObjectPtr GetObject(const AutoObjectPtr& obj, const std::string& name) {
  if (!obj) throw AutomationError("automation call \"" + name + "\" on an empty object");
  Variant v = obj->Get(name);
  if (!v.IsObject()) throw AutomationError("automation member \"" + name + "\" gave no object");
  return v.AsObject();
}

Variant CallMember(const AutoObjectPtr& obj, const std::string& name, const VariantList& args) {
  if (!obj) throw AutomationError("automation call \"" + name + "\" on an empty object");
  return obj->Call(name, args);
}

}  // namespace quillon
