#pragma once

// Shared by the fuzz targets: reporting a broken property, a private folder
// for readers that take a path, and writing seed files.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zarn::fuzz {

// A property the reader must keep did not hold: say which and stop, so
// libFuzzer keeps the input.
[[noreturn]] inline void Finding(const char* what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool holds, const char* what) {
  if (!holds) Finding(what);
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Finding("cannot write a scratch file");
}

// One folder per process, removed at exit.
class Scratch {
 public:
  static Scratch& Get() {
    static Scratch scratch;
    return scratch;
  }
  const std::string& Folder() const { return folder_; }
  std::string Write(const std::string& name, std::string_view bytes) const {
    const std::string path = folder_ + "/" + name;
    WriteFile(path, bytes);
    return path;
  }

 private:
  Scratch() {
    // In memory where there is such a folder: rewriting a file on disk for
    // every input makes the file system flush it, which costs more than the
    // reader does.
    const std::filesystem::path base =
        ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "zarnfuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Finding("cannot make a scratch folder");
    folder_ = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  std::string folder_;
};

// For the seed programs: `main(argc, argv)` gets the folder to fill.
template <class Write>
int WriteSeeds(int argc, char** argv, Write&& write) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int count = 0;
  auto seed = [&](std::string_view bytes) {
    WriteFile(dir + "/gen" + std::to_string(count++), bytes);
  };
  try {
    write(seed);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace zarn::fuzz
