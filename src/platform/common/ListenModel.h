#pragma once

#include <string>

namespace zarn {

// Where the acoustic model and its dictionary are.
struct ListenModel {
  std::string acoustic;    // folder of the acoustic model
  std::string dictionary;  // pronouncing dictionary
  // The model installed with the system; `folder` overrides its location
  // (acoustic model "en-us" and "cmudict-en-us.dict" inside).
  static ListenModel Installed(const std::string& folder = "");
  bool Present() const;
};

}  // namespace zarn
