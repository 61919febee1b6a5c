#include "charengine/CharacterEngine.h"

#include <utility>

#include "base/VbError.h"
#include "base/VbString.h"
#include "base/WinPath.h"
#include "charengine/CharacterLookup.h"
#include "charengine/EngineCharacter.h"
#include "charengine/ServiceErrors.h"

namespace zarn {
namespace {

constexpr int64_t kMaxBookmarkId = 2147483645;  // the two above are the service's own
constexpr int32_t kMaxBalloonFontSize = 2160;
constexpr int32_t kDefaultBalloonFontSize = 10;

[[noreturn]] void ThrowInvalidArgument(const std::string& what) {
  throw VbError(service_error::kInvalidArgument, what);
}

// Out-of-range parts of a balloon style are refused; a zero part keeps the
// character's setting.
void CheckBalloonStyle(int32_t style) {
  const uint32_t bits = static_cast<uint32_t>(style);
  const uint32_t chars_per_line = (bits >> 16) & 0xFF;
  const uint32_t lines = bits >> 24;
  if (chars_per_line != 0 && chars_per_line < 8) {
    ThrowInvalidArgument("Balloon characters per line must be 8 to 255");
  }
  if (lines > 128) ThrowInvalidArgument("Balloon lines must be 1 to 128");
}

int32_t BalloonStyleFromFile(const CharacterModel& model) {
  int32_t style = 0;
  const BalloonInfo& balloon = model.balloon;
  const bool enabled = balloon.present && (model.style_flags & char_style::kBalloonDisabled) == 0;
  if (enabled) style |= 0x1;
  if (model.style_flags & char_style::kBalloonSizeToText) style |= 0x2;
  if (!(model.style_flags & char_style::kBalloonAutoHideOff)) style |= 0x4;
  if (!(model.style_flags & char_style::kBalloonAutoPaceOff)) style |= 0x8;
  style |= static_cast<int32_t>(balloon.chars_per_line) << 16;
  style |= static_cast<int32_t>(static_cast<uint32_t>(balloon.lines) << 24);
  return style;
}

bool IsBlank(const std::string& text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

// Checks bookmarks and resolves \Lst\ for a Speak text.
void CheckBookmarks(const std::vector<SpeechItem>& items) {
  for (const SpeechItem& item : items) {
    if (!item.tag || item.tag->kind != SpeechTagKind::kMrk || !item.tag->valid) continue;
    const int64_t id = *item.tag->number;
    if (id <= 0 || id > kMaxBookmarkId) {
      throw VbError(service_error::kReservedBookmark,
                    "Bookmark " + std::to_string(id) + " is reserved or out of range");
    }
  }
}

bool HasRepeatTag(const std::vector<SpeechItem>& items) {
  for (const SpeechItem& item : items) {
    if (item.tag && item.tag->kind == SpeechTagKind::kLst && item.tag->valid) return true;
  }
  return false;
}

}  // namespace

CharacterEngine::CharacterEngine(Scheduler& scheduler, CharacterEngineOptions options,
                                 CharacterLoader loader)
    : scheduler_(scheduler),
      options_(std::move(options)),
      loader_(std::move(loader)),
      context_(std::make_unique<engine::Context>(scheduler_, options_)),
      requests_(std::make_unique<engine::RequestLedger>()) {}

CharacterEngine::~CharacterEngine() = default;

void CharacterEngine::SetRenderSink(CharacterRenderSink* sink) { context_->sink = sink; }
void CharacterEngine::SetEvents(CharacterServiceEvents* events) { context_->events = events; }

size_t CharacterEngine::IndexOf(const std::string& id) const {
  auto it = index_.find(UCase(id));
  if (it == index_.end()) {
    throw VbError(service_error::kCharacterNotLoaded, "The character \"" + id + "\" is not loaded");
  }
  return it->second;
}

bool CharacterEngine::Live(size_t index) const {
  auto it = index_.find(UCase(characters_[index]->id));
  return it != index_.end() && it->second == index;
}

CharacterEngine::Character& CharacterEngine::Find(const std::string& id) {
  return *characters_[IndexOf(id)];
}

const CharacterEngine::Character& CharacterEngine::Find(const std::string& id) const {
  return *characters_[IndexOf(id)];
}

void CharacterEngine::Load(const std::string& character_id, const std::string& path) {
  if (character_id.empty()) ThrowInvalidArgument("A character needs a name to be loaded");
  if (index_.count(UCase(character_id))) {
    throw VbError(service_error::kAlreadyLoaded,
                  "The character \"" + character_id + "\" is already loaded");
  }
  const std::string wanted = path.empty() ? options_.default_character : path;
  if (wanted.empty()) {
    throw VbError(vberr::kFileNotFound, "No default character is installed");
  }
  const auto found = FindCharacterFile(wanted, options_.character_folders);
  if (!found) {
    throw VbError(vberr::kFileNotFound, "Character file not found: " + wanted);
  }
  CharacterModel model;
  try {
    model = loader_(*found);
  } catch (const CharFileError& error) {
    throw VbError(service_error::kNotCharacterFile, error.what());
  }
  LoadModel(character_id, std::move(model));
}

void CharacterEngine::LoadModel(const std::string& character_id, CharacterModel model) {
  if (index_.count(UCase(character_id))) {
    throw VbError(service_error::kAlreadyLoaded,
                  "The character \"" + character_id + "\" is already loaded");
  }
  size_t index = characters_.size();
  if (!free_slots_.empty()) {
    index = free_slots_.back();
    free_slots_.pop_back();
  }
  engine::AnimationPlayer::Hooks hooks{[this, index] { OnPartEnd(index); },
                                       [this, index] { LoopReached(index); }};
  auto character =
      std::make_unique<Character>(*context_, character_id, std::move(model), std::move(hooks));
  const CharacterModel& loaded = character->model;
  character->width = loaded.width;
  character->height = loaded.height;
  character->balloon.font_name = loaded.balloon.font_name;
  // The file keeps a LOGFONT height in pixels; at 96 dpi a point is 4/3 pixels.
  const int32_t pixels =
      loaded.balloon.font_height < 0 ? -loaded.balloon.font_height : loaded.balloon.font_height;
  character->balloon.font_size = pixels > 0 ? (pixels * 3 + 2) / 4 : kDefaultBalloonFontSize;
  character->balloon.style = BalloonStyleFromFile(loaded);
  index_[UCase(character_id)] = index;
  if (index == characters_.size()) {
    characters_.push_back(std::move(character));
  } else {
    characters_[index] = std::move(character);
  }
}

// Everything it was doing stops at once, Showing and Hiding too; its
// requests end as interrupted from the pump and it leaves the screen. Its
// timers are cancelled, so nothing scheduled reaches the slot's next owner
// but tasks that look at the queue afresh.
void CharacterEngine::Unload(const std::string& character_id) {
  const size_t index = IndexOf(character_id);
  Character& character = *characters_[index];
  CutShort(index, false);
  CancelTimers(character);
  character.idler.Cancel();
  character.idler.End();
  if (character.listener.Listening()) CloseWindow(index, listen_cause::kByCode);
  std::vector<RequestId> removed = character.queue.TakeAll(false);
  character.queue.SetBusy(false);
  character.player.Reset();
  character.now.activity = engine::Activity::kNone;
  index_.erase(UCase(character_id));
  free_slots_.push_back(index);
  Interrupt(index, std::move(removed));
  if (!character.visible) return;
  character.visible = false;
  if (context_->sink != nullptr) context_->sink->VisibilityChanged(character.id, false);
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, id = character.id] {
    if (!alive.expired() && context_->events != nullptr) context_->events->Hide(id, 3);
  });
}

bool CharacterEngine::SoundEffectsOn(const std::string& id) const {
  return Find(id).player.SoundsOn();
}
void CharacterEngine::SetSoundEffectsOn(const std::string& id, bool on) {
  Find(id).player.SetSoundsOn(on);
}

bool CharacterEngine::IsLoaded(const std::string& character_id) const {
  return index_.count(UCase(character_id)) != 0;
}

std::string CharacterEngine::Name(const std::string& id) const {
  const Character& character = Find(id);
  std::string name = character.model.Name(static_cast<uint16_t>(character.language_id));
  return name.empty() ? character.id : name;
}

const CharacterModel& CharacterEngine::Model(const std::string& id) const { return Find(id).model; }
bool CharacterEngine::Visible(const std::string& id) const { return Find(id).visible; }
bool CharacterEngine::HasOtherClients(const std::string& id) const {
  Find(id);
  return false;
}
int32_t CharacterEngine::Left(const std::string& id) const { return Find(id).left; }
int32_t CharacterEngine::Top(const std::string& id) const { return Find(id).top; }
int32_t CharacterEngine::Width(const std::string& id) const { return Find(id).width; }
int32_t CharacterEngine::Height(const std::string& id) const { return Find(id).height; }

void CharacterEngine::SetWidth(const std::string& id, int16_t width) {
  Character& character = Find(id);
  if (width <= 0) ThrowInvalidArgument("Width must be positive");
  character.width = width;
  if (context_->sink != nullptr) context_->sink->SizeChanged(character.id);
}

void CharacterEngine::SetHeight(const std::string& id, int16_t height) {
  Character& character = Find(id);
  if (height <= 0) ThrowInvalidArgument("Height must be positive");
  character.height = height;
  if (context_->sink != nullptr) context_->sink->SizeChanged(character.id);
}

void CharacterEngine::SetLanguageID(const std::string& id, int32_t language_id) {
  Character& character = Find(id);
  if (language_id < 0 || language_id > 0xFFFF) ThrowInvalidArgument("Invalid language identifier");
  character.language_id = language_id;
}

void CharacterEngine::SetTTSModeID(const std::string& id, const std::string& mode_id) {
  Find(id).tts_mode_id = mode_id;
}

void CharacterEngine::SetBalloonFontName(const std::string& id, const std::string& font_name) {
  Find(id).balloon.font_name = font_name;
}

void CharacterEngine::SetBalloonFontSize(const std::string& id, int32_t font_size) {
  Character& character = Find(id);
  if (font_size <= 0 || font_size > kMaxBalloonFontSize) {
    ThrowInvalidArgument("Balloon font size must be 1 to 2160 points");
  }
  character.balloon.font_size = font_size;
}

void CharacterEngine::SetBalloonStyle(const std::string& id, int32_t style) {
  Character& character = Find(id);
  CheckBalloonStyle(style);
  uint32_t bits = static_cast<uint32_t>(style);
  const uint32_t old_bits = static_cast<uint32_t>(character.balloon.style);
  if (((bits >> 16) & 0xFF) == 0) bits |= old_bits & 0x00FF0000u;
  if ((bits >> 24) == 0) bits |= old_bits & 0xFF000000u;
  character.balloon.style = static_cast<int32_t>(bits);
}

std::vector<std::string> CharacterEngine::AnimationNames(const std::string& id) const {
  std::vector<std::string> names;
  for (const Animation& animation : Find(id).model.animations) names.push_back(animation.name);
  return names;
}

BalloonSettings CharacterEngine::Balloon(const std::string& id) const { return Find(id).balloon; }
int32_t CharacterEngine::LanguageID(const std::string& id) const { return Find(id).language_id; }
std::string CharacterEngine::TTSModeID(const std::string& id) const { return Find(id).tts_mode_id; }

RequestId CharacterEngine::Show(const std::string& id, std::optional<bool> fast) {
  engine::Request request;
  request.kind = engine::Kind::kShow;
  request.fast = fast.value_or(false);
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::Hide(const std::string& id, std::optional<bool> fast) {
  engine::Request request;
  request.kind = engine::Kind::kHide;
  request.fast = fast.value_or(false);
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::Speak(const std::string& id, const std::string& text,
                                 const std::string& url) {
  Character& character = Find(id);
  if (text.empty() && url.empty()) ThrowInvalidArgument("Speak needs a text or a sound file");
  engine::Request request;
  request.kind = engine::Kind::kSpeak;
  const auto alternatives = SplitAlternatives(text);
  request.tagged_text =
      alternatives[alternatives.size() > 1 ? context_->random.Pick(alternatives.size()) : 0];
  request.speech = ParseSpeechTags(request.tagged_text);
  request.url = url;
  if (HasRepeatTag(request.speech)) {
    for (const SpeechItem& item : request.speech) {
      const bool repeat = item.tag && item.tag->kind == SpeechTagKind::kLst;
      if (!repeat && (item.tag || !IsBlank(item.text))) {
        throw VbError(service_error::kLstWithOtherText, "\\Lst\\ must be the only text spoken");
      }
    }
    // The last statement again, without its bookmarks.
    request.speech.clear();
    for (const SpeechItem& item : character.last_speech) {
      if (!item.tag || item.tag->kind != SpeechTagKind::kMrk) request.speech.push_back(item);
    }
    request.url = character.last_url;
    request.sound_ms = character.last_sound_ms;
  } else if (!request.url.empty()) {
    if (options_.sound_length_ms) {
      request.sound_ms = options_.sound_length_ms(FindExisting(request.url).value_or(request.url));
    }
  }
  CheckBookmarks(request.speech);
  character.last_speech = request.speech;
  character.last_url = request.url;
  character.last_sound_ms = request.sound_ms;
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::Think(const std::string& id, const std::string& text) {
  Find(id);
  engine::Request request;
  request.kind = engine::Kind::kThink;
  request.tagged_text = text;
  request.speech = ParseSpeechTags(text);
  CheckBookmarks(request.speech);
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::Play(const std::string& id, const std::string& animation) {
  Character& character = Find(id);
  const Animation* found = character.model.FindAnimation(animation);
  if (found == nullptr) {
    throw VbError(service_error::kAnimationNotSupported,
                  "The character \"" + character.id + "\" has no animation \"" + animation + "\"");
  }
  engine::Request request;
  request.kind = engine::Kind::kPlay;
  request.animation = found;
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::MoveTo(const std::string& id, int16_t x, int16_t y,
                                  std::optional<int32_t> speed) {
  engine::Request request;
  request.kind = engine::Kind::kMoveTo;
  request.x = x;
  request.y = y;
  request.speed = speed.value_or(kDefaultMoveMillis);
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::GestureAt(const std::string& id, int16_t x, int16_t y) {
  engine::Request request;
  request.kind = engine::Kind::kGestureAt;
  request.x = x;
  request.y = y;
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::Get(const std::string& id, const std::string& type,
                               const std::string& /*name*/, bool queue) {
  const size_t index = IndexOf(id);
  if (!EqualsNoCase(type, "Animation") && !EqualsNoCase(type, "State") &&
      !EqualsNoCase(type, "WaveFile")) {
    ThrowInvalidArgument("Get type must be Animation, State or WaveFile");
  }
  // Everything of a local character file is already there: a queued Get is
  // a marker that completes when the queue reaches it.
  if (queue) {
    engine::Request request;
    request.kind = engine::Kind::kGet;
    return Enqueue(id, std::move(request));
  }
  const RequestId request = requests_->Add(index);
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, request] {
    if (alive.expired() || requests_->Status(request) != request_status::kPending) return;
    requests_->SetStatus(request, request_status::kComplete);
    if (context_->events != nullptr) {
      context_->events->RequestStart(request);
      context_->events->RequestComplete(request, request_status::kComplete);
    }
  });
  return request;
}

RequestId CharacterEngine::Wait(const std::string& id, RequestId other) {
  const size_t index = IndexOf(id);
  requests_->Check(other);
  if (requests_->Owner(other) == index) {
    throw VbError(service_error::kWaitOnSelf, "A character cannot wait for its own request");
  }
  engine::Request request;
  request.kind = engine::Kind::kWait;
  request.other = other;
  return Enqueue(id, std::move(request));
}

void CharacterEngine::CommandsRemoveAll(const std::string& id) { Find(id).commands.RemoveAll(); }

void CharacterEngine::SetCommandsCaption(const std::string& id, const std::string& caption) {
  Find(id).commands.caption = caption;
}

void CharacterEngine::SetCommandsVoice(const std::string& id, const std::string& voice) {
  Find(id).commands.voice = voice;
}

void CharacterEngine::CommandsAdd(const std::string& id, const std::string& name,
                                  const std::string& caption, const std::string& voice) {
  Find(id).commands.Add(name, caption, voice);
}

std::string CharacterEngine::CommandCaption(const std::string& id, const std::string& name) const {
  return Find(id).commands.CaptionOf(name);
}

int32_t CharacterEngine::CommandsCount(const std::string& id) const {
  return static_cast<int32_t>(Find(id).commands.All().size());
}

std::vector<CharacterCommand> CharacterEngine::Commands(const std::string& id) const {
  return Find(id).commands.All();
}
std::string CharacterEngine::CommandsCaption(const std::string& id) const {
  return Find(id).commands.caption;
}
std::string CharacterEngine::CommandsVoice(const std::string& id) const {
  return Find(id).commands.voice;
}

void CharacterEngine::SetOtherClients(const std::string& id,
                                      const std::vector<std::string>& captions) {
  Find(id).commands.other_clients = captions;
}
std::vector<std::string> CharacterEngine::OtherClients(const std::string& id) const {
  return Find(id).commands.other_clients;
}

void CharacterEngine::UserChooseClient(const std::string& id, int other) {
  Find(id);
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, id, other] {
    if (!alive.expired() && context_->events != nullptr) context_->events->ClientChosen(id, other);
  });
}

void CharacterEngine::SimulateCommand(const UserInput& input) {
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, input] {
    if (!alive.expired() && context_->events != nullptr) context_->events->Command(input);
  });
}

int CharacterEngine::RequestStatus(RequestId request) const {
  requests_->Check(request);
  return requests_->Status(request);
}

int32_t CharacterEngine::RequestNumber(RequestId request) const {
  requests_->Check(request);
  return requests_->Number(request);
}

}  // namespace zarn
