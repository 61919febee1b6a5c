#pragma once

#include <QClipboard>
#include <QGuiApplication>

#include "platform/desktop/ClipboardHolder.h"
#include "ports/ClipboardPort.h"

namespace zarn {

// The display's clipboard, plain text. On X11 the text lives in this
// process, so KeepAfterExit hands what it still owns to a holder.
class QtClipboard : public ClipboardPort {
 public:
  std::string GetText() override { return QGuiApplication::clipboard()->text().toStdString(); }
  void SetText(const std::string& text) override {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  }
  void Clear() override { QGuiApplication::clipboard()->clear(); }
  // Once, as the program ends.
  void KeepAfterExit() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (kept_ || clipboard == nullptr || !clipboard->ownsClipboard()) return;
    kept_ = true;
    if (const QString text = clipboard->text(); !text.isEmpty()) {
      StartClipboardHolder(text.toStdString());
    }
  }

 private:
  bool kept_ = false;
};

}  // namespace zarn
