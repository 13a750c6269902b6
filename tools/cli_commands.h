#pragma once
// Subcommands of qinghechart-cli. Each returns the process exit code (see
// ExitCode in cli_options.h).
#include "cli_options.h"

namespace qh::cli {

// The options of each command, shared by the parser and --help.
extern const CommandSpec kCheckCommand;
extern const CommandSpec kRenderCommand;

int RunCheck(const ParsedArgs& args);
int RunRender(const ParsedArgs& args);

// Drawing needs Qt Gui, fonts and image writers, which cost a checking run
// more start-up time than its whole work. So "render" lives in a module the
// command-line tool loads only when asked to draw; it exports this entry,
// which starts its own application object and runs RunRender.
inline constexpr char kRenderModuleFile[] = "qinghechart-render.so";
inline constexpr char kRenderEntry[] = "qinghechart_render_main";
using RenderEntry = int (*)(int argc, char** argv);

// Loads the module and runs its entry; says why and returns
// kExitOutputFailed when the module is missing or broken.
int RunRenderModule(int argc, char** argv);

// The words after the command name, as the commands parse them.
QStringList CommandWords(int argc, char** argv);

}  // namespace qh::cli
