#include <gtest/gtest.h>

#include <QImage>
#include <optional>

#include "base/VbError.h"
#include "desktop/desktop_fixture.h"
#include "platform/desktop/QtBackdrop.h"
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
using namespace std::chrono_literals;

// The smallest GIF there is (Qt reads GIF but cannot write it).
const std::string kGif1x1(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00\x21\xf9\x04\x01\x00\x00\x00\x00"
    "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
    43);
// A placeable metafile header: a picture format Qt has no reader for.
const std::string kMetafile(
    "\xd7\xcd\xc6\x9a\x00\x00\x00\x00\x00\x00\x40\x01\xf0\x00\x60\x00"
    "\x00\x00\x00\x00\x00\x00\x01\x00\x09\x00\x00\x03",
    28);

TEST(QtBackdropTest, PicturesLoadThroughQtsReaders) {
  App();
  TempFolder dir;
  QImage image(7, 5, QImage::Format_RGB32);
  image.fill(Qt::blue);
  struct Case {
    std::string file;
    std::optional<PictureSize> size;  // none: an invalid picture
  };
  std::vector<Case> cases;
  for (const char* format : {"bmp", "jpg", "png", "ico"}) {
    const std::string path = dir / (std::string("pic.") + format);
    ASSERT_TRUE(image.save(QString::fromStdString(path), format)) << format;
    cases.push_back({path, PictureSize{7, 5}});
  }
  // The content decides, not the name.
  ASSERT_TRUE(image.save(QString::fromStdString(dir / "png-named.bmp"), "png"));
  cases.push_back({dir / "png-named.bmp", PictureSize{7, 5}});
  cases.push_back({dir.Write("pic.gif", kGif1x1, false), PictureSize{1, 1}});
  cases.push_back({dir.Write("pic.wmf", kMetafile, false), std::nullopt});
  cases.push_back({dir.Write("text.png", "not a picture\n", false), std::nullopt});
  cases.push_back({dir / "missing.png", std::nullopt});

  QtBackdrop backdrop;
  backdrop.Load();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::optional<PictureSize> size;
    int error = 0;
    try {
      size = backdrop.LoadPicture(1, c.file);
    } catch (const VbError& e) {
      error = e.Number();
    }
    EXPECT_EQ(error, c.size ? 0 : 481);
    EXPECT_EQ(size.has_value(), c.size.has_value());
    if (size && c.size) {
      EXPECT_EQ(size->width, c.size->width);
      EXPECT_EQ(size->height, c.size->height);
    }
  }
  backdrop.Unload();
  EXPECT_EQ(backdrop.Window(), nullptr);
}

QImage Screenshot(const std::string& path) {
  Shell("import -window root " + path);
  return QImage(QString::fromStdString(path));
}

// The backdrop on the screen: the colour, the picture centred on it, the
// right-click menu (none with Shift held), the glyph a double-click reveals,
// and a click on it closing the window.
TEST_F(DesktopTest, BackdropShowsColourAndCentredPicture) {
  App();
  QImage picture(100, 60, QImage::Format_RGB32);
  picture.fill(QColor(0, 0, 255));
  ASSERT_TRUE(picture.save(QString::fromStdString(dir_ / "pic.png")));
  const std::string script =
      dir_.Write("backdrop.zrn",
                 "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n[Commands]\n"
                 "1=One|~|one\n[Script]\nBGCOLOR #FF8000\nBGIMAGE pic.png\n");
  auto player = Start("player", {script});
  const QColor orange(255, 128, 0), blue(0, 0, 255);
  // 100 x 60 centred on 1024 x 768: columns 462 to 561, rows 354 to 413.
  struct Point {
    int x, y;
    QColor colour;
  };
  QImage shot;
  const std::string shot_path = dir_ / "backdrop.png";
  const bool painted = WaitUntil([&] {
    shot = Screenshot(shot_path);
    return !shot.isNull() && shot.pixelColor(512, 384) == blue && shot.pixelColor(5, 760) == orange;
  });
  ASSERT_TRUE(painted) << ReadFile(dir_ / "player.out");
  for (const Point& p : {Point{5, 760, orange}, Point{300, 300, orange}, Point{1018, 760, orange},
                         Point{461, 354, orange}, Point{562, 413, orange}, Point{462, 353, orange},
                         Point{462, 354, blue}, Point{561, 413, blue}, Point{512, 384, blue}}) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(shot.pixelColor(p.x, p.y), p.colour);
  }
  if (const char* keep = std::getenv("ZARN_BACKDROP_SHOT")) shot.save(keep);

  const auto windows = [] {
    const std::string ids = Shell("xdotool search --onlyvisible --class zarnplay");
    return std::count(ids.begin(), ids.end(), '\n');
  };
  const auto backdrop_records = [&] {
    std::vector<std::string> out;
    for (const auto& r : ParseTrace(ReadFile(Trace("player")))) {
      if (r.op == "Backdrop" && (r.Arg(0) == "menu" || r.Arg(0) == "glyph" || r.Arg(0) == "close"))
        out.push_back(r.Arg(0) + "|" + r.Arg(1));
    }
    return out;
  };
  const auto before = windows();
  Shell("xdotool mousemove 200 600 keydown shift click 3 keyup shift");
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(windows(), before) << "no menu with Shift held";
  Shell("xdotool mousemove 512 384 click 3");
  ASSERT_TRUE(WaitUntil([&] { return windows() == before + 1; }));
  Shell("xdotool key Escape");
  ASSERT_TRUE(WaitUntil([&] { return windows() == before; }));
  Shell("xdotool mousemove 200 600 click --repeat 2 --delay 80 1");
  ASSERT_TRUE(WaitUntil([&] { return backdrop_records().size() == 2; }));
  // The glyph: 10 x 10 at 100 twips from the top right corner.
  shot = Screenshot(shot_path);
  EXPECT_NE(shot.pixelColor(1011, 10), orange);
  Shell("xdotool mousemove 1011 10 click 1");
  ASSERT_TRUE(WaitUntil([&] { return backdrop_records().size() == 3; }));
  EXPECT_EQ(backdrop_records(), (std::vector<std::string>{"menu|", "glyph|shown", "close|"}));
  EXPECT_TRUE(WaitUntil([&] { return Screenshot(shot_path).pixelColor(512, 384) != blue; }));
  EXPECT_TRUE(player->Running());
}

}  // namespace
}  // namespace zarn
