#include <gtest/gtest.h>

#include <fstream>

#include "core/script/LoadScript.h"
#include "support/Harness.h"

namespace zarn {
namespace {

using testing::Harness;
using testing::Select;
using testing::TempFolder;

class LoadScriptTest : public ::testing::Test {
 protected:
  void SetUp() override { harness_.CreateServices(); }
  bool Load(const std::string& path, bool play = false) {
    return LoadScript(harness_.program(), path, play);
  }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const auto& r : Select(harness_.Records(), "ui", "MessageBox")) texts.push_back(r.Arg(0));
    return texts;
  }
  Harness harness_;
  TempFolder dir_;
};

TEST_F(LoadScriptTest, MinimalScriptLoads) {
  const auto path = dir_.Write("min.zrn", "[ZARN Script]\nVersion=7.0\n[Script]\n");
  EXPECT_TRUE(Load(path));
  EXPECT_EQ(harness_.program().document.ScriptPath, path);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(LoadScriptTest, NotAScriptShowsTheMessageAndChangesNothing) {
  harness_.program().variables.AddVariable("Script", "keep", "1");
  struct Case {
    const char* name;
    std::string body;
  };
  const Case cases[] = {
      {"no-section.zrn", "[Script]\nPip.Show\n"},
      {"empty-version.zrn", "[ZARN Script]\nVersion=\n"},
      {"binary.zrn", std::string("\x7f"
                                 "ELF\x02\x01\x01\0\0\0[ZARN",
                                 15)},
      {"empty.zrn", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir_.Write(c.name, c.body);
    EXPECT_FALSE(Load(path));
    ASSERT_FALSE(MessageTexts().empty());
    EXPECT_EQ(MessageTexts().back(),
              std::string("'") + c.name + "' is not a valid ZARN Script File.");
  }
  EXPECT_FALSE(Load(dir_ / "missing.zrn"));
  EXPECT_EQ(MessageTexts().back(), "'missing.zrn' is not a valid ZARN Script File.");
  EXPECT_FALSE(Load(dir_.Path()));  // a folder
  EXPECT_TRUE(harness_.program().document.ScriptPath.empty());
  ASSERT_EQ(harness_.program().variables.Entries().size(), 1u);
  const auto box = Select(harness_.Records(), "ui", "MessageBox").back();
  EXPECT_EQ(box.Arg(1), "warning");
  EXPECT_EQ(box.Arg(2), "ok");
  EXPECT_EQ(box.Arg(3), "ZARNPlay");
}

TEST_F(LoadScriptTest, ListsKeepFileOrderAndCommandValuesSplit) {
  const auto path = dir_.Write("lists.zrn",
                               "[ZARN Script]\nVersion=7.0\n"
                               "[Bookmarks]\n5=\n2=\nx=\n"
                               "[BookmarkScript:5]\nPip.Play \"Wave\"\n"
                               "[Commands]\nzeta=Zeta|~|zed|~|more\nmenuname=Ignored\n"
                               "MENUNAME=Also\nalpha=no separator\nbeta=\n"
                               "[CommandScript:alpha]\nPip.Hide\n");
  EXPECT_TRUE(Load(path));
  const ScriptDocument& doc = harness_.program().document;
  ASSERT_EQ(doc.Bookmarks.size(), 3u);
  EXPECT_EQ(doc.Bookmarks[0].number, 5);
  EXPECT_EQ(doc.Bookmarks[0].script, "Pip.Play \"Wave\"\r\n");
  EXPECT_EQ(doc.Bookmarks[1].number, 2);
  EXPECT_EQ(doc.Bookmarks[2].number, 0);  // "x" does not convert; reported
  EXPECT_EQ(doc.MenuName, "Ignored");     // the first of the duplicate keys
  ASSERT_EQ(doc.Commands.size(), 3u);
  EXPECT_EQ(doc.Commands[0].id, "zeta");
  EXPECT_EQ(doc.Commands[0].caption, "Zeta");
  EXPECT_EQ(doc.Commands[0].voice, "zed|~|more");
  EXPECT_EQ(doc.Commands[1].id, "alpha");
  EXPECT_EQ(doc.Commands[1].caption, "");
  EXPECT_EQ(doc.Commands[1].voice, "");
  EXPECT_EQ(doc.Commands[1].script, "Pip.Hide\r\n");
  EXPECT_EQ(doc.Commands[2].id, "beta");
  EXPECT_EQ(Select(harness_.Records(), "ui", "ErrorReport").size(), 1u);
}

TEST_F(LoadScriptTest, MainScriptHeaderMustMatchTheWholeLine) {
  struct Case {
    const char* header;
    bool found;
  };
  const Case cases[] = {
      {"[Script]", true}, {"[SCRIPT]", true}, {" [Script]", false}, {"[ script ]", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    const auto path =
        dir_.Write("h.zrn", std::string("[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n") +
                                c.header + "\nPip.Show\n\n\n");
    Harness h;
    h.CreateServices();
    EXPECT_TRUE(LoadScript(h.program(), path, true));
    const auto shows = Select(h.Records(), "call", "Show");
    EXPECT_EQ(shows.size(), c.found ? 1u : 0u);
  }
}

TEST_F(LoadScriptTest, CharactersLoadInOrderAndTheLastIsCurrent) {
  const auto path = dir_.Write("chars.zrn",
                               "[ZARN Script]\nVersion=7.0\n[Characters]\nMini=Mini.acs\n"
                               "Pip=C:\\Agent\\Chars\\PIP.ACS\n[LanguageIDs]\nPip=&H407\n");
  EXPECT_TRUE(Load(path));
  const auto& table = harness_.Agent().CharacterTable();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].name, "Mini");
  EXPECT_EQ(table[0].width, 32);
  EXPECT_EQ(table[1].name, "Pip");
  EXPECT_EQ(table[1].width, 128);
  EXPECT_EQ(harness_.Agent().CurrentCharacterIndex(), 2);
  EXPECT_EQ(harness_.Engine().LanguageID("Pip"), 0x407);
  EXPECT_EQ(harness_.Engine().LanguageID("Mini"), 0x409);
}

TEST_F(LoadScriptTest, MissingCharacterStopsTheLoadExceptForChar) {
  const auto skipped = dir_.Write("skip.zrn",
                                  "[ZARN Script]\nVersion=7.0\n[Characters]\nChar=nowhere.acs\n"
                                  "Pip=Pip.acs\n");
  EXPECT_TRUE(Load(skipped));
  EXPECT_TRUE(MessageTexts().empty());

  const auto stops = dir_.Write("stop.zrn",
                                "[ZARN Script]\nVersion=7.0\n[Characters]\nGhost=C:\\x\\ghost.acs\n"
                                "[Commands]\n1=One|~|one\n");
  EXPECT_FALSE(Load(stops));
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0],
            "Error loading Ghost from\r\nghost.acsPlease open this ZARN Script in a text "
            "editor and change the character's path.");
  EXPECT_TRUE(harness_.program().document.Commands.empty());
}

TEST_F(LoadScriptTest, ScriptVariablesAreReplacedCommandOnesKept) {
  harness_.program().variables.AddVariable("Command", "who", "World");
  const auto first = dir_.Write("a.zrn", "[ZARN Script]\nVersion=7.0\n[Variables]\nx=1\ny=2\n");
  const auto second = dir_.Write("b.zrn", "[ZARN Script]\nVersion=7.0\n[Variables]\nz=3\n");
  EXPECT_TRUE(Load(first));
  EXPECT_TRUE(Load(second));
  const auto entries = harness_.program().variables.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "who");
  EXPECT_EQ(entries[1].name, "z");
}

TEST_F(LoadScriptTest, LineEndsAndEncodingsAllRead) {
  struct Case {
    const char* name;
    std::string body;
  };
  const std::string lines[] = {"[ZARN Script]",      "Version=7.0", "[Variables]",
                               "who=Caf\xe9",  // Latin-1
                               "[Characters]",       "Pip=Pip.acs", "[Script]",
                               "Pip.Speak \"%who%\""};
  auto join = [&](const std::string& sep) {
    std::string out;
    for (const auto& l : lines) out += l + sep;
    return out;
  };
  const Case cases[] = {
      {"crlf.zrn", join("\r\n")},
      {"lf.zrn", join("\n")},
      {"cr.zrn", join("\r")},
      {"bom.zrn", "\xEF\xBB\xBF" + join("\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir_.Write(c.name, c.body, false);
    Harness h;
    h.CreateServices();
    EXPECT_TRUE(LoadScript(h.program(), path, true));
    const auto speaks = Select(h.Records(), "call", "Speak");
    ASSERT_EQ(speaks.size(), 1u);
    EXPECT_EQ(speaks[0].Arg(0), "Caf\xC3\xA9");
  }
}

TEST_F(LoadScriptTest, HugeAndWideFilesLoadWithoutTrouble) {
  std::string many = "[ZARN Script]\r\nVersion=7.0\r\n[Variables]\r\n";
  for (int i = 0; i < 40000; ++i)
    many += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  EXPECT_TRUE(Load(dir_.Write("many.zrn", many, false)));
  // A key list is cut at 4,095 characters, as the profile service cuts it:
  // "k0".."k9" take 3 characters each, "k10".."k99" 4, "k100".."k840" 5 ...
  EXPECT_EQ(harness_.program().variables.Entries().size(), 841u);
  EXPECT_EQ(harness_.program().variables.Entries().back().name, "k840");

  const std::string big_path = dir_ / "big.zrn";
  {
    std::ofstream out(big_path, std::ios::binary);
    out << "[ZARN Script]\r\nVersion=7.0\r\n[Script]\r\n";
    const std::string line(99, 'x');
    for (int i = 0; i < 500000; ++i) out << line << "\r\n";  // about 50 MB
  }
  EXPECT_TRUE(Load(big_path));
}

}  // namespace
}  // namespace zarn
