#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "base/VbString.h"
#include "core/script/GlobalStatements.h"
#include "core/script/LoadScript.h"
#include "core/script/ResolveResourcePath.h"
#include "core/script/zbURLGet.h"
#include "platform/net/CurlInternet.h"
#include "support/Harness.h"
#include "support/download_TestServers.h"

namespace zarn {
namespace {

using testing::FreePort;
using testing::FtpServer;
using testing::Harness;
using testing::HttpServer;
using testing::Select;
using testing::TempFolder;

const std::string kScript =
    "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nPip=Pip.acs\r\n[Script]\r\n"
    "Pip.Speak Fetched\r\n";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

class DownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  }
  void SetUp() override {
    // Temporary names are taken from TMPDIR; keep them out of the real one.
    const char* old = std::getenv("TMPDIR");
    old_tmpdir_ = old ? old : "";
    setenv("TMPDIR", temp_.Path().c_str(), 1);
    harness_.CreateServices();
    harness_.program().ports.internet = &internet_;
    harness_.program().document.ScriptPath = dir_ / "main.zrn";
  }
  void TearDown() override {
    RemoveTempFiles(harness_.program());
    if (old_tmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    }
  }
  std::string Resolve(const std::string& reference, std::string& temp_name) {
    return ResolveResourcePath(harness_.program(), reference, temp_name);
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& r : Select(harness_.Records(), "ui", "MessageBox")) out.push_back(r.Arg(0));
    return out;
  }

  TempFolder temp_;
  TempFolder dir_;
  std::string old_tmpdir_;
  CurlInternet internet_{
      CurlInternet::Timeouts{std::chrono::seconds(5), std::chrono::seconds(2), 1}};
  Harness harness_;
  HttpServer http_{{{"/a.wav", "RIFFwave"}, {"/b.mid", "MThd"}, {"/s.zrn", kScript}}};
};

TEST_F(DownloadTest, ResourcesGoToConsecutiveTemporaryNames) {
  std::string first;
  std::string second;
  const std::string a = Resolve(http_.Url("/a.wav"), first);
  const std::string b = Resolve(http_.Url("/redirect/b.mid"), second);
  EXPECT_EQ(a, temp_ / "ZARN0001.TMP");
  EXPECT_EQ(first, a);
  EXPECT_EQ(b, temp_ / "ZARN0002.TMP");
  EXPECT_EQ(second, b);
  EXPECT_EQ(ReadFile(a), "RIFFwave");
  EXPECT_EQ(ReadFile(b), "MThd");
  EXPECT_EQ(harness_.program().TempFiles, (std::vector<std::string>{a, b}));
  EXPECT_TRUE(Messages().empty());

  for (const auto& head : http_.Requests()) {
    EXPECT_NE(head.find("User-Agent: Quental.Zarn\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Cache-Control: no-cache\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Pragma: no-cache\r\n"), std::string::npos) << head;
  }
  EXPECT_EQ(http_.Requests().size(), 3u);  // the redirect was followed

  const auto net = Select(harness_.Records(), "net", "Download");
  ASSERT_EQ(net.size(), 2u);
  EXPECT_EQ(net[0].Arg(0), http_.Url("/a.wav"));
  EXPECT_EQ(net[0].Arg(1), a);
  EXPECT_EQ(net[0].result, "8");
  const auto pointer = Select(harness_.Records(), "ui", "Pointer");
  ASSERT_GE(pointer.size(), 2u);
  EXPECT_EQ(pointer.front().Arg(0), "wait");
  EXPECT_EQ(pointer.back().Arg(0), "default");

  RemoveTempFiles(harness_.program());
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_FALSE(std::filesystem::exists(b));
  EXPECT_TRUE(harness_.program().TempFiles.empty());
}

TEST_F(DownloadTest, ATakenNameIsSkipped) {
  temp_.Write("ZARN0001.TMP", "someone else's");
  std::string name;
  EXPECT_EQ(Resolve("HTTP://127.0.0.1:" + http_.Url("/a.wav").substr(17), name),
            temp_ / "ZARN0002.TMP");
  EXPECT_EQ(ReadFile(temp_ / "ZARN0001.TMP"), "someone else's");
}

TEST_F(DownloadTest, FailedTransfersLeaveTheReferenceAndNoFile) {
  struct Case {
    std::string name;
    std::string url;
    std::string reason;  // part of the message
  };
  const Case cases[] = {
      {"404", http_.Url("/missing.wav"), "404"},
      {"refused", "http://127.0.0.1:" + std::to_string(FreePort()) + "/a.wav", "12029 : "},
      {"missing file URL", "file://" + dir_.Path() + "/none.wav", "53 : "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t messages = Messages().size();
    std::string name;
    EXPECT_EQ(Resolve(c.url, name), c.url);
    EXPECT_FALSE(name.empty());
    EXPECT_FALSE(std::filesystem::exists(name));
    ASSERT_EQ(Messages().size(), messages + 1);
    EXPECT_NE(Messages().back().find(c.reason), std::string::npos) << Messages().back();
    const auto net = Select(harness_.Records(), "net", "Download");
    ASSERT_FALSE(net.empty());
    EXPECT_FALSE(net.back().error.empty());
  }
  const auto pointer = Select(harness_.Records(), "ui", "Pointer");
  ASSERT_FALSE(pointer.empty());
  EXPECT_EQ(pointer.back().Arg(0), "default");
}

TEST_F(DownloadTest, AStalledServerEndsWithinTheTimeout) {
  const auto start = std::chrono::steady_clock::now();
  std::string name;
  EXPECT_EQ(Resolve(http_.Url("/stall"), name), http_.Url("/stall"));
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 15.0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("12002 : ", 0), 0u) << Messages()[0];
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST_F(DownloadTest, AScriptUrlLoadsAndPlays) {
  EXPECT_TRUE(LoadScript(harness_.program(), http_.Url("/s.zrn"), true));
  const auto loads = Select(harness_.Records(), "life", "LoadScript");
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0].Arg(0), temp_ / "ZARN0001.TMP");
  const auto speaks = Select(harness_.Records(), "call", "Speak");
  ASSERT_EQ(speaks.size(), 1u);
  EXPECT_EQ(speaks[0].Arg(0), "Fetched");
  // Kept while it plays, removed with the other downloads at exit.
  EXPECT_EQ(harness_.program().TempFiles, std::vector<std::string>{temp_ / "ZARN0001.TMP"});

  EXPECT_FALSE(LoadScriptFromUrl(harness_.program(), http_.Url("/gone.zrn"), true));
  EXPECT_EQ(Select(harness_.Records(), "life", "LoadScript").size(), 1u);
}

TEST_F(DownloadTest, FtpAndFileAddresses) {
  TempFolder served;
  served.Write("tune.mid", "MThd-ftp");
  FtpServer ftp(served.Path());
  ASSERT_TRUE(ftp.Ready()) << "python3-pyftpdlib is needed";
  std::string name;
  const std::string got = Resolve(ftp.Url("/tune.mid"), name);
  EXPECT_EQ(ReadFile(got), "MThd-ftp");
  EXPECT_EQ(Resolve(ftp.Url("/missing.mid"), name), ftp.Url("/missing.mid"));
  EXPECT_FALSE(std::filesystem::exists(name));
  const std::string file = Resolve("file://" + served.Path() + "/tune.mid", name);
  EXPECT_EQ(file, name);
  EXPECT_EQ(ReadFile(file), "MThd-ftp");
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(DownloadTest, ALargeBodyIsStreamedToDisk) {
  const long rss_before = PeakRssKb();
  int pumps = 0;
  const UrlRequest request{http_.Url("/big"), kDownloadAgent, [&pumps] { ++pumps; }, {}};
  const std::string path = temp_ / "big.bin";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(internet_.OpenUrlReadToFile(request, path), http_.big_bytes);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(path)), http_.big_bytes);
  EXPECT_LT(PeakRssKb() - rss_before, 50 * 1024);
  // Events ran during the transfer, but not on every read.
  EXPECT_GE(pumps, 1);
  EXPECT_LE(pumps, ms / 50 + 2);
  std::filesystem::remove(path);
}

// A URL is never taken for a local file of the same name, and a dead one
// costs each statement one attempt and one warning.
TEST_F(DownloadTest, UrlsAreDownloadedOnceAStatement) {
  dir_.Write("a.wav", "local");
  std::string name;
  EXPECT_EQ(ReadFile(Resolve(http_.Url("/a.wav"), name)), "RIFFwave");

  const std::string dead = http_.Url("/gone");
  for (const std::string& line :
       {"PLAYWAVE " + dead + ".wav", "BGIMAGE " + dead + ".bmp", "PLAYMIDI " + dead + ".mid",
        "PLAYSCRIPT " + dead + ".zrn", "READTEXTFILE Pip, " + dead + ".txt"}) {
    SCOPED_TRACE(line);
    const size_t messages = Messages().size();
    const size_t requests = http_.Requests().size();
    std::string current = line;
    RunGlobalStatement(harness_.program(), current, UCase(line));
    EXPECT_EQ(http_.Requests().size(), requests + 1);
    EXPECT_EQ(Messages().size(), messages + 1);
  }
}

// A downloaded script, and what it plays, may start programs only when the
// user allows it; a local script before and after it is not held back.
TEST_F(DownloadTest, NetworkScriptsNeedLeaveToStartPrograms) {
  const std::string head =
      "[ZARN Script]\r\nVersion=7.0\r\n[Characters]\r\nPip=Pip.acs\r\n[Script]\r\n";
  const std::string inner = dir_.Write("inner.zrn", head + "SHELLEX inner.sh\r\n", false);
  HttpServer http{{{"/shell.zrn", head + "SHELLEX remote.sh\r\nPLAYSCRIPT " + inner + "\r\n"}}};
  const std::string outer = dir_.Write("outer.zrn",
                                       head + "SHELLEX before.sh\r\nPLAYSCRIPT " +
                                           http.Url("/shell.zrn") + "\r\nSHELLEX after.sh\r\n",
                                       false);
  struct Case {
    NetworkCommandPolicy policy;
    std::vector<std::string> started;
    size_t refused;
  };
  for (const Case& c :
       {Case{NetworkCommandPolicy::kRefuse, {"before.sh", "after.sh"}, 2},
        Case{
            NetworkCommandPolicy::kAllow, {"before.sh", "remote.sh", "inner.sh", "after.sh"}, 0}}) {
    SCOPED_TRACE(static_cast<int>(c.policy));
    const size_t seen = harness_.Records().size();
    harness_.program().NetworkCommands = c.policy;
    LoadScript(harness_.program(), outer, true);
    std::vector<std::string> started;
    size_t refused = 0;
    const auto records = harness_.Records();
    for (size_t i = seen; i < records.size(); ++i) {
      const auto& r = records[i];
      if (r.kind == "shell" && r.op == "Start") started.push_back(r.Arg(0));
      if (r.kind == "shell" && r.op == "Refused") ++refused;
    }
    EXPECT_EQ(started, c.started);
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(harness_.program().NetworkScriptRuns, 0);
  }
  EXPECT_NE(Messages().back().find("--allow-shell"), std::string::npos);
}

}  // namespace
}  // namespace zarn
