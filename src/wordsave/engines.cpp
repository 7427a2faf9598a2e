// The one place that knows every engine: a table of names and start-up
// functions. Each engine declares its factory in its own header; adding an
// engine is one line in kEngines.
#include <iterator>

#include "wordsave/automation.h"
#include "wordsave/native/native_engine.h"
#include "wordsave/office/office_engine.h"

namespace quillon {

namespace {

const EngineEntry kEngines[] = {
    {"native", &CreateNativeEngine},
    {"office", &CreateOfficeEngine},
};

}  // namespace

const char* const kDefaultEngine = "native";

AutoObjectPtr CreateEngine(const std::string& engine_name) {
  return CreateEngine(engine_name, EngineOptions{});
}

AutoObjectPtr CreateEngine(const std::string& engine_name, const EngineOptions& options) {
  for (const EngineEntry& entry : kEngines) {
    if (engine_name == entry.name) {
      AutoObjectPtr app = entry.factory(options);
      if (!app) throw AutomationError("engine \"" + engine_name + "\" did not start");
      return app;
    }
  }
  throw AutomationError("unknown engine \"" + engine_name + "\"");
}

std::vector<std::string> EngineNames() {
  std::vector<std::string> names;
  for (const EngineEntry& entry : kEngines) names.push_back(entry.name);
  return names;
}

}  // namespace quillon
