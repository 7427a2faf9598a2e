// The "office" engine: LibreOffice, headless, behind the automation object
// model. Starting the engine starts one office process (with a private
// profile below the workspace) through a small python3-uno bridge script
// talking one JSON command per line over a pipe; "Quit" ends both. Each
// engine instance has a profile of its own, so batches running at the same
// time never share an office. When the office dies (or stops answering), the
// next Documents.Open starts a fresh one; the documents of the lost office
// refuse further calls, and closing them only drops them.
//
// The application object answers the members the save step uses: Documents
// (add, Open, Item, Count), visible, ActiveWindow.View.Type, activeDocument,
// Quit; a document answers PageSetup, sections(i).Headers/Footers(i).Range
// (Font, ParagraphFormat, Text), shapes, inLineShapes (count, item,
// linkFormat.breakLink), undoclear, SaveAs and Close. Every failure raises
// AutomationError.
#pragma once

#include <string>

#include "wordsave/automation.h"

namespace quillon {

// Starts the bridge and the office; raises AutomationError when python3-uno or
// LibreOffice is missing or does not answer. $QUILLON_PYTHON names the python
// interpreter (default /usr/bin/python3), $QUILLON_SOFFICE the office program
// (default: soffice on the PATH).
AutoObjectPtr CreateOfficeEngine(const EngineOptions& options);

// Where the bridge script is looked for: $QUILLON_OFFICE_BRIDGE, beside the
// executable, ../share/quillon/ above it, then the source tree. Empty when it
// is nowhere.
std::string FindOfficeBridgeScript();

}  // namespace quillon
