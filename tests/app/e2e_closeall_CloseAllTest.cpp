#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "e2e_selfrun_ChildProcess.h"
#include "platform/common/WindowRegistry.h"
#include "support/download_TestServers.h"
#include "support/Harness.h"
#include "support/Process.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ParseTrace;
using testing::ReadFile;
using testing::RunProcess;
using testing::Select;
using testing::TempFolder;

// Commands keep a script's program running after its last line.
const char* const kStaying =
    "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\nMenuName=Demo\n"
    "1=Say hello|~|hello\n[CommandScript:1]\nPip.Hide\n[Script]\nPip.Show\n"
    "Pip.Speak \"Waiting\"\n";

class CloseAllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir(runtime_.c_str(), 0700), 0);
    const auto made =
        RunProcess({ZARNPLAY_EXE, "--make-test-characters", characters_}, {}, dir_.Path());
    ASSERT_EQ(made.exit_code, 0) << made.err;
  }

  std::unique_ptr<ChildProcess> Start(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), {ZARNPLAY_EXE, "--headless", "--trace", Trace(name)});
    std::filesystem::create_directories(dir_ / (name + "-tmp"));
    return std::make_unique<ChildProcess>(
        args,
        // Each copy with a runtime and temp folder of its own, as cron, ssh
        // or sudo -u would start it: the registry is the same for all.
        std::map<std::string, std::string>{{"ZARN_INSTANCE_DIR", runtime_ + "/zarnplay"},
                                           {"XDG_RUNTIME_DIR", dir_ / (name + "-run")},
                                           {"TMPDIR", dir_ / (name + "-tmp")},
                                           {"ZARN_CHARACTERS", characters_}},
        dir_ / (name + ".out"));
  }
  std::string Trace(const std::string& name) const { return dir_ / (name + ".jsonl"); }
  std::vector<testing::TraceLine> Records(const std::string& name) const {
    return ParseTrace(ReadFile(Trace(name)));
  }
  // Waits until `count` windows are registered.
  bool WaitForWindows(WindowRegistry& windows, size_t count) {
    for (auto until = std::chrono::steady_clock::now() + 60s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
      if (windows.TopLevelWindows().size() == count) return true;
    }
    return false;
  }

  TempFolder dir_;
  std::string runtime_ = dir_ / "run";
  std::string characters_ = dir_ / "characters";
};

TEST_F(CloseAllTest, FourthCopyClosesThreePlayingCopiesAndEnds) {
  const std::string script = dir_.Write("stay.zrn", kStaying);
  WindowRegistry observer(runtime_ + "/zarnplay");
  std::vector<std::unique_ptr<ChildProcess>> players;
  for (int i = 1; i <= 3; ++i) players.push_back(Start("player" + std::to_string(i), {script}));
  // A copy that is killed leaves its window entry behind.
  auto killed = Start("killed", {script});
  ASSERT_TRUE(WaitForWindows(observer, 4));
  killed->Kill();
  // Some other program's window that carries the mark in its title.
  int foreign_closes = 0;
  const WindowId foreign = observer.RegisterWindow("Viewer of zarn://page", "OtherClass");
  observer.SetCloseHandler([&](WindowId) { ++foreign_closes; });
  for (auto& player : players) ASSERT_TRUE(player->Running());

  auto closer = Start("closer", {"/CloseAll"});
  EXPECT_EQ(closer->Wait(60s), std::optional<int>(0));
  for (size_t i = 0; i < players.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(players[i]->Wait(30s), std::optional<int>(0));
    const auto records = Records("player" + std::to_string(i + 1));
    // Unloaded, not shut down: the character is not hidden first.
    EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
    EXPECT_TRUE(Select(records, "life", "ShutDown").empty());
    EXPECT_TRUE(Select(records, "call", "Hide").empty());
    EXPECT_EQ(Select(records, "ui", "TrayRemove").size(), 1u);
  }

  const auto closer_records = Records("closer");
  EXPECT_EQ(Select(closer_records, "life", "Unload").size(), 1u);
  EXPECT_TRUE(Select(closer_records, "ui", "TrayAdd").empty());
  EXPECT_TRUE(Select(closer_records, "life", "LoadScript").empty());

  observer.AcceptCloseMessages();
  EXPECT_EQ(foreign_closes, 0);
  EXPECT_EQ(observer.TopLevelWindows(), std::vector<WindowId>{foreign});
  // Every copy's entry is gone, the killed one's included; our own and its
  // socket remain.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(runtime_ + "/zarnplay"), {}), 2);
}

TEST_F(CloseAllTest, WithNoOtherCopyTheSwitchJustEnds) {
  auto closer = Start("closer", {"x", "/cLoSeAlL"});
  EXPECT_EQ(closer->Wait(60s), std::optional<int>(0));
  const auto records = Records("closer");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().op, "Exit");
  EXPECT_TRUE(Select(records, "ui", "ErrorReport").empty());
}

TEST_F(CloseAllTest, IdleCopyEndsOnTheCloseMessage) {
  // Waiting for commands with nothing scheduled, the copy sleeps in the
  // pump; the close message wakes it.
  const std::string script = dir_.Write("stay.zrn", kStaying);
  WindowRegistry sender(runtime_ + "/zarnplay");
  auto player = Start("player", {script});
  ASSERT_TRUE(WaitForWindows(sender, 1));
  std::this_thread::sleep_for(200ms);  // let it reach the idle wait
  ASSERT_TRUE(player->Running());
  const auto started = std::chrono::steady_clock::now();
  sender.SendClose(sender.TopLevelWindows().at(0));
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::milliseconds(WindowRegistry::kSendTimeoutMs));
  EXPECT_EQ(player->Wait(30s), std::optional<int>(0));
  EXPECT_EQ(Select(Records("player"), "life", "Unload").size(), 1u);
}

// The mark is up before the script loads: a copy still downloading its
// script is found, closed, and gives up the transfer at once.
TEST_F(CloseAllTest, ReachesACopyWhoseScriptIsStillDownloading) {
  testing::HttpServer http({});
  WindowRegistry observer(runtime_ + "/zarnplay");
  auto loading = Start("loading", {http.Url("/stall")});
  ASSERT_TRUE(WaitForWindows(observer, 1));
  auto closer = Start("closer", {"/CLOSEALL"});
  EXPECT_EQ(closer->Wait(60s), std::optional<int>(0));
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(loading->Wait(30s).has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  const auto records = Records("loading");
  EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
  EXPECT_TRUE(Select(records, "ui", "MessageBox").empty());
}

// Where copies register depends on the user alone, not on the runtime or
// temp folder each was started with.
TEST(InstanceRegistry, SameFolderWhateverTheRuntimeAndTempFolders) {
  std::map<std::string, std::optional<std::string>> saved;
  for (const char* name : {"ZARN_INSTANCE_DIR", "XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(name);
    saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }
  unsetenv("ZARN_INSTANCE_DIR");
  std::vector<std::string> folders;
  for (const char* value : {"/tmp", "/var/tmp"}) {
    setenv("XDG_RUNTIME_DIR", value, 1);
    setenv("TMPDIR", value, 1);
    folders.push_back(WindowRegistry::DefaultFolder());
  }
  for (const auto& [name, value] : saved) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  EXPECT_EQ(folders[0], folders[1]);
  const std::string uid = std::to_string(getuid());
  EXPECT_TRUE(folders[0] == "/run/user/" + uid + "/zarnplay" ||
              folders[0] == "/tmp/zarnplay-" + uid)
      << folders[0];
}

}  // namespace
}  // namespace zarn
