#pragma once
// Subcommands of qinghechart-cli. Each returns the process exit code:
// 0 success, 1 the input was refused, 2 a usage error.
#include <QStringList>

namespace qh::cli {

int RunCheck(const QStringList& args);
int RunRender(const QStringList& args);

// Drawing needs Qt Gui, fonts and image writers, which cost a checking run
// more start-up time than its whole work. So "render" lives in a module the
// command-line tool loads only when asked to draw; it exports this entry,
// which starts its own application object and runs RunRender.
inline constexpr char kRenderModuleFile[] = "qinghechart-render.so";
inline constexpr char kRenderEntry[] = "qinghechart_render_main";
using RenderEntry = int (*)(int argc, char** argv);

// Loads the module and runs its entry; prints why and returns 1 when the
// module is missing or broken.
int RunRenderModule(int argc, char** argv);

}  // namespace qh::cli
