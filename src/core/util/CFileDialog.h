#pragma once

#include <cstdint>
#include <string>

namespace zarn {

class DesktopPort;

// The open/save file dialog with the properties of the common dialog record.
class CFileDialog {
 public:
  explicit CFileDialog(DesktopPort* desktop = nullptr) : desktop_(desktop) {}

  std::string DefaultExt;
  std::string DialogTitle;
  std::string FileName;   // after a confirmed Show: the chosen full path
  std::string FileTitle;  // after a confirmed Show: the name without folder
  std::string Filter;     // description|pattern pairs
  int32_t FilterIndex = 0;
  int32_t Flags = 0;
  int32_t hWndParent = 0;
  std::string InitialDir;
  int32_t MaxFileSize = 0;  // kept only; the name buffers hold 260 characters

  // Open dialog when fOpen, else save. True when the user confirmed a file;
  // otherwise FileName and FileTitle keep their values.
  bool Show(bool fOpen);

 private:
  DesktopPort* desktop_;
};

}  // namespace zarn
