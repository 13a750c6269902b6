#pragma once
// What the update does differently per platform, in twin files:
// update_platform-posix.cpp and update_platform-win32.cpp. (The file names,
// the paths and RunUpdateScript are declared with their topics in
// download_update.h and update_script.h.)
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "update/update_script.h"

namespace qh {

// The platform's script for paths: the batch file in code page 936 on
// Windows, the UTF-8 shell script elsewhere.
QByteArray PlatformScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title,
                               const ScriptTiming& timing);

}  // namespace qh
