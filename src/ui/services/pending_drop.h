#pragma once
// Dropped files wait here until the event loop hands them to the window,
// so loading and message boxes never run inside the drop handler. One drop
// gives at most one path, and only while no earlier path is waiting.
#include <QList>
#include <QString>
#include <QUrl>

namespace qh {

class PendingDrop {
 public:
  // Parks the first non-empty local path of a drop; true when one was parked.
  bool Offer(const QList<QUrl>& urls);
  bool OfferPath(const QString& path);
  bool Empty() const { return path_.isEmpty(); }
  // Returns the waiting path and empties the slot.
  QString Take();

 private:
  QString path_;
};

}  // namespace qh
