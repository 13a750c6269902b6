// qinghechart-cli check: loads a data file exactly as the window would and
// prints the table with the verdict, readable or as one JSON object.
#include "cli_commands.h"
#include "cli_input.h"
#include "cli_json.h"
#include "cli_table_options.h"

#include "base/save_file.h"
#include "base/text_utils.h"
#include "data/file_access.h"
#include "data/source_loader.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace qh::cli {

namespace {

struct CheckOptions {
  bool Manual = false;
  bool Json = false;
  bool Quiet = false;
  QString Format;  // what FILE holds, whatever its name
  TableChoice Choice;
  QStringList Files;
};

// Empty when the arguments are FILEs that can be read as asked.
QString TakeCheckOptions(const ParsedArgs& args, CheckOptions& options) {
  options.Manual = args.Has("manual");
  options.Json = args.Has("json");
  options.Quiet = args.Has("quiet");
  if (args.Has("format")) options.Format = args.Value("format");
  if (QString problem = TakeTableChoice(args, options.Choice); !problem.isEmpty()) return problem;
  if (args.Operands.isEmpty()) return QStringLiteral("missing FILE");
  options.Files = args.Operands;
  if (options.Files.count(QLatin1StringView(kStandardInput)) > 1)
    return QStringLiteral("standard input (-) can be read only once");
  if (options.Manual) return {};
  for (const QString& file : options.Files) {
    if (QString problem = CheckSourceFormat(file, options.Format); !problem.isEmpty())
      return problem;
  }
  return {};
}

bool LoadForCheck(const CheckOptions& options, const QString& file, ItemTable& table) {
  LoadLimits limits;
  limits.CompactItems = true;  // read through once, in order
  table.SourcePath = file;
  if (!options.Manual) return LoadCliSource(file, options.Format, limits, options.Choice, table);
  const bool fromInput = file == QLatin1StringView(kStandardInput);
  table.Reset();
  if (!fromInput && !RequireExistingFile(file, table)) return false;
  QByteArray bytes = fromInput ? ReadStandardInput() : ReadAllBytes(file);
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
    if (error_ == 0 && std::fwrite(out_.constData(), 1, static_cast<size_t>(out_.size()), to_) !=
                           static_cast<size_t>(out_.size())) {
      error_ = errno != 0 ? errno : EIO;
    }
    out_.resize(0);  // keeps the storage for the next piece
  }
  // Everything written out and flushed: 0, else the first error (a full
  // disk, a closed pipe).
  int Finish() {
    Flush();
    if (error_ == 0 && (std::fflush(to_) != 0 || std::ferror(to_)))
      error_ = errno != 0 ? errno : EIO;
    return error_;
  }

 public:
  static constexpr qsizetype kChunk = 256 * 1024;

 private:
  int error_ = 0;
  std::FILE* to_;
  QByteArray out_;
};

// Described by schemas/qinghechart-check-1.schema.json; a change of shape
// gets a new name there and here.
constexpr char kCheckSchema[] = "qinghechart-check-1";

// Each item's name and value in order, whichever way the reader kept them:
// each(name, value) with the name in UTF-16 or in UTF-8.
template <typename Each>
void ForEachItem(const ItemTable& table, Each each) {
  if (table.Compact) {
    CompactItems::Reader items(*table.Compact);
    std::string_view name;
    double value = 0;
    while (items.Next(name, value)) each(name, value);
    return;
  }
  for (const ItemRef item : table.Items) each(item.Name, item.Value);
}

void AppendJsonItem(QByteArray& out, QStringView name, double value) {
  out += '[';
  AppendJsonString(out, name);
  out += ',';
  AppendJsonNumber(out, value);
  out += ']';
}
QByteArray Utf8(QStringView text) { return text.toUtf8(); }
QByteArrayView Utf8(std::string_view text) {
  return QByteArrayView(text.data(), static_cast<qsizetype>(text.size()));
}

// The items of a table kept compact: written straight into the buffer,
// which grows a step at a time rather than once an item.
void WriteCompactJsonItems(const CompactItems& items, ChunkedOutput& output) {
  constexpr qsizetype kStep = 64 * 1024;
  QByteArray& out = output.Buffer();
  qsizetype used = out.size();
  CompactItems::Reader reader(items);
  std::string_view name;
  double value = 0;
  for (bool first = true; reader.Next(name, value); first = false) {
    const auto room = static_cast<qsizetype>(JsonPairRoom(name.size())) + 1;
    if (out.size() - used < room) out.resize(used + std::max(room, kStep));
    char* d = out.data() + used;
    if (!first) *d++ = ',';
    used = WriteJsonPair(d, name, value) - out.constData();
    if (used >= ChunkedOutput::kChunk) {
      out.truncate(used);
      output.Spill();
      used = out.size();
    }
  }
  out.truncate(used);
}

void WriteCheckJson(bool ok, const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  out += "{\"schema\":\"";
  out += kCheckSchema;
  out += ok ? "\",\"ok\":true" : "\",\"ok\":false";
  out += ",\"count\":" + QByteArray::number(table.ItemCount());
  out += ",\"items\":[";
  if (table.Compact) {
    WriteCompactJsonItems(*table.Compact, output);
  } else {
    bool first = true;
    for (const ItemRef item : table.Items) {
      if (!first) out += ',';
      first = false;
      AppendJsonItem(out, item.Name, item.Value);
      output.Spill();
    }
  }
  out += "],\"error\":";
  AppendJsonString(out, table.LastError);
  out += ",\"hint\":";
  AppendJsonString(out, table.LastHint);
  out += "}\n";
}

// Only rows on standard output, so cut and sort see nothing else.
void WriteCheckRows(const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  qulonglong row = 0;
  ForEachItem(table, [&](auto name, double value) {
    out += QByteArray::number(++row);
    out += '\t';
    out += Utf8(name);
    out += '\t';
    AppendJsonNumber(out, value);
    out += '\n';
    output.Spill();
  });
}

void PrintSummary(const QString& file, const ItemTable& table) {
  QString summary = QStringLiteral("%1: OK %2 items").arg(file).arg(table.ItemCount());
  if (!table.LastHint.isEmpty()) summary += QStringLiteral(": ") + table.LastHint;
  PrintError(summary);
}

// Checks one FILE: its rows or JSON object on standard output, its verdict
// on standard error. The exit code for it alone.
int CheckFile(const CheckOptions& options, const QString& file, ChunkedOutput& output) {
  ItemTable table;
  const bool ok = LoadForCheck(options, file, table);
  if (options.Json) {
    WriteCheckJson(ok, table, output);
  } else if (ok) {
    WriteCheckRows(table, output);
  }
  // Each FILE's output is out before its verdict, so the two streams read
  // in step when they go to one terminal.
  if (output.Finish() != 0) return kExitOutputFailed;  // said by the caller
  if (!ok) {
    ReportRefusal(file, table);
    return LoadFailureCode(file, table, options.Choice);
  }
  if (!options.Quiet) {
    if (!options.Json) PrintSummary(file, table);
    for (const QString& note : table.Notes) PrintError(file + QStringLiteral(": ") + note);
  }
  return kExitOk;
}

}  // namespace

int RunCheck(const ParsedArgs& args) {
  CheckOptions options;
  if (const QString problem = TakeCheckOptions(args, options); !problem.isEmpty())
    return ReportUsageError(kCheckCommand.Name, problem);
  int code = kExitOk;
  ChunkedOutput output(stdout);
  for (const QString& file : options.Files) {
    code = std::max(code, CheckFile(options, file, output));
    if (const int error = output.Finish(); error != 0) {
      // Nobody reads what follows: the rest is not checked.
      PrintError(QStringLiteral("无法写入 -:") + SystemErrorReason(error));
      return kExitOutputFailed;
    }
  }
  return code;
}

}  // namespace qh::cli
