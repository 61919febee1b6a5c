#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ports/WindowSystemPort.h"

namespace zarn {

// Windows without a display: every running copy of this user registers its
// windows in a private runtime folder, one entry file per window (its number
// gives the order), and listens on a unix-domain socket for close messages.
// Entries of copies that are gone are skipped and removed by whoever sees
// them.
class WindowRegistry : public WindowSystemPort {
 public:
  explicit WindowRegistry(std::string folder = DefaultFolder());
  ~WindowRegistry() override;
  WindowRegistry(const WindowRegistry&) = delete;
  WindowRegistry& operator=(const WindowRegistry&) = delete;

  // $ZARN_INSTANCE_DIR when set; else /run/user/UID/zarnplay when that
  // runtime folder is the user's own, else /tmp/zarnplay-UID.
  static std::string DefaultFolder();

  std::vector<WindowId> TopLevelWindows() override;
  std::string WindowTitle(WindowId window) override;
  std::string ClassName(WindowId window) override;
  void SendClose(WindowId window) override;
  void PostClose(WindowId window) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  void RegisterMainWindow(const std::string& caption, const std::string& class_name) override;
  WindowId MainWindow() const override { return main_; }

  // The process a registered window belongs to; 0 when it is gone.
  pid_t ProcessOf(WindowId window);

  // Registers another window of this process (a test stands in for some
  // other program's window with it).
  WindowId RegisterWindow(const std::string& title, const std::string& class_name);

  // Called with the window of ours a close message is for.
  void SetCloseHandler(std::function<void(WindowId)> handler) { on_close_ = std::move(handler); }
  // Handles the close messages waiting now, replying to each sender after
  // its handler ran; never waits for new ones. The socket is looked at
  // once per kAcceptInterval of wall time at most.
  void AcceptCloseMessages();
  static constexpr std::chrono::milliseconds kAcceptInterval{4};
  // Readable while a close message waits; -1 before the first registration.
  int ListenDescriptor() const { return listen_fd_; }

  // How long a sender waits to connect and for the reply.
  static constexpr int kSendTimeoutMs = 5000;

 private:
  struct Entry {
    WindowId id = 0;
    pid_t pid = 0;
    std::string socket;
    std::string title;
    std::string class_name;
  };

  std::string EntryPath(WindowId window) const;
  std::optional<Entry> ReadEntry(WindowId window);
  std::vector<Entry> LiveEntries();
  void EnsureFolder();
  void EnsureListening();
  void Deliver(WindowId window, bool wait);
  void Dispatch(WindowId window);

  std::string folder_;
  int listen_fd_ = -1;
  std::string socket_path_;
  std::set<WindowId> own_;
  WindowId main_ = 0;
  std::function<void(WindowId)> on_close_;
  std::deque<WindowId> posted_to_self_;
  bool accepting_ = false;
  std::chrono::steady_clock::time_point last_accept_{};
};

}  // namespace zarn
