// BatchView: everything the batch job needs from a user interface. The command
// line implements it now, the Qt window later; tests use a recording view.
// The batch calls these in order and expects each change on screen (repainted)
// before the next step begins.
#pragma once

#include <string>
#include <vector>

namespace quillon {

class BatchView {
 public:
  virtual ~BatchView() = default;

  // Status panel (Panel6): the caption is the current status text.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual std::string StatusText() const = 0;

  // Per-file gauge (Gauge1), 0..100, hidden except while a batch runs.
  virtual void SetGaugePosition(int position) = 0;
  virtual int GaugePosition() const = 0;
  virtual void SetGaugeVisible(bool visible) = 0;

  // Row progress bar (Progress1).
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual int ProgressPosition() const = 0;

  // Rows of List1: caption ("  " + name) and sub-items (source size, then the
  // outcome columns), each row with a check box.
  virtual void ClearRows() = 0;
  virtual void AddRow(const std::string& caption, bool checked) = 0;
  virtual int RowCount() const = 0;
  virtual bool RowChecked(int row) const = 0;
  virtual std::vector<std::string> RowSubItems(int row) const = 0;
  virtual void SetRowSubItems(int row, const std::vector<std::string>& sub_items) = 0;

  // Buttons and window state.
  virtual void SetConvertEnabled(bool enabled) = 0;
  virtual void SetResultFolderEnabled(bool enabled) = 0;
  virtual void FocusResultFolder() = 0;
  virtual void FocusConvert() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void ShowList() = 0;

  // A modal message box with the system's fixed texts.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

  // Makes every change so far visible now (repaint).
  virtual void Repaint() = 0;

  // Why a row ended in "Error" (the row itself shows only "Error"). Views
  // may show it as a detail; the default ignores it.
  virtual void ReportRowError(int /*row*/, const std::string& /*reason*/) {}
};

}  // namespace quillon
