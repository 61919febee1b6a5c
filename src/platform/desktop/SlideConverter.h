#pragma once

#include <string>

namespace zarn {

// Turns a presentation into what the desktop can show, with LibreOffice in
// a process of its own: a PDF with a page for every slide (hidden ones too,
// so that page n is slide n), or an .odp whose timings can be read (the
// pictures stay out of its content.xml, unlike in a flat .fodp).
// Results are cached by the file's content hash in the user's cache folder.
// While LibreOffice works the event loop goes on, and a conversion that
// takes a while shows a busy window the user can cancel.
class SlideConverter {
 public:
  enum class Format { kPdf, kOpenDocument };

  // The converted file's path. Throws VbError (presentation::kFailed) with
  // the reason: LibreOffice missing, failing, cancelled or too slow.
  std::string Convert(const std::string& file, Format format);

  // Where the cache lives ($XDG_CACHE_HOME/zarnplay/slides).
  static std::string CacheFolder();
};

}  // namespace zarn
