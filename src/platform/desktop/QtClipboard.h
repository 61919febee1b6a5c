#pragma once

#include <QClipboard>
#include <QGuiApplication>

#include "ports/ClipboardPort.h"

namespace zarn {

// The display's clipboard, plain text. On X11 the text lives in this
// process: it is gone once the program ends unless a clipboard manager runs.
class QtClipboard : public ClipboardPort {
 public:
  std::string GetText() override { return QGuiApplication::clipboard()->text().toStdString(); }
  void SetText(const std::string& text) override {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  }
  void Clear() override { QGuiApplication::clipboard()->clear(); }
};

}  // namespace zarn
