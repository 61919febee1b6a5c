#include "platform/desktop/ClipboardHolder.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <vector>

extern char** environ;

namespace zarn {

bool StartClipboardHolder(const std::string& text) {
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], STDIN_FILENO);
  // Nobody reads what it says; the caller's pipes must close with the caller.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own session: closing the terminal or the caller's group leaves it.
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::string hold =
      std::string(kClipboardHolderVariable) + "=" + std::to_string(kClipboardHoldSeconds);
  std::vector<char*> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.push_back(*entry);
  environment.push_back(hold.data());
  environment.push_back(nullptr);
  char name[] = "zarnplay";
  char* argv[] = {name, nullptr};
  pid_t pid = 0;
  const int failed =
      posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv, environment.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(pipe_fds[0]);
  bool written = failed == 0;
  for (size_t done = 0; written && done < text.size();) {
    const ssize_t n = write(pipe_fds[1], text.data() + done, text.size() - done);
    if (n <= 0) written = false;
    done += n > 0 ? static_cast<size_t>(n) : 0;
  }
  close(pipe_fds[1]);
  return written;
}

int RunClipboardHolder(int seconds) {
  const std::string text{std::istreambuf_iterator<char>(std::cin),
                         std::istreambuf_iterator<char>()};
  if (text.empty()) return 0;
  if (std::getenv("DISPLAY") != nullptr) setenv("QT_QPA_PLATFORM", "xcb", 0);
  int argc = 1;
  char name[] = "zarnplay";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QString::fromStdString(text));
  QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
    if (!clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  QTimer::singleShot(std::chrono::seconds(seconds), &app, &QCoreApplication::quit);
  // Ending hands the text to a clipboard manager, where one has come.
  return QCoreApplication::exec();
}

}  // namespace zarn
