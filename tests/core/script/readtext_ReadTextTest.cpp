#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/VbError.h"
#include "core/script/LoadScript.h"
#include "core/script/bReadText.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::HarnessOptions;
using testing::Select;
using testing::TempFolder;
using testing::TraceLine;

TEST(ReadTextLines, CrLfCrAndLfAllEndLines) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string lines;
  };
  const Case cases[] = {
      {"CR LF", "One\r\nTwo\r\nThree", "One\r\nTwo\r\nThree\r\n"},
      {"CR alone", "One\rTwo\r", "One\r\nTwo\r\n"},
      {"LF alone, as Linux writes it", "One\nTwo\n", "One\r\nTwo\r\n"},
      {"LF CR is two endings", "One\n\rTwo", "One\r\n\r\nTwo\r\n"},
      {"blank lines are kept", "One\r\n\r\n\r\nTwo\r\n", "One\r\n\r\n\r\nTwo\r\n"},
      {"a lone CR is one empty line", "\r", "\r\n"},
      {"empty file", "", ""},
      {"Windows-1252 is decoded", "\x93Quoted\x94 caf\xe9\r\n",
       "\xe2\x80\x9cQuoted\xe2\x80\x9d caf\xc3\xa9\r\n"},
      {"UTF-8 is kept", "caf\xc3\xa9", "caf\xc3\xa9\r\n"},
  };
  TempFolder dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bReadText::ReadTextLines(dir.Write("t.txt", c.bytes, false)), c.lines);
  }
}

TEST(ReadTextLines, MissingFilesAndFoldersHaveTheirOwnNumbers) {
  TempFolder dir;
  dir.Write("sub/x.txt", "x");
  struct Case {
    std::string path;
    int32_t number;
  };
  const Case cases[] = {{dir / "sub/missing.txt", 53},
                        {dir / "nofolder/x.txt", 76},
                        {dir / "sub", 75},
                        {"C:\\Texts\\story.txt", 76}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      bReadText::ReadTextLines(c.path);
      ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), c.number);
    }
  }
  // Found without regard to letter case, as Windows would.
  EXPECT_EQ(bReadText::ReadTextLines(dir / "SUB/X.TXT"), "x\r\n");
}

std::string Speak(const std::string& text) { return "Pip.Speak \"" + text + "\"\r\n"; }

TEST(AppendSpeechScript, CutsParagraphsLinesAndLongLines) {
  const std::string a500(500, 'a');
  const std::string a501(501, 'a');
  const std::string e500 = [] {
    std::string s;
    for (int i = 0; i < 500; ++i) s += "\xc3\xa9";
    return s;
  }();
  const std::string first(300, 'f');
  const std::string second(300, 's');
  struct Case {
    const char* name;
    std::string text;
    std::string prefix;
    std::string script;
  };
  const Case cases[] = {
      {"three lines, three pieces", "One.\r\nTwo.\r\nThree.\r\n", "",
       Speak("One.") + Speak("Two.") + Speak("Three.")},
      {"a blank line between paragraphs speaks nothing", "One.\r\n\r\nTwo.\r\n", "",
       Speak("One.") + Speak("Two.")},
      {"two blank lines give one empty piece", "One.\r\n\r\n\r\nTwo.\r\n", "",
       Speak("One.") + Speak("") + Speak("Two.")},
      {"the prefix goes before every piece", "One\r\nTwo\r\n", "\\spd=200\\",
       Speak("\\spd=200\\One") + Speak("\\spd=200\\Two")},
      {"blanks around lines are trimmed", "  One  \r\n", "", Speak("One")},
      {"500 characters are one piece", a500 + "\r\n", "", Speak(a500)},
      {"500 two-byte characters are one piece", e500 + "\r\n", "", Speak(e500)},
      {"501 without a sentence end get a full stop", a501 + "\r\n", "", Speak(a501 + ".")},
      {"a long line is cut into sentences", first + ".  " + second + "\r\n", "",
       Speak(first + ".") + Speak(second + ".")},
      {"the last sentence keeps its own stop and gets another", first + ".  " + second + ".\r\n",
       "", Speak(first + ".") + Speak(second + "..")},
      {"line feeds alone make one line", "One\nTwo\nThree\r\n", "", Speak("One\nTwo\nThree")},
      {"nothing", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string script;
    bReadText::AppendSpeechScript(
        "Pip", c.text, c.prefix, [] {}, script);
    EXPECT_EQ(script, c.script);
  }
}

TEST(AppendSpeechScript, LetsEventsThroughAtEveryParagraphAndEveryLongSentence) {
  const std::string long_line = std::string(300, 'f') + ".  " + std::string(300, 's');
  int events = 0;
  std::string script;
  bReadText::AppendSpeechScript(
      "Pip", "A\r\nB\r\n\r\n" + long_line + "\r\n", "", [&] { ++events; }, script);
  // Two paragraphs, one long line, two sentences.
  EXPECT_EQ(events, 5);
}

class ReadAloudTest : public ::testing::Test {
 protected:
  explicit ReadAloudTest(HarnessOptions options = {}) : harness_(std::move(options)) {}
  void SetUp() override {
    harness_.CreateServices();
    ASSERT_TRUE(LoadScript(harness_.program(),
                           dir_.Write("main.zrn",
                                      "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n"
                                      "Mini=Mini.acs\n"),
                           false));
    before_ = harness_.Records().size();
  }
  // The calls and messages since SetUp, as "Char op arg|arg".
  std::vector<std::string> Reached() const {
    std::vector<std::string> out;
    const auto records = harness_.Records();
    for (size_t i = before_; i < records.size(); ++i) {
      const TraceLine& r = records[i];
      const bool wanted = (r.kind == "call" && r.op != "Get") ||
                          (r.kind == "ui" && (r.op == "MessageBox" || r.op == "ErrorReport"));
      if (!wanted) continue;
      std::string text = (r.character.empty() ? "" : r.character + " ") + r.op;
      for (size_t a = 0; a < r.args.size(); ++a) text += (a ? "|" : " ") + r.args[a];
      out.push_back(text);
    }
    return out;
  }
  RequestId FirstPlayRequest() const {
    const auto plays = Select(harness_.Records(), "call", "Play");
    return plays.empty() || !plays[0].req ? 0 : static_cast<RequestId>(*plays[0].req);
  }

  Harness harness_;
  TempFolder dir_;
  size_t before_ = 0;
};

TEST_F(ReadAloudTest, PipProcessesWhileTheTextIsCutThenSpeaksEachLine) {
  const std::string file = dir_.Write("story.txt", "One.\nTwo.\nThree.\n");  // CR LF
  bReadText::ReadTextFileAloud(harness_.program(), "Pip", file, "");
  const std::string stop = "Pip Stop " + std::to_string(FirstPlayRequest());
  EXPECT_EQ(Reached(),
            (std::vector<std::string>{"Pip Play Processing", stop, "Pip Play ProcessingReturn",
                                      "Pip Speak One.|", "Pip Speak Two.|", "Pip Speak Three.|"}));
}

TEST_F(ReadAloudTest, ACharacterWithoutProcessingJustSpeaks) {
  const std::string file = dir_.Write("story.txt", "One.\nTwo.\n");
  bReadText::ReadTextFileAloud(harness_.program(), "Mini", file, "\\spd=150\\");
  EXPECT_EQ(Reached(), (std::vector<std::string>{"Mini Speak \\spd=150\\One.|",
                                                 "Mini Speak \\spd=150\\Two.|"}));
}

TEST_F(ReadAloudTest, AnEmptyFileStillProcessesAndSpeaksNothing) {
  const std::string file = dir_.Write("empty.txt", "");
  bReadText::ReadTextFileAloud(harness_.program(), "Pip", file, "");
  const std::string stop = "Pip Stop " + std::to_string(FirstPlayRequest());
  EXPECT_EQ(Reached(),
            (std::vector<std::string>{"Pip Play Processing", stop, "Pip Play ProcessingReturn"}));
}

TEST_F(ReadAloudTest, AnUnknownCharacterDoesNothingAndReportsNothing) {
  const std::string file = dir_.Write("story.txt", "SHELLEX rm\nPip.Hide\n");
  bReadText::ReadTextFileAloud(harness_.program(), "Nobody", file, "");
  EXPECT_EQ(Reached(), std::vector<std::string>{});
  EXPECT_TRUE(Select(harness_.Records(), "shell", "Start").empty());
}

TEST_F(ReadAloudTest, AFileThatCannotBeReadIsNamedInAMessage) {
  dir_.Write("sub/x.txt", "x");
  struct Case {
    std::string file;
    std::string message;
  };
  const Case cases[] = {
      {dir_ / "nofolder/story.txt", "The specified file for ReadTextFile \r\n" +
                                        (dir_ / "nofolder/story.txt") + "\r\nnot found."},
      {dir_ / "sub/missing.txt", "53 : File not found"},
      {dir_ / "sub", "75 : Path/File access error"},
      {"", "File Not Found."},
      {dir_ / "nofolder/*.txt",
       "The specified file for ReadTextFile \r\n" + (dir_ / "nofolder/*.txt") + "\r\nnot found."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    before_ = harness_.Records().size();
    bReadText::ReadTextFileAloud(harness_.program(), "Pip", c.file, "");
    EXPECT_EQ(Reached(),
              std::vector<std::string>{"MessageBox " + c.message + "|warning|ok|ZARNPlay"});
  }
}

class ClipboardTest : public ReadAloudTest {
 protected:
  static HarnessOptions WithClipboard() {
    HarnessOptions options;
    options.clipboard = "First line\nSecond line\n\nNext paragraph";
    return options;
  }
  ClipboardTest() : ReadAloudTest(WithClipboard()) {}
};

TEST_F(ClipboardTest, ClipboardTextIsReadLineByLine) {
  EXPECT_EQ(bReadText::GetClipboardText(harness_.program()),
            "First line\r\nSecond line\r\n\r\nNext paragraph");
  bReadText::ReadClipboardAloud(harness_.program(), "Mini", "");
  EXPECT_EQ(Reached(),
            (std::vector<std::string>{"Mini Speak First line|", "Mini Speak Second line|",
                                      "Mini Speak Next paragraph|"}));
}

TEST_F(ReadAloudTest, AnEmptyClipboardReadsAndShowsNothing) {
  bReadText::ReadClipboardAloud(harness_.program(), "Pip", "");
  EXPECT_EQ(Reached(), std::vector<std::string>{});
  harness_.program().ports.clipboard = nullptr;
  bReadText::ReadClipboardAloud(harness_.program(), "Pip", "");
  EXPECT_EQ(Reached(), std::vector<std::string>{});
}

}  // namespace
}  // namespace zarn
