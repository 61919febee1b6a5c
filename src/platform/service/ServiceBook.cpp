#include "platform/service/ServiceBook.h"

#include <algorithm>

namespace zarn {

ServiceBook::Character& ServiceBook::ForPath(const std::string& path, const std::string& client) {
  // Copies of one file are keyed "path", "path#2" ...
  for (int copy = 1;; ++copy) {
    const std::string key = copy == 1 ? path : path + "#" + std::to_string(copy);
    auto [it, added] = by_path_.try_emplace(key);
    Character& character = it->second;
    if (added) {
      character.key = key;
      character.path = path;
      character.object_path = "/org/zarnplay/Characters/c" + std::to_string(next_object_++);
    }
    if (!character.clients.count(client)) return character;
  }
}

ServiceBook::Character* ServiceBook::ByObject(const std::string& object_path) {
  for (auto& [path, character] : by_path_) {
    if (character.object_path == object_path && !character.clients.empty()) return &character;
  }
  return nullptr;
}

ServiceBook::Character* ServiceBook::ByEngineId(const std::string& engine_id) {
  for (auto& [path, character] : by_path_) {
    if (character.engine_id == engine_id) return &character;
  }
  return nullptr;
}

std::vector<std::string> ServiceBook::LoadedObjects() const {
  std::vector<std::string> objects;
  for (const auto& [path, character] : by_path_) {
    if (!character.clients.empty()) objects.push_back(character.object_path);
  }
  return objects;
}

void ServiceBook::Forget(const Character& character) {
  if (!character.clients.empty()) return;
  const std::string key = character.key;  // it goes with the entry
  by_path_.erase(key);
}

void ServiceBook::AddClient(Character& character, const std::string& client) {
  if (character.clients.empty()) character.input_active = client;
  character.clients.insert(client);
}

bool ServiceBook::RemoveClient(Character& character, const std::string& client) {
  character.clients.erase(client);
  character.commands.erase(client);
  if (character.input_active == client) {
    character.input_active = character.clients.empty() ? "" : *character.clients.begin();
  }
  return character.clients.empty();
}

std::vector<ServiceBook::Character*> ServiceBook::CharactersOf(const std::string& client) {
  std::vector<Character*> used;
  for (auto& [path, character] : by_path_) {
    if (character.clients.count(client)) used.push_back(&character);
  }
  return used;
}

bool ServiceBook::Idle() const {
  return std::all_of(by_path_.begin(), by_path_.end(),
                     [](const auto& entry) { return entry.second.clients.empty(); });
}

bool ServiceBook::CanQueue(const std::string& client, size_t waiting) const {
  auto it = pending_.find(client);
  return (it == pending_.end() ? 0 : it->second) + waiting < kMaxPendingPerClient;
}

void ServiceBook::AddRequest(RequestId id, Request request) {
  ++pending_[request.client];
  requests_[id] = std::move(request);
}

const ServiceBook::Request* ServiceBook::FindRequest(RequestId id) const {
  auto it = requests_.find(id);
  return it == requests_.end() ? nullptr : &it->second;
}

void ServiceBook::EndRequest(RequestId id) {
  auto it = requests_.find(id);
  if (it == requests_.end()) return;
  auto count = pending_.find(it->second.client);
  if (count != pending_.end() && --count->second == 0) pending_.erase(count);
  requests_.erase(it);
}

std::vector<RequestId> ServiceBook::RequestsOf(const std::string& client,
                                               const std::string& engine_id) const {
  std::vector<RequestId> ids;
  for (const auto& [id, request] : requests_) {
    if (request.client == client && request.engine_id == engine_id) ids.push_back(id);
  }
  return ids;
}

}  // namespace zarn
