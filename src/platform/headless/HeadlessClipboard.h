#pragma once

#include <string>
#include <utility>

#include "ports/ClipboardPort.h"

namespace zarn {

// A clipboard of our own: empty unless given a text (--clipboard).
class HeadlessClipboard : public ClipboardPort {
 public:
  explicit HeadlessClipboard(std::string text = {}) : text_(std::move(text)) {}

  std::string GetText() override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  void Clear() override { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace zarn
