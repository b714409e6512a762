// Stands in for the main program in the hand-over tests: records its arguments, NUL-separated,
// in "records/<pid>" beside itself (written whole, then renamed, so a reader never sees half).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return 1;
  const auto folder = self.parent_path() / "records";
  std::filesystem::create_directories(folder, error);
  const std::string name = std::to_string(getpid());
  const auto temp = folder / (name + ".tmp");
  {
    std::ofstream out(temp, std::ios::binary);
    for (int i = 0; i < argc; ++i) out << argv[i] << '\0';
    if (!out) return 1;
  }
  std::filesystem::rename(temp, folder / name, error);
  return error ? 1 : 0;
}
