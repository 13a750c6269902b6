// qinghechart-cli: the headless companion of the window, for business
// systems, servers and tests. It never writes the settings file or the log.
#include "cli_commands.h"

#include "process_heap.h"
#include "update/local_version.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kProgram[] = "qinghechart-cli";

int RunCheckCommand(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.remove(0, 2);  // the program and the command name
  return qh::cli::RunCheck(args);
}

struct Command {
  const char* name;
  const char* help;
  int (*run)(int argc, char** argv);
};

// clang-format off
constexpr Command kCommands[] = {
    {"check", "check [--manual] [--json] [--format F] FILE      validate a data file", RunCheckCommand},
    {"render",
     "render [--kind bar|pie|line] [--size WxH] [--dpi N] [--page N] [--settings INI]\n"
     "         [--layout OUT.json] [--format F] -o OUT FILE      draw a chart picture",
     qh::cli::RunRenderModule},
};
// clang-format on

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: %s COMMAND ...\n", kProgram);
  for (const Command& c : kCommands) std::fprintf(to, "  %s\n", c.help);
  std::fprintf(to,
               "  --help, -h                         show this help\n"
               "  --version                          show the version\n"
               "FILE - reads standard input; --format html|csv|xls|xlsx says what it holds.\n"
               "exit status: 0 success, 1 the file was refused, 2 usage error\n"
               "COMMAND --help shows one command's usage.\n");
}

int UsageError() {
  PrintUsage(stderr);
  return 2;
}

bool IsHelp(const char* arg) {
  return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

// "COMMAND --help" anywhere before "--": FILE names after "--" stay FILE names.
bool AsksForHelp(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (IsHelp(argv[i])) return true;
  }
  return false;
}

int PrintVersion() {
  // The same yy.mm.dd.hh, and the same answer, as the window's --version:
  // the build's time stamp.
  std::printf("%s\n", qh::LocalVersionText().toUtf8().constData());
  return 0;
}

// Qt's own chatter (a missing XDG_RUNTIME_DIR when run as root or from a
// service, font and plugin notes) is no business of the caller's: standard
// error carries only this tool's messages. QT_LOGGING_RULES set by whoever
// debugs a run brings Qt's messages back.
void DropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg)
    std::fprintf(stderr, "%s: %s\n", kProgram, text.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  // Charts need fonts and images but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES")) qInstallMessageHandler(DropQtMessages);
  if (argc < 2) return UsageError();
  if (IsHelp(argv[1])) {
    PrintUsage(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) return PrintVersion();
  // The whole working set of one run is built at once and lives until exit.
  qh::ReserveHugePageHeap(64 * 1024 * 1024);
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    if (AsksForHelp(argc, argv)) {
      std::printf("usage: %s %s\n", kProgram, c.help);
      return 0;
    }
    return c.run(argc, argv);
  }
  std::fprintf(stderr, "%s: unknown command '%s'\n", kProgram, argv[1]);
  return UsageError();
}
