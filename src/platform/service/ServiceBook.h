#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "charengine/CharacterEngine.h"

namespace zarn {

// More pending requests than this from one client are refused.
inline constexpr size_t kMaxPendingPerClient = 10000;

// Who uses what on the service: the clients (unique bus names) of each
// character, which client made which request, each client's commands and
// the input-active client. The engine knows nothing of clients.
class ServiceBook {
 public:
  // What one client gave a character's Commands collection.
  struct ClientCommands {
    std::string caption;
    std::string voice;
    std::vector<CharacterCommand> list;
  };
  struct Character {
    std::string engine_id;  // the id the engine loaded it as
    std::string key;        // in by_path_
    std::string path;       // the resolved file
    std::string object_path;
    std::set<std::string> clients;  // empty: unloaded (the engine keeps it hidden)
    std::string input_active;
    std::map<std::string, ClientCommands> commands;  // per client
    // The clients whose captions the menu lists to switch to, in its order.
    std::vector<std::string> others;
    std::string caption_set, voice_set;  // the engine's, as last set
  };
  struct Request {
    std::string client;
    std::string engine_id;
    RequestId interrupts = 0;  // an Interrupt: the request it stops when reached
  };

  // The character for a resolved file that `client` does not use yet, made
  // if new: a client that loads a file again gets a second character.
  Character& ForPath(const std::string& path, const std::string& client);
  Character* ByObject(const std::string& object_path);
  Character* ByEngineId(const std::string& engine_id);
  std::vector<std::string> LoadedObjects() const;
  // Forgets a character nobody uses; its object leaves the bus.
  void Forget(const Character& character);
  // Adds the client; the first one becomes input-active.
  void AddClient(Character& character, const std::string& client);
  // Takes the client off; true when nobody uses the character any more.
  bool RemoveClient(Character& character, const std::string& client);
  // Every character the client uses.
  std::vector<Character*> CharactersOf(const std::string& client);
  bool Idle() const;  // no client and no loaded character

  // `waiting`: the client's calls not yet taken in.
  bool CanQueue(const std::string& client, size_t waiting) const;
  void AddRequest(RequestId id, Request request);
  const Request* FindRequest(RequestId id) const;
  void EndRequest(RequestId id);
  // The client's requests on one character, oldest first.
  std::vector<RequestId> RequestsOf(const std::string& client, const std::string& engine_id) const;

 private:
  std::map<std::string, Character> by_path_;
  std::map<RequestId, Request> requests_;
  std::map<std::string, size_t> pending_;  // per client
  int next_object_ = 1;
};

}  // namespace zarn
