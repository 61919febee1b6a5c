#include "platform/common/BackdropModel.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "backend/PictureProbe.h"
#include "base/VbError.h"

namespace zarn {
namespace {

std::string ColorText(uint32_t bgr) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFFu, (bgr >> 8) & 0xFFu,
                (bgr >> 16) & 0xFFu);
  return text;
}

// Menu captions match without their access-key marks or letter case.
std::string MenuKey(const std::string& caption) {
  std::string key;
  for (char c : caption) {
    if (c != '&') key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return key;
}

}  // namespace

size_t BackdropModel::Slot(int index) {
  if (index != 0 && index != 1) throw VbError(vberr::kSubscript, "Subscript out of range");
  return static_cast<size_t>(index);
}

void BackdropModel::Record(const char* what, std::string value) {
  trace_.Write(TraceRecord("ui", "Backdrop").Arg(what).Arg(std::move(value)));
}

void BackdropModel::Reset(bool loaded) {
  loaded_ = loaded;
  visible_ = false;
  glyph_visible_ = false;
  color_ = 0;
  pictures_ = {};
}

void BackdropModel::SetEvents(BackdropEvents* events) {
  events_ = events;
  if (shown_) shown_->SetEvents(events);
}

void BackdropModel::Load() {
  if (shown_) shown_->Load();
  Reset(true);
}

void BackdropModel::Unload() {
  if (!loaded_) return;
  if (shown_) shown_->Unload();
  Reset(false);
  Record("close", "");
}

void BackdropModel::Move(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (shown_) shown_->Move(left, top, width, height);
}

void BackdropModel::SetBackColor(uint32_t color) {
  if (shown_) shown_->SetBackColor(color);
  color_ = color;
  Record("color", ColorText(color));
}

void BackdropModel::Show() {
  if (shown_) shown_->Show();
  visible_ = true;
  Record("show", "");
}

void BackdropModel::Hide() {
  if (shown_) shown_->Hide();
  visible_ = false;
  Record("hide", "");
}

void BackdropModel::SetPictureBorder(int index, bool border) {
  if (shown_) shown_->SetPictureBorder(index, border);
}

PictureSize BackdropModel::LoadPicture(int index, const std::string& path) {
  Picture& picture = pictures_[Slot(index)];
  picture.path.clear();
  PictureSize size;
  if (shown_) {
    size = shown_->LoadPicture(index, path);
  } else {
    const PictureProbeResult probe = ProbePictureFile(path);
    if (!probe) throw VbError(481, "Invalid picture");
    size = PictureSize{probe.info->width, probe.info->height};
  }
  picture.path = path;
  if (!picture.stretch) {
    picture.width = size.width * 15;
    picture.height = size.height * 15;
  }
  return size;
}

void BackdropModel::ClearPicture(int index) {
  pictures_[Slot(index)].path.clear();
  if (shown_) shown_->ClearPicture(index);
}

void BackdropModel::SetPictureStretch(int index, bool stretch) {
  pictures_[Slot(index)].stretch = stretch;
  if (shown_) shown_->SetPictureStretch(index, stretch);
}

void BackdropModel::MovePicture(int index, int32_t left, int32_t top, int32_t width,
                                int32_t height) {
  Picture& picture = pictures_[Slot(index)];
  if (shown_) shown_->MovePicture(index, left, top, width, height);
  picture.left = left;
  picture.top = top;
  picture.width = width;
  picture.height = height;
}

void BackdropModel::SetPictureVisible(int index, bool visible) {
  Picture& picture = pictures_[Slot(index)];
  if (shown_) shown_->SetPictureVisible(index, visible);
  picture.visible = visible;
  if (!visible || picture.path.empty()) return;
  trace_.Write(TraceRecord("ui", "Backdrop")
                   .Arg("image")
                   .Arg(picture.path)
                   .Arg(picture.left)
                   .Arg(picture.top)
                   .Arg(picture.width)
                   .Arg(picture.height));
}

void BackdropModel::MoveCloseGlyph(int32_t left, int32_t top) {
  if (shown_) shown_->MoveCloseGlyph(left, top);
}

void BackdropModel::SetCloseGlyphToolTip(const std::string& text) {
  if (shown_) shown_->SetCloseGlyphToolTip(text);
}

void BackdropModel::SetCloseGlyphVisible(bool visible) {
  if (shown_) shown_->SetCloseGlyphVisible(visible);
  if (visible && !glyph_visible_) Record("glyph", "shown");
  glyph_visible_ = visible;
}

std::optional<int> BackdropModel::PopupMenu(const std::vector<std::string>& captions) {
  if (shown_) {
    const std::optional<int> chosen = shown_->PopupMenu(captions);
    const bool valid = chosen && *chosen >= 0 && static_cast<size_t>(*chosen) < captions.size();
    Record("menu", valid ? captions[static_cast<size_t>(*chosen)] : "");
    return valid ? chosen : std::nullopt;
  }
  std::optional<std::string> choice = std::move(menu_choice_);
  menu_choice_.reset();
  if (choice) {
    for (size_t i = 0; i < captions.size(); ++i) {
      if (MenuKey(captions[i]) == MenuKey(*choice)) {
        Record("menu", captions[i]);
        return static_cast<int>(i);
      }
    }
    std::cerr << "zarnplay: the backdrop menu has no item \"" << *choice << "\"\n";
  }
  Record("menu", "");
  return std::nullopt;
}

int BackdropModel::ElementAtCentre() const {
  for (int index : {0, 1}) {
    if (pictures_[static_cast<size_t>(index)].visible &&
        !pictures_[static_cast<size_t>(index)].path.empty()) {
      return index;
    }
  }
  return kBackdropSurface;
}

bool BackdropModel::Perform(const std::string& action) {
  std::istringstream words(action);
  std::string verb;
  words >> verb;
  const bool on_screen = loaded_ && visible_ && events_ != nullptr;
  if (verb == "dblclick") {
    if (on_screen) events_->DblClick(ElementAtCentre());
    return true;
  }
  if (verb == "rightclick") {
    int shift = 0;
    for (std::string key; words >> key;) {
      if (key == "shift") {
        shift |= kShiftMask;
      } else if (key == "ctrl") {
        shift |= kCtrlMask;
      } else if (key == "alt") {
        shift |= kAltMask;
      } else {
        return false;
      }
    }
    if (on_screen) events_->MouseDown(ElementAtCentre(), kRightButton, shift, 0, 0);
    return true;
  }
  if (verb == "menu") {
    std::string caption;
    std::getline(words >> std::ws, caption);
    if (caption.empty()) return false;
    if (on_screen) {
      menu_choice_ = caption;
      events_->MouseDown(ElementAtCentre(), kRightButton, 0, 0, 0);
      menu_choice_.reset();
    }
    return true;
  }
  if (verb == "glyph") {
    if (on_screen && glyph_visible_) events_->CloseGlyphClick();
    return true;
  }
  return false;
}

}  // namespace zarn
