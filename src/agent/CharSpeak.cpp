#include "agent/CAgent.h"
#include "errortrap/bErrorTrap.h"

namespace zarn {

void CAgent::CharSpeak(const std::string& psText, const std::string& psWaveFile) {
  KeepRequest([&](const std::string& id) { return control_.Speak(id, psText, psWaveFile); });
}

}  // namespace zarn
