#include "cli_table_options.h"

#include "base/text_utils.h"

namespace qh::cli {

namespace {

// More title rows than any report has: a typo, not a title.
constexpr int kMaxSkipRows = 1000000;

bool AllDigits(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

QString TakeColumns(const QString& text, TableChoice& choice) {
  const QStringList parts = text.split(u',');
  const QString expected = QStringLiteral(
      "bad --columns '%1' (expected NAME_COL,VALUE_COL: column numbers from 1 or header "
      "texts, e.g. 1,3)");
  if (parts.size() != 2 || IsBlank(parts[0]) || IsBlank(parts[1])) return expected.arg(text);
  for (const QString& part : parts) {
    const QString stripped = StripSpaces(part);
    if (AllDigits(stripped) && ColumnNumberIndex(stripped) < 0)
      return QStringLiteral("bad column number '%1' in --columns (1..16384)").arg(stripped);
  }
  const int name = ColumnNumberIndex(parts[0]), value = ColumnNumberIndex(parts[1]);
  if ((name >= 0 && name == value) ||
      (name < 0 && value < 0 && StripSpaces(parts[0]) == StripSpaces(parts[1])))
    return QStringLiteral("--columns '%1' names one column twice").arg(text);
  choice.NameColumn = parts[0];
  choice.ValueColumn = parts[1];
  return {};
}

}  // namespace

QString TakeTableChoice(const ParsedArgs& args, TableChoice& choice) {
  if (args.Has("columns")) {
    if (QString problem = TakeColumns(args.Value("columns"), choice); !problem.isEmpty())
      return problem;
  }
  if (args.Has("sheet")) {
    const QString sheet = args.Value("sheet");
    if (IsBlank(sheet)) return QStringLiteral("--sheet needs a sheet number (from 1) or name");
    if (AllDigits(StripSpaces(sheet)) && StripSpaces(sheet).toLongLong() < 1)
      return QStringLiteral("bad --sheet '%1' (sheets are counted from 1)").arg(sheet);
    choice.Sheet = sheet;
  }
  if (args.Has("skip")) {
    bool ok = false;
    const int skip = args.Value("skip").toInt(&ok);
    if (!ok || skip < 0 || skip > kMaxSkipRows) {
      return QStringLiteral("bad --skip '%1' (a number of rows, 0..%2)")
          .arg(args.Value("skip"))
          .arg(kMaxSkipRows);
    }
    choice.SkipRows = skip;
  }
  choice.NoTotal = args.Has("no-total");
  if (args.Has("manual") && !choice.IsDefault())
    return QStringLiteral(
        "--columns, --sheet, --skip and --no-total choose part of a data file, "
        "not of --manual lines");
  return {};
}

}  // namespace qh::cli
