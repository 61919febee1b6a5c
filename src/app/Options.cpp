#include "app/Options.h"

#include <algorithm>
#include <filesystem>
#include <span>

#include "app/OptionTable.h"
#include "base/VbString.h"

namespace zarn {
namespace {

bool IsCloseAll(const std::string& arg) { return arg.size() == 9 && UCase(arg) == "/CLOSEALL"; }

}  // namespace

void SplitCommandLine(const std::vector<std::string>& args, Options& options) {
  options.command_line.clear();
  for (const std::string& arg : args) {
    if (!options.command_line.empty()) options.command_line += ' ';
    options.command_line += arg;
  }
  // One argument holding "path /a=1" is a Windows-style command line (a
  // launcher or a self-running copy passes those): start-up cuts it.
  if (args.size() == 1 && args[0].find(" /") != std::string::npos &&
      !std::filesystem::exists(args[0])) {
    options.arguments.reset();
    return;
  }
  StartArguments parts;
  bool script_seen = false;
  for (const std::string& arg : args) {
    if (IsCloseAll(arg)) {
      parts.close_all = true;
    } else if (!script_seen) {
      parts.script = arg;
      script_seen = true;
    } else if (arg.size() > 1 && arg[0] == '/' && arg.find('=') != std::string::npos) {
      // As the Windows command line cuts it: the text up to the next "=".
      const size_t eq = arg.find('=');
      const size_t next = arg.find('=', eq + 1);
      parts.variables.emplace_back(arg.substr(1, eq - 1), arg.substr(eq + 1, next - eq - 1));
    } else {
      options.ignored.push_back(arg);
    }
  }
  options.arguments = std::move(parts);
}

std::string UsageText() {
  // Values start in this column, or two blanks after a longer name.
  constexpr size_t kHelpColumn = 26;
  std::string text =
      "Usage: zarnplay [OPTIONS] [--] [SCRIPT] [/name=value ...] [/CLOSEALL]\n"
      "\n"
      "Plays a ZARN script (.zrn, .zrs) with animated characters.\n"
      "\n"
      "Options:\n";
  for (const OptionEntry& option : OptionTable()) {
    std::string head = "  " + std::string(option.name);
    if (!option.value.empty()) head += " " + std::string(option.value);
    head.resize(std::max(head.size() + 2, kHelpColumn), ' ');
    text += head;
    for (const char ch : option.help) {
      text += ch;
      if (ch == '\n') text.append(kHelpColumn, ' ');
    }
    text += '\n';
  }
  return text;
}

Options ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  options.given = args;
  size_t i = 0;
  std::vector<std::string> positional;
  for (; i < args.size() && error.empty(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.rfind("--", 0) != 0) {
      positional.push_back(arg);
      continue;
    }
    const OptionEntry* option = FindOption(arg);
    if (option == nullptr) {
      error = "unknown option " + arg + " (see --help)";
      break;
    }
    if (option->scope == OptionScope::kHeadless &&
        std::find(options.headless_only.begin(), options.headless_only.end(), arg) ==
            options.headless_only.end()) {
      options.headless_only.push_back(arg);
    }
    if (option->json_first && i + 1 < args.size() && args[i + 1] == "--json") {
      options.json = true;
      ++i;
    }
    const size_t count = static_cast<size_t>(option->values);
    if (args.size() - i - 1 < count) {
      error = arg + " needs a value";
      break;
    }
    option->apply(options, std::span<const std::string>(args).subspan(i + 1, count), error);
    i += count;
  }
  for (; i < args.size(); ++i) positional.push_back(args[i]);
  SplitCommandLine(positional, options);
  return options;
}

}  // namespace zarn
