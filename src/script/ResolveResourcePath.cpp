#include "script/ResolveResourcePath.h"

#include <filesystem>

#include "errortrap/bErrorTrap.h"
#include "script/LoadScript.h"
#include "shell/Program.h"
#include "util/CFile.h"

namespace zarn {

std::string FolderOfPath(const std::string& psPath) {
  const auto cut = psPath.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : psPath.substr(0, cut + 1);
}

std::string ResolveResourcePath(Program& p, const std::string& psReference, std::string&) {
  ProcedureScope proc{"ZARNGlobalX.ResolveResourcePath"};
  CFile& file = *p.file;
  const std::string script_folder = FolderOfPath(p.document.ScriptPath);
  const std::string file_part = file.FileNameOnly(psReference);
  std::string folder_part = file.PathOnly(psReference);
  if (folder_part.rfind(".\\", 0) == 0 || folder_part.rfind("./", 0) == 0) {
    folder_part = script_folder + folder_part.substr(2);
  } else if (folder_part.rfind("..\\", 0) == 0 || folder_part.rfind("../", 0) == 0) {
    folder_part = script_folder + folder_part;
  }
  std::string current;
  proc.Step(10, [&] {
    current = std::filesystem::current_path().string();
    if (current.empty() || current.back() != '/') current += '/';
  });
  for (const std::string& folder : {script_folder, folder_part, current, std::string()}) {
    const std::string candidate = folder + file_part;
    if (file.FileExists(candidate)) return candidate;
  }
  return psReference;
}

bool LoadScriptFromUrl(Program&, const std::string&, bool) { return false; }

}  // namespace zarn
