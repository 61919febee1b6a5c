#include "app/backends/ModuleBackends.h"

#include <iostream>
#include <stdexcept>
#include <vector>

#include "app/backends/DesktopRun.h"
#include "app/backends/ServiceRun.h"
#include "platform/desktop/ClipboardHolder.h"
#include "platform/headless/HeadlessPlatform.h"
#if ZARN_HAS_RECORD && ZARN_MODULE_RECORDS
#include "app/backends/RecordRun.h"
#endif
#if ZARN_HAS_LISTEN
#include "platform/listen/VoiceInput.h"
#include "platform/listen/WavePcm.h"
#endif

namespace zarn {

Backends ModuleBackends() {
  Backends backends;
  backends.in_module = true;
  backends.desktop = RunDesktopPlayer;
  backends.clipboard_holder = RunClipboardHolder;
  backends.service = [](const Options& options) { return RunService(options).value_or(2); };
#if ZARN_HAS_RECORD && ZARN_MODULE_RECORDS
  backends.adjust_for_recording = [](const Options& options, HeadlessSettings& settings) {
    AdjustForRecording(options, settings.screen_width, settings.screen_height, settings.idle_exit,
                       settings.dry_run);
  };
  backends.recording = [](const Options& options, HeadlessPlatform& platform) {
    return std::unique_ptr<RunRecording>(std::make_unique<Recording>(options, platform));
  };
#endif
#if ZARN_HAS_LISTEN
  backends.listening = [](CharacterEngine& engine, const ListenModel& model) -> Backends::Hearing {
    auto voice = std::make_shared<VoiceInput>(engine, model);
    return [voice](const std::string& character, const std::string& path) {
      std::vector<int16_t> pcm;
      try {
        pcm = ReadWaveForListening(path);
      } catch (const std::runtime_error& e) {
        std::cerr << "zarnplay: hear: " << e.what() << "\n";
        return false;
      }
      if (!character.empty()) voice->Hear(character, pcm);
      return true;
    };
  };
#endif
  return backends;
}

}  // namespace zarn
