#include "gui/about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "gui/pictures.h"
#include "quillon_version.h"

namespace quillon::gui {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("frmAbout");
  setWindowTitle("About");
  setFixedSize(286, 356);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Base, Qt::white);
  setPalette(white);

  Image1_ = new QLabel(this);
  Image1_->setObjectName("Image1");
  Image1_->setAlignment(Qt::AlignCenter);
  Image1_->setPixmap(LoadPicture("banner", QSize(286, 120)));
  Image1_->setFixedHeight(120);

  Memo1_ = new QTextEdit(this);
  Memo1_->setObjectName("Memo1");
  Memo1_->setReadOnly(true);
  Memo1_->setFrameShape(QFrame::NoFrame);
  Memo1_->setFocusPolicy(Qt::NoFocus);
  Memo1_->setHtml(QString("<div align=\"center\"><p style=\"font-size:16pt\"><b>Quillon</b></p>"
                          "<p>Version %1</p>"
                          "<p>Batch conversion of Word documents (.docx)<br>"
                          "into the Word 97-2003 format (.doc).</p></div>")
                      .arg(QUILLON_VERSION));

  btnClose_ = new QPushButton("Close", this);
  btnClose_->setObjectName("btnClose");
  btnClose_->setFixedSize(75, 23);
  btnClose_->setDefault(true);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 12);
  layout->addWidget(Image1_);
  layout->addWidget(Memo1_, 1);
  layout->addWidget(btnClose_, 0, Qt::AlignHCenter);
}

QString TfrmAbout::ProductText() const { return Memo1_->toPlainText(); }

}  // namespace quillon::gui
