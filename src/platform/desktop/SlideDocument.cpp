#include "platform/desktop/SlideDocument.h"

#include <filesystem>
#include <system_error>

#include "base/SharedLibrary.h"
#include "base/VbError.h"
#include "platform/slides/PdfSlides.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

constexpr const char* kModule = "zarnplay-slides.so";

struct SlidesModule {
  decltype(&zarn_slides_open) open = nullptr;
  decltype(&zarn_slides_close) close = nullptr;
  decltype(&zarn_slides_render) render = nullptr;
};

// Beside the program in a build folder, else where the package puts it.
std::string ModulePath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path beside = self.parent_path() / kModule;
    if (std::filesystem::exists(beside, ec)) return beside.string();
  }
  return std::string(ZARN_INSTALLED_MODULE_DIR) + "/" + kModule;
}

SlidesModule Load() {
  const SharedLibrary library(
      ModulePath().c_str(), "the slides module " + std::string(kModule),
      [](const std::string& message) { throw VbError(presentation::kFailed, message); });
  SlidesModule api;
  library.Bind("zarn_slides_open", api.open);
  library.Bind("zarn_slides_close", api.close);
  library.Bind("zarn_slides_render", api.render);
  return api;
}

const SlidesModule& Slides() {
  static const SlidesModule api = Load();
  return api;
}

}  // namespace

std::unique_ptr<SlideDocument> SlideDocument::Load(const std::string& pdf) {
  void* document = Slides().open(pdf.c_str());
  if (document == nullptr) {
    throw VbError(presentation::kFailed, "LibreOffice made no readable slides of it");
  }
  return std::unique_ptr<SlideDocument>(new SlideDocument(document));
}

SlideDocument::~SlideDocument() { Slides().close(document_); }

QImage SlideDocument::RenderToFit(int32_t slide_index, QSize screen) const {
  QImage image;
  if (!Slides().render(document_, slide_index - 1, screen.width(), screen.height(), &image)) {
    return {};
  }
  return image;
}

}  // namespace zarn
