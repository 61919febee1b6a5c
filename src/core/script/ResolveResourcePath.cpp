#include "core/script/ResolveResourcePath.h"

#include <filesystem>

#include "base/VbString.h"
#include "base/WinPath.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/zbURLGet.h"
#include "core/shell/Program.h"
#include "core/util/CFile.h"

namespace zarn {
bool IsNetworkAddress(const std::string& reference) {
  const std::string lower = LCase(reference.substr(0, 8));
  for (const char* scheme : {"http://", "https://", "ftp://"}) {
    if (lower.rfind(scheme, 0) == 0) return true;
  }
  return false;
}

bool IsDownloadAddress(const std::string& reference) {
  return IsNetworkAddress(reference) || LCase(reference.substr(0, 7)) == "file://";
}

std::string FolderOfPath(bErrorTrap::Trap& errors, const std::string& psPath) {
  ProcedureScope proc{errors, "ZARNGlobalX.FolderOfPath"};
  return proc.Leave(std::string{}, [&] {
    const auto cut = psPath.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : psPath.substr(0, cut + 1);
  });
}

std::string ResolveResourcePath(Program& p, const std::string& psReference,
                                std::string& psTempName) {
  ProcedureScope proc{p.errors, "ZARNGlobalX.ResolveResourcePath"};
  // A URL is always downloaded: its last part is no local file name.
  if (IsDownloadAddress(psReference)) {
    if (auto known = p.StatementDownloads.find(psReference); known != p.StatementDownloads.end()) {
      return known->second;
    }
    std::string found;
    proc.Step(60, [&] {
      const std::string temp_name = CreateTempFileName(p);
      if (temp_name.empty()) throw VbError(vberr::kPathFileAccess, "Path/File access error");
      AddTempFile(p, temp_name);
      psTempName = temp_name;
      if (DownloadUrlToFile(p, psReference, temp_name)) found = temp_name;
    });
    if (found.empty()) found = psReference;
    p.StatementDownloads[psReference] = found;
    return found;
  }
  CFile& file = *p.file;
  std::string script_folder;
  std::string file_part = psReference;
  std::string folder_part;
  std::string current;
  proc.Step(10, [&] { script_folder = FolderOfPath(p.errors, p.document.ScriptPath); });
  proc.Step(20, [&] {
    file_part = file.FileNameOnly(psReference);
    folder_part = file.PathOnly(psReference);
  });
  proc.Step(30, [&] {
    if (folder_part.rfind(".\\", 0) == 0 || folder_part.rfind("./", 0) == 0) {
      folder_part = script_folder + folder_part.substr(2);
    } else if (folder_part.rfind("..\\", 0) == 0 || folder_part.rfind("../", 0) == 0) {
      folder_part = script_folder + folder_part;
    }
  });
  proc.Step(40, [&] {
    current = std::filesystem::current_path().string();
    if (current.empty() || current.back() != '/') current += '/';
  });

  std::string found;
  proc.Step(50, [&] {
    for (const std::string& folder : {script_folder, folder_part, current, std::string()}) {
      const std::string candidate = folder + file_part;
      if (!file_part.empty() && file.FileExists(candidate)) {
        // The name as it is on disk, so that later opens need no case games.
        found = FindExisting(candidate).value_or(candidate);
        return;
      }
    }
  });
  return found.empty() ? psReference : found;
}

}  // namespace zarn
