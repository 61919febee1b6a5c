#pragma once

// Small presentations written by the tests: .pptx and .odp packages made
// with libzip, with or without slide timings.

#include <zip.h>

#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn::testing {

struct TestSlide {
  std::optional<int> advance_ms;  // none: the slide waits to be advanced
  bool hidden = false;
};

struct TestDeck {
  std::vector<TestSlide> slides;
  bool use_timings = true;
  bool loop = false;
};

inline TestDeck Slides(std::vector<std::optional<int>> timings) {
  TestDeck deck;
  for (auto t : timings) deck.slides.push_back({t, false});
  return deck;
}

// Writes the members given in order; aborts the test program when libzip
// refuses, which only a broken temp folder causes.
inline void WriteZip(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) std::abort();
  std::deque<std::string> keep;  // libzip reads the buffers at zip_close
  for (const auto& [name, body] : members) {
    keep.push_back(body);
    zip_source_t* source = zip_source_buffer(archive, keep.back().data(), keep.back().size(), 0);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
      std::abort();
    }
  }
  if (zip_close(archive) != 0) std::abort();
}

// Slide parts are named in reverse (the first slide is the highest
// slideN.xml) so that only the presentation's slide list gives the order.
inline std::vector<std::pair<std::string, std::string>> PptxMembers(const TestDeck& deck) {
  const std::string ns =
      " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\""
      " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
      " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
      " xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\"";
  const std::string rel_type =
      "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::vector<std::pair<std::string, std::string>> members;
  members.push_back({"[Content_Types].xml",
                     "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/"
                     "package/2006/content-types\"/>"});
  members.push_back(
      {"_rels/.rels", "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rId1\" Type=\"" +
                          rel_type +
                          "officeDocument\" Target=\"ppt/presentation.xml\"/>"
                          "</Relationships>"});
  std::string list;
  std::string rels = "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rIdProps\" Type=\"" +
                     rel_type + "presProps\" Target=\"presProps.xml\"/>";
  const size_t count = deck.slides.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string rid = "rId" + std::to_string(i + 10);
    const std::string part = "slides/slide" + std::to_string(count - i) + ".xml";
    list += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"" + rid + "\"/>";
    rels +=
        "<Relationship Id=\"" + rid + "\" Type=\"" + rel_type + "slide\" Target=\"" + part + "\"/>";
    const TestSlide& slide = deck.slides[i];
    std::string transition;
    if (slide.advance_ms) {
      const std::string t = std::to_string(*slide.advance_ms);
      transition =
          "<mc:AlternateContent><mc:Choice Requires=\"p14\"><p:transition spd=\"slow\" advTm=\"" +
          t + "\" p14:dur=\"2000\"/></mc:Choice><mc:Fallback><p:transition spd=\"slow\" advTm=\"" +
          t + "\"/></mc:Fallback></mc:AlternateContent>";
    } else {
      transition = "<p:transition spd=\"fast\"/>";
    }
    members.push_back(
        {"ppt/" + part, "<?xml version=\"1.0\"?><p:sld" + ns + (slide.hidden ? " show=\"0\"" : "") +
                            "><p:cSld><p:spTree/></p:cSld><!-- slide " + std::to_string(i + 1) +
                            " -->" + transition + "</p:sld>"});
  }
  rels += "</Relationships>";
  members.push_back({"ppt/presentation.xml", "<?xml version=\"1.0\"?><p:presentation" + ns +
                                                 "><p:sldMasterIdLst/><p:sldIdLst>" + list +
                                                 "</p:sldIdLst></p:presentation>"});
  members.push_back({"ppt/_rels/presentation.xml.rels", rels});
  members.push_back({"ppt/presProps.xml", "<?xml version=\"1.0\"?><p:presentationPr" + ns +
                                              "><p:showPr loop=\"" + (deck.loop ? "1" : "0") +
                                              "\" useTimings=\"" + (deck.use_timings ? "1" : "0") +
                                              "\"/></p:presentationPr>"});
  return members;
}

inline std::string WritePptx(const std::string& path, const TestDeck& deck) {
  WriteZip(path, PptxMembers(deck));
  return path;
}

inline std::string OdpContent(const TestDeck& deck) {
  std::string styles;
  std::string pages;
  for (size_t i = 0; i < deck.slides.size(); ++i) {
    const TestSlide& slide = deck.slides[i];
    const std::string name = "dp" + std::to_string(i + 1);
    std::string properties;
    if (slide.advance_ms) {
      properties += " presentation:transition-type=\"automatic\" presentation:duration=\"PT" +
                    std::to_string(*slide.advance_ms / 1000) + "." +
                    std::to_string(1000 + *slide.advance_ms % 1000).substr(1) + "S\"";
    }
    if (slide.hidden) properties += " presentation:visibility=\"hidden\"";
    styles += "<style:style style:name=\"" + name +
              "\" style:family=\"drawing-page\"><style:drawing-page-properties" + properties +
              "/></style:style>";
    pages += "<draw:page draw:name=\"page" + std::to_string(i + 1) + "\" draw:style-name=\"" +
             name + "\"><draw:frame/></draw:page>";
  }
  std::string settings = "<presentation:settings";
  if (!deck.use_timings) settings += " presentation:force-manual=\"true\"";
  if (deck.loop) settings += " presentation:endless=\"true\"";
  settings += "/>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
         "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
         "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\">"
         "<office:automatic-styles>" +
         styles + "</office:automatic-styles><office:body><office:presentation>" + pages +
         settings + "</office:presentation></office:body></office:document-content>";
}

inline std::string WriteOdp(const std::string& path, const TestDeck& deck) {
  WriteZip(path, {{"mimetype", "application/vnd.oasis.opendocument.presentation"},
                  {"content.xml", OdpContent(deck)},
                  {"styles.xml", "<?xml version=\"1.0\"?><office:document-styles/>"}});
  return path;
}

}  // namespace zarn::testing
