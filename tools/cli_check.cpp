// qinghechart-cli check: loads a data file exactly as the window would and
// prints the table with the verdict, readable or as one JSON object.
#include "cli_commands.h"
#include "cli_input.h"
#include "cli_json.h"

#include "base/text_utils.h"
#include "data/file_access.h"
#include "data/source_loader.h"

#include <QFile>
#include <cstdio>

namespace qh::cli {

namespace {

struct CheckOptions {
  bool manual = false;
  bool json = false;
  QString format;  // for FILE "-"
  QString file;
};

int CheckUsage(const QString& problem) {
  std::fprintf(stderr, "qinghechart-cli check: %s\n", problem.toUtf8().constData());
  std::fputs(
      "usage: qinghechart-cli check [--manual] [--json] [--format F] FILE\n"
      "  --manual  FILE holds typed lines (item,value), read as UTF-8\n"
      "  --json    print one JSON object: ok, count, items, error, hint\n"
      "  --format  html, csv, xls or xlsx: what FILE - (standard input) holds\n"
      "exit status: 0 accepted, 1 refused, 2 usage error\n",
      stderr);
  return 2;
}

// False when the arguments are not one FILE with known options.
bool ParseCheckArgs(const QStringList& args, CheckOptions& options, QString& problem) {
  bool optionsEnded = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (!optionsEnded && arg == u"--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == u"--manual") {
      options.manual = true;
    } else if (!optionsEnded && arg == u"--json") {
      options.json = true;
    } else if (!optionsEnded && arg == u"--format") {
      if (i + 1 >= args.size()) {
        problem = QStringLiteral("--format needs a value");
        return false;
      }
      options.format = args[++i];
    } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
      problem = QStringLiteral("unknown option");
      return false;
    } else if (!options.file.isNull()) {
      problem = QStringLiteral("more than one FILE");
      return false;
    } else {
      options.file = arg;
    }
  }
  if (options.file.isNull()) {
    problem = QStringLiteral("missing FILE");
    return false;
  }
  if (!options.manual) problem = CheckSourceFormat(options.file, options.format);
  return problem.isEmpty();
}

bool LoadForCheck(const CheckOptions& options, ItemTable& table) {
  const LoadLimits limits;
  table.SourcePath = options.file;
  if (!options.manual) return LoadCliSource(options.file, options.format, limits, table);
  const bool fromInput = options.file == QLatin1StringView(kStandardInput);
  table.Reset();
  if (!fromInput && !RequireExistingFile(options.file, table)) return false;
  QByteArray bytes = fromInput ? ReadStandardInput() : ReadAllBytes(options.file);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);  // editors on Windows add one
  return ParseManualInput(QString::fromUtf8(bytes), limits, table);
}

// Output goes out in pieces: a million items printed whole would cost as
// much memory again as the table.
class ChunkedOutput {
 public:
  explicit ChunkedOutput(std::FILE* to) : to_(to) { out_.reserve(kChunk + 4096); }
  ~ChunkedOutput() { Flush(); }
  ChunkedOutput(const ChunkedOutput&) = delete;
  ChunkedOutput& operator=(const ChunkedOutput&) = delete;

  QByteArray& Buffer() { return out_; }
  // Writes the buffer out once it has grown past one piece.
  void Spill() {
    if (out_.size() >= kChunk) Flush();
  }
  void Flush() {
    std::fwrite(out_.constData(), 1, static_cast<size_t>(out_.size()), to_);
    out_.resize(0);  // keeps the storage for the next piece
  }

 private:
  static constexpr qsizetype kChunk = 1 << 20;
  std::FILE* to_;
  QByteArray out_;
};

void WriteCheckJson(bool ok, const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  out += ok ? "{\"ok\":true" : "{\"ok\":false";
  out += ",\"count\":" + QByteArray::number(table.ItemCount());
  out += ",\"items\":[";
  for (size_t i = 0; i < table.Items.size(); ++i) {
    out += i ? ",[" : "[";
    AppendJsonString(out, table.Items[i].Name);
    out += ',';
    AppendJsonNumber(out, table.Items[i].Value);
    out += ']';
    output.Spill();
  }
  out += "],\"error\":";
  AppendJsonString(out, table.LastError);
  out += ",\"hint\":";
  AppendJsonString(out, table.LastHint);
  out += "}\n";
}

void WriteCheckText(bool ok, const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  if (ok) {
    out += "#\t项目\t数值\n";
    for (size_t i = 0; i < table.Items.size(); ++i) {
      out += QByteArray::number(static_cast<qulonglong>(i + 1)) + '\t' +
             table.Items[i].Name.toUtf8() + '\t';
      AppendJsonNumber(out, table.Items[i].Value);
      out += '\n';
      output.Spill();
    }
    out += "OK " + QByteArray::number(table.ItemCount()) + " items";
    if (!table.LastHint.isEmpty()) out += ": " + table.LastHint.toUtf8();
    out += '\n';
  } else {
    QString message = table.LastError + QStringLiteral("\r\n\r\n") + table.LastHint;
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out += "REFUSED: " + message.toUtf8() + '\n';
  }
}

}  // namespace

int RunCheck(const QStringList& args) {
  CheckOptions options;
  QString problem;
  if (!ParseCheckArgs(args, options, problem)) return CheckUsage(problem);
  ItemTable table;
  const bool ok = LoadForCheck(options, table);
  {
    ChunkedOutput output(stdout);
    if (options.json) {
      WriteCheckJson(ok, table, output);
    } else {
      WriteCheckText(ok, table, output);
    }
  }
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace qh::cli
