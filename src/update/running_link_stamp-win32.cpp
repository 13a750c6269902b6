#include "update/running_link_stamp.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "update/pe_image.h"

namespace qh {

// The linker writes the time into the program's own PE header.
qint64 RunningLinkStamp() {
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  return PeLinkTime(exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() +
                    QStringLiteral(".exe"));
}

}  // namespace qh
