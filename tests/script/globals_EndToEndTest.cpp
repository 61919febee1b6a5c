#include <gtest/gtest.h>

#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::TempFolder;
using testing::TraceLine;

// One script with every global statement, played headless from start-up as
// the program does; the trace shows what each statement reached.
TEST(GlobalStatementsEndToEnd, EveryStatementReachesItsPortOrModule) {
  setenv("ZARN_CHARACTERS", testing::TestCharacterFolder().c_str(), 1);
  TempFolder dir;
  const std::string wave = dir.Write("media/chime.wav", "RIFF");
  const std::string image = dir.Write("back.png", "png");
  const std::string story = dir.Write("story.txt", "Once upon a time.");
  dir.Write("next.zrn",
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
  Harness harness(options);
  harness.StartAndRun();

  std::vector<std::string> reached;
  for (const TraceLine& r : harness.Records()) {
    const bool global =
        r.kind == "media" || r.kind == "shell" || (r.kind == "ui" && r.op == "Backdrop") ||
        (r.kind == "life" && (r.op == "ReadAloud" || r.op == "LoadScript" || r.op == "ShutDown")) ||
        (r.kind == "call" && r.op == "PropertySheet.Visible");
    if (!global) continue;
    std::string text = r.kind + " " + r.op;
    for (size_t a = 0; a < r.args.size(); ++a) text += (a ? "|" : " ") + r.args[a];
    reached.push_back(text);
    if (text == "life ShutDown") break;  // what follows is the shutdown's own business
  }
  const std::vector<std::string> expected = {
      "life LoadScript " + main,
      "call PropertySheet.Visible true",
      "shell Start \"/opt/My Tools/tool\" -x",
      "shell Start notepad.exe",
      "ui Backdrop color|#102030",
      "ui Backdrop image|" + image,
      "media PlayWaveFile " + wave + "|false",
      "media StopAllMedia",
      "media PlayMidiFile tune.mid|true",
      "media StopAllMedia",
      "media PlayAviFile clip.avi|false",
      "media StopAllMedia",
      "ui Backdrop show|",
      "ui Backdrop hide|",
      "shell SendKeys %{F4}",
      "shell CloseApp Untitled - Editor",
      "life ReadAloud clipboard|Pip|\\spd=150\\",
      "life ReadAloud file|Pip|" + story + "|",
      "life LoadScript " + dir / "next.zrn",
      "life ShutDown",
  };
  EXPECT_EQ(reached, expected);
  EXPECT_FALSE(harness.Form().Loaded());
}

}  // namespace
}  // namespace zarn
