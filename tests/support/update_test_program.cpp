// Stands in for a downloaded release in the update tests. It answers
// "--version" like the real program. How it answers is written after its
// own bytes ("QH_TEST_PROGRAM_MODE=fail" and so on, see TrialMode), so the
// mode travels with the downloaded file: fail exits with 1, hang hangs,
// fork leaves a child behind (its pid in $HOME/forked.pid), contained
// answers only when run the contained way (its own folder as working
// directory, only PATH, HOME and LANG set). Started without arguments (by
// the update script), it writes "new" to the file "started" beside itself.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string TrialMode() {
  std::ifstream self("/proc/self/exe", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(self)), std::istreambuf_iterator<char>());
  const std::string tail = bytes.substr(bytes.size() > 64 ? bytes.size() - 64 : 0);
  const std::string marker = std::string("QH_TEST_PROGRAM_") + "MODE=";
  const size_t at = tail.rfind(marker);
  if (at == std::string::npos) return {};
  const std::string mode = tail.substr(at + marker.size());
  return mode.substr(0, mode.find('\n'));
}

bool RunContained(const std::string& self) {
  for (char** e = environ; *e; ++e) {
    const std::string var = *e;
    if (var.rfind("PATH=", 0) != 0 && var.rfind("HOME=", 0) != 0 && var.rfind("LANG=", 0) != 0)
      return false;
  }
  char cwd[4096] = {};
  if (!getcwd(cwd, sizeof cwd)) return false;
  return self.substr(0, self.rfind('/')) == cwd;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string how = TrialMode();
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    if (how == "hang") std::this_thread::sleep_for(std::chrono::seconds(60));
    if (how == "fail") return 1;
    if (how == "contained") {
      char self[4096] = {};
      const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
      if (n <= 0 || !RunContained(std::string(self, size_t(n)))) return 3;
    }
    if (how == "fork") {
      const pid_t child = fork();
      if (child == 0) {
        std::fclose(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        return 0;
      }
      const char* home = std::getenv("HOME");
      if (FILE* file = std::fopen((std::string(home ? home : ".") + "/forked.pid").c_str(), "w")) {
        std::fprintf(file, "%d\n", int(child));
        std::fclose(file);
      }
    }
    std::puts("99.12.31.23");
    return 0;
  }
  std::string marker = argv[0];
  marker = marker.substr(0, marker.rfind('/') + 1) + "started";
  if (FILE* file = std::fopen(marker.c_str(), "w")) {
    std::fputs("new\n", file);
    std::fclose(file);
  }
  return 0;
}
