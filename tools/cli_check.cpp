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
  bool Manual = false;
  bool Json = false;
  bool Quiet = false;
  QString Format;  // what FILE holds, whatever its name
  QString File;
};

// Empty when the arguments are one FILE that can be read as asked.
QString TakeCheckOptions(const ParsedArgs& args, CheckOptions& options) {
  options.Manual = args.Has("manual");
  options.Json = args.Has("json");
  options.Quiet = args.Has("quiet");
  if (args.Has("format")) options.Format = args.Value("format");
  if (args.Operands.isEmpty()) return QStringLiteral("missing FILE");
  if (args.Operands.size() > 1) return QStringLiteral("more than one FILE");
  options.File = args.Operands.first();
  if (options.Manual) return {};
  return CheckSourceFormat(options.File, options.Format);
}

bool LoadForCheck(const CheckOptions& options, ItemTable& table) {
  const LoadLimits limits;
  table.SourcePath = options.File;
  if (!options.Manual) return LoadCliSource(options.File, options.Format, limits, table);
  const bool fromInput = options.File == QLatin1StringView(kStandardInput);
  table.Reset();
  if (!fromInput && !RequireExistingFile(options.File, table)) return false;
  QByteArray bytes = fromInput ? ReadStandardInput() : ReadAllBytes(options.File);
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

// Described by schemas/qinghechart-check-1.schema.json; a change of shape
// gets a new name there and here.
constexpr char kCheckSchema[] = "qinghechart-check-1";

void WriteCheckJson(bool ok, const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  out += "{\"schema\":\"";
  out += kCheckSchema;
  out += ok ? "\",\"ok\":true" : "\",\"ok\":false";
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

// Only rows on standard output, so cut and sort see nothing else.
void WriteCheckRows(const ItemTable& table, ChunkedOutput& output) {
  QByteArray& out = output.Buffer();
  for (size_t i = 0; i < table.Items.size(); ++i) {
    out += QByteArray::number(static_cast<qulonglong>(i + 1)) + '\t' +
           table.Items[i].Name.toUtf8() + '\t';
    AppendJsonNumber(out, table.Items[i].Value);
    out += '\n';
    output.Spill();
  }
}

void PrintSummary(const QString& file, const ItemTable& table) {
  QString summary = QStringLiteral("%1: OK %2 items").arg(file).arg(table.ItemCount());
  if (!table.LastHint.isEmpty()) summary += QStringLiteral(": ") + table.LastHint;
  PrintError(summary);
}

}  // namespace

int RunCheck(const ParsedArgs& args) {
  CheckOptions options;
  if (const QString problem = TakeCheckOptions(args, options); !problem.isEmpty())
    return ReportUsageError(kCheckCommand.Name, problem);
  ItemTable table;
  const bool ok = LoadForCheck(options, table);
  {
    ChunkedOutput output(stdout);
    if (options.Json) {
      WriteCheckJson(ok, table, output);
    } else if (ok) {
      WriteCheckRows(table, output);
    }
  }
  std::fflush(stdout);
  if (!ok) {
    ReportRefusal(options.File, table);
    return LoadFailureCode(options.File);
  }
  if (!options.Quiet && !options.Json) PrintSummary(options.File, table);
  return kExitOk;
}

}  // namespace qh::cli
