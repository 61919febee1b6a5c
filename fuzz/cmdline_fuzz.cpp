// libFuzzer target over the command-line splitter. Arguments written back
// with the usual quoting must split into the same arguments; a program
// found for a command line (searched in a folder holding "tool" and
// "two words") must be a path, and no part may be longer than the line.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/CommandLineSplit.h"

namespace {

using namespace zarn;
using fuzz::Check;

// Quotes an argument so that the splitter gives it back unchanged.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

const std::string& SearchFolder() {
  static const std::string folder = [] {
    const fuzz::Scratch& scratch = fuzz::Scratch::Get();
    for (const char* name : {"tool", "two words"}) {
      ::chmod(scratch.Write(name, "#!/bin/sh\n").c_str(), 0755);
    }
    return scratch.Folder();
  }();
  return folder;
}

size_t TotalSize(const std::vector<std::string>& parts) {
  size_t total = 0;
  for (const auto& part : parts) total += part.size();
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const std::vector<std::string> args = SplitArguments(text);
  Check(TotalSize(args) <= text.size(), "arguments longer than the text");
  std::string written;
  for (const std::string& arg : args) written += Quote(arg) + " ";
  Check(SplitArguments(written) == args, "quoted arguments split differently");

  const ShellOpenRequest open = SplitFileAndParameters(text);
  Check(open.file.size() + open.parameters.size() <= text.size(), "file and parameters too long");

  const auto command = ResolveCommandLine(text, "/nonexistent-zarn:" + SearchFolder());
  if (command) {
    Check(!command->program.empty(), "a program without a path");
    Check(TotalSize(command->arguments) <= text.size(), "program arguments longer than the line");
  }
  return 0;
}
