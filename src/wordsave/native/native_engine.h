// The native engine: an in-process object model answering the automation
// calls the system makes of a word processor ("Word.Application"), which on
// SaveAs with format 0 writes a Word 97-2003 binary document from the opened
// HTML page. Needs no office suite.
//
// Objects: Application (Documents, visible, ActiveWindow.View.Type,
// activeDocument, Quit), Documents (add, Open, Item, Count), Document
// (PageSetup, sections, shapes, inLineShapes, undoclear, SaveAs, Close), and
// the header/footer ranges with Font, ParagraphFormat and Text. Member names
// are compared without regard to case; any other member, a bad argument, an
// unreadable page or an unwritable target raises AutomationError.
#pragma once

#include "wordsave/automation.h"

namespace quillon {

AutoObjectPtr CreateNativeEngine(const EngineOptions& options);

}  // namespace quillon
