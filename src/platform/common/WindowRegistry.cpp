#include "platform/common/WindowRegistry.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/VbError.h"

namespace zarn {
namespace {

constexpr size_t kMaxEntrySize = 4096;
constexpr size_t kMaxMessageSize = 64;
// A receiver does not wait long for a sender that connected and says nothing.
constexpr int kReceiveTimeoutMs = 500;

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowAccess(const std::string& what) {
  Throw(vberr::kPathFileAccess, what + ": " + std::strerror(errno));
}

void SetTimeouts(int fd, int milliseconds) {
  timeval tv{};
  tv.tv_sec = milliseconds / 1000;
  tv.tv_usec = (milliseconds % 1000) * 1000;
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// One line, up to a newline, the end of the stream or the socket's timeout.
std::string ReadLine(int fd) {
  std::string line;
  char ch = 0;
  while (line.size() < kMaxMessageSize) {
    const ssize_t n = ::recv(fd, &ch, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || ch == '\n') break;
    line += ch;
  }
  return line;
}

std::optional<uint64_t> ParseNumber(std::string_view text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Titles and classes are kept on one line each.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

bool ProcessGone(pid_t pid) { return pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH); }

std::atomic<int> g_socket_counter{0};

}  // namespace

WindowRegistry::WindowRegistry(std::string folder) : folder_(std::move(folder)) {}

WindowRegistry::~WindowRegistry() {
  for (const WindowId window : own_) ::unlink(EntryPath(window).c_str());
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    ::unlink(socket_path_.c_str());
  }
}

std::string WindowRegistry::DefaultFolder() {
  // One registry per user, whatever XDG_RUNTIME_DIR or TMPDIR a copy was
  // started with (cron, ssh, sudo -u): the user's runtime folder when the
  // system made one, else a folder of the user's in the system temp folder.
  if (const char* own = std::getenv("ZARN_INSTANCE_DIR"); own != nullptr && *own != '\0') {
    return own;
  }
  const std::string runtime = "/run/user/" + std::to_string(::getuid());
  struct stat info {};
  if (::lstat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
      (info.st_mode & 077) == 0) {
    return runtime + "/zarnplay";
  }
  return "/tmp/zarnplay-" + std::to_string(::getuid());
}

std::string WindowRegistry::EntryPath(WindowId window) const {
  return folder_ + "/" + std::to_string(window) + ".win";
}

void WindowRegistry::EnsureFolder() {
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    ThrowAccess("cannot create " + folder_);
  }
  // Others' copies must not be able to plant windows or sockets here.
  struct stat info {};
  if (::lstat(folder_.c_str(), &info) != 0) ThrowAccess("cannot use " + folder_);
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
    Throw(vberr::kPathFileAccess, folder_ + " is not a private folder of this user");
  }
}

void WindowRegistry::EnsureListening() {
  if (listen_fd_ >= 0) return;
  EnsureFolder();
  const std::string path = folder_ + "/" + std::to_string(::getpid()) + "-" +
                           std::to_string(g_socket_counter++) + ".sock";
  sockaddr_un address;
  if (!FillAddress(path, address)) {
    Throw(vberr::kPathFileAccess, "socket path too long: " + path);
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) ThrowAccess("cannot make a socket");
  // A socket of our process id can only be left over from a copy that is gone.
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    ThrowAccess("cannot listen on " + path);
  }
  listen_fd_ = fd;
  socket_path_ = path;
}

WindowId WindowRegistry::RegisterWindow(const std::string& title, const std::string& class_name) {
  EnsureListening();
  const std::string content = "pid=" + std::to_string(::getpid()) + "\nsocket=" + socket_path_ +
                              "\ntitle=" + OneLine(title) + "\nclass=" + OneLine(class_name) + "\n";
  // Written whole under a private name, then linked into place: link() fails
  // when the number is taken, and readers never see half an entry.
  const std::string draft = socket_path_ + ".draft";
  ::unlink(draft.c_str());  // named after our process: a leftover of a copy that is gone
  {
    UniqueFd fd(::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0) ThrowAccess("cannot write " + draft);
    if (::write(fd.get(), content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
      ::unlink(draft.c_str());
      ThrowAccess("cannot write " + draft);
    }
  }
  WindowId next = 1;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(folder_, ec)) {
    const auto name = item.path().filename().string();
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".win") != 0) continue;
    if (auto number = ParseNumber(std::string_view(name).substr(0, name.size() - 4))) {
      next = std::max<WindowId>(next, *number + 1);
    }
  }
  for (;; ++next) {
    if (::link(draft.c_str(), EntryPath(next).c_str()) == 0) break;
    if (errno != EEXIST) {
      const int saved = errno;
      ::unlink(draft.c_str());
      errno = saved;
      ThrowAccess("cannot register a window in " + folder_);
    }
  }
  ::unlink(draft.c_str());
  own_.insert(next);
  return next;
}

void WindowRegistry::RegisterMainWindow(const std::string& caption, const std::string& class_name) {
  const WindowId window = RegisterWindow(caption, class_name);
  if (main_ != 0) {
    ::unlink(EntryPath(main_).c_str());
    own_.erase(main_);
  }
  main_ = window;
}

std::optional<WindowRegistry::Entry> WindowRegistry::ReadEntry(WindowId window) {
  const std::string path = EntryPath(window);
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (fd.get() < 0) return std::nullopt;
  std::string content(kMaxEntrySize, '\0');
  const ssize_t got = ::read(fd.get(), content.data(), content.size());
  if (got <= 0) return std::nullopt;
  content.resize(static_cast<size_t>(got));
  Entry entry;
  entry.id = window;
  size_t at = 0;
  while (at < content.size()) {
    size_t end = content.find('\n', at);
    if (end == std::string::npos) end = content.size();
    const std::string_view line(content.data() + at, end - at);
    at = end + 1;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const auto key = line.substr(0, equals);
    const auto value = line.substr(equals + 1);
    if (key == "pid") {
      const auto pid = ParseNumber(value);
      entry.pid = pid && *pid < (1u << 30) ? static_cast<pid_t>(*pid) : 0;
    } else if (key == "socket") {
      entry.socket = value;
    } else if (key == "title") {
      entry.title = value;
    } else if (key == "class") {
      entry.class_name = value;
    }
  }
  if (entry.pid <= 0 || entry.socket.empty()) return std::nullopt;
  struct stat info {};
  const bool gone = ProcessGone(entry.pid);
  if (gone || ::stat(entry.socket.c_str(), &info) != 0) {
    ::unlink(path.c_str());
    // The socket of a process that is gone goes too, if it is one of ours.
    const std::string prefix = folder_ + "/";
    if (gone && entry.socket.rfind(prefix, 0) == 0 &&
        entry.socket.find('/', prefix.size()) == std::string::npos) {
      ::unlink(entry.socket.c_str());
    }
    return std::nullopt;
  }
  return entry;
}

std::vector<WindowRegistry::Entry> WindowRegistry::LiveEntries() {
  std::vector<WindowId> numbers;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(folder_, ec)) {
    const auto name = item.path().filename().string();
    if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".win") != 0) continue;
    if (auto number = ParseNumber(std::string_view(name).substr(0, name.size() - 4))) {
      numbers.push_back(*number);
    }
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<Entry> entries;
  for (const WindowId number : numbers) {
    if (auto entry = ReadEntry(number)) entries.push_back(std::move(*entry));
  }
  return entries;
}

std::vector<WindowId> WindowRegistry::TopLevelWindows() {
  std::vector<WindowId> windows;
  for (const auto& entry : LiveEntries()) windows.push_back(entry.id);
  return windows;
}

std::string WindowRegistry::WindowTitle(WindowId window) {
  const auto entry = ReadEntry(window);
  return entry ? entry->title : std::string();
}

std::string WindowRegistry::ClassName(WindowId window) {
  const auto entry = ReadEntry(window);
  return entry ? entry->class_name : std::string();
}

pid_t WindowRegistry::ProcessOf(WindowId window) {
  const auto entry = ReadEntry(window);
  return entry ? entry->pid : 0;
}

WindowId WindowRegistry::FindWindowByTitle(const std::string& title) {
  for (const auto& entry : LiveEntries()) {
    if (entry.title == title) return entry.id;
  }
  return 0;
}

void WindowRegistry::SendClose(WindowId window) { Deliver(window, true); }

void WindowRegistry::PostClose(WindowId window) { Deliver(window, false); }

void WindowRegistry::Deliver(WindowId window, bool wait) {
  if (own_.count(window) != 0) {
    // Our own window: a sent message runs its handler at once, a posted one
    // at the next pump.
    if (wait) {
      Dispatch(window);
    } else {
      posted_to_self_.push_back(window);
    }
    return;
  }
  const auto entry = ReadEntry(window);
  if (!entry) return;
  sockaddr_un address;
  if (!FillAddress(entry->socket, address)) return;
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) ThrowAccess("cannot make a socket");
  SetTimeouts(fd.get(), kSendTimeoutMs);
  int connected;
  do {
    connected = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (connected != 0 && errno == EINTR);
  if (connected != 0) {
    // Nobody listens any more: the copy is gone and its entry is stale.
    if (errno == ECONNREFUSED || errno == ENOENT) ::unlink(EntryPath(window).c_str());
    return;
  }
  if (!WriteAll(fd.get(), "CLOSE " + std::to_string(window) + "\n")) return;
  // The reply comes once the receiver's handler has run; a receiver that
  // ends first closes the connection, which ends the wait as well.
  if (wait) ReadLine(fd.get());
}

void WindowRegistry::Dispatch(WindowId window) {
  if (own_.count(window) == 0 || !on_close_) return;
  try {
    on_close_(window);
  } catch (...) {
    // The sender still gets its reply; the handler reports its own failures.
  }
}

void WindowRegistry::AcceptCloseMessages() {
  if (accepting_) return;  // a handler's own pump
  accepting_ = true;
  while (!posted_to_self_.empty()) {
    const WindowId window = posted_to_self_.front();
    posted_to_self_.pop_front();
    Dispatch(window);
  }
  // A pump runs far more often than anyone sends a close message, and a
  // system call per pump would cost more than the pump itself.
  const auto now = std::chrono::steady_clock::now();
  const bool check = listen_fd_ >= 0 && now - last_accept_ >= kAcceptInterval;
  if (check) last_accept_ = now;
  while (check) {
    UniqueFd connection(::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (connection.get() < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;  // nothing waiting
    }
    SetTimeouts(connection.get(), kReceiveTimeoutMs);
    const std::string message = ReadLine(connection.get());
    if (message.rfind("CLOSE ", 0) == 0) {
      if (auto window = ParseNumber(std::string_view(message).substr(6))) Dispatch(*window);
    }
    WriteAll(connection.get(), "DONE\n");
  }
  accepting_ = false;
}

}  // namespace zarn
