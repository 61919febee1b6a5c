#include <gtest/gtest.h>

#include <sstream>

#include "EngineTestSupport.h"
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

}  // namespace
}  // namespace zarn::test
