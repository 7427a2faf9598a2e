// Reads a converted HTML page with libxml2's HTML parser and builds the
// DocModel the binary writer needs: paragraphs, character formatting,
// tables, lists, hyperlinks, bookmarks, page breaks, tabs and pictures.
//
// Pictures are read only from files that resolve inside `package_root` (the
// unpacked package folder); any other source (absolute path, "..", a URL, a
// missing file, a format other than PNG or JPEG) becomes visible placeholder
// text. Never raises on malformed markup; raises std::runtime_error when the
// page cannot be read at all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wordsave/native/doc_model.h"

namespace quillon::native {

struct PageImage {
  std::string src;
  bool floating = false;  // has an align attribute
};

class HtmlPage {
 public:
  // Parses the page bytes; `page_path` locates relative picture sources.
  HtmlPage(const std::string& bytes, const std::string& page_path);
  ~HtmlPage();
  HtmlPage(const HtmlPage&) = delete;
  HtmlPage& operator=(const HtmlPage&) = delete;

  static std::unique_ptr<HtmlPage> Load(const std::string& page_path);

  const std::vector<PageImage>& images() const { return images_; }

  // Fills model.main, lists, fields, bookmarks, fonts and pictures. The
  // model's page setup must already be set (it sizes tables).
  void Build(DocModel& model) const;

 private:
  struct Doc;
  std::unique_ptr<Doc> doc_;
  std::string page_path_;
  std::vector<PageImage> images_;
};

}  // namespace quillon::native
