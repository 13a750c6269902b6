#pragma once
// Where the settings file, the log and the temporary files live. A program
// run from its own folder (unpacked, built, copied to a USB stick) keeps them
// beside itself; a program installed system-wide cannot write there, so they
// go to the user's configuration folder instead, with the same names.
#include <QString>

namespace qh {

// True for one of the system's own program folders, which belong to the
// package manager even for root.
bool IsPackageInstallFolder(const QString& appDir);

// True for a package's folder, or any folder the program cannot write to.
bool IsSystemInstallFolder(const QString& appDir);

// appDir itself for a portable program; otherwise configDir (created when
// missing). Both end in "/".
QString DataFolderFor(const QString& appDir, const QString& configDir);

// The settings file a program in appDir uses, by the rule of DataFolderFor,
// without creating anything: the command-line tool reads the file the
// window keeps.
QString SettingsFileFor(const QString& appDir, const QString& configDir);

// Where the save dialog starts for a chart of typed data: the program folder
// of a portable program, the user's pictures folder (or home) otherwise.
QString PictureFolderFor(const QString& appDir, const QString& dataDir);

// The per-user configuration folder of this program (~/.config/qinghechart/).
QString UserConfigFolder();

}  // namespace qh
