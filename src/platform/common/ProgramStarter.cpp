#include "platform/common/ProgramStarter.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "base/CommandLineSplit.h"
#include "base/VbError.h"
#include "base/VbString.h"
#include "base/WinPath.h"

extern char** environ;

namespace zarn {
namespace {

constexpr int32_t kOpenedResult = 42;

std::string SearchPath() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

struct SpawnOutcome {
  pid_t pid = -1;
  int error = 0;
};

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_init(&actions_);
    // The program gets a session of its own, so it outlives us and a
    // Ctrl+C in our terminal does not reach it, with plain signal handling.
    sigset_t empty, defaults;
    sigemptyset(&empty);
    sigemptyset(&defaults);
    for (int sig :
         {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2, SIGALRM, SIGXFSZ}) {
      sigaddset(&defaults, sig);
    }
    posix_spawnattr_setsigmask(&attr_, &empty);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    posix_spawnattr_setflags(&attr_,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // It must not read our terminal input nor keep our files open.
    posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
#endif
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  const posix_spawnattr_t* attr() const { return &attr_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

// Starts `program` detached: an intermediate child spawns it and exits at
// once, so the program is adopted by init and we leave no zombie behind and
// never wait for it. Everything the child needs is prepared before the fork.
SpawnOutcome SpawnDetached(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> storage;
  storage.reserve(args.size() + 1);
  storage.push_back(program);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const SpawnSetup setup;

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return {-1, errno};
  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    return {-1, error};
  }
  if (child == 0) {
    SpawnOutcome outcome;
    const int rc = ::posix_spawn(&outcome.pid, program.c_str(), setup.actions(), setup.attr(),
                                 argv.data(), environ);
    if (rc != 0) outcome = {-1, rc};
    [[maybe_unused]] const ssize_t written = ::write(report[1], &outcome, sizeof outcome);
    ::_exit(0);
  }
  ::close(report[1]);
  SpawnOutcome outcome{-1, EIO};
  ssize_t got;
  do {
    got = ::read(report[0], &outcome, sizeof outcome);
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof outcome)) outcome = {-1, EIO};
  ::close(report[0]);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  return outcome;
}

[[noreturn]] void ThrowStartError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      Throw(70, "Permission denied");
    case ENOEXEC:
      Throw(vberr::kInvalidCall, "Invalid procedure call or argument");
    default:
      Throw(vberr::kFileNotFound, "File not found");
  }
}

// "http://...", "mailto:..."; a drive letter ("C:") is not a scheme.
bool IsAddress(std::string_view file) {
  const size_t colon = file.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = file[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && (i == 0 || !other)) return false;
  }
  return true;
}

// The local document or folder `file` names, relative to `directory` when
// one is given; nothing when it does not exist.
std::optional<std::string> FindDocument(const std::string& file, const std::string& directory) {
  std::string path = SlashPath(file);
  if (!path.empty() && path.front() != '/' && !directory.empty() && !HasDriveLetter(path)) {
    std::string base = SlashPath(directory);
    if (base.back() != '/') base += '/';
    path = base + path;
  }
  const auto found = FindExisting(path);
  if (!found) return std::nullopt;
  // Absolute, so that a name starting with "-" is never read as an option.
  std::error_code error;
  const auto absolute = std::filesystem::absolute(*found, error);
  return error ? *found : absolute.string();
}

}  // namespace

ProgramStarter::ProgramStarter(Trace& trace, bool dry_run) : trace_(trace), dry_run_(dry_run) {}

int32_t ProgramStarter::StartProgram(const std::string& command_line) {
  TraceRecord record("shell", "Start");
  record.Arg(command_line);
  try {
    const int32_t pid = StartOrThrow(command_line);
    trace_.Write(record.Result(int64_t{pid}));
    return pid;
  } catch (const VbError& e) {
    trace_.Write(record.Error(std::to_string(e.Number()) + " " + e.Description()));
    throw;
  }
}

int32_t ProgramStarter::StartOrThrow(const std::string& command_line) {
  if (TrimView(command_line).empty()) {
    Throw(vberr::kInvalidCall, "Invalid procedure call or argument");
  }
  const auto command = ResolveCommandLine(command_line, SearchPath());
  if (!command) Throw(vberr::kFileNotFound, "File not found");
  if (dry_run_) return 0;
  trace_.Flush();  // what came before is out before the program writes anything
  const SpawnOutcome outcome = SpawnDetached(command->program, command->arguments);
  if (outcome.pid < 0) ThrowStartError(outcome.error);
  return static_cast<int32_t>(outcome.pid);
}

int32_t ProgramStarter::ShellExecute(const std::string& operation, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int32_t /*show*/) {
  const int32_t result = Open(operation, file, directory);
  trace_.Write(TraceRecord("shell", "Open").Arg(file).Arg(parameters).Result(int64_t{result}));
  return result;
}

// Documents take no parameters from an opener; they are traced only.
int32_t ProgramStarter::Open(const std::string& operation, const std::string& file,
                             const std::string& directory) {
  if (!operation.empty() && !EqualsNoCase(operation, "open") &&
      !EqualsNoCase(operation, "explore")) {
    return kShellExecuteNoAssociation;  // no print or edit action here
  }
  std::string target;
  if (IsAddress(file)) {
    target = file;
  } else {
    const auto document = FindDocument(file, directory);
    if (!document) return kShellExecuteFileNotFound;
    target = *document;
  }
  if (dry_run_) return kOpenedResult;

  const std::string path = SearchPath();
  std::optional<std::string> opener = FindProgram("xdg-open", path);
  std::vector<std::string> args{target};
  if (!opener) {
    opener = FindProgram("gio", path);
    args = {"open", target};
  }
  if (!opener) return kShellExecuteNoAssociation;
  trace_.Flush();
  if (SpawnDetached(*opener, args).pid < 0) return kShellExecuteNoAssociation;
  return kOpenedResult;
}

void ProgramStarter::SendKeys(const KeystrokePlan& plan, bool /*wait*/) {
  trace_.Write(TraceRecord("shell", "SendKeys").Arg(plan.text).Arg(plan.ToText()));
}

}  // namespace zarn
