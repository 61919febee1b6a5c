#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

namespace zarn {

// A converted presentation's PDF, drawn by the slides module.
class SlideDocument {
 public:
  // Throws VbError (the presentation failed) when the module cannot be
  // loaded or the PDF has no readable page.
  static std::unique_ptr<SlideDocument> Load(const std::string& pdf);
  ~SlideDocument();
  SlideDocument(const SlideDocument&) = delete;
  SlideDocument& operator=(const SlideDocument&) = delete;

  // Slide `slide_index` (from 1) as large as fits `screen`; null when none.
  QImage RenderToFit(int32_t slide_index, QSize screen) const;

 private:
  explicit SlideDocument(void* document) : document_(document) {}
  void* document_;
};

}  // namespace zarn
