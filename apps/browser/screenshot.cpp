#include "apps/browser/screenshot.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

#include "apps/browser/browser_window.h"

namespace vmbgrid::browser {

std::string SaveScreenshot(QWidget& window, const std::string& path) {
  BrowserWindow::Settle();
  const QString file = QString::fromStdString(path);
  const QDir dir = QFileInfo(file).absoluteDir();
  if (!dir.exists() && !QDir().mkpath(dir.absolutePath()))
    return "Der Ordner \"" + dir.absolutePath().toStdString() + "\" kann nicht angelegt werden.";
  // Saved next to the target and renamed, so that a failed write never leaves half
  // a picture under the name.
  const QString tmp = file + QStringLiteral(".tmp");
  const QPixmap shot = window.grab();
  if (shot.isNull() || !shot.save(tmp, "PNG")) {
    QFile::remove(tmp);
    return "Das Bildschirmfoto kann nicht nach \"" + path + "\" geschrieben werden.";
  }
  QFile::remove(file);
  if (!QFile::rename(tmp, file)) {
    QFile::remove(tmp);
    return "Das Bildschirmfoto kann nicht nach \"" + path + "\" geschrieben werden.";
  }
  return {};
}

}  // namespace vmbgrid::browser
