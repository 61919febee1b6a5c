#include "platform/common/OdpReader.h"

#include <map>
#include <optional>

#include "base/VbError.h"
#include "platform/common/XmlScanner.h"
#include "platform/common/ZipReader.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

// Transition settings as a page or a drawing-page style states them.
struct PageTiming {
  std::optional<std::string> transition_type;
  std::optional<std::string> duration;
  std::optional<std::string> visibility;

  void TakeFrom(const XmlTag& tag) {
    if (const std::string* type = tag.Attribute("transition-type")) transition_type = *type;
    if (const std::string* time = tag.Attribute("duration")) duration = *time;
    if (const std::string* shown = tag.Attribute("visibility")) visibility = *shown;
  }
};

struct Page {
  std::string style;
  PageTiming own;
};

struct OdfScan {
  std::map<std::string, PageTiming> styles;
  std::vector<Page> pages;
  bool has_document = false;
  bool force_manual = false;
  bool endless = false;
};

void Scan(std::string_view xml, OdfScan& scan) {
  std::optional<std::string> open_style;  // a drawing-page style being read
  ScanXmlTags(xml, [&](const XmlTag& tag) {
    const std::string_view name = tag.LocalName();
    if (tag.end) {
      if (name == "style") open_style.reset();
      return;
    }
    if (name == "document" || name == "document-content" || name == "document-styles") {
      scan.has_document = true;
    } else if (name == "style") {
      const std::string* family = tag.Attribute("family");
      const std::string* style_name = tag.Attribute("name");
      if (family != nullptr && *family == "drawing-page" && style_name != nullptr) {
        scan.styles[*style_name] = PageTiming{};
        open_style = *style_name;
      }
    } else if (name == "drawing-page-properties" && open_style) {
      scan.styles[*open_style].TakeFrom(tag);
    } else if (name == "page") {
      if (scan.pages.size() >= kMaxSlides)
        Fail("more than " + std::to_string(kMaxSlides) + " pages");
      Page page;
      if (const std::string* style = tag.Attribute("style-name")) page.style = *style;
      page.own.TakeFrom(tag);
      scan.pages.push_back(std::move(page));
    } else if (name == "settings") {
      if (const std::string* manual = tag.Attribute("force-manual")) {
        scan.force_manual = *manual == "true";
      }
      if (const std::string* endless = tag.Attribute("endless")) scan.endless = *endless == "true";
    }
  });
}

SlideDeck ToDeck(const OdfScan& scan) {
  SlideDeck deck;
  deck.use_timings = !scan.force_manual;
  deck.loop = scan.endless;
  for (const Page& page : scan.pages) {
    PageTiming timing;
    if (auto style = scan.styles.find(page.style); style != scan.styles.end()) {
      timing = style->second;
    }
    if (page.own.transition_type) timing.transition_type = page.own.transition_type;
    if (page.own.duration) timing.duration = page.own.duration;

    SlideInfo slide;
    slide.hidden = timing.visibility && *timing.visibility == "hidden";
    // "automatic" moves on after the duration; a duration given without a
    // transition type is taken to mean the same. Manual and semi-automatic
    // pages wait.
    const bool automatic = timing.transition_type ? *timing.transition_type == "automatic"
                                                  : timing.duration.has_value();
    if (automatic) slide.advance_ms = timing.duration ? ParseIsoDuration(*timing.duration) : 0;
    deck.slides.push_back(slide);
  }
  return deck;
}

}  // namespace

SlideDeck ReadOdpPackage(const ZipReader& package) {
  if (auto mimetype = package.Read("mimetype", 4096)) {
    if (mimetype->rfind("application/vnd.oasis.opendocument.presentation", 0) != 0) {
      Fail("an OpenDocument file that is not a presentation (" + *mimetype + ")");
    }
  }
  auto content = package.Read("content.xml", kMaxPresentationPart);
  if (!content) Fail("the package has no content.xml");
  OdfScan scan;
  if (auto styles = package.Read("styles.xml", kMaxPresentationPart)) Scan(*styles, scan);
  Scan(*content, scan);
  return ToDeck(scan);
}

SlideDeck ReadFlatOdp(std::string_view document) {
  OdfScan scan;
  Scan(document, scan);
  if (!scan.has_document) Fail("an XML file that is not an OpenDocument presentation");
  return ToDeck(scan);
}

}  // namespace zarn
