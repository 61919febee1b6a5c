#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

struct BookmarkEntry {
  int32_t number = 0;
  std::string script;
};

struct CommandEntry {
  std::string id;
  std::string caption;
  std::string voice;
  std::string script;
};

// The parsed script file; one per process, replaced piecewise by every
// LoadScript.
struct ScriptDocument {
  std::string ScriptPath;
  std::string PowerPointFile;
  int32_t PowerPointAutoAdvance = 0;
  int32_t PowerPointRepeat = 0;
  int32_t PowerPointPause = 0;
  bool PowerPointMode = false;
  std::vector<BookmarkEntry> Bookmarks;
  std::vector<CommandEntry> Commands;
  std::string MenuName;
  // Downloaded, or loaded by a script that was: its scripts may not start
  // programs, type keys or close windows without the user's leave.
  bool FromNetwork = false;
};

// Both lists count in 16 bits.
inline constexpr size_t kMaxDocumentListEntries = 32767;

}  // namespace zarn
