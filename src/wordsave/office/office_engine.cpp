// The office engine's object model. Objects keep what the save step sets and
// forward each effect to the bridge at once, so a refused value fails at the
// call that passed it.
#include "wordsave/office/office_engine.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "quillon_version.h"
#include "wordsave/office/office_process.h"

namespace quillon {

namespace {

using json::Quote;

class OfficeDocument;

// What every object of one engine instance shares: the bridge and the open
// documents, most recent first (item 1 is the page opened last).
//
// One office serves the whole batch. Should it die (a page crashed it, or it
// was killed), the next page opened starts a fresh one in the same profile,
// so a single bad page costs only its own row. The documents of the lost
// office are gone with it: their generation no longer matches.
struct OfficeSession {
  std::string interpreter;
  std::string script;
  std::string profile;
  std::unique_ptr<OfficeProcess> process;
  int generation = 0;         // counts the offices started
  bool quit = false;          // after Quit nothing starts again
  std::string start_failure;  // why a restart failed: no further attempts
  std::vector<std::shared_ptr<OfficeDocument>> documents;
  bool visible = false;

  static constexpr int kPingTimeoutSeconds = 30;

  void Start() {
    process =
        std::make_unique<OfficeProcess>(interpreter, script, profile, profile + "/bridge.log");
    ++generation;
  }

  bool Serving() const { return process && process->Running(); }

  // Makes sure an office that answers is there before a page is opened:
  // asks the running one, and starts a new one in place of a lost one.
  void EnsureOffice() {
    if (quit) throw AutomationError("office: the office has quit");
    if (Serving()) {
      try {
        process->Request("{\"cmd\":\"ping\"}", kPingTimeoutSeconds);
        return;
      } catch (const AutomationError&) {
        // Lost: replaced below.
      }
    }
    if (!start_failure.empty()) {
      throw AutomationError("office: the office could not be started again: " + start_failure);
    }
    process.reset();  // ends whatever is left of the old bridge and office
    try {
      Start();
    } catch (const AutomationError& e) {
      start_failure = e.what();
      throw;
    }
  }

  json::Value Send(const std::string& command) {
    if (quit || !Serving()) throw AutomationError("office: the office has quit");
    return process->Request(command);
  }

  void Quit() {
    quit = true;
    documents.clear();
    if (process) process->Quit();
  }
};
using SessionPtr = std::shared_ptr<OfficeSession>;

[[noreturn]] void NoMember(const char* kind, const char* what, const std::string& name) {
  throw AutomationError(std::string("office: ") + kind + " has no " + what + " \"" + name + "\"");
}

const Variant& Arg(const VariantList& args, size_t i, const std::string& member) {
  if (i >= args.size()) throw AutomationError("office: \"" + member + "\" needs more arguments");
  return args[i];
}

long long IndexArg(const VariantList& args, const std::string& member) {
  return Arg(args, 0, member).AsInt();
}

bool Flag(const Variant& v) { return v.IsBool() ? v.AsBool() : v.AsInt() != 0; }

class OfficeDocument : public AutoObject {
 public:
  OfficeDocument(SessionPtr session, long long id)
      : session_(std::move(session)), id_(id), generation_(session_->generation) {}

  long long id() const { return id_; }

  // True when the office that opened this document is no longer serving.
  bool Lost() const {
    return id_ != 0 && (generation_ != session_->generation || !session_->Serving());
  }

  // Sends a command about this document: {"cmd": name, "doc": id, ...extra}.
  json::Value Send(const std::string& name, const std::string& extra = "") {
    if (id_ == 0) throw AutomationError("office: a blank document takes no \"" + name + "\"");
    if (Lost() && !session_->quit) {
      throw AutomationError("office: the document was lost with the office that opened it");
    }
    return session_->Send("{\"cmd\":" + Quote(name) + ",\"doc\":" + std::to_string(id_) + extra +
                          "}");
  }

  Variant Get(const std::string& name) override;
  void Set(const std::string& name, const Variant&) override {
    NoMember("a document", "property", name);
  }
  Variant Call(const std::string& name, const VariantList& args) override;

 private:
  SessionPtr session_;
  long long id_;  // the bridge's number, 0 for a blank document
  int generation_;
};
using DocumentPtr = std::shared_ptr<OfficeDocument>;

class PageSetup : public AutoObject {
 public:
  explicit PageSetup(DocumentPtr doc) : doc_(std::move(doc)) {}
  Variant Get(const std::string& name) override {
    for (const auto& [member, key] : kMembers) {
      if (SameName(name, member)) {
        auto it = values_.find(key);
        return it == values_.end() ? Variant() : Variant(it->second);
      }
    }
    NoMember("a page setup", "property", name);
  }
  void Set(const std::string& name, const Variant& value) override {
    for (const auto& [member, key] : kMembers) {
      if (!SameName(name, member)) continue;
      const long long points = value.AsInt();
      if ((key == std::string("width") || key == std::string("height")) && points <= 0) {
        throw AutomationError("office: a page " + std::string(key) + " of " +
                              std::to_string(points) + " points");
      }
      doc_->Send("page", ",\"name\":" + Quote(key) + ",\"points\":" + std::to_string(points));
      values_[key] = points;
      return;
    }
    NoMember("a page setup", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a page setup", "method", name);
  }

 private:
  static constexpr std::pair<const char*, const char*> kMembers[] = {
      {"pageWidth", "width"},   {"pageHeight", "height"}, {"LeftMargin", "left"},
      {"RightMargin", "right"}, {"TopMargin", "top"},     {"BottomMargin", "bottom"}};
  DocumentPtr doc_;
  std::map<std::string, long long> values_;
};

// Font and ParagraphFormat of a header or footer range.
class HeaderFooterFormat : public AutoObject {
 public:
  HeaderFooterFormat(DocumentPtr doc, std::string kind, bool paragraph)
      : doc_(std::move(doc)), kind_(std::move(kind)), paragraph_(paragraph) {}
  Variant Get(const std::string& name) override { NoMember("a format", "readable property", name); }
  void Set(const std::string& name, const Variant& value) override {
    std::string field;
    if (!paragraph_ && SameName(name, "name")) {
      field = ",\"font\":" + Quote(value.AsText());
    } else if (!paragraph_ && SameName(name, "size")) {
      field = ",\"size\":" + std::to_string(value.AsInt());
    } else if (!paragraph_ && SameName(name, "bold")) {
      field = std::string(",\"bold\":") + (Flag(value) ? "true" : "false");
    } else if (paragraph_ && SameName(name, "Alignment")) {
      field = ",\"align\":" + std::to_string(value.AsInt());
    } else {
      NoMember(paragraph_ ? "a paragraph format" : "a font", "property", name);
    }
    doc_->Send("headerfooter", ",\"kind\":" + Quote(kind_) + field);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a format", "method", name);
  }

 private:
  DocumentPtr doc_;
  std::string kind_;
  bool paragraph_;
};

class HeaderFooterRange : public AutoObject {
 public:
  HeaderFooterRange(DocumentPtr doc, std::string kind)
      : doc_(std::move(doc)), kind_(std::move(kind)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "Font"))
      return AutoObjectPtr(std::make_shared<HeaderFooterFormat>(doc_, kind_, false));
    if (SameName(name, "ParagraphFormat")) {
      return AutoObjectPtr(std::make_shared<HeaderFooterFormat>(doc_, kind_, true));
    }
    NoMember("a range", "property", name);
  }
  void Set(const std::string& name, const Variant& value) override {
    if (!SameName(name, "Text")) NoMember("a range", "property", name);
    doc_->Send("headerfooter", ",\"kind\":" + Quote(kind_) + ",\"text\":" + Quote(value.AsText()));
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a range", "method", name);
  }

 private:
  DocumentPtr doc_;
  std::string kind_;
};

class HeaderFooter : public AutoObject {
 public:
  HeaderFooter(DocumentPtr doc, std::string kind) : doc_(std::move(doc)), kind_(std::move(kind)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "Range"))
      return AutoObjectPtr(std::make_shared<HeaderFooterRange>(doc_, kind_));
    NoMember("a header or footer", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a header or footer", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a header or footer", "method", name);
  }

 private:
  DocumentPtr doc_;
  std::string kind_;
};

// A one-item collection: the only section, or the primary header or footer.
class SingleItemCollection : public AutoObject {
 public:
  SingleItemCollection(const char* kind, AutoObjectPtr item)
      : kind_(kind), item_(std::move(item)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "count")) return 1;
    NoMember(kind_, "property", name);
  }
  void Set(const std::string& name, const Variant&) override { NoMember(kind_, "property", name); }
  Variant Call(const std::string& name, const VariantList& args) override {
    if (!SameName(name, "item")) NoMember(kind_, "method", name);
    const long long index = IndexArg(args, name);
    if (index != 1)
      throw AutomationError(std::string("office: ") + kind_ + " has no item " +
                            std::to_string(index));
    return item_;
  }

 private:
  const char* kind_;
  AutoObjectPtr item_;
};

class Section : public AutoObject {
 public:
  explicit Section(DocumentPtr doc) : doc_(std::move(doc)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "Headers")) return Collection("headers", "header");
    if (SameName(name, "Footers")) return Collection("footers", "footer");
    NoMember("a section", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a section", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a section", "method", name);
  }

 private:
  AutoObjectPtr Collection(const char* kind, const char* item) {
    return std::make_shared<SingleItemCollection>(kind, std::make_shared<HeaderFooter>(doc_, item));
  }
  DocumentPtr doc_;
};

struct Picture {
  std::string name;
  bool linked = false;
};

class LinkFormat : public AutoObject {
 public:
  LinkFormat(DocumentPtr doc, std::shared_ptr<Picture> picture)
      : doc_(std::move(doc)), picture_(std::move(picture)) {}
  Variant Get(const std::string& name) override { NoMember("a link format", "property", name); }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a link format", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    if (!SameName(name, "breakLink")) NoMember("a link format", "method", name);
    doc_->Send("embed", ",\"name\":" + Quote(picture_->name));
    picture_->linked = false;
    return Variant();
  }

 private:
  DocumentPtr doc_;
  std::shared_ptr<Picture> picture_;
};

class Shape : public AutoObject {
 public:
  Shape(DocumentPtr doc, std::shared_ptr<Picture> picture)
      : doc_(std::move(doc)), picture_(std::move(picture)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "linkFormat")) {
      if (!picture_->linked) return Variant();
      return AutoObjectPtr(std::make_shared<LinkFormat>(doc_, picture_));
    }
    if (SameName(name, "Name")) return picture_->name;
    NoMember("a shape", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a shape", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a shape", "method", name);
  }

 private:
  DocumentPtr doc_;
  std::shared_ptr<Picture> picture_;
};

// "shapes" (floating pictures) or "inLineShapes" (pictures in the text). The
// list is read from the office once, when first used.
class Shapes : public AutoObject {
 public:
  Shapes(DocumentPtr doc, bool in_line) : doc_(std::move(doc)), in_line_(in_line) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "count")) return static_cast<long long>(List().size());
    NoMember("a shape collection", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a shape collection", "property", name);
  }
  Variant Call(const std::string& name, const VariantList& args) override {
    if (!SameName(name, "item")) NoMember("a shape collection", "method", name);
    const long long index = IndexArg(args, name);
    const auto& list = List();
    if (index < 1 || index > static_cast<long long>(list.size())) {
      throw AutomationError("office: no shape " + std::to_string(index));
    }
    return AutoObjectPtr(std::make_shared<Shape>(doc_, list[index - 1]));
  }

 private:
  const std::vector<std::shared_ptr<Picture>>& List() {
    if (loaded_) return pictures_;
    json::Value answer = doc_->Send("pictures");
    if (const json::Value* list = answer.Find("pictures")) {
      for (const json::Value& item : list->items) {
        const json::Value* inline_flag = item.Find("inline");
        if ((inline_flag != nullptr && inline_flag->boolean) != in_line_) continue;
        auto picture = std::make_shared<Picture>();
        if (const json::Value* n = item.Find("name")) picture->name = n->text;
        if (const json::Value* l = item.Find("linked")) picture->linked = l->boolean;
        pictures_.push_back(picture);
      }
    }
    loaded_ = true;
    return pictures_;
  }

  DocumentPtr doc_;
  bool in_line_;
  bool loaded_ = false;
  std::vector<std::shared_ptr<Picture>> pictures_;
};

Variant OfficeDocument::Get(const std::string& name) {
  auto self = std::static_pointer_cast<OfficeDocument>(shared_from_this());
  if (SameName(name, "PageSetup")) {
    if (id_ == 0) throw AutomationError("office: a blank document has no page setup");
    return AutoObjectPtr(std::make_shared<PageSetup>(self));
  }
  if (SameName(name, "sections")) {
    return AutoObjectPtr(
        std::make_shared<SingleItemCollection>("sections", std::make_shared<Section>(self)));
  }
  if (SameName(name, "shapes")) return AutoObjectPtr(std::make_shared<Shapes>(self, false));
  if (SameName(name, "inLineShapes")) return AutoObjectPtr(std::make_shared<Shapes>(self, true));
  NoMember("a document", "property", name);
}

Variant OfficeDocument::Call(const std::string& name, const VariantList& args) {
  if (SameName(name, "SaveAs")) {
    const std::string& path = Arg(args, 0, name).AsText();
    const long long format = args.size() > 1 ? args[1].AsInt() : 0;
    if (format != 0)
      throw AutomationError("office: save format " + std::to_string(format) + " is not written");
    Send("save", ",\"path\":" + Quote(platform::NativePath(path)) + ",\"format\":0");
    return Variant();
  }
  if (SameName(name, "Close")) {
    // A document of a lost office is already gone: closing it only drops it
    // here, so that the failure that lost it stays the one reported.
    if (id_ != 0 && !Lost()) Send("close");
    auto& docs = session_->documents;
    for (auto it = docs.begin(); it != docs.end(); ++it) {
      if (it->get() == this) {
        docs.erase(it);
        break;
      }
    }
    return Variant();
  }
  if (SameName(name, "undoclear")) {
    if (id_ != 0) Send("undoclear");
    return Variant();
  }
  NoMember("a document", "method", name);
}

class Documents : public AutoObject {
 public:
  explicit Documents(SessionPtr session) : session_(std::move(session)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "Count")) return static_cast<long long>(session_->documents.size());
    NoMember("the documents", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("the documents", "property", name);
  }
  Variant Call(const std::string& name, const VariantList& args) override {
    if (SameName(name, "add")) {
      // A blank document lives only here: the office is not asked for one.
      return Insert(std::make_shared<OfficeDocument>(session_, 0));
    }
    if (SameName(name, "Open")) {
      const std::string& path = Arg(args, 0, name).AsText();
      const bool read_only = args.size() > 2 ? Flag(args[2]) : false;
      session_->EnsureOffice();
      json::Value answer =
          session_->Send("{\"cmd\":\"open\",\"path\":" + Quote(platform::NativePath(path)) +
                         ",\"read_only\":" + (read_only ? "true" : "false") + "}");
      const json::Value* id = answer.Find("doc");
      if (id == nullptr || id->number < 1) throw AutomationError("office: the page was not opened");
      return Insert(std::make_shared<OfficeDocument>(session_, static_cast<long long>(id->number)));
    }
    if (SameName(name, "Item")) {
      const long long index = IndexArg(args, name);
      auto& docs = session_->documents;
      if (index < 1 || index > static_cast<long long>(docs.size())) {
        throw AutomationError("office: no document " + std::to_string(index));
      }
      return AutoObjectPtr(docs[index - 1]);
    }
    NoMember("the documents", "method", name);
  }

 private:
  Variant Insert(DocumentPtr doc) {
    session_->documents.insert(session_->documents.begin(), doc);
    return AutoObjectPtr(doc);
  }
  SessionPtr session_;
};

class View : public AutoObject {
 public:
  explicit View(SessionPtr session) : session_(std::move(session)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "Type")) return type_;
    NoMember("a view", "property", name);
  }
  void Set(const std::string& name, const Variant& value) override {
    if (!SameName(name, "Type")) NoMember("a view", "property", name);
    if (session_->documents.empty()) throw AutomationError("office: no active window");
    type_ = value.AsInt();
    session_->documents.front()->Send("view", ",\"type\":" + std::to_string(type_));
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a view", "method", name);
  }

 private:
  SessionPtr session_;
  long long type_ = 3;
};

class Window : public AutoObject {
 public:
  explicit Window(SessionPtr session) : session_(std::move(session)) {}
  Variant Get(const std::string& name) override {
    if (SameName(name, "View")) return AutoObjectPtr(std::make_shared<View>(session_));
    NoMember("a window", "property", name);
  }
  void Set(const std::string& name, const Variant&) override {
    NoMember("a window", "property", name);
  }
  Variant Call(const std::string& name, const VariantList&) override {
    NoMember("a window", "method", name);
  }

 private:
  SessionPtr session_;
};

class Application : public AutoObject {
 public:
  explicit Application(SessionPtr session) : session_(std::move(session)) {}
  ~Application() override { session_->Quit(); }
  Variant Get(const std::string& name) override {
    if (SameName(name, "Documents")) return AutoObjectPtr(std::make_shared<Documents>(session_));
    if (SameName(name, "visible")) return session_->visible;
    if (SameName(name, "ActiveWindow")) return AutoObjectPtr(std::make_shared<Window>(session_));
    if (SameName(name, "activeDocument")) {
      if (session_->documents.empty()) throw AutomationError("office: no active document");
      return AutoObjectPtr(session_->documents.front());
    }
    if (SameName(name, "Name")) return "LibreOffice";
    NoMember("the application", "property", name);
  }
  void Set(const std::string& name, const Variant& value) override {
    if (!SameName(name, "visible")) NoMember("the application", "property", name);
    // The office runs headless: it is never visible, whatever is asked.
    session_->visible = value.AsBool() && false;
  }
  Variant Call(const std::string& name, const VariantList&) override {
    if (!SameName(name, "Quit")) NoMember("the application", "method", name);
    session_->Quit();
    return Variant();
  }

 private:
  SessionPtr session_;
};

bool MakeFolders(const std::string& native_path) {
  for (size_t at = native_path.find('/', 1); at != std::string::npos;
       at = native_path.find('/', at + 1)) {
    platform::CreateFolder(native_path.substr(0, at));
  }
  return platform::CreateFolder(native_path);
}

std::string Interpreter() {
  if (const char* env = std::getenv("QUILLON_PYTHON"); env != nullptr && *env != '\0') return env;
  // The system's python3 is the one that carries the office's uno module.
  if (platform::FileExists("/usr/bin/python3")) return "/usr/bin/python3";
  return "python3";
}

}  // namespace

std::string FindOfficeBridgeScript() {
  if (const char* env = std::getenv("QUILLON_OFFICE_BRIDGE"); env != nullptr && *env != '\0') {
    return platform::FileExists(env) ? std::string(env) : std::string();
  }
  const std::string exe = platform::ExecutableFolder();
  const std::string candidates[] = {
      exe + "/office_bridge.py", exe + "/../share/quillon/office_bridge.py",
      std::string(QUILLON_SOURCE_DIR) + "/src/wordsave/office/office_bridge.py"};
  for (const std::string& path : candidates) {
    if (platform::FileExists(path)) return path;
  }
  return std::string();
}

AutoObjectPtr CreateOfficeEngine(const EngineOptions& options) {
  const std::string script = FindOfficeBridgeScript();
  if (script.empty())
    throw AutomationError("office: the bridge script office_bridge.py is missing");
  std::string base = options.workspace_dir;
  if (base.empty()) base = platform::SystemFolder() + "\\office\\";
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  // One profile per engine instance (program and instance number), so no two
  // offices ever share one, even when two batches share a workspace.
  static std::atomic<int> instances{0};
  const std::string profile = platform::NativePath(
      base + ".office-profile-" + std::to_string(getpid()) + "-" + std::to_string(++instances));
  MakeFolders(profile);
  auto session = std::make_shared<OfficeSession>();
  session->interpreter = Interpreter();
  session->script = script;
  session->profile = profile;
  session->Start();
  return std::make_shared<Application>(session);
}

}  // namespace quillon
