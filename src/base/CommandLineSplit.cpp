#include "base/CommandLineSplit.h"

#include <filesystem>
#include <system_error>

#include "base/VbString.h"
#include "base/WinPath.h"

namespace zarn {
namespace {

// Windows refuses longer command lines; the limits also keep a hostile
// command from making the search slow.
constexpr size_t kMaxCommandLine = 32767;
constexpr int kMaxPrefixesTried = 32;

bool IsArgumentBlank(char c) { return c == ' ' || c == '\t'; }

bool IsExecutableFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::is_regular_file(status)) return false;
  const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  return (status.permissions() & exec) != fs::perms::none;
}

std::vector<std::string> NameCandidates(std::string_view name) {
  std::vector<std::string> names;
  if (name.size() > 4 && EndsWithNoCase(name, ".exe")) {
    names.emplace_back(name.substr(0, name.size() - 4));
  }
  names.emplace_back(name);
  return names;
}

std::vector<std::string> SearchFolders(std::string_view search_path) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= search_path.size()) {
    size_t colon = search_path.find(':', start);
    if (colon == std::string_view::npos) colon = search_path.size();
    // An empty entry would mean the current folder; a script should not run
    // whatever lies there by a bare name.
    if (colon > start) folders.emplace_back(search_path.substr(start, colon - start));
    start = colon + 1;
  }
  return folders;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsArgumentBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::string arg;
    bool in_quotes = false;
    while (i < text.size()) {
      size_t backslashes = 0;
      while (i < text.size() && text[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < text.size() && text[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (in_quotes && i + 1 < text.size() && text[i + 1] == '"') {
          arg += '"';  // "" inside quotes is one literal quote
          ++i;
        } else {
          in_quotes = !in_quotes;
        }
        ++i;
        continue;
      }
      arg.append(backslashes, '\\');
      if (i >= text.size() || (!in_quotes && IsArgumentBlank(text[i]))) break;
      arg += text[i++];
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::optional<std::string> FindProgram(std::string_view name, std::string_view search_path) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::vector<std::string> names = NameCandidates(name);
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos) {
    for (const auto& candidate : names) {
      const auto found = FindExisting(candidate);
      if (found && IsExecutableFile(*found)) return found;
    }
    return std::nullopt;
  }
  const std::vector<std::string> folders = SearchFolders(search_path);
  for (const auto& candidate : names) {
    for (const auto& folder : folders) {
      const std::string path = JoinFolder(folder, candidate);
      if (IsExecutableFile(path)) return path;
    }
  }
  for (const auto& candidate : names) {
    for (const auto& folder : folders) {
      const auto found = FindExisting(JoinFolder(folder, candidate));
      if (found && IsExecutableFile(*found)) return found;
    }
  }
  return std::nullopt;
}

std::optional<ProgramCommand> ResolveCommandLine(std::string_view command_line,
                                                 std::string_view search_path) {
  if (command_line.size() > kMaxCommandLine) return std::nullopt;
  size_t start = 0;
  while (start < command_line.size() && IsArgumentBlank(command_line[start])) ++start;
  const std::string_view text = command_line.substr(start);
  if (text.empty()) return std::nullopt;

  if (text.front() == '"') {
    const size_t close = text.find('"', 1);
    const std::string_view name =
        close == std::string_view::npos ? text.substr(1) : text.substr(1, close - 1);
    const std::string_view rest =
        close == std::string_view::npos ? std::string_view{} : text.substr(close + 1);
    auto program = FindProgram(name, search_path);
    if (!program) return std::nullopt;
    return ProgramCommand{std::move(*program), SplitArguments(rest)};
  }

  size_t blank = 0;
  for (int tried = 0; tried < kMaxPrefixesTried; ++tried) {
    blank = text.find_first_of(" \t", blank);
    const std::string_view name = text.substr(0, blank);
    if (auto program = FindProgram(name, search_path)) {
      const std::string_view rest =
          blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
      return ProgramCommand{std::move(*program), SplitArguments(rest)};
    }
    if (blank == std::string_view::npos) break;
    ++blank;
  }
  return std::nullopt;
}

ShellOpenRequest SplitFileAndParameters(std::string_view command) {
  const std::string text = Trim(command);
  if (!text.empty() && text.front() == '"') {
    const size_t close = text.find('"', 1);
    if (close != std::string::npos && close > 1) {
      return {Trim(std::string_view(text).substr(1, close - 1)),
              Trim(std::string_view(text).substr(close + 1))};
    }
    return {text, {}};
  }
  const size_t blank = text.find(' ');
  if (blank != std::string::npos) {
    return {Trim(std::string_view(text).substr(0, blank)),
            Trim(std::string_view(text).substr(blank + 1))};
  }
  return {text, {}};
}

}  // namespace zarn
