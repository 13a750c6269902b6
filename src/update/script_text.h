#pragma once
// The texts of the replacement scripts: pure functions, built and tested on
// every platform. Both show the window title they are given.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "update/update_paths.h"

namespace qh {

// The lines of the batch file, without line ends. At every moment a program
// is in place: the old one is renamed aside, the new one moved in, and the
// old one moved back and started when that fails.
QStringList BatchScriptLines(const UpdatePaths& paths, qint64 size, const QString& title);
// The batch file as written: code page 936, every line ended by CR LF.
QByteArray BatchScriptBytes(const UpdatePaths& paths, qint64 size, const QString& title);

// The shell script: same waits, retries, messages and order as the batch
// file, but the new program replaces the old one in a single rename, keeps
// the old file's mode, and the result is appended to the log.
QString ShellScriptText(const UpdatePaths& paths, qint64 size, const QString& title,
                        const ScriptTiming& timing = {});

}  // namespace qh
