#pragma once
// What keeps "render" from writing over its own inputs, or over a file it
// wrote earlier in the same run, whatever the spelling: a path through a
// symbolic link, "..", or a second hard link names the same file. Files are
// compared by device and inode where they exist, by their resolved path
// where they do not yet.
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace qh::cli {

struct RenderOptions;

class OutputGuard {
 public:
  // inputs: the data files ("-" for standard input is skipped) and the
  // settings file, if any.
  explicit OutputGuard(const QStringList& inputs);

  // Empty when path may be written, else why not ("-" always may). A path
  // that passes is remembered as written by this run. Claims come from one
  // thread at a time, each before its output is written.
  QString Claim(const QString& path);

  // The input path names, when it is one; else empty. Nothing is remembered.
  QString InputAt(const QString& path) const;

  // Checked before anything is read or written: why the first output (-o or
  // --layout, first page) of some FILE and kind would replace an input;
  // empty when none would. Later pages are checked as they are claimed.
  QString FirstOutputsProblem(const RenderOptions& options) const;

 private:
  struct Identity {
    QString Spelling;  // as the user gave it
    QString Resolved;  // links and ".." resolved
    std::optional<std::pair<dev_t, ino_t>> Node;
  };
  static Identity Resolve(const QString& path);
  static bool Same(const Identity& a, const Identity& b);

  std::vector<Identity> inputs_;
  std::vector<Identity> claimed_;
};

}  // namespace qh::cli
