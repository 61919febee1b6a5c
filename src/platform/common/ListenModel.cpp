#include "platform/common/ListenModel.h"

#include <filesystem>

namespace zarn {
namespace {

constexpr const char* kDefaultFolder = "/usr/share/pocketsphinx/model/en-us";

}  // namespace

ListenModel ListenModel::Installed(const std::string& folder) {
  const std::string base = folder.empty() ? kDefaultFolder : folder;
  return {base + "/en-us", base + "/cmudict-en-us.dict"};
}

bool ListenModel::Present() const {
  std::error_code ec;
  return std::filesystem::is_directory(acoustic, ec) &&
         std::filesystem::is_regular_file(dictionary, ec);
}

}  // namespace zarn
