#include "cli_output_guard.h"

#include "cli_input.h"
#include "cli_render_options.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace qh::cli {

namespace {

// Enough for any sane chain of links; a longer one (or a loop) ends as the
// path reached so far.
constexpr int kMaxLinkHops = 40;

// The path a file not there yet will have: a dangling link is followed to
// where a save through it would write, the folder is resolved as far as it
// exists.
QString ResolveMissing(QString path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    const QFileInfo info(path);
    if (!info.isSymLink()) break;
    path = info.symLinkTarget();
  }
  const QFileInfo info(path);
  const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                          : QDir(folder).filePath(info.fileName());
}

// Said alike before the run and as later pages are claimed.
QString InputReplacedText(const QString& path, const QString& input) {
  return QStringLiteral("%1: would replace the input %2; choose another output name")
      .arg(path, input);
}

}  // namespace

OutputGuard::OutputGuard(const QStringList& inputs) {
  for (const QString& input : inputs) {
    if (!input.isEmpty() && input != QLatin1StringView(kStandardInput))
      inputs_.push_back(Resolve(input));
  }
}

OutputGuard::Identity OutputGuard::Resolve(const QString& path) {
  Identity id{path, {}, std::nullopt};
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
    id.Node = std::make_pair(st.st_dev, st.st_ino);
    id.Resolved = QFileInfo(path).canonicalFilePath();
  }
  if (id.Resolved.isEmpty()) id.Resolved = ResolveMissing(path);
  return id;
}

// A file written by a save is a new inode under the old name, and a hard
// link keeps the old inode under another name: either match is the same file.
bool OutputGuard::Same(const Identity& a, const Identity& b) {
  if (a.Node && b.Node && *a.Node == *b.Node) return true;
  return a.Resolved == b.Resolved;
}

QString OutputGuard::InputAt(const QString& path) const {
  if (path == u"-") return {};
  const Identity id = Resolve(path);
  for (const Identity& input : inputs_) {
    if (Same(id, input)) return input.Spelling;
  }
  return {};
}

QString OutputGuard::FirstOutputsProblem(const RenderOptions& o) const {
  for (const QString& file : o.Files) {
    for (const ChartPage kind : o.Kinds) {
      for (const QString& pattern : {o.OutPattern, o.LayoutPattern}) {
        if (pattern.isEmpty()) continue;
        const QString out = OutputName(pattern, file, kind, o.PageNo.value_or(1));
        if (const QString input = InputAt(out); !input.isEmpty())
          return InputReplacedText(out, input);
      }
    }
  }
  return {};
}

QString OutputGuard::Claim(const QString& path) {
  if (path == u"-") return {};
  if (const QString input = InputAt(path); !input.isEmpty()) {
    return InputReplacedText(path, input);
  }
  const Identity id = Resolve(path);
  for (Identity& earlier : claimed_) {
    // Written since it was claimed: it has an inode now.
    if (!earlier.Node) earlier = Resolve(earlier.Spelling);
    if (!Same(id, earlier)) continue;
    const QString also =
        earlier.Spelling == path ? QString() : QStringLiteral(" (as %1)").arg(earlier.Spelling);
    return QStringLiteral(
               "%1: written twice in this run%2; put {name}, {kind} or {page} in "
               "its name to tell the charts apart")
        .arg(path, also);
  }
  claimed_.push_back(id);
  return {};
}

}  // namespace qh::cli
