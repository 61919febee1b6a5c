#include "core/util/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "base/WinPath.h"
#include "core/errortrap/bErrorTrap.h"
#include "ports/DesktopPort.h"

namespace zarn {
namespace {

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string::npos; }

std::optional<struct stat> StatExisting(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  const auto found = FindExisting(path);
  if (!found) return std::nullopt;
  struct stat info {};
  if (::stat(found->c_str(), &info) != 0) return std::nullopt;
  return info;
}

[[noreturn]] void ThrowOpenFailure(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      Throw(vberr::kPathNotFound, "Path not found");
    case ENOSPC:
      Throw(61, "Disk full");
    default:
      Throw(vberr::kPathFileAccess, "Path/File access error");
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

void WriteWhole(const std::string& path, const std::string& contents) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    Throw(52, "Bad file name or number");
  }
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (file.Get() < 0) ThrowOpenFailure(errno);
  size_t written = 0;
  while (written < contents.size()) {
    const ssize_t n = ::write(file.Get(), contents.data() + written, contents.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowOpenFailure(errno == ENOSPC ? ENOSPC : EIO);
    }
    written += static_cast<size_t>(n);
  }
  if (::close(file.Release()) != 0) ThrowOpenFailure(errno == ENOSPC ? ENOSPC : EIO);
}

}  // namespace

bool CFile::KillFile(const std::string& psFile) {
  // Never reports: false when the file stays.
  if (psFile.empty() || HasWildcard(psFile)) return true;
  const auto found = FindExisting(psFile);
  if (!found) return true;
  struct stat info {};
  if (::stat(found->c_str(), &info) != 0) return true;
  if (S_ISDIR(info.st_mode)) return false;
  if (::unlink(found->c_str()) != 0) return false;
  return !FindExisting(*found).has_value();
}

std::string CFile::FileNameOnly(std::string_view psPathFile) {
  ProcedureScope proc{errors_, "CFile.FileNameOnly"};
  return proc.Leave(std::string{}, [&] {
    const size_t at = LastSeparator(psPathFile);
    return std::string(at == std::string_view::npos ? psPathFile : psPathFile.substr(at + 1));
  });
}

std::string CFile::PathOnly(std::string_view psPathFile) {
  ProcedureScope proc{errors_, "CFile.PathOnly"};
  return proc.Leave(std::string{}, [&] {
    const size_t at = LastSeparator(psPathFile);
    return at == std::string_view::npos ? std::string() : std::string(psPathFile.substr(0, at + 1));
  });
}

bool CFile::FileExists(const std::string& psFile) {
  const auto info = StatExisting(psFile);
  return info && !S_ISDIR(info->st_mode);
}

bool CFile::FolderExists(const std::string& psFolder) {
  if (psFolder.empty()) return false;
  const char last = psFolder.back();
  const auto info = StatExisting(last == '\\' || last == '/' ? psFolder : psFolder + "\\");
  return info && S_ISDIR(info->st_mode);
}

void CFile::WriteFile(const std::string& psFile, const std::string& psContents) {
  // Own handling for 75 (ask, then retry or leave); anything else is trapped.
  ProcedureScope proc{errors_, "CFile.WriteFile"};
  proc.Line(10);
  for (;;) {
    try {
      WriteWhole(ToLocalPath(psFile), psContents);
      return;
    } catch (...) {
      const VbError failure = CurrentFailure(std::current_exception());
      if (failure.Number() != vberr::kPathFileAccess) {
        // The later steps (write, close) need the open file: nothing more to do.
        proc.Report(failure);
        return;
      }
      if (desktop_ == nullptr) return;
      const MessageAnswer answer =
          desktop_->MessageBox("Error Saving File:\r\n" + psFile, MessageIcon::kWarning,
                               MessageButtons::kOkCancel, "ZARNPlay");
      if (answer != MessageAnswer::kOk) return;
    }
  }
}

}  // namespace zarn
