#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/VbError.h"
#include "platform/common/WindowRegistry.h"
#include "support/TempFolder.h"

namespace zarn {
namespace {

using testing::TempFolder;
using namespace std::chrono_literals;

struct Folder {
  TempFolder base;
  std::string path = base / "zarnplay";
};

std::vector<std::string> Titles(WindowRegistry& windows) {
  std::vector<std::string> titles;
  for (const WindowId window : windows.TopLevelWindows()) {
    titles.push_back(windows.WindowTitle(window));
  }
  return titles;
}

// Pumps `receiver` on its own thread until `done` is set.
class Pump {
 public:
  Pump(WindowRegistry& receiver, std::atomic<bool>& done)
      : thread_([&receiver, &done] {
          while (!done) {
            pollfd fd{receiver.ListenDescriptor(), POLLIN, 0};
            if (poll(&fd, 1, 20) > 0) receiver.AcceptCloseMessages();
          }
        }) {}
  ~Pump() { thread_.join(); }

 private:
  std::thread thread_;
};

TEST(WindowRegistry, CopiesSeeEachOthersWindowsInRegistrationOrder) {
  Folder folder;
  WindowRegistry first(folder.path);
  WindowRegistry second(folder.path);
  EXPECT_EQ(first.MainWindow(), 0u);
  EXPECT_TRUE(first.TopLevelWindows().empty());  // no folder yet

  first.RegisterMainWindow("ZARN://one", "ZARNPlayMain");
  const WindowId other = second.RegisterWindow("Viewer zarn://x", "OtherClass");
  second.RegisterMainWindow("ZARN://two", "ZARNPlayMain");

  for (WindowRegistry* windows : {&first, &second}) {
    EXPECT_EQ(Titles(*windows),
              (std::vector<std::string>{"ZARN://one", "Viewer zarn://x", "ZARN://two"}));
  }
  EXPECT_EQ(second.ClassName(other), "OtherClass");
  EXPECT_EQ(first.ClassName(first.MainWindow()), "ZARNPlayMain");
  EXPECT_EQ(first.FindWindowByTitle("ZARN://two"), second.MainWindow());
  EXPECT_EQ(first.FindWindowByTitle("zarn://two"), 0u);
  EXPECT_EQ(first.WindowTitle(12345), "");

  struct stat info {};
  ASSERT_EQ(stat(folder.path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(WindowRegistry, SendCloseReturnsAfterTheReceiverHandledIt) {
  Folder folder;
  WindowRegistry sender(folder.path);
  WindowRegistry receiver(folder.path);
  receiver.RegisterMainWindow("ZARN://receiver", "ZARNPlayMain");
  std::atomic<int> handled{0};
  std::atomic<WindowId> handled_window{0};
  receiver.SetCloseHandler([&](WindowId window) {
    std::this_thread::sleep_for(200ms);  // a slow unload
    handled_window = window;
    ++handled;
  });
  std::atomic<bool> done{false};
  {
    Pump pump(receiver, done);
    sender.SendClose(receiver.MainWindow());
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(handled_window, receiver.MainWindow());
    done = true;
  }
}

TEST(WindowRegistry, PostCloseDoesNotWait) {
  Folder folder;
  WindowRegistry sender(folder.path);
  WindowRegistry receiver(folder.path);
  receiver.RegisterMainWindow("ZARN://receiver", "ZARNPlayMain");
  int handled = 0;
  receiver.SetCloseHandler([&](WindowId) { ++handled; });
  sender.PostClose(receiver.MainWindow());  // nobody pumps the receiver yet
  EXPECT_EQ(handled, 0);
  receiver.AcceptCloseMessages();
  EXPECT_EQ(handled, 1);
  receiver.AcceptCloseMessages();  // nothing waits: returns at once
  EXPECT_EQ(handled, 1);
}

TEST(WindowRegistry, CloseToOurOwnWindow) {
  Folder folder;
  WindowRegistry windows(folder.path);
  windows.RegisterMainWindow("ZARN://me", "ZARNPlayMain");
  int handled = 0;
  windows.SetCloseHandler([&](WindowId) { ++handled; });
  windows.SendClose(windows.MainWindow());
  EXPECT_EQ(handled, 1);
  windows.PostClose(windows.MainWindow());
  EXPECT_EQ(handled, 1);  // posted: runs at the next pump
  windows.AcceptCloseMessages();
  EXPECT_EQ(handled, 2);
}

pid_t ReapedPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(WindowRegistry, EntriesOfCopiesThatAreGoneAreSkippedAndRemoved) {
  Folder folder;
  WindowRegistry windows(folder.path);
  windows.RegisterMainWindow("ZARN://alive", "ZARNPlayMain");

  // Sockets nobody listens on any more.
  const auto left_socket = [&](const std::string& name) {
    const std::string path = folder.path + "/" + name;
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    return path;
  };
  const std::string dead_socket = left_socket("dead.sock");
  const std::string refused_socket = left_socket("refused.sock");
  const auto entry = [&](int number, const std::string& text) {
    const std::string path = folder.path + "/" + std::to_string(number) + ".win";
    std::ofstream(path) << text;
    return path;
  };
  const std::string dead_pid = entry(100, "pid=" + std::to_string(ReapedPid()) +
                                              "\nsocket=" + dead_socket + "\ntitle=ZARN://dead\n");
  const std::string refused =
      entry(101, "pid=" + std::to_string(getpid()) + "\nsocket=" + refused_socket +
                     "\ntitle=ZARN://refused\nclass=ZARNPlayMain\n");
  const std::string no_socket =
      entry(102, "pid=" + std::to_string(getpid()) + "\nsocket=" + folder.path + "/none.sock\n");
  entry(103, "garbage\n\n=\npid=abc\n");
  entry(104, std::string(100000, 'x'));
  entry(105, "pid=99999999999999999999999\nsocket=/x\n");

  EXPECT_EQ(Titles(windows), (std::vector<std::string>{"ZARN://alive", "ZARN://refused"}));
  EXPECT_FALSE(std::filesystem::exists(dead_pid));
  EXPECT_FALSE(std::filesystem::exists(dead_socket));
  EXPECT_FALSE(std::filesystem::exists(no_socket));
  // Its process lives, but nobody answers: the send removes it.
  windows.SendClose(101);
  EXPECT_FALSE(std::filesystem::exists(refused));
  EXPECT_EQ(Titles(windows), (std::vector<std::string>{"ZARN://alive"}));
  // A new window still comes after every number in use.
  WindowRegistry later(folder.path);
  later.RegisterMainWindow("ZARN://later", "ZARNPlayMain");
  EXPECT_GT(later.MainWindow(), 105u);
}

TEST(WindowRegistry, RefusesAFolderOthersCanWriteTo) {
  Folder folder;
  ASSERT_EQ(mkdir(folder.path.c_str(), 0777), 0);
  chmod(folder.path.c_str(), 0777);
  WindowRegistry windows(folder.path);
  EXPECT_THROW(windows.RegisterMainWindow("ZARN://x", "ZARNPlayMain"), VbError);
  EXPECT_EQ(windows.MainWindow(), 0u);
}

}  // namespace
}  // namespace zarn
