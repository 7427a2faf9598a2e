// The pictures compiled into the window: the About banner, the help glyph and
// the two drive-box entries ("MyDocu", "DeskTop"). Each is drawn from its
// vector source at the size asked for. A name that is not known gives a null
// pixmap.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace quillon::gui {

// |name| is one of "banner", "help", "MyDocu", "DeskTop".
QPixmap LoadPicture(const QString& name, const QSize& size);

// The natural size of a picture (its drawing's own size); empty when unknown.
QSize PictureSize(const QString& name);

}  // namespace quillon::gui
