#pragma once
// Versions are compared as build numbers: the local link time and the
// download's Last-Modified time both end up as one.
#include <QDateTime>
#include <QtGlobal>

namespace qh {

// year × 1000000 + month × 10000 + day × 100 + hour of the date's own fields;
// 0 when the year is too large for the 32-bit number.
qint32 BuildNumberOf(const QDateTime& date);

}  // namespace qh
