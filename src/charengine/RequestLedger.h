#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ports/CharacterServicePort.h"

namespace zarn::engine {

// Every request id the engine handed out, for the whole run: its status,
// its character and why it failed. Ids count up from 1 across characters.
class RequestLedger {
 public:
  RequestId Add(size_t owner);
  bool Exists(RequestId request) const;
  // Throws "The request does not exist" for an id never handed out.
  void Check(RequestId request) const;

  int Status(RequestId request) const { return statuses_[static_cast<size_t>(request)]; }
  void SetStatus(RequestId request, int status) {
    statuses_[static_cast<size_t>(request)] = static_cast<int8_t>(status);
  }
  bool IsFinal(RequestId request) const;
  size_t Owner(RequestId request) const { return owners_[static_cast<size_t>(request)]; }
  // Request.Number: 0 unless something set it.
  int32_t Number(RequestId request) const;
  void SetNumber(RequestId request, int32_t number) { numbers_[request] = number; }

 private:
  // Index 0 unused.
  std::vector<int8_t> statuses_ = {0};
  std::vector<uint32_t> owners_ = {0};
  std::unordered_map<RequestId, int32_t> numbers_;  // where not 0
};

}  // namespace zarn::engine
