#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ports/DesktopPort.h"

namespace zarn::testing_util {

// A fresh folder under the system temp folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarn-util-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string full = *this / name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
  }
  std::string MakeFolder(const std::string& name) const {
    std::filesystem::create_directories(*this / name);
    return *this / name;
  }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ShownBox {
  std::string text;
  MessageIcon icon;
  MessageButtons buttons;
  std::string title;
};

// Records message boxes and answers them from a script (OK when it runs out).
class FakeDesktop : public DesktopPort {
 public:
  std::vector<ShownBox> boxes;
  std::deque<MessageAnswer> answers;
  std::vector<FileDialogRequest> dialogs;
  FileDialogResult dialog_result;

  void SetEvents(DesktopEvents*) override {}
  MessageAnswer MessageBox(const std::string& text, MessageIcon icon, MessageButtons buttons,
                           const std::string& title) override {
    boxes.push_back({text, icon, buttons, title});
    if (answers.empty()) return MessageAnswer::kOk;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  FileDialogResult ShowFileDialog(const FileDialogRequest& request) override {
    dialogs.push_back(request);
    return dialog_result;
  }
  void TrayAdd(const NotifyIconData&) override {}
  void TrayRemove(const NotifyIconData&) override {}
  void SetPopupMenu(const std::vector<std::string>&) override {}
  std::optional<int> TrackPopupMenu() override { return std::nullopt; }
  void SetForegroundWindow() override {}
  void SetPointer(MousePointer) override {}
  void DoEvents() override {}
  void Sleep(int32_t) override {}
  int32_t ScreenWidthTwips() const override { return 19200; }
  int32_t ScreenHeightTwips() const override { return 14400; }
  int32_t TwipsPerPixelX() const override { return 15; }
  int32_t TwipsPerPixelY() const override { return 15; }
};

}  // namespace zarn::testing_util
