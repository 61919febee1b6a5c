#include <gtest/gtest.h>

#include <sstream>

#include "charengine/EngineTestSupport.h"
#include "backend/Trace.h"
#include "backend/TracingCharacterService.h"
#include "base/VbError.h"
#include "charengine/ServiceErrors.h"

namespace zarn::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TracingCharacterService, WritesCallsAndEventsAsTheTraceNamesThem) {
  EngineFixture f(1, true);
  Trace trace([&] { return f.clock.Now(); });
  std::ostringstream json;
  trace.SetJsonStream(&json);
  TracingCharacterService traced(f.engine, trace);
  traced.SetEvents(&f.events);

  traced.Show("Pip", false);
  traced.Speak("Pip", "Hi \\Mrk=5\\ you", "");
  traced.MoveTo("Pip", 448, 0, std::nullopt);
  traced.MoveTo("Pip", 10, 20, 0);
  traced.Get("Pip", "Animation", "Show", true);
  traced.Wait("Pal", 2);
  traced.Hide("Pal", std::nullopt);
  traced.SetBalloonStyle("Pip", 0x523000D);
  traced.CommandsAdd("Pip", "ACO", "Again", "again");
  traced.SetPropertySheetVisible(true);
  EXPECT_THROW(traced.Play("Pip", "Nope"), VbError);
  traced.StopAll("Pal", std::nullopt);
  UserInput input;
  input.character_id = "Pip";
  input.name = "ACO";
  input.confidence = 87;
  f.engine.SimulateCommand(input);
  traced.Visible("Pip");  // reads are not traced
  f.clock.RunUntilIdle();

  const auto lines = Lines(json.str());
  const std::vector<std::string> expected_start = {
      R"({"t":0.000,"kind":"call","op":"Show","char":"Pip","args":[false],"req":1})",
      R"({"t":0.000,"kind":"call","op":"Speak","char":"Pip","args":["Hi \\Mrk=5\\ you",""],"req":2})",
      R"({"t":0.000,"kind":"call","op":"MoveTo","char":"Pip","args":[448,0],"req":3})",
      R"({"t":0.000,"kind":"call","op":"MoveTo","char":"Pip","args":[10,20,0],"req":4})",
      R"({"t":0.000,"kind":"call","op":"Get","char":"Pip","args":["Animation","Show",true],"req":5})",
      R"({"t":0.000,"kind":"call","op":"Wait","char":"Pal","args":[2],"req":6})",
      R"({"t":0.000,"kind":"call","op":"Hide","char":"Pal","req":7})",
      R"({"t":0.000,"kind":"call","op":"Put","char":"Pip","args":["Balloon.Style",86179853]})",
      R"({"t":0.000,"kind":"call","op":"Commands.Add","char":"Pip","args":["ACO","Again","again"]})",
      R"({"t":0.000,"kind":"call","op":"PropertySheet.Visible","args":[true]})",
  };
  ASSERT_GT(lines.size(), expected_start.size() + 2);
  for (size_t i = 0; i < expected_start.size(); ++i) EXPECT_EQ(lines[i], expected_start[i]);
  const std::string& failed = lines[expected_start.size()];
  EXPECT_NE(failed.find(R"("op":"Play","char":"Pip","args":["Nope"],"error":")"), std::string::npos)
      << failed;
  EXPECT_EQ(failed.find("\"req\""), std::string::npos);
  EXPECT_EQ(lines[expected_start.size() + 1],
            R"({"t":0.000,"kind":"call","op":"StopAll","char":"Pal"})");

  const std::string events = json.str();
  for (const char* wanted : {
           R"({"t":0.000,"kind":"event","op":"RequestStart","req":1})",
           R"({"t":0.000,"kind":"event","op":"Show","char":"Pip","args":[4]})",
           R"({"t":0.000,"kind":"event","op":"RequestComplete","req":6,"status":3})",
           R"({"t":0.000,"kind":"event","op":"Command","char":"Pip","args":["ACO",87]})",
           R"({"t":1.475,"kind":"event","op":"Bookmark","args":[5]})",
       }) {
    SCOPED_TRACE(wanted);
    EXPECT_NE(events.find(wanted), std::string::npos);
  }
  // The client still hears every event.
  EXPECT_NE(f.events.TimeOf("Bookmark 5"), -1);
}

TEST(TracingCharacterService, AnimationsSoundsAndIdlingAsRecords) {
  TestScheduler clock;
  CharacterEngine engine(clock, EngineFixture::MakeOptions(1),
                         [](const std::string&) { return ModelOf(LoopyCharacter()); });
  engine.LoadModel("Loopy", ModelOf(LoopyCharacter()));
  Trace trace([&] { return clock.Now(); });
  std::ostringstream json;
  trace.SetJsonStream(&json);
  TracingCharacterService traced(engine, trace);
  traced.SetEvents(nullptr);
  traced.Show("Loopy", false);
  traced.Play("Loopy", "Bow");
  traced.Play("Loopy", "Chime");
  clock.RunUntil(2400 + kIdleDelayMs + kIdleGapMaxMs + 1000);
  traced.Play("Loopy", "Gesture");
  clock.RunUntilIdle();
  std::vector<std::string> records;
  for (const std::string& line : Lines(json.str())) {
    if (line.find(R"("kind":"anim")") != std::string::npos ||
        line.find(R"("op":"Idle)") != std::string::npos) {
      records.push_back(line.substr(line.find(R"("op")")));
    }
  }
  // Show 0..200, Bow ..400, BowReturn ..600, Chime ..2600 (its sound), then
  // idling (no Return left to play) and a Gesture to end it.
  const std::vector<std::string> expected_start = {
      R"("op":"Start","char":"Loopy","args":["Show","request"]})",
      R"("op":"Start","char":"Loopy","args":["Bow","request"]})",
      R"("op":"Start","char":"Loopy","args":["BowReturn","return"]})",
      R"("op":"Start","char":"Loopy","args":["Chime","request"]})",
      R"("op":"Sound","char":"Loopy","args":["Chime",0,0]})",
      R"("op":"IdleStart","char":"Loopy"})",
      R"("op":"Start","char":"Loopy","args":["Idle1","idle"]})",
  };
  ASSERT_GE(records.size(), expected_start.size() + 2);
  EXPECT_EQ(std::vector<std::string>(records.begin(), records.begin() + 7), expected_start);
  EXPECT_EQ(records[records.size() - 2], R"("op":"IdleComplete","char":"Loopy"})");
  EXPECT_EQ(records.back(), R"("op":"Start","char":"Loopy","args":["Gesture","request"]})");
  EXPECT_NE(json.str().find(R"({"t":7.600,"kind":"event","op":"IdleStart")"), std::string::npos);
}

TEST(Trace, TheTimelineIsWrittenInBlocksUnlessLineByLine) {
  for (const bool line_by_line : {false, true}) {
    SCOPED_TRACE(line_by_line ? "terminal" : "buffered");
    std::ostringstream timeline;
    std::ostringstream json;
    Trace trace([] { return int64_t{1500}; });
    trace.SetTimelineStream(&timeline, line_by_line);
    trace.SetJsonStream(&json);
    trace.Write(TraceRecord("life", "Start").Arg("x"));
    EXPECT_EQ(json.str(), "{\"t\":1.500,\"kind\":\"life\",\"op\":\"Start\",\"args\":[\"x\"]}\n");
    EXPECT_EQ(timeline.str().empty(), !line_by_line);
    trace.Flush();
    EXPECT_EQ(timeline.str(), "  1.500 life   Start \"x\"\n");
    // A full buffer goes out by itself.
    for (int i = 0; i < 5000; ++i) trace.Write(TraceRecord("life", "Start").Arg("x"));
    EXPECT_GT(timeline.str().size(), 64u * 1024);
  }
}

}  // namespace
}  // namespace zarn::test
