#include "core/script/zbURLGet.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "core/errortrap/bErrorTrap.h"
#include "core/script/LoadScript.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"
#include "core/shell/frmZARN.h"
#include "ports/DesktopPort.h"
#include "ports/EnvironmentPort.h"
#include "ports/InternetPort.h"
#include "ports/TracePort.h"

namespace zarn {
namespace {

constexpr int kMaxTempNumber = 9999;

std::string TempName(const std::string& folder, int number) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return folder + "ZARN" + digits + ".TMP";
}

// The main form unloaded while a transfer ran (a close message, the tray).
bool Closing(const Program& p) { return p.main_form != nullptr && p.main_form->Unloaded(); }

}  // namespace

std::string CreateTempFileName(Program& p) {
  const std::string folder = p.ports.environment.TempPath();
  for (int number = 1; number <= kMaxTempNumber; ++number) {
    const std::string name = TempName(folder, number);
    // "x": exclusive create, so a name another process just took is skipped.
    if (std::FILE* file = std::fopen(name.c_str(), "wbx")) {
      std::fclose(file);
      return name;
    }
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

void AddTempFile(Program& p, const std::string& psName) {
  if (!psName.empty()) p.TempFiles.push_back(psName);
}

void RemoveTempFiles(Program& p) {
  for (const auto& name : p.TempFiles) {
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
  }
  p.TempFiles.clear();
}

bool DownloadUrlToFile(Program& p, const std::string& psURL, const std::string& psFile) {
  DesktopPort& desktop = p.ports.desktop;
  TraceRecord record("net", "Download");
  record.Arg(psURL).Arg(psFile);
  try {
    desktop.SetPointer(MousePointer::kWait);
    if (p.ports.internet == nullptr) {
      throw VbError(vberr::kInvalidCall, "The Internet service is not available");
    }
    const UrlRequest request{psURL, kDownloadAgent, [&desktop] { desktop.DoEvents(); },
                             [&p] { return Closing(p); }};
    const int64_t bytes = p.ports.internet->OpenUrlReadToFile(request, psFile);
    p.ports.trace.Write(record.Result(bytes));
    desktop.SetPointer(MousePointer::kDefault);
    return true;
  } catch (...) {
    const VbError failure = CurrentFailure(std::current_exception());
    p.ports.trace.Write(
        record.Error(std::to_string(failure.Number()) + " " + failure.Description()));
    // A failed transfer leaves nothing that could pass for the content.
    std::error_code ignored;
    std::filesystem::remove(psFile, ignored);
    desktop.SetPointer(MousePointer::kDefault);
    if (!Closing(p)) {
      desktop.MessageBox(std::to_string(failure.Number()) + " : " + failure.Description(),
                         MessageIcon::kWarning, MessageButtons::kOk, "ZARNPlay");
    }
    return false;
  }
}

namespace {

bool LoadDownloadedScript(Program& p, const std::string& url, const std::string& copy, bool play) {
  p.LoadingFromNetwork = IsNetworkAddress(url);
  const bool loaded = LoadScript(p, copy, play);
  p.LoadingFromNetwork = false;
  return loaded;
}

}  // namespace

bool LoadScriptFromUrl(Program& p, const std::string& url, bool play) {
  ProcedureScope proc{p.errors, "ZARNGlobalX.LoadScriptFromUrl"};
  bool loaded = false;
  proc.LeaveVoid([&] {
    // The statement that named it already tried it and reported the failure.
    if (const auto tried = p.StatementDownloads.find(url); tried != p.StatementDownloads.end()) {
      if (tried->second != url) loaded = LoadDownloadedScript(p, url, tried->second, play);
      return;
    }
    const std::string name = CreateTempFileName(p);
    if (name.empty()) throw VbError(vberr::kPathFileAccess, "Path/File access error");
    // Read again while it plays (its commands, its sections), so kept until exit.
    AddTempFile(p, name);
    if (DownloadUrlToFile(p, url, name)) loaded = LoadDownloadedScript(p, url, name, play);
  });
  return loaded;
}

}  // namespace zarn
