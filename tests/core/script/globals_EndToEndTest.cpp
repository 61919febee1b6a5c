#include <gtest/gtest.h>

#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::TempFolder;
using testing::TraceLine;

std::string Text(const TraceLine& r) {
  std::string text = r.kind + " " + r.op;
  for (size_t a = 0; a < r.args.size(); ++a) text += (a ? "|" : " ") + r.args[a];
  return text;
}

// One script with every global statement, played headless from start-up as
// the program does. The modules behind the statements grow on their own, so
// each statement is checked by the record that shows its argument reached
// the port, in script order.
TEST(GlobalStatementsEndToEnd, EveryStatementReachesItsPortOrModule) {
  setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  TempFolder dir;
  const std::string wave = dir.Write("media/chime.wav", "RIFF");
  const std::string image = dir.Write("back.png", "png");
  const std::string midi = dir.Write("tune.mid", "MThd");
  const std::string video = dir.Write("clip.avi", "RIFF");
  dir.Write("story.txt", "Once upon a time.");
  const std::string next = dir.Write(
      "next.zrn",
      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Speak Next\n");
  const std::string main =
      dir.Write("main.zrn",
                "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Script]\n"
                "Pip.Show\n"
                "AgentControl.PropertySheet.Visible = True\n"
                "ShellEx \"\"\"/opt/My Tools/tool\"\" -x\"\n"
                "RunCommand notepad.exe\n"
                "BGCOLOR \"#102030\"\n"
                "BGIMAGE \"back.png\"\n"
                "PLAYWAVE \".\\Media\\Chime.WAV\"\n"
                "STOPWAVE\n"
                "PLAYMIDI tune.mid,True\n"
                "STOPMIDI\n"
                "PLAYAVI \"clip.avi\", True\n"
                "STOPAVI\n"
                "BGSHOW\n"
                "BGHIDE\n"
                "SENDKEYS \"%{F4}\"\n"
                "CLOSEAPP \"Untitled - Editor\"\n"
                "READCLIPBOARD Pip, \\spd=150\\\n"
                "READTEXTFILE Pip, story.txt\n"
                "OPENWINDOW Editor\n"
                "MOVETOCONTROL OK\n"
                "PLAYSCRIPT next.zrn\n"
                "ZARN.CLOSE\n");
  HarnessOptions options;
  options.command_line = main;
  options.exe_path = "/usr/bin/zarnplay";
  options.clipboard = "From the clipboard.";
  Harness harness(options);
  harness.StartAndRun();

  struct Step {
    const char* statement;
    std::string kind;  // empty: any
    std::string needle;
  };
  const Step steps[] = {
      {"property sheet", "call", "call PropertySheet.Visible true"},
      {"ShellEx", "shell", "\"/opt/My Tools/tool\" -x"},
      {"RunCommand", "shell", "notepad.exe"},
      {"BGCOLOR", "ui", "#102030"},
      {"BGIMAGE", "ui", image},
      {"PLAYWAVE", "media", wave},
      {"STOPWAVE", "media", ""},
      {"PLAYMIDI", "", midi},
      {"STOPMIDI", "media", ""},
      {"PLAYAVI", "", video},
      {"STOPAVI", "media", ""},
      {"BGSHOW", "ui", "ui Backdrop show"},
      {"BGHIDE", "ui", "ui Backdrop hide"},
      {"SENDKEYS", "shell", "shell SendKeys %{F4}"},
      {"CLOSEAPP", "shell", "shell CloseApp Untitled - Editor"},
      {"READCLIPBOARD", "call", "\\spd=150\\From the clipboard."},
      {"READCLIPBOARD mark", "call", "call Speak \\mrk=777777777\\"},
      {"READTEXTFILE", "call", "Once upon a time."},
      {"READTEXTFILE mark", "call", "call Speak \\mrk=777777777\\"},
      {"PLAYSCRIPT", "life", "life LoadScript " + next},
      {"PLAYSCRIPT plays", "call", "call Speak Next"},
      {"ZARN.CLOSE", "life", "life ShutDown"},
  };
  const auto records = harness.Records();
  size_t at = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.statement);
    while (at < records.size() && !((step.kind.empty() || records[at].kind == step.kind) &&
                                    Text(records[at]).find(step.needle) != std::string::npos)) {
      ++at;
    }
    ASSERT_LT(at, records.size()) << step.needle << "\n" << harness.TraceText();
    ++at;
  }
  // The lines that carry no action reached nothing.
  for (const auto& r : records) EXPECT_EQ(Text(r).find("Editor\""), std::string::npos);
  EXPECT_FALSE(harness.Form().Loaded());
}

}  // namespace
}  // namespace zarn
