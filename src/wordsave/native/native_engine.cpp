#include "wordsave/native/native_engine.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "platform/files.h"
#include "wordsave/native/doc_writer.h"
#include "wordsave/native/html_reader.h"

namespace quillon {
namespace {

using native::DocModel;
using native::HeaderFooterText;
using native::HtmlPage;

[[noreturn]] void Unknown(const std::string& object, const std::string& member) {
  throw AutomationError("the " + object + " object has no member \"" + member + "\"");
}

bool ToBool(const Variant& v) { return v.IsInt() ? v.AsInt() != 0 : v.AsBool(); }
long long ToInt(const Variant& v) { return v.IsBool() ? (v.AsBool() ? -1 : 0) : v.AsInt(); }

// A base for objects with a fixed set of members: each member is a getter,
// a setter or a method, looked up without regard to case.
class Dispatch : public AutoObject {
 public:
  explicit Dispatch(std::string kind) : kind_(std::move(kind)) {}

  Variant Get(const std::string& name) override {
    for (auto& [member, get] : getters_) {
      if (SameName(member, name)) return get();
    }
    for (auto& [member, call] : methods_) {
      if (SameName(member, name)) return call({});
    }
    Unknown(kind_, name);
  }
  void Set(const std::string& name, const Variant& value) override {
    for (auto& [member, set] : setters_) {
      if (SameName(member, name)) return set(value);
    }
    Unknown(kind_, name);
  }
  Variant Call(const std::string& name, const VariantList& args) override {
    for (auto& [member, call] : methods_) {
      if (SameName(member, name)) return call(args);
    }
    if (args.empty()) {
      for (auto& [member, get] : getters_) {
        if (SameName(member, name)) return get();
      }
    }
    Unknown(kind_, name);
  }

 protected:
  void Getter(std::string name, std::function<Variant()> f) {
    getters_.emplace_back(std::move(name), std::move(f));
  }
  void Setter(std::string name, std::function<void(const Variant&)> f) {
    setters_.emplace_back(std::move(name), std::move(f));
  }
  void Method(std::string name, std::function<Variant(const VariantList&)> f) {
    methods_.emplace_back(std::move(name), std::move(f));
  }

 private:
  std::string kind_;
  std::vector<std::pair<std::string, std::function<Variant()>>> getters_;
  std::vector<std::pair<std::string, std::function<void(const Variant&)>>> setters_;
  std::vector<std::pair<std::string, std::function<Variant(const VariantList&)>>> methods_;
};

int IndexArg(const VariantList& args, size_t count, const std::string& what) {
  if (args.size() != 1) throw AutomationError(what + ": Item takes one index");
  long long i = ToInt(args[0]);
  if (i < 1 || static_cast<size_t>(i) > count) {
    throw AutomationError(what + ": the requested member of the collection does not exist");
  }
  return static_cast<int>(i);
}

// The state of one open document.
struct DocState {
  std::unique_ptr<HtmlPage> page;  // null for a blank document
  native::PageSetup setup;
  HeaderFooterText header, footer;
  std::vector<bool> linked;    // per picture of the page: still a link
  std::vector<bool> floating;  // per picture: floats beside the text
};

class FontObject : public Dispatch {
 public:
  explicit FontObject(std::shared_ptr<DocState> doc, HeaderFooterText* hf)
      : Dispatch("Font"), doc_(doc) {
    Getter("name", [hf] { return Variant(hf->font); });
    Setter("name", [hf](const Variant& v) {
      if (v.AsText().empty()) throw AutomationError("Font: an empty font name");
      hf->font = v.AsText();
    });
    Getter("size", [hf] { return Variant(hf->half_points / 2); });
    Setter("size", [hf](const Variant& v) {
      long long size = ToInt(v);
      if (size < 1 || size > 1638) throw AutomationError("Font: the size is out of range");
      hf->half_points = static_cast<int>(size * 2);
    });
    Getter("bold", [hf] { return Variant(hf->bold); });
    Setter("bold", [hf](const Variant& v) { hf->bold = ToBool(v); });
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class ParagraphFormatObject : public Dispatch {
 public:
  ParagraphFormatObject(std::shared_ptr<DocState> doc, HeaderFooterText* hf)
      : Dispatch("ParagraphFormat"), doc_(doc) {
    Getter("Alignment", [hf] { return Variant(hf->align); });
    Setter("Alignment", [hf](const Variant& v) {
      long long a = ToInt(v);
      if (a < 0 || a > 3) throw AutomationError("ParagraphFormat: the alignment is out of range");
      hf->align = static_cast<int>(a);
    });
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class RangeObject : public Dispatch {
 public:
  RangeObject(std::shared_ptr<DocState> doc, HeaderFooterText* hf) : Dispatch("Range") {
    Getter("Font",
           [doc, hf] { return Variant(AutoObjectPtr(std::make_shared<FontObject>(doc, hf))); });
    Getter("ParagraphFormat", [doc, hf] {
      return Variant(AutoObjectPtr(std::make_shared<ParagraphFormatObject>(doc, hf)));
    });
    Getter("Text", [hf] { return Variant(hf->text); });
    Setter("Text", [hf](const Variant& v) {
      std::string text = v.AsText();
      // Paragraph and line breaks inside the one paragraph become spaces.
      std::replace(text.begin(), text.end(), '\r', ' ');
      std::replace(text.begin(), text.end(), '\n', ' ');
      hf->text = text;
    });
  }
};

class HeaderFooterObject : public Dispatch {
 public:
  HeaderFooterObject(std::shared_ptr<DocState> doc, HeaderFooterText* hf)
      : Dispatch("HeaderFooter") {
    Getter("Range",
           [doc, hf] { return Variant(AutoObjectPtr(std::make_shared<RangeObject>(doc, hf))); });
  }
};

class HeadersFootersObject : public Dispatch {
 public:
  HeadersFootersObject(std::shared_ptr<DocState> doc, HeaderFooterText* hf)
      : Dispatch("HeadersFooters") {
    Getter("Count", [] { return Variant(1); });
    // Item 1 is the primary header or footer, the only one the engine writes.
    Method("item", [doc, hf](const VariantList& args) {
      IndexArg(args, 1, "HeadersFooters");
      return Variant(AutoObjectPtr(std::make_shared<HeaderFooterObject>(doc, hf)));
    });
  }
};

class SectionObject : public Dispatch {
 public:
  explicit SectionObject(std::shared_ptr<DocState> doc) : Dispatch("Section") {
    Getter("Headers", [doc] {
      return Variant(AutoObjectPtr(std::make_shared<HeadersFootersObject>(doc, &doc->header)));
    });
    Getter("Footers", [doc] {
      return Variant(AutoObjectPtr(std::make_shared<HeadersFootersObject>(doc, &doc->footer)));
    });
  }
};

class SectionsObject : public Dispatch {
 public:
  explicit SectionsObject(std::shared_ptr<DocState> doc) : Dispatch("Sections") {
    Getter("Count", [] { return Variant(1); });
    Method("item", [doc](const VariantList& args) {
      IndexArg(args, 1, "Sections");
      return Variant(AutoObjectPtr(std::make_shared<SectionObject>(doc)));
    });
  }
};

class PageSetupObject : public Dispatch {
 public:
  explicit PageSetupObject(std::shared_ptr<DocState> doc) : Dispatch("PageSetup") {
    native::PageSetup* s = &doc->setup;
    Field("pageWidth", doc, &s->width, true);
    Field("pageHeight", doc, &s->height, true);
    Field("LeftMargin", doc, &s->left, false);
    Field("RightMargin", doc, &s->right, false);
    Field("TopMargin", doc, &s->top, false);
    Field("BottomMargin", doc, &s->bottom, false);
  }

 private:
  // Values are points; the document keeps twips. A negative value counts
  // as 0; a page side must be positive and within the format's range.
  void Field(const std::string& name, std::shared_ptr<DocState> doc, int* twips, bool page_side) {
    Getter(name, [doc, twips] { return Variant(*twips / 20); });
    Setter(name, [doc, twips, page_side, name](const Variant& v) {
      long long points = std::max(0LL, ToInt(v));
      if (page_side && (points < 1 || points > 1584)) {
        throw AutomationError("PageSetup: the " + name + " value is out of range");
      }
      if (points > 1584) throw AutomationError("PageSetup: the " + name + " value is out of range");
      *twips = static_cast<int>(points * 20);
    });
  }
};

class LinkFormatObject : public Dispatch {
 public:
  LinkFormatObject(std::shared_ptr<DocState> doc, size_t picture) : Dispatch("LinkFormat") {
    Method("breakLink", [doc, picture](const VariantList&) {
      doc->linked[picture] = false;
      return Variant();
    });
    Getter("SourceFullName", [doc, picture] { return Variant(doc->page->images()[picture].src); });
  }
};

class ShapeObject : public Dispatch {
 public:
  ShapeObject(std::shared_ptr<DocState> doc, size_t picture) : Dispatch("Shape") {
    Getter("linkFormat", [doc, picture] {
      if (!doc->linked[picture]) return Variant();
      return Variant(AutoObjectPtr(std::make_shared<LinkFormatObject>(doc, picture)));
    });
  }
};

// The pictures of the page: floating ones are "shapes", the others
// "inLineShapes"; both are written inline at their size.
class ShapesObject : public Dispatch {
 public:
  ShapesObject(std::shared_ptr<DocState> doc, bool floating)
      : Dispatch(floating ? "Shapes" : "InlineShapes") {
    auto members = [doc, floating] {
      std::vector<size_t> out;
      for (size_t i = 0; i < doc->floating.size(); ++i) {
        if (doc->floating[i] == floating) out.push_back(i);
      }
      return out;
    };
    Getter("count", [members] { return Variant(static_cast<long long>(members().size())); });
    Method("item", [doc, members](const VariantList& args) {
      std::vector<size_t> m = members();
      int i = IndexArg(args, m.size(), "Shapes");
      return Variant(
          AutoObjectPtr(std::make_shared<ShapeObject>(doc, m[static_cast<size_t>(i - 1)])));
    });
  }
};

class DocumentsObject;

class DocumentObject : public Dispatch {
 public:
  DocumentObject(std::shared_ptr<DocState> doc, std::weak_ptr<DocumentsObject> owner)
      : Dispatch("Document"), doc_(std::move(doc)), owner_(std::move(owner)) {
    auto doc_ptr = doc_;
    Getter("PageSetup", [doc_ptr] {
      return Variant(AutoObjectPtr(std::make_shared<PageSetupObject>(doc_ptr)));
    });
    Getter("sections",
           [doc_ptr] { return Variant(AutoObjectPtr(std::make_shared<SectionsObject>(doc_ptr))); });
    Getter("shapes", [doc_ptr] {
      return Variant(AutoObjectPtr(std::make_shared<ShapesObject>(doc_ptr, true)));
    });
    Getter("inLineShapes", [doc_ptr] {
      return Variant(AutoObjectPtr(std::make_shared<ShapesObject>(doc_ptr, false)));
    });
    Method("undoclear", [](const VariantList&) { return Variant(); });
    Method("SaveAs", [doc_ptr](const VariantList& args) {
      if (args.empty() || !args[0].IsText())
        throw AutomationError("SaveAs: a target path is required");
      if (args.size() > 1 && ToInt(args[1]) != 0) {
        throw AutomationError("SaveAs: the native engine writes only the Word document format (0)");
      }
      Save(*doc_ptr, platform::NativePath(args[0].AsText()));
      return Variant();
    });
    Method("Close", [this](const VariantList&) {
      CloseSelf();
      return Variant();
    });
  }

  const std::shared_ptr<DocState>& state() const { return doc_; }

 private:
  static void Save(const DocState& doc, const std::string& path) {
    try {
      DocModel model;
      model.page = doc.setup;
      model.header = doc.header;
      model.footer = doc.footer;
      if (doc.page) doc.page->Build(model);
      if (model.main.text().empty()) model.main.EndParagraph("", "");
      native::SaveDocFile(model, path);
    } catch (const AutomationError&) {
      throw;
    } catch (const std::exception& e) {
      throw AutomationError(std::string("SaveAs: ") + e.what());
    }
  }

  void CloseSelf();

  std::shared_ptr<DocState> doc_;
  std::weak_ptr<DocumentsObject> owner_;
};

class DocumentsObject : public Dispatch {
 public:
  DocumentsObject() : Dispatch("Documents") {
    Getter("Count", [this] { return Variant(static_cast<long long>(docs_.size())); });
    Method("add", [this](const VariantList&) {
      return Variant(AutoObjectPtr(Insert(std::make_shared<DocState>())));
    });
    Method("Open", [this](const VariantList& args) {
      if (args.empty() || !args[0].IsText()) throw AutomationError("Open: a file name is required");
      auto state = std::make_shared<DocState>();
      try {
        state->page = HtmlPage::Load(platform::NativePath(args[0].AsText()));
      } catch (const std::exception& e) {
        throw AutomationError(std::string("Open: ") + e.what());
      }
      for (const auto& image : state->page->images()) {
        state->linked.push_back(!image.src.empty());
        state->floating.push_back(image.floating);
      }
      return Variant(AutoObjectPtr(Insert(state)));
    });
    Method("Item", [this](const VariantList& args) {
      int i = IndexArg(args, docs_.size(), "Documents");
      return Variant(AutoObjectPtr(docs_[static_cast<size_t>(i - 1)]));
    });
  }

  void Remove(const DocumentObject* doc) {
    docs_.erase(
        std::remove_if(docs_.begin(), docs_.end(), [doc](const auto& d) { return d.get() == doc; }),
        docs_.end());
  }
  void Clear() { docs_.clear(); }
  // The most recently added or opened document still open.
  AutoObjectPtr Active() const {
    if (docs_.empty()) throw AutomationError("there is no active document");
    return docs_.front();
  }

 private:
  // Like the word processor, the newest document becomes item 1.
  std::shared_ptr<DocumentObject> Insert(std::shared_ptr<DocState> state) {
    auto self = std::static_pointer_cast<DocumentsObject>(shared_from_this());
    auto doc = std::make_shared<DocumentObject>(std::move(state), self);
    docs_.insert(docs_.begin(), doc);
    return doc;
  }

  std::vector<std::shared_ptr<DocumentObject>> docs_;
};

void DocumentObject::CloseSelf() {
  if (auto owner = owner_.lock()) owner->Remove(this);
}

class ViewObject : public Dispatch {
 public:
  ViewObject() : Dispatch("View") {
    Getter("Type", [this] { return Variant(type_); });
    Setter("Type", [this](const Variant& v) { type_ = ToInt(v); });
  }

 private:
  long long type_ = 1;
};

class WindowObject : public Dispatch {
 public:
  WindowObject() : Dispatch("Window"), view_(std::make_shared<ViewObject>()) {
    Getter("View", [this] { return Variant(AutoObjectPtr(view_)); });
  }

 private:
  std::shared_ptr<ViewObject> view_;
};

class ApplicationObject : public Dispatch {
 public:
  ApplicationObject()
      : Dispatch("Application"),
        documents_(std::make_shared<DocumentsObject>()),
        window_(std::make_shared<WindowObject>()) {
    Getter("Documents", [this] { return Variant(AutoObjectPtr(documents_)); });
    Getter("visible", [this] { return Variant(visible_); });
    Setter("visible", [this](const Variant& v) { visible_ = ToBool(v); });
    Getter("ActiveWindow", [this] { return Variant(AutoObjectPtr(window_)); });
    Getter("activeDocument", [this] { return Variant(documents_->Active()); });
    Getter("Name", [] { return Variant("Quillon native engine"); });
    Method("Quit", [this](const VariantList&) {
      documents_->Clear();
      return Variant();
    });
  }

 private:
  std::shared_ptr<DocumentsObject> documents_;
  std::shared_ptr<WindowObject> window_;
  bool visible_ = false;
};

}  // namespace

AutoObjectPtr CreateNativeEngine(const EngineOptions& /*options*/) {
  return std::make_shared<ApplicationObject>();
}

}  // namespace quillon
