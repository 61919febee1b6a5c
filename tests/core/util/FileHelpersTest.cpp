#include <gtest/gtest.h>
#include <unistd.h>

#include "UtilTestSupport.h"
#include "base/WinPath.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/util/CFile.h"
#include "core/util/CFileDialog.h"

namespace zarn {
namespace {

using testing_util::FakeDesktop;
using testing_util::TempDir;

TEST(WinPath, FindsWindowsPathsIgnoringCase) {
  TempDir dir;
  dir.Write("Sounds/Ding.wav", "RIFF");
  dir.MakeFolder("Chars");
  const std::string base = dir.Path();
  struct Case {
    std::string asked;
    std::optional<std::string> found;
  };
  const Case cases[] = {
      {base + "/Sounds/Ding.wav", base + "/Sounds/Ding.wav"},
      {base + "\\Sounds\\Ding.wav", base + "/Sounds/Ding.wav"},
      {base + "\\SOUNDS\\ding.WAV", base + "/Sounds/Ding.wav"},
      {base + "/sounds//DING.wav", base + "/Sounds/Ding.wav"},
      {base + "\\chars\\", base + "/Chars/"},
      {base + "/SOUNDS/", base + "/Sounds/"},
      {base + "/Sounds/../SOUNDS/", base + "/Sounds/../Sounds/"},
      {base + "\\Sounds\\Dong.wav", std::nullopt},
      {base + "\\Sounds\\Ding.wav\\x", std::nullopt},
      {"C:\\Agent\\Chars\\Pip.acs", std::nullopt},
      {"c:/x", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    EXPECT_EQ(FindExisting(c.asked), c.found);
  }
  EXPECT_EQ(ToLocalPath("C:\\Agent\\Pip.acs"), "C:/Agent/Pip.acs");
  // Existing folders are resolved, the missing rest kept as written.
  EXPECT_EQ(ToLocalPath(base + "\\SOUNDS\\New.wav"), base + "/Sounds/New.wav");
  EXPECT_EQ(ToLocalPath("no\\such\\File.TXT"), "no/such/File.TXT");
}

TEST(WinPath, RelativePathsFromTheCurrentFolder) {
  TempDir dir;
  dir.Write("Scripts/Demo.zrn", "x");
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  const auto found = FindExisting("scripts\\demo.ZRN");
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(found, std::optional<std::string>("Scripts/Demo.zrn"));
}

TEST(CFile, SplitsPathsAtEitherSeparator) {
  bErrorTrap::Trap errors;
  CFile file(errors);
  struct Case {
    const char* path;
    const char* name;
    const char* folder;
  };
  const Case cases[] = {
      {"C:\\Scripts\\demo.zrn", "demo.zrn", "C:\\Scripts\\"},
      {"demo.zrn", "demo.zrn", ""},
      {"/home/me/demo.zrn", "demo.zrn", "/home/me/"},
      {"a/b\\c.txt", "c.txt", "a/b\\"},
      {"C:\\Scripts\\", "", "C:\\Scripts\\"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file.FileNameOnly(c.path), c.name);
    EXPECT_EQ(file.PathOnly(c.path), c.folder);
  }
}

TEST(CFile, ExistenceOfFilesAndFolders) {
  TempDir dir;
  const std::string script = dir.Write("Demo.zrn", "x");
  dir.MakeFolder("Scripts");
  bErrorTrap::Trap errors;
  CFile file(errors);
  EXPECT_TRUE(file.FileExists(script));
  EXPECT_TRUE(file.FileExists(dir.Path() + "\\DEMO.ZRN"));
  EXPECT_FALSE(file.FileExists(dir / "Scripts"));
  EXPECT_FALSE(file.FileExists(""));
  EXPECT_FALSE(file.FileExists(dir.Path() + "\\*.zrn"));
  EXPECT_FALSE(file.FileExists(dir.Path() + "\\Dem?.zrn"));
  EXPECT_FALSE(file.FileExists(dir / "missing.zrn"));
  EXPECT_FALSE(file.FileExists("C:\\Demo.zrn"));

  EXPECT_TRUE(file.FolderExists(dir / "Scripts"));
  EXPECT_TRUE(file.FolderExists(dir.Path() + "\\scripts\\"));
  EXPECT_TRUE(file.FolderExists(dir.Path() + "/Scripts/"));
  EXPECT_FALSE(file.FolderExists(script));
  EXPECT_FALSE(file.FolderExists(""));
  EXPECT_FALSE(file.FolderExists(dir / "missing"));
}

TEST(CFile, KillFile) {
  TempDir dir;
  const std::string victim = dir.Write("Old.tmp", "x");
  dir.MakeFolder("Folder");
  bErrorTrap::Trap errors;
  CFile file(errors);
  EXPECT_TRUE(file.KillFile(dir.Path() + "\\OLD.TMP"));
  EXPECT_FALSE(file.FileExists(victim));
  EXPECT_TRUE(file.KillFile(victim));  // no longer there
  EXPECT_FALSE(file.KillFile(dir / "Folder"));
  EXPECT_TRUE(file.FolderExists(dir / "Folder"));
}

TEST(CFile, WriteFileWritesBytesAsGiven) {
  TempDir dir;
  dir.MakeFolder("Out");
  bErrorTrap::Trap errors;
  CFile file(errors);
  file.WriteFile(dir.Path() + "\\out\\New.zrn", "[Script]\r\ncaf\xC3\xA9");
  EXPECT_EQ(testing_util::ReadBytes(dir / "Out/New.zrn"), "[Script]\r\ncaf\xC3\xA9");
  file.WriteFile(dir / "Out/New.zrn", "short");  // an existing file is truncated
  EXPECT_EQ(testing_util::ReadBytes(dir / "Out/New.zrn"), "short");
}

TEST(CFile, WriteFileAccessErrorAsksAndRetries) {
  // Writing over a folder is an access error, even for root.
  TempDir dir;
  const std::string folder = dir.MakeFolder("IsAFolder");
  FakeDesktop desktop;
  desktop.answers = {MessageAnswer::kOk, MessageAnswer::kCancel};
  bErrorTrap::Trap errors;
  CFile file(errors, &desktop);
  file.WriteFile(folder, "x");
  ASSERT_EQ(desktop.boxes.size(), 2u);  // OK tried again, Cancel left
  EXPECT_EQ(desktop.boxes[0].text, "Error Saving File:\r\n" + folder);
  EXPECT_EQ(desktop.boxes[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(desktop.boxes[0].buttons, MessageButtons::kOkCancel);
  EXPECT_EQ(desktop.boxes[0].title, "ZARNPlay");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(CFile, WriteFileMissingFolderGoesToTheTrap) {
  TempDir dir;
  FakeDesktop desktop;
  bErrorTrap::Trap errors;
  CFile file(errors, &desktop);
  file.WriteFile(dir.Path() + "\\NoSuchFolder\\x.txt", "x");
  EXPECT_TRUE(desktop.boxes.empty());
  EXPECT_EQ(errors.ReportText(),
            bErrorTrap::ComposeReport(Crc32("CFile.WriteFile"), 76, "Path not found", 10));
}

TEST(CFileDialog, PassesPropertiesAndTakesTheChoice) {
  FakeDesktop desktop;
  desktop.dialog_result = {true, std::string("/home/me/demo.zrn\0junk", 22), "demo.zrn"};
  CFileDialog dialog(&desktop);
  dialog.DefaultExt = "ZRN";
  dialog.DialogTitle = "Open ZARN Script";
  dialog.Filter = "ZARN Scripts (*.zrn)|*.zrn";
  dialog.FilterIndex = 1;
  dialog.Flags = 6148;
  dialog.InitialDir = "/home/me";
  ASSERT_TRUE(dialog.Show(true));
  ASSERT_EQ(desktop.dialogs.size(), 1u);
  const FileDialogRequest& request = desktop.dialogs[0];
  EXPECT_TRUE(request.open);
  EXPECT_EQ(request.default_ext, "ZRN");
  EXPECT_EQ(request.title, "Open ZARN Script");
  EXPECT_EQ(request.filter, "ZARN Scripts (*.zrn)|*.zrn");
  EXPECT_EQ(request.filter_index, 1);
  EXPECT_EQ(request.flags, 6148);
  EXPECT_EQ(request.initial_dir, "/home/me");
  EXPECT_EQ(dialog.FileName, "/home/me/demo.zrn");  // cut at the first NUL
  EXPECT_EQ(dialog.FileTitle, "demo.zrn");
  EXPECT_TRUE(dialog.Show(false));
  EXPECT_FALSE(desktop.dialogs.back().open);  // the save dialog
}

TEST(CFileDialog, CancelKeepsTheName) {
  FakeDesktop desktop;
  CFileDialog dialog(&desktop);
  dialog.FileName = "previous.zrn";
  EXPECT_FALSE(dialog.Show(true));
  EXPECT_EQ(dialog.FileName, "previous.zrn");
  EXPECT_TRUE(desktop.boxes.empty());
}

TEST(CFileDialog, NameLongerThanTheBufferShowsTheShowBox) {
  FakeDesktop desktop;
  CFileDialog dialog(&desktop);
  dialog.FileName = std::string(260, 'a');
  desktop.dialog_result.confirmed = false;
  EXPECT_FALSE(dialog.Show(true));
  EXPECT_TRUE(desktop.boxes.empty());  // 260 fits

  dialog.FileName = std::string(261, 'a');
  EXPECT_FALSE(dialog.Show(true));
  ASSERT_EQ(desktop.boxes.size(), 1u);
  EXPECT_EQ(desktop.boxes[0].text, "Error: 5. Invalid procedure call or argument");
  EXPECT_EQ(desktop.boxes[0].title, "Show");
  EXPECT_EQ(desktop.boxes[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(desktop.boxes[0].buttons, MessageButtons::kOk);
  EXPECT_EQ(desktop.dialogs.size(), 1u);  // the long name never reached the dialog
}

}  // namespace
}  // namespace zarn
