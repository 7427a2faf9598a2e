// A BatchView for tests: keeps the screen state like a window would and logs
// every change ("status ...", "gauge 30", "progress 2", "message ...",
// "row 1 ...", "repaint"), so tests check both the final state and the order.
#pragma once

#include <string>
#include <vector>

#include "app/view.h"

namespace quillon::testing {

class RecordingView : public BatchView {
 public:
  struct Row {
    std::string caption;
    bool checked = true;
    std::vector<std::string> sub_items;
  };

  void SetStatusText(const std::string& text) override {
    status = text;
    log.push_back("status " + text);
  }
  std::string StatusText() const override { return status; }
  void SetGaugePosition(int position) override {
    gauge = position;
    log.push_back("gauge " + std::to_string(position));
  }
  int GaugePosition() const override { return gauge; }
  void SetGaugeVisible(bool visible) override {
    gauge_visible = visible;
    log.push_back(visible ? "gauge shown" : "gauge hidden");
  }
  void SetProgressMax(int max) override {
    progress_max = max;
    log.push_back("progress max " + std::to_string(max));
  }
  void SetProgressPosition(int position) override {
    progress = position;
    log.push_back("progress " + std::to_string(position));
  }
  int ProgressPosition() const override { return progress; }

  void ClearRows() override { rows.clear(); }
  void AddRow(const std::string& caption, bool checked) override {
    rows.push_back({caption, checked, {}});
  }
  int RowCount() const override { return static_cast<int>(rows.size()); }
  bool RowChecked(int row) const override { return rows.at(row).checked; }
  std::vector<std::string> RowSubItems(int row) const override { return rows.at(row).sub_items; }
  void SetRowSubItems(int row, const std::vector<std::string>& sub_items) override {
    rows.at(row).sub_items = sub_items;
    std::string text;
    for (const std::string& s : sub_items) text += "|" + s;
    log.push_back("row " + std::to_string(row) + " " + text);
  }

  void SetConvertEnabled(bool enabled) override { convert_enabled = enabled; }
  void SetResultFolderEnabled(bool enabled) override { result_folder_enabled = enabled; }
  void FocusResultFolder() override { focus = "btnLook"; }
  void FocusConvert() override { focus = "btnConv"; }
  void SetCaption(const std::string& text) override { caption = text; }
  void ShowList() override { list_visible = true; }
  void ShowMessage(const std::string& text, const std::string& box_caption) override {
    messages.push_back(text);
    message_captions.push_back(box_caption);
    log.push_back("message " + text);
  }
  void Repaint() override { log.push_back("repaint"); }

  // Log lines starting with |prefix|.
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : log) {
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
  }

  std::string status;
  int gauge = 0;
  bool gauge_visible = false;
  int progress_max = 100;
  int progress = 0;
  std::vector<Row> rows;
  bool convert_enabled = false;
  bool result_folder_enabled = false;
  std::string focus;
  std::string caption;
  bool list_visible = false;
  std::vector<std::string> messages;
  std::vector<std::string> message_captions;
  std::vector<std::string> log;
};

}  // namespace quillon::testing
