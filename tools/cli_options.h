#pragma once
// Command-line options of qinghechart-cli, parsed the way GNU tools parse
// them: "--opt=value" and "--opt value", "-o value" and "-ovalue", "--" ends
// the options, the last of a repeated option wins, an unknown option is
// named with the nearest known one. Each command describes its options in
// one table, which also prints its --help.
#include <QHash>
#include <QString>
#include <QStringList>
#include <span>

namespace qh::cli {

// The process exit codes every command shares.
enum ExitCode : int {
  kExitOk = 0,
  kExitRefused = 1,       // a table was refused
  kExitUsage = 2,         // unknown option, bad value, missing FILE
  kExitInputMissing = 3,  // an input file is missing or unreadable
  kExitOutputFailed = 4,  // an output file was not written
};

inline constexpr char kProgramName[] = "qinghechart-cli";

struct OptionSpec {
  const char* LongName;   // without the dashes, e.g. "kind"
  char ShortName;         // '\0' when there is none
  const char* ValueName;  // nullptr for a switch, else what --help calls the value
  const char* Help;       // one line of meaning
};

struct CommandSpec {
  const char* Name;
  const char* Synopsis;  // after "usage: qinghechart-cli NAME "
  const char* Summary;   // one line, for the overview
  std::span<const OptionSpec> Options;
  const char* Epilogue;  // printed after the options
};

struct ParsedArgs {
  QHash<QString, QString> Values;  // by long name; a switch maps to ""
  QStringList Operands;            // FILEs, in order
  bool Help = false;
  QString Problem;  // set when the arguments are unusable

  bool Has(const char* longName) const { return Values.contains(QLatin1StringView(longName)); }
  QString Value(const char* longName) const { return Values.value(QLatin1StringView(longName)); }
};

// Parses args (without the program and command names) against options.
// "--help" and "-h" set help; they count only before "--".
ParsedArgs ParseOptions(const QStringList& args, std::span<const OptionSpec> options);

// The known option closest to what was typed ("--jsn" -> "--json"), empty
// when none is close enough to be a likely typo.
QString NearestOption(const QString& typed, std::span<const OptionSpec> options);

// The command's whole --help text: synopsis, one line per option, epilogue.
QByteArray CommandHelp(const CommandSpec& command);

// "qinghechart-cli: " + message + newline, in UTF-8.
QByteArray ErrorLine(const QString& message);
// The same, on standard error.
void PrintError(const QString& message);

// A usage error: the problem, then where the help is. Returns kExitUsage.
int ReportUsageError(const char* command, const QString& problem);

}  // namespace qh::cli
