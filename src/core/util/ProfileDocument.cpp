#include "core/util/ProfileDocument.h"

#include <fstream>

#include "base/TextCodec.h"
#include "base/VbError.h"
#include "base/VbString.h"

namespace zarn {
namespace {

bool IsProfileBlank(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r') || ch == '\x1A'; }

// Above this a profile is refused rather than held in memory three times.
constexpr std::uintmax_t kMaxProfileBytes = std::uintmax_t{512} << 20;
// The cache keeps a few files, and not more than this much text.
constexpr size_t kCacheFiles = 8;
constexpr size_t kCacheBytes = size_t{256} << 20;

std::optional<std::string> ReadBytes(const std::string& path, std::uintmax_t size) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size));
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
    // A file that grows while it is read is cut at the limit.
    if (bytes.size() > static_cast<size_t>(kMaxProfileBytes)) {
      Throw(vberr::kOutOfMemory, "Out of memory");
    }
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

std::string_view TrimProfileBlanks(std::string_view text) {
  while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

ProfileDocument::ProfileDocument(std::string text) : text_(std::move(text)) {
  const std::string_view all = text_;
  ForEachLine(all, [&](std::string_view line) {
    const size_t line_begin = static_cast<size_t>(line.data() - all.data());
    const size_t line_end = line_begin + line.size();
    const std::string_view trimmed = TrimProfileBlanks(line);
    if (trimmed.empty() || trimmed.front() != '[') return;
    const size_t close = trimmed.rfind(']');
    if (close == std::string_view::npos) return;
    if (!blocks_.empty()) blocks_.back().body_end = line_begin;
    const std::string_view name = TrimProfileBlanks(trimmed.substr(1, close - 1));
    first_block_.emplace(UCase(name), blocks_.size());
    Block block;
    block.body_begin = line_end;
    block.body_end = all.size();
    blocks_.push_back(std::move(block));
  });
}

const ProfileDocument::Block* ProfileDocument::FindBlock(std::string_view section) const {
  const auto found = first_block_.find(UCase(TrimProfileBlanks(section)));
  return found == first_block_.end() ? nullptr : &blocks_[found->second];
}

const ProfileDocument::KeyIndex& ProfileDocument::Index(const Block& block) const {
  if (block.index) return *block.index;
  auto index = std::make_unique<KeyIndex>();
  const std::string_view body =
      std::string_view(text_).substr(block.body_begin, block.body_end - block.body_begin);
  ForEachLine(body, [&](std::string_view line) {
    const std::string_view trimmed = TrimProfileBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';') return;
    const size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view name = TrimProfileBlanks(trimmed.substr(0, equals));
    // An empty name cannot be asked for.
    if (name.empty()) return;
    index->first.emplace(UCase(name), index->lines.size());
    index->lines.push_back(KeyLine{name, TrimProfileBlanks(trimmed.substr(equals + 1))});
  });
  block.index = std::move(index);
  return *block.index;
}

std::optional<std::string_view> ProfileDocument::Value(std::string_view section,
                                                       std::string_view key) const {
  const Block* block = FindBlock(section);
  if (block == nullptr) return std::nullopt;
  const KeyIndex& index = Index(*block);
  const auto found = index.first.find(UCase(TrimProfileBlanks(key)));
  if (found == index.first.end()) return std::nullopt;
  return index.lines[found->second].value;
}

std::optional<std::vector<std::string_view>> ProfileDocument::KeyNames(
    std::string_view section) const {
  const Block* block = FindBlock(section);
  if (block == nullptr) return std::nullopt;
  std::vector<std::string_view> names;
  for (const KeyLine& line : Index(*block).lines) names.push_back(line.name);
  return names;
}

std::shared_ptr<const ProfileDocument> ProfileCache::Load(const std::string& local_path) {
  namespace fs = std::filesystem;
  std::error_code failed;
  if (!fs::is_regular_file(local_path, failed)) return nullptr;
  const std::uintmax_t size = fs::file_size(local_path, failed);
  if (failed) return nullptr;
  const fs::file_time_type modified = fs::last_write_time(local_path, failed);
  if (failed) return nullptr;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->path != local_path) continue;
    if (it->size != size || it->modified != modified) {
      entries_.erase(it);
      break;
    }
    entries_.splice(entries_.begin(), entries_, it);
    return entries_.front().document;
  }
  if (size > kMaxProfileBytes) Throw(vberr::kOutOfMemory, "Out of memory");
  auto bytes = ReadBytes(local_path, size);
  if (!bytes) return nullptr;
  auto document = std::make_shared<const ProfileDocument>(DecodeText(*bytes));
  bytes.reset();

  entries_.push_front(Entry{local_path, size, modified, document});
  size_t bytes_held = 0;
  size_t kept = 0;
  for (auto it = entries_.begin(); it != entries_.end();) {
    bytes_held += it->document->Text().size();
    ++kept;
    if (kept > 1 && (kept > kCacheFiles || bytes_held > kCacheBytes)) {
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  return document;
}

}  // namespace zarn
