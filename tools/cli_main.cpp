// qinghechart-cli: the headless companion of the window, for business
// systems, servers and tests. It never writes the settings file or the log.
#include "cli_commands.h"

#include "process_heap.h"
#include "update/local_version.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace qh::cli;

int RunCheckCommand(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunCheck(ParseOptions(CommandWords(argc, argv), kCheckCommand.Options));
}

struct Command {
  const CommandSpec* Spec;
  int (*Run)(int argc, char** argv);
};

constexpr Command kCommands[] = {{&kCheckCommand, RunCheckCommand},
                                 {&kRenderCommand, RunRenderModule}};

// clang-format off
constexpr OptionSpec kTopOptions[] = {
    {"help", 'h', nullptr, "show this help"},
    {"version", '\0', nullptr, "show the version"},
};
// clang-format on

void PrintUsage() {
  std::printf("usage: %s COMMAND [OPTION]... FILE...\n\ncommands:\n", kProgramName);
  for (const Command& c : kCommands) std::printf("  %-8s %s\n", c.Spec->Name, c.Spec->Summary);
  std::printf(
      "\noptions:\n"
      "  -h, --help     show this help and exit\n"
      "  --version      show the version and exit\n"
      "\n"
      "COMMAND --help shows that command's options. FILE - reads standard input.\n"
      "Data files: HTML, CSV, .xls, .xlsx. Pictures: PNG, JPEG, BMP; documents: SVG, PDF.\n"
      "exit status: 0 success, 1 a table refused, 2 usage error,\n"
      "3 input file missing or unreadable, 4 output not written\n");
}

int TopLevelUsageError(const QString& problem) {
  PrintError(problem);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgramName);
  return kExitUsage;
}

int PrintVersion() {
  // The release, then the build number the window shows (yy.mm.dd.hh of the
  // build stamp).
  std::printf("%s %s (build %s)\n", kProgramName, qh::ReleaseVersion().toUtf8().constData(),
              qh::LocalVersionText().toUtf8().constData());
  return kExitOk;
}

// Qt's own chatter (a missing XDG_RUNTIME_DIR when run as root or from a
// service, font and plugin notes) is no business of the caller's: standard
// error carries only this tool's messages. QT_LOGGING_RULES set by whoever
// debugs a run brings Qt's messages back.
void DropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) PrintError(text);
}

// Help and usage errors are answered here, before a command starts Qt (or
// loads the drawing module).
int RunCommand(const Command& command, int argc, char** argv) {
  const ParsedArgs parsed = ParseOptions(CommandWords(argc, argv), command.Spec->Options);
  if (parsed.Help) {
    const QByteArray help = CommandHelp(*command.Spec);
    std::fwrite(help.constData(), 1, static_cast<size_t>(help.size()), stdout);
    return kExitOk;
  }
  if (!parsed.Problem.isEmpty()) return ReportUsageError(command.Spec->Name, parsed.Problem);
  // The whole working set of one run is built at once and lives until exit.
  qh::ReserveHugePageHeap(64 * 1024 * 1024);
  return command.Run(argc, argv);
}

// A standard stream the caller closed (">&-") would be taken by the next
// file the tool opens, and output meant for it would land in that file: a
// read-only /dev/null holds its place, so a write to it fails and is
// reported as written to a closed stream.
void HoldClosedStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int placeholder = ::open("/dev/null", O_RDONLY);
    if (placeholder >= 0 && placeholder != fd) {
      ::dup2(placeholder, fd);
      ::close(placeholder);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  // Charts need fonts and images but never a display: a platform chosen
  // for the window (xcb, wayland) would abort a run where no display is
  // reachable, so the tool always draws offscreen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES")) qInstallMessageHandler(DropQtMessages);
  // A reader that went away (head, a closed pipe) is an output not written:
  // said and exit code 4, not a silent death by signal.
  std::signal(SIGPIPE, SIG_IGN);
  if (argc < 2) return TopLevelUsageError(QStringLiteral("missing COMMAND (check or render)"));
  const QString first = QString::fromLocal8Bit(argv[1]);
  if (first == u"--help" || first == u"-h") {
    PrintUsage();
    return kExitOk;
  }
  if (first == u"--version") return PrintVersion();
  for (const Command& c : kCommands) {
    if (first == QLatin1StringView(c.Spec->Name)) return RunCommand(c, argc, argv);
  }
  if (first.startsWith(u'-')) {
    QString problem = QStringLiteral("unknown option '%1'").arg(first);
    if (const QString near = NearestOption(first, kTopOptions); !near.isEmpty())
      problem += QStringLiteral("; did you mean %1?").arg(near);
    return TopLevelUsageError(problem);
  }
  QString problem = QStringLiteral("unknown command '%1'").arg(first);
  for (const Command& c : kCommands) {
    const OptionSpec asOption{c.Spec->Name, '\0', nullptr, ""};
    if (!NearestOption(QStringLiteral("--") + first, {&asOption, 1}).isEmpty())
      problem += QStringLiteral("; did you mean %1?").arg(QLatin1StringView(c.Spec->Name));
  }
  return TopLevelUsageError(problem);
}
