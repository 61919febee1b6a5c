#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "backend/MciCommandText.h"
#include "backend/MciDevice.h"
#include "ports/MediaCommandPort.h"

namespace zarn {

// The command-string language shared by every platform: open/play/status/
// stop/pause/resume/seek/close over devices the platform plugs in per
// device type. Keeps the open devices by name (alias, else element).
class MciInterpreter : public MediaCommandPort {
 public:
  MciInterpreter() = default;
  ~MciInterpreter() override;

  // Adds or replaces a device type ("waveaudio", "sequencer", ...); the
  // name is matched without regard to letter case.
  void RegisterDeviceType(std::string_view type, MciDeviceFactory factory);

  int32_t SendString(std::string_view command, std::string& reply) override;
  std::string ErrorText(int32_t code) override;

  size_t OpenDeviceCount() const { return open_.size(); }

 private:
  struct OpenDevice {
    std::string name;  // lower case
    uint32_t id = 0;
    std::unique_ptr<MciDevice> device;
  };
  using Args = std::span<const MciToken>;

  int32_t Open(Args args, std::string& reply);
  int32_t Play(MciDevice& device, Args args);
  int32_t Status(MciDevice& device, Args args, std::string& reply);
  int32_t Seek(MciDevice& device, Args args);
  int32_t Close(std::string_view name);

  OpenDevice* Find(std::string_view name);
  std::string TypeForExtension(std::string_view element) const;
  uint32_t FreeId() const;

  std::map<std::string, MciDeviceFactory> types_;
  std::vector<OpenDevice> open_;  // in the order they were opened
};

}  // namespace zarn
