// Stands in for a downloaded release in the update tests. It answers
// "--version" like the real program; QH_TEST_PROGRAM_MODE=fail makes that
// fail and =hang makes it hang. Started without arguments (by the update
// script), it writes "new" to the file "started" beside itself.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  const char* mode = std::getenv("QH_TEST_PROGRAM_MODE");
  const std::string how = mode ? mode : "";
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    if (how == "hang") std::this_thread::sleep_for(std::chrono::seconds(60));
    if (how == "fail") return 1;
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
