#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "base/VbError.h"
#include "support/slides_TestDecks.h"
#include "platform/common/PresentationFile.h"
#include "platform/common/XmlScanner.h"
#include "support/TempFolder.h"

namespace zarn {
namespace {

using testing::TempFolder;
using testing::TestDeck;
using testing::TestSlide;

using Writer = std::function<std::string(const std::string&, const TestDeck&)>;
struct Format {
  const char* name;
  const char* extension;
  Writer write;
};
const Format kFormats[] = {{"pptx", ".pptx", testing::WritePptx},
                           {"odp", ".odp", testing::WriteOdp}};

std::vector<std::optional<int64_t>> Timings(const SlideDeck& deck) {
  std::vector<std::optional<int64_t>> out;
  for (const auto& slide : deck.slides) out.push_back(slide.advance_ms);
  return out;
}

TEST(PresentationFile, ReadsSlidesInPresentationOrderWithTheirTimings) {
  TempFolder dir;
  TestDeck deck;
  deck.slides = {{3000, false}, {std::nullopt, true}, {5120, false}, {std::nullopt, false}};
  for (const auto& format : kFormats) {
    SCOPED_TRACE(format.name);
    for (bool use_timings : {true, false}) {
      for (bool loop : {false, true}) {
        deck.use_timings = use_timings;
        deck.loop = loop;
        const SlideDeck read = ReadPresentationFile(
            format.write(dir / (std::string("deck") + format.extension), deck));
        EXPECT_EQ(Timings(read),
                  (std::vector<std::optional<int64_t>>{3000, std::nullopt, 5120, std::nullopt}));
        ASSERT_EQ(read.slides.size(), 4u);
        EXPECT_FALSE(read.slides[0].hidden);
        EXPECT_TRUE(read.slides[1].hidden);
        EXPECT_EQ(read.use_timings, use_timings);
        EXPECT_EQ(read.loop, loop);
      }
    }
  }
}

TEST(PresentationFile, FlatOpenDocumentAndTimingsOnThePage) {
  TempFolder dir;
  const auto path =
      dir.Write("deck.fodp",
                "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<office:document><office:automatic-styles>"
                "<style:style style:name=\"a\" style:family=\"drawing-page\">"
                "<style:drawing-page-properties presentation:transition-type=\"automatic\" "
                "presentation:duration=\"PT00H00M03S\"/></style:style>"
                "<style:style style:name=\"semi\" style:family=\"drawing-page\">"
                "<style:drawing-page-properties presentation:transition-type=\"semi-automatic\" "
                "presentation:duration=\"PT2S\"/></style:style></office:automatic-styles>"
                "<office:body><office:presentation>"
                "<draw:page draw:style-name=\"a\"/>"
                "<draw:page draw:style-name=\"semi\"/>"
                "<draw:page presentation:duration=\"PT1M0.5S\"/>"
                "<draw:page draw:style-name=\"a\" presentation:transition-type=\"manual\"/>"
                "<draw:page draw:style-name=\"unknown\"/>"
                "</office:presentation></office:body></office:document>",
                false);
  const SlideDeck deck = ReadPresentationFile(path);
  EXPECT_EQ(Timings(deck), (std::vector<std::optional<int64_t>>{3000, std::nullopt, 60500,
                                                                std::nullopt, std::nullopt}));
}

TEST(PresentationFile, IsoDurations) {
  struct Case {
    const char* text;
    std::optional<int64_t> ms;
  };
  const Case cases[] = {
      {"PT00H00M03S", 3000},
      {"PT3.072S", 3072},
      {"PT5S", 5000},
      {"P0DT1M", 60000},
      {"PT0S", 0},
      {"PT1H", 3600000},
      {"P1D", 86400000},
      {"P2D", std::nullopt},
      {"PT", std::nullopt},
      {"P", std::nullopt},
      {"3S", std::nullopt},
      {"PT1.5M", std::nullopt},
      {"PT1..5S", std::nullopt},
      {"PT-1S", std::nullopt},
      {"PTS", std::nullopt},
      {"PT99999999999999999999S", std::nullopt},
      {"PT1S2", std::nullopt},
      {"PT1STT", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseIsoDuration(c.text), c.ms);
  }
}

// Character references in attribute values decode; a reference XML does
// not know makes the part malformed. A long run of '&' once cost a search
// of the rest per '&'.
TEST(PresentationFile, XmlAttributeReferences) {
  const std::string ampersands(size_t{1} << 24, '&');
  struct Case {
    std::string value;
    std::string decoded;  // empty: malformed
  };
  const Case cases[] = {
      {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
      {"&#65;&#x42;", "AB"},
      {"&#xE9;&#8364;", "\xC3\xA9\xE2\x82\xAC"},
      {"&#0;", ""},
      {"&#x110000;", ""},
      {"&nope;", ""},
      {"a&b", ""},
      {ampersands + ";", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.substr(0, 30));
    const std::string xml = "<a v='" + c.value + "'/>";
    std::vector<std::string> values;
    try {
      ScanXmlTags(xml, [&](const XmlTag& tag) {
        if (!tag.end && tag.Attribute("v") != nullptr) values.push_back(*tag.Attribute("v"));
      });
    } catch (const VbError& e) {
      EXPECT_EQ(c.decoded, "") << e.Description();
      EXPECT_NE(e.Description().find("malformed XML"), std::string::npos) << e.Description();
      continue;
    }
    EXPECT_EQ(values, std::vector<std::string>{c.decoded});
  }
}

// Every unreadable file is an error naming the file and what is wrong with
// it; none crashes or hangs.
TEST(PresentationFile, UnreadableFilesAreClearErrors) {
  TempFolder dir;
  auto pptx_without = [&](const std::string& name, const std::string& dropped) {
    auto members = testing::PptxMembers(testing::Slides({1000, 2000}));
    std::erase_if(members, [&](const auto& m) { return m.first == dropped; });
    testing::WriteZip(dir / name, members);
    return dir / name;
  };
  auto pptx_with = [&](const std::string& name, const std::string& part, const std::string& body) {
    auto members = testing::PptxMembers(testing::Slides({1000, 2000}));
    for (auto& m : members) {
      if (m.first == part) m.second = body;
    }
    testing::WriteZip(dir / name, members);
    return dir / name;
  };
  const std::string good = testing::WritePptx(dir / "good.pptx", testing::Slides({1000}));
  std::string truncated;
  {
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    truncated = dir.Write("truncated.pptx", bytes.substr(0, bytes.size() / 2), false);
  }
  struct Case {
    std::string path;
    std::string expected;  // part of the description
  };
  const Case cases[] = {
      {dir / "missing.pptx", "cannot be opened"},
      {dir.Write("old.ppt", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest", false),
       "old binary presentation (.ppt)"},
      {dir.Write("empty.pptx", "", false), "not a presentation file"},
      {dir.Write("text.pptx", "just some words", false), "not a presentation file"},
      {truncated, "zip"},
      {pptx_without("noslide.pptx", "ppt/slides/slide1.xml"), "ppt/slides/slide1.xml"},
      {pptx_without("nomain.pptx", "ppt/presentation.xml"), "ppt/presentation.xml"},
      {pptx_without("norels.pptx", "ppt/_rels/presentation.xml.rels"), "rId10"},
      {pptx_with("badxml.pptx", "ppt/presentation.xml",
                 "<p:presentation><p:sldIdLst><p:sldId r:id=\"rId10"),
       "malformed XML"},
      {pptx_with(
           "escape.pptx", "ppt/_rels/presentation.xml.rels",
           "<Relationships><Relationship Id=\"rId10\" Target=\"../../x.xml\"/></Relationships>"),
       "outside the package"},
      {[&] {
         testing::WriteZip(dir / "other.zip", {{"readme.txt", "hello"}});
         return dir / "other.zip";
       }(),
       "neither"},
      {[&] {
         testing::WriteZip(dir / "text.odt",
                           {{"mimetype", "application/vnd.oasis.opendocument.text"},
                            {"content.xml", "<office:document-content/>"}});
         return dir / "text.odt";
       }(),
       "not a presentation"},
      {dir.Write("plain.xml", "<html><body/></html>", false), "not an OpenDocument presentation"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      ReadPresentationFile(c.path);
      ADD_FAILURE() << "read without an error";
    } catch (const VbError& failure) {
      EXPECT_NE(failure.Description().find(c.path), std::string::npos) << failure.Description();
      EXPECT_NE(failure.Description().find(c.expected), std::string::npos) << failure.Description();
    }
  }
}

// Damage anywhere in a package gives an error or a deck, never a crash.
TEST(PresentationFile, DamagedPackagesNeverCrash) {
  TempFolder dir;
  for (const auto& format : kFormats) {
    const std::string path = format.write(dir / (std::string("deck") + format.extension),
                                          testing::Slides({1000, std::nullopt, 2500}));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    uint32_t state = 12345;
    for (int round = 0; round < 100; ++round) {
      std::string damaged = bytes;
      for (int k = 0; k < 4; ++k) {
        state = state * 1103515245u + 12345u;
        damaged[state % damaged.size()] = static_cast<char>(state >> 24);
      }
      const auto damaged_path = dir.Write("damaged", damaged, false);
      try {
        const SlideDeck deck = ReadPresentationFile(damaged_path);
        EXPECT_LE(deck.slides.size(), kMaxSlides);
      } catch (const VbError&) {
      }
    }
  }
}

}  // namespace
}  // namespace zarn
