#pragma once

#include <optional>
#include <string>
#include <vector>

#include "charengine/AnimationPlayer.h"
#include "charengine/CharacterEngine.h"
#include "charengine/CommandList.h"
#include "charengine/EngineContext.h"
#include "charengine/EngineRequest.h"
#include "charengine/Idler.h"
#include "charengine/Listener.h"
#include "charengine/RequestLedger.h"
#include "charengine/RequestQueue.h"

namespace zarn {

// A loaded character: where and how it shows, and the parts that keep its
// requests, its animation, its idling, its listening and its commands.
struct CharacterEngine::Character {
  Character(engine::Context& context, std::string id_in, CharacterModel model_in,
            engine::AnimationPlayer::Hooks hooks)
      : id(std::move(id_in)),
        model(std::move(model_in)),
        player(context, id, model, std::move(hooks)),
        idler(context.scheduler),
        listener(context.scheduler) {}

  const std::string id;  // as loaded
  const CharacterModel model;
  bool visible = false;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t language_id = 0x0409;
  std::string tts_mode_id;
  BalloonSettings balloon;
  bool dragging = false;  // the user holds the frame: no move can start
  // The last statement, which \Lst\ says again.
  std::vector<SpeechItem> last_speech;
  std::string last_url;
  std::optional<int64_t> last_sound_ms;

  engine::RequestQueue queue;
  engine::Performance now;
  engine::AnimationPlayer player;
  engine::Idler idler;
  engine::Listener listener;
  engine::CommandList commands;
};

}  // namespace zarn
