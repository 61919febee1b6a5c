#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zarn {

// An INI file read once: the decoded text and its section blocks. Keys of a
// block are indexed the first time the block is asked for, so a huge
// [Script] section costs nothing beyond the line scan.
class ProfileDocument {
 public:
  explicit ProfileDocument(std::string text);
  ProfileDocument(const ProfileDocument&) = delete;
  ProfileDocument& operator=(const ProfileDocument&) = delete;

  const std::string& Text() const { return text_; }

  // The raw value (blanks cut, quotes not yet removed) of the first key of
  // that name in the first section of that name; none when either is absent.
  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
  // Key names in file order; none when the section is absent.
  std::optional<std::vector<std::string_view>> KeyNames(std::string_view section) const;

  // Lines end at CR LF, CR or LF. Calls `visit(line)` for every line.
  template <class Visit>
  static void ForEachLine(std::string_view text, Visit&& visit);

 private:
  struct KeyLine {
    std::string_view name;
    std::string_view value;
  };
  struct KeyIndex {
    std::vector<KeyLine> lines;
    std::unordered_map<std::string, size_t> first;  // folded name -> line
  };
  struct Block {
    size_t body_begin = 0;
    size_t body_end = 0;
    mutable std::unique_ptr<KeyIndex> index;
  };

  const Block* FindBlock(std::string_view section) const;
  const KeyIndex& Index(const Block& block) const;

  std::string text_;
  std::vector<Block> blocks_;
  std::unordered_map<std::string, size_t> first_block_;  // folded name -> block
};

// Blanks of the profile service: tab to carriage return, space and the DOS
// end-of-file mark.
std::string_view TrimProfileBlanks(std::string_view text);

// Documents of the last few files read, each read again only when the
// file's size or modification time changed. Owned by the profile reader,
// so reading every key of a file stays linear.
class ProfileCache {
 public:
  // The document for a local file path; none when the path is not a
  // readable regular file. Throws VbError 7 for a file too large to hold.
  std::shared_ptr<const ProfileDocument> Load(const std::string& local_path);

 private:
  struct Entry {
    std::string path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    std::shared_ptr<const ProfileDocument> document;
  };
  std::list<Entry> entries_;  // most recently used first
};

template <class Visit>
void ProfileDocument::ForEachLine(std::string_view text, Visit&& visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    // A plain loop: find_first_of looks each byte up in the set.
    size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    visit(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n' && (pos == end || text[end] == '\r')) ++pos;
  }
}

}  // namespace zarn
