#include "app/MakeExe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/VbString.h"
#include "core/shell/EmbeddedScript.h"

namespace zarn {
namespace {

// Scripts are small text files; the player refuses longer tails as well.
constexpr std::streamoff kMaxScriptSize = std::streamoff{64} << 20;

std::string BaseNameWithoutExtension(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

class Failure {
 public:
  explicit Failure(std::ostream& errors) : errors_(errors) {}
  int operator()(const std::string& message) const {
    errors_ << "zarnplay: --make-exe: " << message << "\n";
    return 1;
  }

 private:
  std::ostream& errors_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int MakeExe(const std::string& script, const std::string& output, std::ostream& errors,
            const std::string& executable) {
  const Failure fail(errors);
  const std::string stem = BaseNameWithoutExtension(output);
  if (stem.empty()) return fail("'" + output + "' names no file");
  const std::string upper = UCase(stem);
  if (upper == "ZARNPLAY" || upper == "DIDADIZ") {
    return fail("a copy named '" + stem +
                "' would show the open dialog instead of playing its script; choose another name");
  }

  std::error_code ec;
  std::ifstream script_file(script, std::ios::binary);
  if (!std::filesystem::is_regular_file(script, ec) || !script_file) {
    return fail("cannot read the script '" + script + "'");
  }
  script_file.seekg(0, std::ios::end);
  const std::streamoff script_size = script_file.tellg();
  if (script_size < 0) return fail("cannot read the script '" + script + "'");
  if (script_size > kMaxScriptSize) return fail("the script '" + script + "' is too large");
  script_file.seekg(0);
  std::string text(static_cast<size_t>(script_size), '\0');
  if (!script_file.read(text.data(), script_size)) {
    return fail("cannot read the script '" + script + "'");
  }
  if (text.empty()) return fail("the script '" + script + "' is empty");
  // The player cuts the appended script at its first NUL.
  if (text.find('\0') != std::string::npos) {
    return fail("the script '" + script + "' holds a NUL byte and is not a script file");
  }

  std::ifstream image(executable, std::ios::binary);
  if (!image) return fail("cannot read the program '" + executable + "'");
  image.seekg(0, std::ios::end);
  std::streamoff image_size = image.tellg();
  // Made from a self-running copy: keep only its program image.
  if (const auto marker = FindEmbeddedScriptMarker(image)) image_size = *marker;
  if (image_size <= 0) return fail("cannot read the program '" + executable + "'");

  const auto slash = output.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  std::string temp = (folder.back() == '/' ? folder : folder + "/") + "." + stem + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return fail("cannot write in '" + folder + "': " + std::strerror(errno));
  const auto abandon = [&](const std::string& message) {
    ::close(fd);
    ::unlink(temp.c_str());
    return fail(message);
  };

  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0777 & ~mask & ~S_IWOTH) != 0) {
    return abandon("cannot set the run bit: " + std::string(std::strerror(errno)));
  }
  image.clear();
  image.seekg(0);
  char buffer[1 << 16];
  std::streamoff left = image_size;
  while (left > 0) {
    const auto want = static_cast<std::streamsize>(std::min<std::streamoff>(left, sizeof buffer));
    if (!image.read(buffer, want)) return abandon("cannot read the program '" + executable + "'");
    if (!WriteAll(fd, buffer, static_cast<size_t>(want))) {
      return abandon("cannot write '" + temp + "': " + std::strerror(errno));
    }
    left -= want;
  }
  const std::string marker = EmbeddedScriptMarker();
  if (!WriteAll(fd, marker.data(), marker.size()) || !WriteAll(fd, text.data(), text.size())) {
    return abandon("cannot write '" + temp + "': " + std::strerror(errno));
  }
  if (::close(fd) != 0) {
    ::unlink(temp.c_str());
    return fail("cannot write '" + temp + "': " + std::strerror(errno));
  }
  if (::rename(temp.c_str(), output.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temp.c_str());
    return fail("cannot write '" + output + "': " + reason);
  }
  return 0;
}

}  // namespace zarn
