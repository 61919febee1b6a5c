#include "backend/TracingCharacterService.h"

#include <exception>
#include <type_traits>
#include <utility>

#include "base/VbError.h"

namespace zarn {

class TracingCharacterService::EventTracer : public CharacterServiceEvents {
 public:
  explicit EventTracer(TracePort& trace) : trace_(trace) {}
  void SetTarget(CharacterServiceEvents* target) { target_ = target; }

  static TraceRecord Mouse(const char* name, const std::string& character_id, int button, int shift,
                           int x, int y) {
    return TraceRecord("event", name).Char(character_id).Arg(button).Arg(shift).Arg(x).Arg(y);
  }

  void RequestStart(RequestId request) override {
    trace_.Write(TraceRecord("event", "RequestStart").Req(request));
    if (target_ != nullptr) target_->RequestStart(request);
  }
  void RequestComplete(RequestId request, int status) override {
    trace_.Write(TraceRecord("event", "RequestComplete").Req(request).Status(status));
    if (target_ != nullptr) target_->RequestComplete(request, status);
  }
  void Bookmark(int32_t bookmark_id, const std::string& character_id, RequestId request) override {
    trace_.Write(TraceRecord("event", "Bookmark").Arg(TraceValue{int64_t{bookmark_id}}));
    if (target_ != nullptr) target_->Bookmark(bookmark_id, character_id, request);
  }
  void Command(const UserInput& input) override {
    TraceRecord record("event", "Command");
    if (!input.character_id.empty()) record.Char(input.character_id);
    record.Arg(TraceValue{input.name}).Arg(TraceValue{int64_t{input.confidence}});
    trace_.Write(record);
    if (target_ != nullptr) target_->Command(input);
  }
  void Show(const std::string& character_id, int cause) override {
    trace_.Write(TraceRecord("event", "Show").Char(character_id).Arg(cause));
    if (target_ != nullptr) target_->Show(character_id, cause);
  }
  void Hide(const std::string& character_id, int cause) override {
    trace_.Write(TraceRecord("event", "Hide").Char(character_id).Arg(cause));
    if (target_ != nullptr) target_->Hide(character_id, cause);
  }
  void IdleStart(const std::string& character_id) override {
    trace_.Write(TraceRecord("event", "IdleStart").Char(character_id));
    if (target_ != nullptr) target_->IdleStart(character_id);
  }
  void IdleComplete(const std::string& character_id) override {
    trace_.Write(TraceRecord("event", "IdleComplete").Char(character_id));
    if (target_ != nullptr) target_->IdleComplete(character_id);
  }
  void ListenStart(const std::string& character_id) override {
    trace_.Write(TraceRecord("event", "ListenStart").Char(character_id));
    if (target_ != nullptr) target_->ListenStart(character_id);
  }
  void ListenComplete(const std::string& character_id, int cause) override {
    trace_.Write(TraceRecord("event", "ListenComplete").Char(character_id).Arg(cause));
    if (target_ != nullptr) target_->ListenComplete(character_id, cause);
  }
  void Click(const std::string& character_id, int button, int shift, int x, int y) override {
    trace_.Write(Mouse("Click", character_id, button, shift, x, y));
    if (target_ != nullptr) target_->Click(character_id, button, shift, x, y);
  }
  void DblClick(const std::string& character_id, int button, int shift, int x, int y) override {
    trace_.Write(Mouse("DblClick", character_id, button, shift, x, y));
    if (target_ != nullptr) target_->DblClick(character_id, button, shift, x, y);
  }
  void DragStart(const std::string& character_id, int button, int shift, int x, int y) override {
    trace_.Write(Mouse("DragStart", character_id, button, shift, x, y));
    if (target_ != nullptr) target_->DragStart(character_id, button, shift, x, y);
  }
  void DragComplete(const std::string& character_id, int button, int shift, int x, int y) override {
    trace_.Write(Mouse("DragComplete", character_id, button, shift, x, y));
    if (target_ != nullptr) target_->DragComplete(character_id, button, shift, x, y);
  }
  void Move(const std::string& character_id, int x, int y, int cause) override {
    trace_.Write(TraceRecord("event", "Move").Char(character_id).Arg(x).Arg(y).Arg(cause));
    if (target_ != nullptr) target_->Move(character_id, x, y, cause);
  }
  void ClientChosen(const std::string& character_id, int other) override {
    if (target_ != nullptr) target_->ClientChosen(character_id, other);
  }
  void AnimationStart(const std::string& character_id, const std::string& animation,
                      AnimationCause cause) override {
    trace_.Write(TraceRecord("anim", "Start")
                     .Char(character_id)
                     .Arg(TraceValue{animation})
                     .Arg(AnimationCauseName(cause)));
    if (target_ != nullptr) target_->AnimationStart(character_id, animation, cause);
  }
  void SoundStart(const std::string& character_id, const std::string& animation, int frame,
                  int sound) override {
    trace_.Write(TraceRecord("anim", "Sound")
                     .Char(character_id)
                     .Arg(TraceValue{animation})
                     .Arg(frame)
                     .Arg(sound));
    if (target_ != nullptr) target_->SoundStart(character_id, animation, frame, sound);
  }

 private:
  TracePort& trace_;
  CharacterServiceEvents* target_ = nullptr;
};

namespace {

TraceRecord CallRecord(const char* op, const std::string& id) {
  TraceRecord record("call", op);
  record.Char(id);
  return record;
}

TraceRecord PutRecord(const std::string& id, const char* property, TraceValue value) {
  TraceRecord record = CallRecord("Put", id);
  record.Arg(property).Arg(std::move(value));
  return record;
}

TraceValue Str(const std::string& text) { return TraceValue{text}; }
TraceValue Num(int64_t value) { return TraceValue{value}; }
TraceValue Bool(bool value) { return TraceValue{value}; }

}  // namespace

TracingCharacterService::TracingCharacterService(CharacterServicePort& inner, TracePort& trace)
    : inner_(inner), trace_(trace), event_tracer_(std::make_unique<EventTracer>(trace)) {}

TracingCharacterService::~TracingCharacterService() = default;

template <typename Call>
auto TracingCharacterService::Traced(TraceRecord record, Call&& call) {
  using Result = std::invoke_result_t<Call>;
  try {
    if constexpr (std::is_void_v<Result>) {
      call();
      trace_.Write(record);
    } else {
      Result result = call();
      if constexpr (std::is_same_v<Result, RequestId>) {
        record.Req(result);
      } else if constexpr (std::is_same_v<Result, bool>) {
        record.Result(Bool(result));
      }
      trace_.Write(record);
      return result;
    }
  } catch (const VbError& error) {
    record.Error(error.Description());
    trace_.Write(record);
    throw;
  } catch (const std::exception& error) {
    record.Error(error.what());
    trace_.Write(record);
    throw;
  }
}

void TracingCharacterService::SetEvents(CharacterServiceEvents* events) {
  event_tracer_->SetTarget(events);
  inner_.SetEvents(event_tracer_.get());
}

void TracingCharacterService::SetPropertySheetVisible(bool visible) {
  TraceRecord record("call", "PropertySheet.Visible");
  record.Arg(Bool(visible));
  Traced(std::move(record), [&] { inner_.SetPropertySheetVisible(visible); });
}

void TracingCharacterService::Load(const std::string& character_id, const std::string& path) {
  Traced(CallRecord("Load", character_id).Arg(Str(path)), [&] { inner_.Load(character_id, path); });
}

void TracingCharacterService::Unload(const std::string& character_id) {
  Traced(CallRecord("Unload", character_id), [&] { inner_.Unload(character_id); });
}

void TracingCharacterService::SetSoundEffectsOn(const std::string& id, bool on) {
  Traced(PutRecord(id, "SoundEffectsOn", Bool(on)), [&] { inner_.SetSoundEffectsOn(id, on); });
}

void TracingCharacterService::SetWidth(const std::string& id, int16_t width) {
  Traced(PutRecord(id, "Width", Num(width)), [&] { inner_.SetWidth(id, width); });
}

void TracingCharacterService::SetHeight(const std::string& id, int16_t height) {
  Traced(PutRecord(id, "Height", Num(height)), [&] { inner_.SetHeight(id, height); });
}

void TracingCharacterService::SetLanguageID(const std::string& id, int32_t language_id) {
  Traced(PutRecord(id, "LanguageID", Num(language_id)),
         [&] { inner_.SetLanguageID(id, language_id); });
}

void TracingCharacterService::SetTTSModeID(const std::string& id, const std::string& mode_id) {
  Traced(PutRecord(id, "TTSModeID", Str(mode_id)), [&] { inner_.SetTTSModeID(id, mode_id); });
}

void TracingCharacterService::SetBalloonFontName(const std::string& id,
                                                 const std::string& font_name) {
  Traced(PutRecord(id, "Balloon.FontName", Str(font_name)),
         [&] { inner_.SetBalloonFontName(id, font_name); });
}

void TracingCharacterService::SetBalloonFontSize(const std::string& id, int32_t font_size) {
  Traced(PutRecord(id, "Balloon.FontSize", Num(font_size)),
         [&] { inner_.SetBalloonFontSize(id, font_size); });
}

void TracingCharacterService::SetIdleOn(const std::string& id, bool on) {
  Traced(PutRecord(id, "IdleOn", Bool(on)), [&] { inner_.SetIdleOn(id, on); });
}

void TracingCharacterService::SetBalloonStyle(const std::string& id, int32_t style) {
  Traced(PutRecord(id, "Balloon.Style", Num(style)), [&] { inner_.SetBalloonStyle(id, style); });
}

RequestId TracingCharacterService::Show(const std::string& id, std::optional<bool> fast) {
  TraceRecord record = CallRecord("Show", id);
  if (fast) record.Arg(Bool(*fast));
  return Traced(std::move(record), [&] { return inner_.Show(id, fast); });
}

RequestId TracingCharacterService::Hide(const std::string& id, std::optional<bool> fast) {
  TraceRecord record = CallRecord("Hide", id);
  if (fast) record.Arg(Bool(*fast));
  return Traced(std::move(record), [&] { return inner_.Hide(id, fast); });
}

RequestId TracingCharacterService::Speak(const std::string& id, const std::string& text,
                                         const std::string& url) {
  return Traced(CallRecord("Speak", id).Arg(Str(text)).Arg(Str(url)),
                [&] { return inner_.Speak(id, text, url); });
}

RequestId TracingCharacterService::Think(const std::string& id, const std::string& text) {
  return Traced(CallRecord("Think", id).Arg(Str(text)), [&] { return inner_.Think(id, text); });
}

RequestId TracingCharacterService::Play(const std::string& id, const std::string& animation) {
  return Traced(CallRecord("Play", id).Arg(Str(animation)),
                [&] { return inner_.Play(id, animation); });
}

RequestId TracingCharacterService::MoveTo(const std::string& id, int16_t x, int16_t y,
                                          std::optional<int32_t> speed) {
  TraceRecord record = CallRecord("MoveTo", id);
  record.Arg(Num(x)).Arg(Num(y));
  if (speed) record.Arg(Num(*speed));
  return Traced(std::move(record), [&] { return inner_.MoveTo(id, x, y, speed); });
}

RequestId TracingCharacterService::GestureAt(const std::string& id, int16_t x, int16_t y) {
  return Traced(CallRecord("GestureAt", id).Arg(Num(x)).Arg(Num(y)),
                [&] { return inner_.GestureAt(id, x, y); });
}

RequestId TracingCharacterService::Get(const std::string& id, const std::string& type,
                                       const std::string& name, bool queue) {
  return Traced(CallRecord("Get", id).Arg(Str(type)).Arg(Str(name)).Arg(Bool(queue)),
                [&] { return inner_.Get(id, type, name, queue); });
}

RequestId TracingCharacterService::Wait(const std::string& id, RequestId other) {
  return Traced(CallRecord("Wait", id).Arg(Num(other)), [&] { return inner_.Wait(id, other); });
}

void TracingCharacterService::Stop(const std::string& id, std::optional<RequestId> request) {
  TraceRecord record = CallRecord("Stop", id);
  if (request) record.Arg(Num(*request));
  Traced(std::move(record), [&] { inner_.Stop(id, request); });
}

void TracingCharacterService::StopAll(const std::string& id, std::optional<std::string> types) {
  TraceRecord record = CallRecord("StopAll", id);
  if (types) record.Arg(Str(*types));
  Traced(std::move(record), [&] { inner_.StopAll(id, types); });
}

bool TracingCharacterService::Listen(const std::string& id, bool listen) {
  return Traced(CallRecord("Listen", id).Arg(Bool(listen)),
                [&] { return inner_.Listen(id, listen); });
}

void TracingCharacterService::CommandsRemoveAll(const std::string& id) {
  Traced(CallRecord("Commands.RemoveAll", id), [&] { inner_.CommandsRemoveAll(id); });
}

void TracingCharacterService::SetCommandsCaption(const std::string& id,
                                                 const std::string& caption) {
  Traced(CallRecord("Commands.Caption", id).Arg(Str(caption)),
         [&] { inner_.SetCommandsCaption(id, caption); });
}

void TracingCharacterService::SetCommandsVoice(const std::string& id, const std::string& voice) {
  Traced(CallRecord("Commands.Voice", id).Arg(Str(voice)),
         [&] { inner_.SetCommandsVoice(id, voice); });
}

void TracingCharacterService::CommandsAdd(const std::string& id, const std::string& name,
                                          const std::string& caption, const std::string& voice) {
  Traced(CallRecord("Commands.Add", id).Arg(Str(name)).Arg(Str(caption)).Arg(Str(voice)),
         [&] { inner_.CommandsAdd(id, name, caption, voice); });
}

}  // namespace zarn
