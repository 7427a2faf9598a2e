#include "gui/pictures.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

// The resource lives in a static library, so nothing would pull it in unless
// it is initialised by name once.
static void InitPictureResources() { Q_INIT_RESOURCE(quillon_gui); }

namespace quillon::gui {
namespace {

QString ResourcePath(const QString& name) {
  if (name == "banner") return ":/pictures/banner.svg";
  if (name == "help") return ":/pictures/help.svg";
  if (name == "MyDocu") return ":/pictures/MyDocu.svg";
  if (name == "DeskTop") return ":/pictures/DeskTop.svg";
  return QString();
}

bool OpenRenderer(const QString& name, QSvgRenderer& renderer) {
  static const bool initialised = (InitPictureResources(), true);
  (void)initialised;
  const QString path = ResourcePath(name);
  return !path.isEmpty() && renderer.load(path) && renderer.isValid();
}

}  // namespace

QPixmap LoadPicture(const QString& name, const QSize& size) {
  QSvgRenderer renderer;
  if (!OpenRenderer(name, renderer) || size.isEmpty()) return QPixmap();
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  return pixmap;
}

QSize PictureSize(const QString& name) {
  QSvgRenderer renderer;
  if (!OpenRenderer(name, renderer)) return QSize();
  return renderer.defaultSize();
}

}  // namespace quillon::gui
