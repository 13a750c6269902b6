#include "cli_options.h"

#include "base/native_name.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qh::cli {

namespace {

const OptionSpec* FindLong(QStringView name, std::span<const OptionSpec> options) {
  for (const OptionSpec& o : options) {
    if (name == QLatin1StringView(o.LongName)) return &o;
  }
  return nullptr;
}

const OptionSpec* FindShort(QChar name, std::span<const OptionSpec> options) {
  for (const OptionSpec& o : options) {
    if (o.ShortName != '\0' && name == QLatin1Char(o.ShortName)) return &o;
  }
  return nullptr;
}

QString Dashed(const OptionSpec& o) { return QStringLiteral("--") + QLatin1StringView(o.LongName); }

// Edit distance with adjacent swaps, which is how most typos look.
qsizetype TypoDistance(QStringView a, QStringView b) {
  const qsizetype n = a.size(), m = b.size();
  std::vector<std::vector<qsizetype>> d(static_cast<size_t>(n + 1),
                                        std::vector<qsizetype>(static_cast<size_t>(m + 1)));
  const auto at = [&d](qsizetype i, qsizetype j) -> qsizetype& {
    return d[static_cast<size_t>(i)][static_cast<size_t>(j)];
  };
  for (qsizetype i = 0; i <= n; ++i) at(i, 0) = i;
  for (qsizetype j = 0; j <= m; ++j) at(0, j) = j;
  for (qsizetype i = 1; i <= n; ++i) {
    for (qsizetype j = 1; j <= m; ++j) {
      const qsizetype cost = a[i - 1] == b[j - 1] ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
    }
  }
  return at(n, m);
}

QString UnknownOption(const QString& typed, std::span<const OptionSpec> options) {
  QString problem = QStringLiteral("unknown option '%1'").arg(typed);
  const QString nearest = NearestOption(typed, options);
  if (!nearest.isEmpty()) problem += QStringLiteral("; did you mean %1?").arg(nearest);
  return problem;
}

// Takes the option at args[i] (which starts with a dash); returns false with
// problem set when it is unknown or lacks its value.
bool TakeOption(const QStringList& args, qsizetype& i, std::span<const OptionSpec> options,
                ParsedArgs& parsed) {
  const QString& arg = args[i];
  const OptionSpec* spec = nullptr;
  QString inlineValue;  // "--opt=value" or "-ovalue"
  bool hasInline = false;
  if (arg.startsWith(u"--")) {
    const qsizetype eq = arg.indexOf(u'=');
    spec = FindLong(QStringView(arg).mid(2, eq < 0 ? -1 : eq - 2), options);
    if (eq >= 0) {
      inlineValue = arg.mid(eq + 1);
      hasInline = true;
    }
    if (spec == nullptr) {
      parsed.Problem = UnknownOption(eq < 0 ? arg : arg.left(eq), options);
      return false;
    }
  } else {
    spec = FindShort(arg[1], options);
    if (arg.size() > 2) {
      inlineValue = arg.mid(2);
      hasInline = true;
    }
    if (spec == nullptr || (hasInline && spec->ValueName == nullptr)) {
      parsed.Problem = UnknownOption(arg, options);
      return false;
    }
  }
  const QString name = QLatin1StringView(spec->LongName);
  if (spec->ValueName == nullptr) {
    if (hasInline) {
      parsed.Problem = QStringLiteral("%1 takes no value").arg(Dashed(*spec));
      return false;
    }
    parsed.Values.insert(name, QString());
    return true;
  }
  if (!hasInline) {
    if (i + 1 >= args.size()) {
      parsed.Problem =
          QStringLiteral("%1 needs a value (%2)").arg(arg, QLatin1StringView(spec->ValueName));
      return false;
    }
    inlineValue = args[++i];
  }
  parsed.Values.insert(name, inlineValue);
  return true;
}

}  // namespace

ParsedArgs ParseOptions(const QStringList& args, std::span<const OptionSpec> options) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (optionsEnded || arg.size() < 2 || !arg.startsWith(u'-')) {
      parsed.Operands << arg;  // "-" alone is standard input, an operand
    } else if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--help" || arg == u"-h") {
      parsed.Help = true;
    } else if (!TakeOption(args, i, options, parsed)) {
      // A later --help still wins: it is what the user asked for.
      for (qsizetype k = i + 1; k < args.size() && args[k] != u"--"; ++k) {
        if (args[k] == u"--help" || args[k] == u"-h") parsed.Help = true;
      }
      return parsed;
    }
  }
  return parsed;
}

QString NearestOption(const QString& typed, std::span<const OptionSpec> options) {
  const QString bare = typed.startsWith(u"--") ? typed.mid(2) : typed.mid(1);
  QString best;
  qsizetype bestDistance = 0;
  for (const OptionSpec& o : options) {
    const QString name = QLatin1StringView(o.LongName);
    qsizetype d = TypoDistance(bare, name);
    // A prefix ("--lay") is as good as a near miss.
    if (bare.size() >= 2 && name.startsWith(bare)) d = std::min<qsizetype>(d, 1);
    if (best.isEmpty() || d < bestDistance) {
      best = Dashed(o);
      bestDistance = d;
    }
  }
  // Beyond a third of the name it is another word, not a typo.
  const qsizetype allowed = std::max<qsizetype>(1, bare.size() / 3);
  return bestDistance <= allowed ? best : QString();
}

QByteArray CommandHelp(const CommandSpec& command) {
  QByteArray text = QByteArray("usage: ") + kProgramName + ' ' + command.Name + ' ' +
                    command.Synopsis + '\n' + command.Summary + "\n\noptions:\n";
  const auto line = [&text](const QByteArray& left, const char* help) {
    text += left.leftJustified(26) + ' ' + help + '\n';
  };
  for (const OptionSpec& o : command.Options) {
    QByteArray left = "  ";
    left += o.ShortName != '\0' ? QByteArray("-") + o.ShortName + ", " : QByteArray("    ");
    left += QByteArray("--") + o.LongName;
    if (o.ValueName != nullptr) left += QByteArray(" ") + o.ValueName;
    line(left, o.Help);
  }
  line("  -h, --help", "show this help and exit");
  line("  --", "end of options: every later word is a FILE");
  text += command.Epilogue;
  return text;
}

QByteArray ErrorLine(const QString& message) {
  // File names go out as the bytes they came in as.
  return QByteArray(kProgramName) + ": " + PrintableName(message) + '\n';
}

void PrintError(const QString& message) {
  const QByteArray line = ErrorLine(message);
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
}

int ReportUsageError(const char* command, const QString& problem) {
  PrintError(QStringLiteral("%1: %2").arg(QLatin1StringView(command), problem));
  std::fprintf(stderr, "Try '%s %s --help' for more information.\n", kProgramName, command);
  return kExitUsage;
}

}  // namespace qh::cli
