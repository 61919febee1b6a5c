#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/VbError.h"
#include "desktop/desktop_fixture.h"
#include "support/slides_TestDecks.h"
#include "platform/desktop/DesktopPresenter.h"
#include "platform/desktop/QtScheduler.h"
#include "support/TraceReader.h"

namespace zarn {
namespace {

using testing::App;
using testing::DesktopTest;
using testing::ParseTrace;
using testing::ReadFile;
using testing::Shell;
using testing::TempFolder;
using testing::WaitUntil;
using testing::WriteZip;
using namespace std::chrono_literals;

// Slides of one solid colour each, every one moving on after kSlideMs.
// LibreOffice wants fuller packages than the presenter's own reader, so
// these carry content types, a manifest and namespaced relationships.
constexpr int kSlideMs = 2000;
const std::vector<std::string> kColours = {"FF0000", "00C000", "0000FF"};

void WriteColourPptx(const std::string& path) {
  const std::string ns =
      " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\""
      " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
      " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
  const std::string rels_open =
      "<?xml version=\"1.0\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  const std::string type = "application/vnd.openxmlformats-officedocument.presentationml.";
  std::string types =
      "<?xml version=\"1.0\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"" +
      type + "presentation.main+xml\"/>";
  std::string list, rels = rels_open;
  std::vector<std::pair<std::string, std::string>> slides;
  for (size_t i = 0; i < kColours.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    types += "<Override PartName=\"/ppt/slides/slide" + n + ".xml\" ContentType=\"" + type +
             "slide+xml\"/>";
    list += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel + "slide\" Target=\"slides/slide" +
            n + ".xml\"/>";
    slides.push_back({"ppt/slides/slide" + n + ".xml",
                      "<?xml version=\"1.0\"?><p:sld" + ns +
                          "><p:cSld><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"" + kColours[i] +
                          "\"/></a:solidFill><a:effectLst/></p:bgPr></p:bg><p:spTree/></p:cSld>"
                          "<p:transition advTm=\"" +
                          std::to_string(kSlideMs) + "\"/></p:sld>"});
  }
  std::vector<std::pair<std::string, std::string>> members = {
      {"[Content_Types].xml", types + "</Types>"},
      {"_rels/.rels", rels_open + "<Relationship Id=\"rId1\" Type=\"" + rel +
                          "officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>"},
      {"ppt/presentation.xml", "<?xml version=\"1.0\"?><p:presentation" + ns + "><p:sldIdLst>" +
                                   list +
                                   "</p:sldIdLst><p:sldSz cx=\"9144000\" cy=\"6858000\"/>"
                                   "</p:presentation>"},
      {"ppt/_rels/presentation.xml.rels", rels + "</Relationships>"}};
  members.insert(members.end(), slides.begin(), slides.end());
  WriteZip(path, members);
}

void WriteColourOdp(const std::string& path) {
  std::string styles, pages;
  for (size_t i = 0; i < kColours.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    styles += "<style:style style:name=\"dp" + n +
              "\" style:family=\"drawing-page\"><style:drawing-page-properties draw:fill=\"solid\" "
              "draw:fill-color=\"#" +
              kColours[i] +
              "\" presentation:transition-type=\"automatic\" presentation:duration=\"PT" +
              std::to_string(kSlideMs / 1000) + "S\"/></style:style>";
    pages += "<draw:page draw:name=\"page" + n + "\" draw:style-name=\"dp" + n + "\"/>";
  }
  const std::string mime = "application/vnd.oasis.opendocument.presentation";
  WriteZip(path, {{"mimetype", mime},
                  {"META-INF/manifest.xml",
                   "<?xml version=\"1.0\"?><manifest:manifest "
                   "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                   "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
                   "manifest:media-type=\"" +
                       mime +
                       "\"/><manifest:file-entry manifest:full-path=\"content.xml\" "
                       "manifest:media-type=\"text/xml\"/></manifest:manifest>"},
                  {"content.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                   "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                   "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                   "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                   "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
                   "office:version=\"1.2\"><office:automatic-styles>" +
                       styles + "</office:automatic-styles><office:body><office:presentation>" +
                       pages + "</office:presentation></office:body></office:document-content>"}});
}

QColor Colour(const std::string& hex) { return QColor(QString::fromStdString("#" + hex)); }

// Points inside both a 4:3 slide and a 16:9 one letterboxed on 1024 x 768,
// away from the tray and the character.
bool ScreenIs(const QImage& shot, const QColor& colour) {
  for (const auto& [x, y] : {std::pair{20, 600}, std::pair{1000, 600}, std::pair{512, 640}}) {
    if (shot.pixelColor(x, y) != colour) return false;
  }
  return true;
}

// A script narrating the deck: each slide's piece is cut at a '#' line.
TEST_F(DesktopTest, DecksNarrateSlideBySlideOnTheirTimings) {
  App();
  struct Case {
    std::string file;
    void (*write)(const std::string&);
  };
  for (const Case& c : {Case{"deck.pptx", WriteColourPptx}, Case{"deck.odp", WriteColourOdp}}) {
    SCOPED_TRACE(c.file);
    c.write(dir_ / c.file);
    const std::string name = c.file.substr(c.file.find('.') + 1);
    const std::string script =
        dir_.Write(name + ".zrn", "[ZARN Script]\nVersion=7.0\nPowerPointFile=" + c.file +
                                      "\n[Characters]\nPip=Pip.acs\n[Script]\nPip.Show\n"
                                      "#\nPip.Think \"two\"\n#\nPip.Think \"three\"\n");
    std::map<std::string, std::string> env = Environment();
    env["XDG_CACHE_HOME"] = dir_ / ("cache-" + name);  // a fresh conversion each time
    std::vector<std::string> args = {ZARNPLAY_EXE, "--trace", Trace(name), script};
    testing::ChildProcess player(args, env, dir_ / (name + ".out"));

    // Each colour in turn; the first waits out LibreOffice.
    std::vector<std::chrono::steady_clock::time_point> seen;
    for (size_t i = 0; i < kColours.size(); ++i) {
      const std::string shot_path = dir_ / (name + "-slide" + std::to_string(i + 1) + ".png");
      QImage shot;
      ASSERT_TRUE(WaitUntil(
          [&] {
            Shell("import -window root " + shot_path);
            shot = QImage(QString::fromStdString(shot_path));
            return !shot.isNull() && ScreenIs(shot, Colour(kColours[i]));
          },
          i == 0 ? 180s : 10s))
          << "slide " << i + 1 << "\n"
          << ReadFile(dir_ / (name + ".out"));
      seen.push_back(std::chrono::steady_clock::now());
      if (const char* keep = std::getenv("ZARN_SLIDE_SHOTS")) {
        shot.save(QString::fromStdString(std::string(keep) + "/" + name + "-slide" +
                                         std::to_string(i + 1) + ".png"));
      }
    }
    // After the last slide's time the show ends and its window goes.
    ASSERT_TRUE(WaitUntil([&] {
      Shell("import -window root " + (dir_ / "after.png"));
      return !ScreenIs(QImage(QString::fromStdString(dir_ / "after.png")), Colour(kColours[2]));
    }));
    for (size_t i = 1; i < seen.size(); ++i) {
      // Screenshots are slow under load; the trace below gives the exact figures.
      const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(seen[i] - seen[i - 1]);
      EXPECT_GT(gap.count(), kSlideMs / 2) << "slide " << i + 1;
      EXPECT_LT(gap.count(), kSlideMs * 2) << "slide " << i + 1;
    }

    std::vector<double> slide_times;
    std::vector<std::string> shown, after_end;
    bool ended = false;
    ASSERT_TRUE(WaitUntil([&] {
      slide_times.clear(), shown.clear(), after_end.clear(), ended = false;
      for (const auto& r : ParseTrace(ReadFile(Trace(name)))) {
        // Each slide's piece of the script plays when that slide comes up.
        if (r.op == "Think") shown.push_back("Think " + r.Arg(0));
        if (r.kind != "show") continue;
        if (r.op == "NextSlide") shown.push_back("Slide " + r.Arg(0)), slide_times.push_back(r.t);
        if (ended) after_end.push_back(r.op + (r.args.empty() ? "" : " " + r.Arg(0)));
        if (r.op == "SlideShowEnd") ended = true;
      }
      return !after_end.empty() && after_end.back() == "Quit";
    })) << ReadFile(Trace(name));
    EXPECT_EQ(shown, (std::vector<std::string>{"Slide 1", "Slide 2", "Think two", "Slide 3",
                                               "Think three"}));
    for (size_t i = 1; i < slide_times.size(); ++i) {
      EXPECT_NEAR(slide_times[i] - slide_times[i - 1], kSlideMs / 1000.0, 0.25) << i;
    }
    EXPECT_EQ(after_end, (std::vector<std::string>{"WindowState 2", "Visible false", "Close window",
                                                   "Close presentation", "Visible false", "Quit"}));
  }
}

// Without LibreOffice the open fails at once, saying what to install; a
// file that is no presentation fails before LibreOffice is asked.
TEST(DesktopPresenterTest, OpenExplainsWhatIsMissing) {
  App();
  TempFolder dir;
  WriteColourPptx(dir / "deck.pptx");
  struct Case {
    std::string file;
    std::string says;
  };
  const std::vector<Case> cases = {
      {dir / "deck.pptx", "install the package libreoffice-impress"},
      {dir.Write("notes.pptx", "just some text\n"), "not a presentation"},
  };
  QtScheduler loop;
  Trace trace([&loop] { return loop.Now(); });
  DesktopPresenter presenter(loop, trace);
  presenter.CreateApplication(nullptr);
  const std::string saved_path = std::getenv("PATH");
  setenv("PATH", (dir / "nothing-here").c_str(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string message;
    try {
      presenter.OpenPresentation(c.file, false, false, true);
    } catch (const VbError& failure) {
      message = failure.Description();
    }
    EXPECT_NE(message.find("Presentations.Open: "), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
  setenv("PATH", saved_path.c_str(), 1);
}

}  // namespace
}  // namespace zarn

namespace zarn {
namespace {

// The program's descendants, found through /proc (children of each task).
std::vector<pid_t> Descendants(pid_t pid) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::istringstream children(ReadFile(task.path().string() + "/children"));
    for (pid_t child; children >> child;) {
      found.push_back(child);
      for (pid_t below : Descendants(child)) found.push_back(below);
    }
  }
  return found;
}

// LibreOffice killed while it converts: the show reports its failure, the
// program carries on.
TEST_F(DesktopTest, LibreOfficeKilledDuringTheConversionFailsTheShowOnly) {
  WriteColourPptx(dir_ / "deck.pptx");
  const std::string script =
      dir_.Write("deck.zrn",
                 "[ZARN Script]\nVersion=7.0\nPowerPointFile=deck.pptx\n[Characters]\nPip=Pip.acs\n"
                 "[Script]\nPip.Show\n#\nPip.Think \"two\"\n");
  std::map<std::string, std::string> env = Environment();
  env["XDG_CACHE_HOME"] = dir_ / "cache";
  testing::ChildProcess player({ZARNPLAY_EXE, "--trace", Trace("deck"), script}, env,
                               dir_ / "deck.out");
  std::vector<pid_t> office;
  ASSERT_TRUE(WaitUntil([&] {
    office.clear();
    for (pid_t pid : Descendants(player.Pid())) {
      if (ReadFile("/proc/" + std::to_string(pid) + "/comm").rfind("soffice", 0) == 0) {
        office.push_back(pid);
      }
    }
    return !office.empty();
  }));
  for (pid_t pid : office) kill(pid, SIGKILL);
  // The error report says why; after OK the program carries on and ends
  // when asked.
  ASSERT_TRUE(WaitUntil(
      [] { return !Shell("xdotool search --onlyvisible --name '^ZARN 7'").empty(); }, 60s));
  Shell("xdotool search --onlyvisible --name '^ZARN 7' mousemove --window %1 452 309 click 1");
  ASSERT_TRUE(WaitUntil(
      [] { return Shell("xdotool search --onlyvisible --name '^ZARN 7'").empty(); }, 10s));
  EXPECT_TRUE(player.Running());
  kill(player.Pid(), SIGTERM);
  EXPECT_EQ(player.Wait(20s), std::optional<int>(0)) << ReadFile(dir_ / "deck.out");
  const auto records = ParseTrace(ReadFile(Trace("deck")));
  size_t failed_opens = 0;
  for (const auto& r : testing::Select(records, "show", "Open")) failed_opens += !r.error.empty();
  EXPECT_EQ(failed_opens, 1u) << ReadFile(Trace("deck"));
  const auto reports = testing::Select(records, "ui", "ErrorReport");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].Arg(0).find("LibreOffice could not convert"), std::string::npos);
  EXPECT_EQ(testing::Select(records, "life", "Unload").size(), 1u);
  // No half-made conversion is kept for the next run to take.
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(dir_ / "cache/zarnplay/slides", ec)) {
    const std::string ext = entry.path().extension().string();
    EXPECT_TRUE(ext != ".pdf" && ext != ".odp") << entry.path();
  }
}

}  // namespace
}  // namespace zarn
