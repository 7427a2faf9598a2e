// The fixed order of the conversion stages.
#include "convert/link_stages.h"
#include "convert/list_stages.h"
#include "convert/page_stages.h"
#include "convert/paragraph_stages.h"
#include "convert/prepare_stages.h"
#include "convert/state.h"
#include "convert/table_stages.h"

namespace quillon {

// Every stage relies on what the stages before it left in DocumentText.
void RunStages(StageProgress& progress) {
  progress.StepGauge("Preparing conversion");
  PrepareDocument();
  ReadPageSettings();
  progress.StepGauge("Parsing table");
  ParseTables();
  progress.StepGauge("ParsingList");
  ParseListItems();
  GroupLists();
  ParseDropCaps();
  progress.StepGauge("Parsing text");
  ParseParagraphs();
  ParseRuns();
  ParseTabs();
  ParseLinks();
  ParseDrawings();
  progress.StepGauge("Optimizing");
  ParseFields();
  ParsePageBreaks();
  FinishText();
  BreakLines();
  progress.StepGauge("Done");
}

}  // namespace quillon
