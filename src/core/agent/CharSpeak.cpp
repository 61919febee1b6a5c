#include "core/agent/CAgent.h"
#include "core/agent/SpeechText.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/script/ResolveResourcePath.h"
#include "core/shell/Program.h"

namespace zarn {

// Every failure is ignored: a failing step is skipped, a failing Speak keeps Req.
void CAgent::CharSpeak(const std::string& psText, const std::string& psWaveFile) {
  std::string text = psText;
  std::string wave = psWaveFile;
  Silently([&] {
    std::string sound;
    if (SplitSpeechAndSound(program_.errors, psText, text, sound)) {
      std::string temp_name;
      wave = ResolveResourcePath(program_, sound, temp_name);
    }
  });
  Silently([&] { text = ProtectProductWord(text); });
  KeepRequest([&](const std::string& id) { return control_.Speak(id, text, wave); });
}

}  // namespace zarn
