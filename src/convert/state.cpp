#include "convert/state.h"

#include "convert/styles.h"
#include "convert/word_prefix.h"
#include "platform/files.h"

namespace quillon {

ConversionState& State() {
  // Created on first use and never destroyed, so it outlives every caller.
  static ConversionState* state = new ConversionState;
  return *state;
}

void InitConversionState() {
  ConversionState& s = State();
  s.SpliceTexts.clear();
  s.SplicePositions.clear();
}

void ResetConversionState() {
  ConversionState& s = State();
  s.SpliceTexts.clear();
  s.SplicePositions.clear();
  s.PackageName.clear();
  s.DocumentText.clear();
  s.RelationshipsText.clear();
  s.NumberingText.clear();
  // Every document gets its own page: ReadPageSettings fills all six values,
  // from the document or from the default page.
  s.PageSettings = PageSettingsT{};
}

void LoadPackage() {
  ConversionState& s = State();
  s.PixelDivisor = 15;
  s.AutoShadingColor = "#eeeeee";

  const std::string document_path = s.PackageDir + "word\\document.xml";
  if (!platform::FileExists(document_path)) {
    throw PackageError("The package has no document part (word\\document.xml): " +
                       platform::NativePath(document_path));
  }
  s.DocumentText = ReadTextFile(document_path);
  if (s.DocumentText.empty()) {
    throw PackageError("The document part of the package is empty (word\\document.xml): " +
                       platform::NativePath(document_path));
  }
  s.RelationshipsText =
      RemoveWordPrefix(ReadTextFile(s.PackageDir + "word\\_rels\\document.xml.rels"));
  s.StylesText = RemoveWordPrefix(ReadTextFile(s.PackageDir + "word\\styles.xml"));
  BuildStyleSheet();
  s.NumberingText = RemoveWordPrefix(ReadTextFile(s.PackageDir + "word\\numbering.xml"));
}

}  // namespace quillon
