// TfrmAbout: the About box. A white tool window with the banner picture, a
// centred read-only text naming the product and its version, and a Close
// button. Shown modally by the main window's "About..." button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextEdit;

namespace quillon::gui {

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // "Quillon" and the version line, as shown in the text block.
  QString ProductText() const;

 private:
  QLabel* Image1_;
  QTextEdit* Memo1_;
  QPushButton* btnClose_;
};

}  // namespace quillon::gui
