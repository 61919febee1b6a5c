#include "backend/MciInterpreter.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "backend/MciErrors.h"

namespace zarn {
namespace {

bool IsFlag(const std::string& keyword) { return keyword == "wait" || keyword == "notify"; }

// Reads the value after a keyword such as `from 10` or `alias media`.
int32_t TakeValue(std::span<const MciToken> args, size_t& i, std::string& value) {
  if (i + 1 >= args.size()) return mcierr::kMissingParameter;
  value = args[++i].text;
  return 0;
}

int32_t TakeInteger(std::span<const MciToken> args, size_t& i, std::optional<int64_t>& value) {
  if (value) return mcierr::kDuplicateFlags;
  std::string text;
  if (int32_t code = TakeValue(args, i, text)) return code;
  value = ParseMciInteger(text);
  return value ? 0 : mcierr::kBadInteger;
}

// Accepts only the wait/notify flags after the device name.
int32_t OnlyFlags(std::span<const MciToken> args) {
  for (const MciToken& token : args) {
    if (!IsFlag(MciLower(token.text))) return mcierr::kUnrecognizedKeyword;
  }
  return 0;
}

}  // namespace

std::string_view MciModeWord(MciMode mode) {
  switch (mode) {
    case MciMode::kNotReady:
      return "not ready";
    case MciMode::kStopped:
      return "stopped";
    case MciMode::kPlaying:
      return "playing";
    case MciMode::kRecording:
      return "recording";
    case MciMode::kSeeking:
      return "seeking";
    case MciMode::kPaused:
      return "paused";
    case MciMode::kOpen:
      return "open";
  }
  return "not ready";
}

MciInterpreter::~MciInterpreter() {
  // Newest first, as `close all` does.
  while (!open_.empty()) open_.pop_back();
}

void MciInterpreter::RegisterDeviceType(std::string_view type, MciDeviceFactory factory) {
  types_[MciLower(type)] = std::move(factory);
}

std::string MciInterpreter::ErrorText(int32_t code) { return mcierr::MciErrorText(code); }

int32_t MciInterpreter::SendString(std::string_view command, std::string& reply) {
  reply.clear();
  MciTokens split = SplitMciCommand(command);
  if (split.error) return split.error;
  const std::vector<MciToken>& tokens = split.tokens;
  if (tokens.empty()) return mcierr::kMissingCommandString;

  const std::string verb = MciLower(tokens[0].text);
  const Args rest = Args(tokens).subspan(1);
  if (verb == "open") return Open(rest, reply);

  static const char* const kKnownVerbs[] = {"play",   "status", "stop", "pause",
                                            "resume", "seek",   "close"};
  if (std::find(std::begin(kKnownVerbs), std::end(kKnownVerbs), verb) == std::end(kKnownVerbs)) {
    return mcierr::kUnrecognizedCommand;
  }
  if (rest.empty()) return mcierr::kMissingDeviceName;
  const std::string& name = rest[0].text;
  const Args args = rest.subspan(1);

  if (!rest[0].quoted && MciLower(name) == "all") {
    if (verb == "close") {
      if (int32_t code = OnlyFlags(args)) return code;
      while (!open_.empty()) open_.pop_back();
      return 0;
    }
    if (verb == "stop") {
      if (int32_t code = OnlyFlags(args)) return code;
      for (OpenDevice& open : open_) open.device->Stop();
      return 0;
    }
    return mcierr::kCannotUseAll;
  }

  OpenDevice* open = Find(name);
  if (open == nullptr) return mcierr::kInvalidDeviceName;
  MciDevice& device = *open->device;
  if (verb == "play") return Play(device, args);
  if (verb == "status") return Status(device, args, reply);
  if (verb == "seek") return Seek(device, args);
  if (int32_t code = OnlyFlags(args)) return code;
  if (verb == "stop") return device.Stop();
  if (verb == "pause") return device.Pause();
  if (verb == "resume") return device.Resume();
  return Close(name);
}

int32_t MciInterpreter::Open(Args args, std::string& reply) {
  if (args.empty()) return mcierr::kMissingDeviceName;
  std::string type, alias, ignored;
  bool has_type = false, has_alias = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string keyword = MciLower(args[i].text);
    if (keyword == "type" || keyword == "alias") {
      bool& seen = keyword == "type" ? has_type : has_alias;
      if (seen) return mcierr::kDuplicateFlags;
      seen = true;
      if (TakeValue(args, i, keyword == "type" ? type : alias)) {
        return mcierr::kMissingStringArgument;
      }
    } else if (keyword == "style" || keyword == "parent" || keyword == "buffer") {
      // Window and buffer options mean nothing to the devices we provide.
      if (TakeValue(args, i, ignored)) return mcierr::kMissingParameter;
    } else if (!IsFlag(keyword) && keyword != "shareable") {
      return mcierr::kUnrecognizedKeyword;
    }
  }

  std::string element = args[0].text;
  const std::string first = MciLower(element);
  if (!args[0].quoted && first == "new") {
    if (!has_alias) return mcierr::kNewRequiresAlias;
    if (!has_type) return mcierr::kDeviceTypeRequired;
    return mcierr::kUnsupportedFunction;  // recording is not offered
  }
  if (const size_t bang = element.find('!'); !args[0].quoted && bang != std::string::npos) {
    if (has_type) return mcierr::kDuplicateFlags;
    type = element.substr(0, bang);
    element = element.substr(bang + 1);
    has_type = true;
  }
  if (!has_type) {
    if (!args[0].quoted && types_.count(first) != 0) return mcierr::kFilenameRequired;
    type = TypeForExtension(element);
    if (type.empty()) return mcierr::kExtensionNotFound;
  }
  const auto factory = types_.find(MciLower(type));
  if (factory == types_.end()) return mcierr::kDeviceNotInstalled;
  if (element.empty()) return mcierr::kFilenameRequired;

  const std::string name = MciLower(has_alias ? alias : element);
  if (name.empty()) return mcierr::kMissingStringArgument;
  if (Find(name) != nullptr) return has_alias ? mcierr::kDuplicateAlias : mcierr::kDeviceOpen;

  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(element, ec);
  if (!std::filesystem::exists(status)) return mcierr::kFileNotFound;
  if (!std::filesystem::is_regular_file(status)) return mcierr::kInvalidFile;

  MciOpenResult opened = factory->second(element);
  if (opened.error != 0) return opened.error;
  if (!opened.device) return mcierr::kInternal;
  const uint32_t id = FreeId();
  open_.push_back(OpenDevice{name, id, std::move(opened.device)});
  reply = std::to_string(id);
  return 0;
}

int32_t MciInterpreter::Play(MciDevice& device, Args args) {
  std::optional<int64_t> from, to;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string keyword = MciLower(args[i].text);
    int32_t code = 0;
    if (keyword == "from") {
      code = TakeInteger(args, i, from);
    } else if (keyword == "to") {
      code = TakeInteger(args, i, to);
    } else if (!IsFlag(keyword)) {
      code = mcierr::kUnrecognizedKeyword;
    }
    if (code) return code;
  }
  const int64_t length = device.Length();
  const int64_t start = from.value_or(device.Position());
  const int64_t end = to.value_or(length);
  if (start > length || end > length || start > end) return mcierr::kOutOfRange;
  return device.Play(start, end);
}

int32_t MciInterpreter::Status(MciDevice& device, Args args, std::string& reply) {
  std::string item;
  for (const MciToken& token : args) {
    const std::string word = MciLower(token.text);
    if (IsFlag(word)) continue;
    if (!item.empty()) item += ' ';
    item += word;
  }
  if (item.empty()) return mcierr::kMissingParameter;
  if (item == "mode") {
    reply = MciModeWord(device.Mode());
  } else if (item == "length") {
    reply = std::to_string(device.Length());
  } else if (item == "position") {
    reply = std::to_string(device.Position());
  } else if (item == "time format") {
    reply = device.TimeFormat();
  } else if (item == "ready" || item == "media present") {
    reply = "true";
  } else if (item == "number of tracks" || item == "current track") {
    reply = "1";
  } else {
    return mcierr::kUnrecognizedKeyword;
  }
  return 0;
}

int32_t MciInterpreter::Seek(MciDevice& device, Args args) {
  std::optional<int64_t> target;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string keyword = MciLower(args[i].text);
    if (keyword == "to") {
      if (target) return mcierr::kDuplicateFlags;
      if (i + 1 >= args.size()) return mcierr::kMissingParameter;
      const std::string where = MciLower(args[++i].text);
      if (where == "start") {
        target = 0;
      } else if (where == "end") {
        target = device.Length();
      } else {
        target = ParseMciInteger(where);
        if (!target) return mcierr::kBadInteger;
      }
    } else if (!IsFlag(keyword)) {
      return mcierr::kUnrecognizedKeyword;
    }
  }
  if (!target) return mcierr::kMissingParameter;
  if (*target > device.Length()) return mcierr::kOutOfRange;
  return device.Seek(*target);
}

int32_t MciInterpreter::Close(std::string_view name) {
  const std::string key = MciLower(name);
  const auto it = std::find_if(open_.begin(), open_.end(),
                               [&](const OpenDevice& open) { return open.name == key; });
  if (it == open_.end()) return mcierr::kInvalidDeviceName;
  open_.erase(it);
  return 0;
}

MciInterpreter::OpenDevice* MciInterpreter::Find(std::string_view name) {
  const std::string key = MciLower(name);
  for (OpenDevice& open : open_) {
    if (open.name == key) return &open;
  }
  return nullptr;
}

std::string MciInterpreter::TypeForExtension(std::string_view element) const {
  const size_t dot = element.rfind('.');
  const size_t slash = element.find_last_of("/\\");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  const std::string extension = MciLower(element.substr(dot + 1));
  std::string type;
  if (extension == "wav") type = "waveaudio";
  if (extension == "mid" || extension == "midi" || extension == "rmi") type = "sequencer";
  if (extension == "avi") type = "avivideo";
  return types_.count(type) != 0 ? type : std::string{};
}

uint32_t MciInterpreter::FreeId() const {
  uint32_t id = 1;
  while (std::any_of(open_.begin(), open_.end(), [&](const OpenDevice& o) { return o.id == id; })) {
    ++id;
  }
  return id;
}

}  // namespace zarn
