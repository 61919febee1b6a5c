#include "platform/slides/PdfSlides.h"

#include <poppler/qt6/poppler-qt6.h>

#include <algorithm>
#include <memory>

#define ZARN_EXPORT __attribute__((visibility("default")))

extern "C" ZARN_EXPORT void* zarn_slides_open(const char* pdf) {
  std::unique_ptr<Poppler::Document> document = Poppler::Document::load(QString::fromUtf8(pdf));
  if (!document || document->isLocked() || document->numPages() < 1) return nullptr;
  document->setRenderHint(Poppler::Document::Antialiasing, true);
  document->setRenderHint(Poppler::Document::TextAntialiasing, true);
  return document.release();
}

extern "C" ZARN_EXPORT void zarn_slides_close(void* document) {
  delete static_cast<Poppler::Document*>(document);
}

extern "C" ZARN_EXPORT bool zarn_slides_render(void* document, int index, int width, int height,
                                               QImage* out) {
  const std::unique_ptr<Poppler::Page> page =
      static_cast<Poppler::Document*>(document)->page(index);
  if (!page) return false;
  const QSizeF points = page->pageSizeF();
  if (points.width() <= 0 || points.height() <= 0) return false;
  const double scale = std::min(width / points.width(), height / points.height());
  *out = page->renderToImage(72.0 * scale, 72.0 * scale);
  return !out->isNull();
}
