#pragma once
// The one way the programs write a file: the bytes go to a temporary file in
// the target's folder, every write and the flush to disk are checked, and
// only a complete file is renamed over the target. Whatever fails, the old
// file keeps its bytes, the temporary file is removed, and the caller gets
// the system's reason in words. A replaced file keeps its permission bits,
// and access ACL, and its owner and group where the process may set them;
// a file its owner made read-only is refused, also to root. Temporary files
// that killed saves in the same folder left behind are removed first.
#include <QByteArrayView>
#include <QString>

namespace qh {

struct SaveResult {
  bool Ok = true;
  int Error = 0;   // the errno of the step that failed; 0 when the fault was not the system's
  QString Reason;  // why it failed, in words (see SystemErrorReason); empty on success
  explicit operator bool() const { return Ok; }

  static SaveResult Failed(int error);
  static SaveResult Failed(QString reason);
};

// How a save the user asked for ended, as the window reports it.
struct SaveOutcome {
  bool Ok = false;
  QString ErrorText;  // the message to show; empty with !Ok when the user cancelled
  QString SavedPath;
};

struct SaveOptions {
  // Permission bits of a file that does not exist yet (the umask applies);
  // an existing file keeps its own.
  unsigned NewFileMode = 0666;
  // Whether the temporary files killed saves left in the folder are looked
  // for first. A run that writes many files into one folder looks once:
  // looking at every save reads the whole folder each time.
  bool RemoveStaleTemps = true;
};

SaveResult SaveFile(const QString& path, QByteArrayView bytes, const SaveOptions& options = {});

// The reason for a system error number, in Chinese for the faults a save
// meets (disk full, no permission, read-only filesystem, not a folder...),
// the system's own text for any other.
QString SystemErrorReason(int error);

// "NAME.~qz" + six letters or digits: the temporary files of saves of
// fileName (the last part of a path). A name too long to take the ten more
// bytes is cut first.
QString SaveTempPrefix(const QString& fileName);

// Removes what saves in path's folder left behind when the program was
// killed between the temporary file and the rename: every "*.~qz" + six
// letters or digits that is a plain file no running save holds. (Files of
// the "NAME.XXXXXX" form that earlier builds left are not touched: a name of
// the user's can look the same.) Returns how many were removed.
int RemoveStaleSaveTemps(const QString& path);

}  // namespace qh
