#include "ui/services/pending_drop.h"

#include <QDir>

namespace qh {

bool PendingDrop::Offer(const QList<QUrl>& urls) {
  for (const QUrl& url : urls) {
    const QString path = QDir::toNativeSeparators(url.toLocalFile());
    if (path.isEmpty()) continue;
    return OfferPath(path);  // the rest of this drop is discarded
  }
  return false;
}

bool PendingDrop::OfferPath(const QString& path) {
  if (path.isEmpty() || !path_.isEmpty()) return false;
  path_ = path;
  return true;
}

QString PendingDrop::Take() {
  QString path = path_;
  path_.clear();
  return path;
}

}  // namespace qh
