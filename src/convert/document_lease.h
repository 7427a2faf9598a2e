// DocumentLease: hands State().DocumentText to SharedRegex as its subject for
// a scan without copying it, and gives it back when the scan is done, or when
// the scan raises, so the text is never lost. The caller scans through
// regex() and either lets the lease end (the subject, changed or not, goes
// back into the state) or takes the subject with Take() to build from it.
// ReplaceInDocument is the document's regex replace-all built on it.
#pragma once

#include <string>
#include <utility>

#include "convert/state.h"
#include "text/regex.h"

namespace quillon {

class DocumentLease {
 public:
  DocumentLease() : regex_(SharedRegex()) { regex_.SetSubject(std::move(State().DocumentText)); }
  ~DocumentLease() {
    if (!taken_) State().DocumentText = regex_.TakeSubject();
  }
  DocumentLease(const DocumentLease&) = delete;
  DocumentLease& operator=(const DocumentLease&) = delete;

  TVelRegEx& regex() { return regex_; }
  // The subject, moved out; the state's text stays empty until reassigned.
  std::string Take() {
    taken_ = true;
    return regex_.TakeSubject();
  }

 private:
  TVelRegEx& regex_;
  bool taken_ = false;
};

// RegexReplace over State().DocumentText, without copying the text in and
// out of the engine: every match of |pattern| becomes |replacement| (a
// template only when it holds "$").
inline void ReplaceInDocument(const std::string& pattern, const std::string& replacement) {
  TVelRegEx& regex = SharedRegex();
  regex.SetPattern(pattern);
  DocumentLease lease;
  regex.SetReplacement(replacement);
  if (regex.Match()) regex.ReplaceAllMatches();
}

}  // namespace quillon
