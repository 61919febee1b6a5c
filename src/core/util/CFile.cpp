#include "core/util/CFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "base/WinPath.h"
#include "core/errortrap/bErrorTrap.h"
#include "ports/DesktopPort.h"

namespace zarn {
namespace {

size_t LastSeparator(std::string_view path) { return path.find_last_of("\\/"); }

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string::npos; }

// The kind of what the path names, letter case aside; none when nothing is there.
std::optional<std::filesystem::file_type> KindOfExisting(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  const auto found = FindExisting(path);
  if (!found) return std::nullopt;
  std::error_code failed;
  const auto status = std::filesystem::status(*found, failed);
  if (failed || !std::filesystem::exists(status)) return std::nullopt;
  return status.type();
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

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void WriteWhole(const std::string& path, const std::string& contents) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    Throw(52, "Bad file name or number");
  }
  errno = 0;
  std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "wb"));
  if (!file) ThrowOpenFailure(errno);
  errno = 0;
  const bool written =
      std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size();
  // A full disk may show only when the buffer goes out at close.
  const bool closed = std::fclose(file.release()) == 0;
  if (!written || !closed) ThrowOpenFailure(errno == ENOSPC ? ENOSPC : EIO);
}

}  // namespace

bool CFile::KillFile(const std::string& psFile) {
  // Never reports: false when the file stays.
  if (psFile.empty() || HasWildcard(psFile)) return true;
  const auto found = FindExisting(psFile);
  if (!found) return true;
  std::error_code failed;
  const auto status = std::filesystem::status(*found, failed);
  if (failed || !std::filesystem::exists(status)) return true;
  if (std::filesystem::is_directory(status)) return false;
  if (!std::filesystem::remove(*found, failed) || failed) return false;
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
  const auto kind = KindOfExisting(psFile);
  return kind && *kind != std::filesystem::file_type::directory;
}

bool CFile::FolderExists(const std::string& psFolder) {
  if (psFolder.empty()) return false;
  const char last = psFolder.back();
  const auto kind = KindOfExisting(last == '\\' || last == '/' ? psFolder : psFolder + "\\");
  return kind == std::filesystem::file_type::directory;
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
