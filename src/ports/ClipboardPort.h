#pragma once

#include <string>

namespace zarn {

// The system clipboard, plain text only.
class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;
  // The clipboard's text; empty when it holds no text or cannot be read.
  virtual std::string GetText() = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void Clear() = 0;
};

}  // namespace zarn
