#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "charfile/CharacterWriter.h"
#include "charfile/TestCharacters.h"
#include "support/DelegatingCharacterService.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Ops;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

std::string Header(const std::string& characters = "Pip=Pip.acs\n") {
  return "[ZARN Script]\nVersion=7.0\n[Characters]\n" + characters;
}

HarnessOptions For(const std::string& path) {
  HarnessOptions options;
  options.command_line = path;
  return options;
}

size_t IndexOf(const std::vector<std::string>& ops, const std::string& op, size_t from = 0) {
  return std::find(ops.begin() + static_cast<long>(from), ops.end(), op) - ops.begin();
}

std::vector<std::string> LastMenu(const std::vector<TraceLine>& records) {
  const auto menus = Select(records, "ui", "Menu");
  return menus.empty() ? std::vector<std::string>{} : menus.back().args;
}

TEST(Events, TypicalRunEndsByItselfInOrder) {
  TempFolder dir;
  const auto path = dir.Write("run.zrn", Header() +
                                             "[Bookmarks]\n1=\n[BookmarkScript:1]\n"
                                             "Pip.Balloon.FontName = \"Courier\"\n"
                                             "[Script]\nPip.Show\n"
                                             "Pip.Speak \"Hello \\mrk=1\\there\"\nPip.Hide\n");
  Harness h(For(path));
  h.StartAndRun();
  EXPECT_FALSE(h.Form().Loaded());
  const auto records = h.Records();
  const auto ops = Ops(records);
  const std::vector<std::string> order = {
      "life Start", "ui TrayAdd", "life LoadScript", "call Load",   "call Commands.Add",
      "call Show",  "call Speak", "call Hide",       "call Get",    "event Bookmark",
      "call Put",   "event Hide", "life ShutDown",   "life Unload", "ui TrayRemove"};
  size_t at = 0;
  for (const auto& op : order) {
    SCOPED_TRACE(op);
    const size_t found = IndexOf(ops, op, at);
    ASSERT_LT(found, ops.size());
    at = found;
  }
  // The marker completes last, and shutdown follows it at once.
  const auto get = Select(records, "call", "Get");
  const auto completes = Select(records, "event", "RequestComplete");
  ASSERT_FALSE(completes.empty());
  EXPECT_EQ(completes.back().req, get[0].req);
  const auto shutdown = Select(records, "life", "ShutDown");
  EXPECT_DOUBLE_EQ(shutdown[0].t, completes.back().t);
  // The only command is the program's own Close.
  const auto adds = Select(records, "call", "Commands.Add");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].args, (std::vector<std::string>{"ZARNClose", "Close", ""}));
  EXPECT_EQ(Select(records, "call", "Commands.Caption")[0].Arg(0), "ZARNPlay - Pip");
}

TEST(Tray, MenuFollowsTheCharactersAndChoicesShowAndHide) {
  TempFolder dir;
  const auto path = dir.Write("two.zrn", Header("Pip=Pip.acs\nMini=Mini.acs\n") +
                                             "[Commands]\n1=Stay|~|stay\n"
                                             "[Script]\nPip.Show\n");
  Harness h(For(path));
  h.Start();
  h.RunUntilIdle(20000);
  EXPECT_EQ(LastMenu(h.Records()), (std::vector<std::string>{"Hide &Pip", "Show &Mini", "&Close"}));

  h.Desktop().RightClickTray("Show &Mini");
  h.RunUntilIdle(40000);
  EXPECT_EQ(Select(h.Records(), "call", "Show").back().character, "Mini");
  EXPECT_EQ(LastMenu(h.Records()), (std::vector<std::string>{"Hide &Pip", "Hide &Mini", "&Close"}));

  h.Desktop().RightClickTray("Hide &Pip");
  h.RunUntilIdle(60000);
  EXPECT_EQ(LastMenu(h.Records()), (std::vector<std::string>{"Show &Pip", "Hide &Mini", "&Close"}));

  h.Desktop().RightClickTray(std::nullopt);                // menu dismissed: nothing happens
  h.Form().Form_MouseMove(tray_message::kLeftButtonDown);  // ignored
  h.RunUntilIdle(80000);
  EXPECT_TRUE(h.Form().Loaded());

  h.Desktop().RightClickTray("&Close");
  EXPECT_FALSE(h.Form().Loaded());
  const auto records = h.Records();
  const auto ops = Ops(records);
  const size_t shutdown = IndexOf(ops, "life ShutDown");
  ASSERT_LT(shutdown, ops.size());
  // Both visible characters are hidden before the icon goes.
  const auto hides =
      Select(std::vector<TraceLine>(records.begin() + static_cast<long>(shutdown), records.end()),
             "call", "Hide");
  ASSERT_EQ(hides.size(), 1u);  // only Mini was still visible
  EXPECT_EQ(hides[0].character, "Mini");
  EXPECT_LT(IndexOf(ops, "event Hide", shutdown), IndexOf(ops, "ui TrayRemove", shutdown));
}

struct CommandCase {
  const char* name;
  std::string commands;  // [Commands] body
  std::function<void(Harness&)> act;
  bool ends;  // the program has shut down afterwards
  bool command_script_ran;
};

TEST(Commands, EndOfScriptAndCommandFilters) {
  auto give = [](const std::string& name, int confidence, std::string alt1 = "", int alt1c = 0,
                 std::string alt2 = "", int alt2c = 0) {
    return [=](Harness& h) {
      UserInput input;
      input.character_id = "Pip";
      input.name = name;
      input.confidence = confidence;
      input.alt1_name = alt1;
      input.alt1_confidence = alt1c;
      input.alt2_name = alt2;
      input.alt2_confidence = alt2c;
      h.Engine().SimulateCommand(input);
    };
  };
  const std::string run = "1=Run|~|run\n";
  const std::vector<CommandCase> cases = {
      {"no commands: ends by itself", "", nullptr, true, false},
      {"only ACO with a caption: ends", "ACO=Options|~|\n", nullptr, true, false},
      {"ACO and another: stays", "ACO=Options|~|\n" + run, nullptr, false, false},
      {"ACO without caption: stays", "ACO=\n", nullptr, false, false},
      {"a command keeps it alive", run, nullptr, false, false},
      {"menu Close", run, [](Harness& h) { h.Desktop().RightClickTray("&Close"); }, true, false},
      {"ZARNClose at 100", run, give("ZARNClose", 100), true, false},
      {"ZARNClose at 99 runs nothing", run, give("ZARNClose", 99), false, false},
      {"command at -40 ignored", run, give("1", -40), false, false},
      {"command at -39 runs", run, give("1", -39), false, true},
      {"ambiguous first alternative", run, give("1", 80, "2", 75), false, false},
      {"clear first alternative", run, give("1", 80, "2", 60), false, true},
      {"ambiguous second alternative", run, give("1", 80, "2", 10, "3", -85), false, false},
      {"alternative with the same name", run, give("1", 80, "1", 79), false, true},
      {"letter case differs", "a=Run|~|run\n[CommandScript:a]\nPip.Play \"Wave\"\n", give("A", 100),
       false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    std::string body = Header();
    if (!c.commands.empty()) body += "[Commands]\n" + c.commands;
    body += "[CommandScript:1]\nPip.Play \"Wave\"\n[Script]\nPip.Show\nPip.Hide\n";
    const auto path = dir.Write("c.zrn", body);
    Harness h(For(path));
    h.Start();
    h.RunUntilIdle(30000);
    if (c.act) {
      c.act(h);
      h.RunUntilIdle(60000);
    }
    EXPECT_EQ(!h.Form().Loaded(), c.ends);
    EXPECT_EQ(!Select(h.Records(), "call", "Play").empty(), c.command_script_ran);
  }
}

TEST(Events, BookmarkEntriesFirstMatchWins) {
  TempFolder dir;
  const auto path = dir.Write(
      "b.zrn", Header() +
                   "[Bookmarks]\n1=\n2=\n[BookmarkScript:1]\nPip.Play \"Wave\"\n"
                   "[Script]\nPip.Show True\nPip.Speak \"a\\mrk=1\\b\\mrk=2\\c\\mrk=3\\d\"\n");
  // Key 2 appears twice in the file: the second is not listed again, and
  // bookmark 2 has no script; bookmark 3 has no entry.
  Harness h(For(path));
  h.StartAndRun();
  const auto records = h.Records();
  EXPECT_EQ(Select(records, "event", "Bookmark").size(), 3u);
  const auto plays = Select(records, "call", "Play");
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].Arg(0), "Wave");
}

TEST(Events, BookmarkRunsInsideTheOuterScriptAndBothComplete) {
  TempFolder dir;
  // Mini has no Speaking state, so its speech, and the bookmark at its
  // start, begin at once: the bookmark is due while the outer script is
  // still being interpreted.
  const auto path = dir.Write("n.zrn", Header("Pip=Mini.acs\n") +
                                           "[Bookmarks]\n1=\n[BookmarkScript:1]\n"
                                           "Pip.Speak \"Nested\"\n"
                                           "[Script]\nPip.Show True\n"
                                           "Pip.Speak \"\\mrk=1\\Outer\"\nPip.Play \"RestPose\"\n"
                                           "Pip.Think \"Done\"\n");
  Harness h(For(path));
  h.StartAndRun();
  const auto records = h.Records();
  const auto ops = Ops(records);
  std::vector<std::string> calls;
  for (const auto& r : records) {
    if (r.kind == "call" &&
        (r.op == "Speak" || r.op == "Play" || r.op == "Think" || r.op == "Get")) {
      calls.push_back(r.op + ":" + r.Arg(0));
    }
  }
  // The bookmark fires at time 0, while the outer run pumps events after a
  // line: the nested Speak comes between two outer lines.
  const size_t bookmark = IndexOf(ops, "event Bookmark");
  ASSERT_LT(bookmark, ops.size());
  EXPECT_EQ(records[bookmark].t, 0.0);
  EXPECT_EQ(calls, (std::vector<std::string>{"Speak:\\mrk=1\\Outer", "Speak:Nested",
                                             "Play:RestPose", "Think:Done", "Get:Animation"}));
  for (const auto& c : Select(records, "event", "RequestComplete")) EXPECT_EQ(*c.status, 0);
  EXPECT_FALSE(h.Form().Loaded());
}

// A service whose hides never finish, and whose characters other programs
// may share.
class StubbornService : public testing::DelegatingCharacterService {
 public:
  using DelegatingCharacterService::DelegatingCharacterService;
  RequestId Hide(const std::string& id, std::optional<bool> fast) override {
    if (!stuck) return inner_.Hide(id, fast);
    inner_.Hide(id, fast);
    return kNeverDone;
  }
  int RequestStatus(RequestId request) const override {
    return request == kNeverDone ? request_status::kInProgress : inner_.RequestStatus(request);
  }
  bool HasOtherClients(const std::string& id) const override { return shared.count(id) > 0; }

  static constexpr RequestId kNeverDone = 999999;
  bool stuck = false;
  std::set<std::string> shared;
};

struct StubbornHarness {
  explicit StubbornHarness(const std::string& path) {
    HarnessOptions options = For(path);
    options.wrap_service = [this](CharacterServicePort& engine) {
      auto service = std::make_unique<StubbornService>(engine);
      stubborn = service.get();
      return service;
    };
    harness = std::make_unique<Harness>(options);
  }
  StubbornService* stubborn = nullptr;
  std::unique_ptr<Harness> harness;
};

TEST(Shutdown, AHideThatNeverEndsDelaysShutdownFiveToSixSeconds) {
  TempFolder dir;
  const auto path = dir.Write("s.zrn", Header() + "[Commands]\n1=Stay|~|\n[Script]\nPip.Show\n");
  StubbornHarness s(path);
  Harness& h = *s.harness;
  h.Start();
  h.RunUntilIdle(10000);
  ASSERT_TRUE(h.Form().Loaded());
  s.stubborn->stuck = true;
  const double before = h.Loop().Now() / 1000.0;
  h.Desktop().RightClickTray("&Close");
  EXPECT_FALSE(h.Form().Loaded());
  const double took = h.Loop().Now() / 1000.0 - before;
  EXPECT_GE(took, 5.0);
  EXPECT_LE(took, 6.1);
}

TEST(Shutdown, TheMarkerCompletingDuringShutdownStartsNoSecondOne) {
  TempFolder dir;
  const auto path = dir.Write("m.zrn", Header() + "[Script]\nPip.Show\nPip.Speak \"Hello\"\n");
  Harness h(For(path));
  h.Start();
  // Closing during Show: StopAll completes the end marker (interrupted)
  // while ShutDown waits for the hide.
  h.Loop().PostAt(500, [&] { h.Desktop().RightClickTray("&Close"); });
  h.RunUntilIdle();
  const auto records = h.Records();
  EXPECT_EQ(Select(records, "life", "ShutDown").size(), 1u);
  EXPECT_EQ(Select(records, "call", "Hide").size(), 1u);
  EXPECT_EQ(Select(records, "life", "Unload").size(), 1u);
  EXPECT_FALSE(h.Form().Loaded());
}

TEST(Shutdown, SharedCharactersAreLeftOrShown) {
  TempFolder dir;
  const auto path = dir.Write("s.zrn", Header("Pip=Pip.acs\nMini=Mini.acs\nGiant=Giant.acs\n") +
                                           "[Commands]\n1=Stay|~|\n[Script]\nPip.Show\n"
                                           "Mini.Show\n");
  StubbornHarness s(path);
  Harness& h = *s.harness;
  h.Start();
  h.RunUntilIdle(10000);
  s.stubborn->shared = {"Pip", "Giant"};  // Pip visible and shared, Giant hidden and shared
  h.Desktop().RightClickTray("&Close");
  const auto records = h.Records();
  const auto ops = Ops(records);
  const size_t shutdown = IndexOf(ops, "life ShutDown");
  std::vector<std::string> after;
  for (size_t i = shutdown; i < records.size(); ++i) {
    if (records[i].kind == "call") after.push_back(records[i].op + " " + records[i].character);
  }
  EXPECT_EQ(after, (std::vector<std::string>{"StopAll Pip", "StopAll Mini", "Hide Mini",
                                             "StopAll Giant", "Show Giant"}));
}

}  // namespace
}  // namespace zarn
