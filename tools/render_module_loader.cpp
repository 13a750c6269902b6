// Finds the drawing module by the tool's own location: beside the tool in a
// build tree, in lib/<multiarch>/qinghechart once installed. The tool carries
// no run path, so a library search path of the user's cannot hand it
// another module either.
#include "cli_commands.h"

#include <dlfcn.h>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace qh::cli {

namespace {

// The folder of the running program, ending in "/"; empty when unknown.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, static_cast<size_t>(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

// Lazy binding: the module's own calls are bound when first made, so a run
// pays only for the drawing code it uses.
constexpr int kOpenFlags = RTLD_LAZY | RTLD_LOCAL;

void* OpenRenderModule() {
  const std::string folder = ProgramFolder();
  if (folder.empty()) return dlopen(kRenderModuleFile, kOpenFlags);
  for (const std::string& candidate :
       {folder + kRenderModuleFile, folder + "../" QH_MODULE_DIR "/" + kRenderModuleFile}) {
    if (access(candidate.c_str(), F_OK) == 0) return dlopen(candidate.c_str(), kOpenFlags);
  }
  // Not there: let dlopen say so in its own words.
  return dlopen((folder + "../" QH_MODULE_DIR "/" + kRenderModuleFile).c_str(), kOpenFlags);
}

}  // namespace

int RunRenderModule(int argc, char** argv) {
  void* module = OpenRenderModule();
  if (module == nullptr) {
    PrintError(QStringLiteral("render: cannot load the drawing module: %1\n"
                              "Reinstall the package, or rebuild qinghechart-render.")
                   .arg(QString::fromLocal8Bit(dlerror())));
    return kExitOutputFailed;
  }
  const auto entry = reinterpret_cast<RenderEntry>(dlsym(module, kRenderEntry));
  if (entry == nullptr) {
    PrintError(QStringLiteral("render: the drawing module is broken: %1\n"
                              "Reinstall the package, or rebuild qinghechart-render.")
                   .arg(QString::fromLocal8Bit(dlerror())));
    return kExitOutputFailed;
  }
  return entry(argc, argv);  // the module stays loaded until the process ends
}

}  // namespace qh::cli
