// ConversionState: the one set of values that every conversion stage reads and
// rewrites, and the operations that create, reset and fill it. Paths keep the
// system's backslash form ("...\\word\\document.xml").
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/text_ops.h"

namespace quillon {

// The ten CSS declaration slots of a paragraph, style or table fragment; each
// slot is empty or finished CSS ending in ";".
using PropertySlots = std::array<std::string, 10>;

struct StyleEntry {
  std::string id;
  PropertySlots slots;
};

struct PageSettingsT {
  // Decimal pixel texts, in the order they are read.
  std::string width, height, top, right, bottom, left;
};

struct ConversionState {
  std::string PackageName;
  std::string PackageDir;  // WorkspaceDir + PackageName + "\\"
  std::string DocumentText;
  std::string RelationshipsText;
  std::string StylesText;
  std::vector<StyleEntry> StyleTable;
  std::string NumberingText;
  PageSettingsT PageSettings;
  std::string EncodingText;
  int PixelDivisor = 15;
  std::string AutoShadingColor = "#eeeeee";
  bool HasLists = false;
  // Scratch lists of the table stage's replace-by-match operation.
  TextList SpliceTexts;
  std::vector<int> SplicePositions;
};

// Raised by LoadPackage when the unpacked package has no document part.
class PackageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The process-wide state.
ConversionState& State();

void InitConversionState();
void ResetConversionState();
// Reads the four parts of the unpacked package at State().PackageDir, removing
// the "w:" markup prefix from relationships, styles and numbering, then builds
// StyleTable. Raises PackageError when "word\\document.xml" is missing or empty.
void LoadPackage();

// What RunStages reports to between groups of stages: the batch (command line
// now, the window later) advances its per-file gauge by 10 on each call.
class StageProgress {
 public:
  virtual ~StageProgress() = default;
  virtual void StepGauge(const std::string& label) = 0;
};

// Runs the whole stage sequence over State().DocumentText.
void RunStages(StageProgress& progress);

}  // namespace quillon
