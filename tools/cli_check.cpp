// qinghechart-cli check: loads a data file exactly as the window would and
// prints the table with the verdict, readable or as one JSON object.
#include "cli_commands.h"
#include "cli_input.h"

#include "base/text_utils.h"
#include "data/file_access.h"
#include "data/source_loader.h"

#include <QFile>
#include <algorithm>
#include <charconv>
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
  std::fputs("usage: qinghechart-cli check [--manual] [--json] [--format F] FILE\n"
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

// Writes the UTF-16 units of text as UTF-8 at d, with JSON escapes; a lone
// surrogate becomes "?" as in every other UTF-8 text the tool prints.
// Needs room for 6 bytes per unit.
char* WriteJsonChars(char* d, QStringView text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const char16_t* const units = text.utf16();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = units[i];
    if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
      *d++ = static_cast<char>(c);
    } else if (c < 0x80) {
      *d++ = '\\';
      switch (c) {
        case u'"': *d++ = '"'; break;
        case u'\\': *d++ = '\\'; break;
        case u'\n': *d++ = 'n'; break;
        case u'\r': *d++ = 'r'; break;
        case u'\t': *d++ = 't'; break;
        case u'\b': *d++ = 'b'; break;
        case u'\f': *d++ = 'f'; break;
        default:
          d = std::copy_n("u00", 3, d);
          *d++ = kHex[c >> 4];
          *d++ = kHex[c & 0xF];
      }
    } else if (c < 0x800) {
      *d++ = static_cast<char>(0xC0 | (c >> 6));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(units[i + 1])) {
      const char32_t code = QChar::surrogateToUcs4(c, units[++i]);
      *d++ = static_cast<char>(0xF0 | (code >> 18));
      *d++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *d++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (QChar::isSurrogate(c)) {
      *d++ = '?';
    } else {
      *d++ = static_cast<char>(0xE0 | (c >> 12));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return d;
}

void AppendJsonString(QByteArray& out, QStringView text) {
  const qsizetype start = out.size();
  out.resize(start + 2 + 6 * text.size());  // the new bytes are left uninitialised
  char* d = out.data() + start;
  *d++ = '"';
  d = WriteJsonChars(d, text);
  *d++ = '"';
  out.truncate(d - out.constData());
}

// The shortest text that reads back to the same double.
void AppendNumber(QByteArray& out, double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr - buffer);
}

QByteArray CheckJson(bool ok, const ItemTable& table) {
  QByteArray out;
  out.reserve(256 + static_cast<qsizetype>(table.Items.size()) * 48);
  out += ok ? "{\"ok\":true" : "{\"ok\":false";
  out += ",\"count\":" + QByteArray::number(table.ItemCount());
  out += ",\"items\":[";
  for (size_t i = 0; i < table.Items.size(); ++i) {
    out += i ? ",[" : "[";
    AppendJsonString(out, table.Items[i].Name);
    out += ',';
    AppendNumber(out, table.Items[i].Value);
    out += ']';
  }
  out += "],\"error\":";
  AppendJsonString(out, table.LastError);
  out += ",\"hint\":";
  AppendJsonString(out, table.LastHint);
  out += "}\n";
  return out;
}

QByteArray CheckText(bool ok, const ItemTable& table) {
  QByteArray out;
  if (ok) {
    out += "#\t项目\t数值\n";
    for (size_t i = 0; i < table.Items.size(); ++i) {
      out += QByteArray::number(static_cast<qulonglong>(i + 1)) + '\t' + table.Items[i].Name.toUtf8() + '\t';
      AppendNumber(out, table.Items[i].Value);
      out += '\n';
    }
    out += "OK " + QByteArray::number(table.ItemCount()) + " items";
    if (!table.LastHint.isEmpty()) out += ": " + table.LastHint.toUtf8();
    out += '\n';
  } else {
    QString message = table.LastError + QStringLiteral("\r\n\r\n") + table.LastHint;
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out += "REFUSED: " + message.toUtf8() + '\n';
  }
  return out;
}

}  // namespace

int RunCheck(const QStringList& args) {
  CheckOptions options;
  QString problem;
  if (!ParseCheckArgs(args, options, problem)) return CheckUsage(problem);
  ItemTable table;
  const bool ok = LoadForCheck(options, table);
  const QByteArray out = options.json ? CheckJson(ok, table) : CheckText(ok, table);
  std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace qh::cli
