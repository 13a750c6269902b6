// qinghechart-cli check: loads a data file exactly as the window would and
// prints the table with the verdict, readable or as one JSON object.
#include "cli_commands.h"

#include "app/text_utils.h"
#include "data/file_access.h"
#include "data/large_buffer.h"
#include "data/source_loader.h"

#include <QFile>
#include <charconv>
#include <cstdio>
#include <string>

namespace qh::cli {

namespace {

struct CheckOptions {
  bool manual = false;
  bool json = false;
  QString file;
};

int CheckUsage(const char* problem) {
  std::fprintf(stderr, "qinghechart-cli check: %s\n", problem);
  std::fputs("usage: qinghechart-cli check [--manual] [--json] FILE\n"
             "  --manual  FILE holds typed lines (item,value), read as UTF-8\n"
             "  --json    print one JSON object: ok, count, items, error, hint\n"
             "exit status: 0 accepted, 1 refused, 2 usage error\n",
             stderr);
  return 2;
}

// False when the arguments are not one FILE with known options.
bool ParseCheckArgs(const QStringList& args, CheckOptions& options, const char*& problem) {
  bool optionsEnded = false;
  for (const QString& arg : args) {
    if (!optionsEnded && arg == u"--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == u"--manual") {
      options.manual = true;
    } else if (!optionsEnded && arg == u"--json") {
      options.json = true;
    } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
      problem = "unknown option";
      return false;
    } else if (!options.file.isNull()) {
      problem = "more than one FILE";
      return false;
    } else {
      options.file = arg;
    }
  }
  if (options.file.isNull()) problem = "missing FILE";
  return !options.file.isNull();
}

bool LoadForCheck(const CheckOptions& options, ItemTable& table) {
  const LoadLimits limits;
  table.SourcePath = options.file;
  if (!options.manual) return LoadSourceFile(options.file, limits, table, nullptr);
  if (!FileExists(options.file)) {
    table.Reset();
    return table.Fail(QStringLiteral("数据源文件不存在."),
                      QStringLiteral("找不到文件:\r\n") + options.file);
  }
  QByteArray bytes = ReadAllBytes(options.file);
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);  // editors on Windows add one
  return ParseManualInput(QString::fromUtf8(bytes), limits, table);
}

void AppendJsonString(std::string& out, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  out.push_back('"');
  qsizetype runStart = 0;  // bytes that need no escape go in whole runs
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b >= 0x20 && b != '"' && b != '\\') continue;
    out.append(utf8.constData() + runStart, static_cast<size_t>(i - runStart));
    runStart = i + 1;
    switch (b) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default: {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
        out += escaped;
      }
    }
  }
  out.append(utf8.constData() + runStart, static_cast<size_t>(utf8.size() - runStart));
  out.push_back('"');
}

// The shortest text that reads back to the same double.
void AppendNumber(std::string& out, double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::string CheckJson(bool ok, const ItemTable& table) {
  std::string out;
  out.reserve(256 + table.Items.size() * 48);
  AdviseLargeBuffer(out.data(), static_cast<qsizetype>(out.capacity()));
  out += ok ? "{\"ok\":true" : "{\"ok\":false";
  out += ",\"count\":" + std::to_string(table.ItemCount());
  out += ",\"items\":[";
  for (size_t i = 0; i < table.Items.size(); ++i) {
    out += i ? ",[" : "[";
    AppendJsonString(out, table.Items[i].Name);
    out.push_back(',');
    AppendNumber(out, table.Items[i].Value);
    out.push_back(']');
  }
  out += "],\"error\":";
  AppendJsonString(out, table.LastError);
  out += ",\"hint\":";
  AppendJsonString(out, table.LastHint);
  out += "}\n";
  return out;
}

std::string CheckText(bool ok, const ItemTable& table) {
  std::string out;
  if (ok) {
    out += "#\t项目\t数值\n";
    for (size_t i = 0; i < table.Items.size(); ++i) {
      out += std::to_string(i + 1) + '\t' + table.Items[i].Name.toStdString() + '\t';
      AppendNumber(out, table.Items[i].Value);
      out.push_back('\n');
    }
    out += "OK " + std::to_string(table.ItemCount()) + " items";
    if (!table.LastHint.isEmpty()) out += ": " + table.LastHint.toStdString();
    out.push_back('\n');
  } else {
    QString message = table.LastError + QStringLiteral("\r\n\r\n") + table.LastHint;
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out += "REFUSED: " + message.toStdString() + '\n';
  }
  return out;
}

}  // namespace

int RunCheck(const QStringList& args) {
  CheckOptions options;
  const char* problem = "";
  if (!ParseCheckArgs(args, options, problem)) return CheckUsage(problem);
  ItemTable table;
  const bool ok = LoadForCheck(options, table);
  const std::string out = options.json ? CheckJson(ok, table) : CheckText(ok, table);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace qh::cli
