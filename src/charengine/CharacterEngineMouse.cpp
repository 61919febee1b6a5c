#include "charengine/CharacterEngine.h"
#include "charengine/EngineCharacter.h"

namespace zarn {

// The window calls these from its own mouse handlers; the script hears
// about them only from the loop, as with every other event.

void CharacterEngine::UserClick(const std::string& id, int button, int shift, int x, int y,
                                bool double_click) {
  const std::string character_id = Find(id).id;
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, character_id, button, shift, x, y, double_click] {
    if (alive.expired() || context_->events == nullptr) return;
    if (double_click) {
      context_->events->DblClick(character_id, button, shift, x, y);
    } else {
      context_->events->Click(character_id, button, shift, x, y);
    }
  });
}

// A drag blocks moves until it ends; a slide in progress stops where the
// user took hold of it and its MoveTo fails.
void CharacterEngine::UserDragStart(const std::string& id, int button, int shift, int x, int y) {
  const size_t index = IndexOf(id);
  Character& character = *characters_[index];
  character.dragging = true;
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, character_id = character.id, button, shift, x, y] {
    if (!alive.expired() && context_->events != nullptr) {
      context_->events->DragStart(character_id, button, shift, x, y);
    }
  });
  if (!character.queue.Busy() || character.queue.Empty() ||
      character.queue.Front().kind != engine::Kind::kMoveTo || !character.now.timeline.moves) {
    return;
  }
  CutShort(index, false);  // the window is in the user's hand, not to be placed
  const RequestId moving = character.queue.Front().id;
  character.queue.PopFront();
  Interrupt(index, {moving}, request_status::kFailed, service_error::kMoveWhileDragged);
  StopFront(index);
}

void CharacterEngine::UserDragComplete(const std::string& id, int left, int top, int button,
                                       int shift, int x, int y) {
  Character& character = Find(id);
  character.dragging = false;
  // Placed at once: a MoveTo the script makes from DragComplete starts here.
  character.left = left;
  character.top = top;
  std::weak_ptr<bool> alive = context_->alive;
  scheduler_.Post([this, alive, character_id = character.id, left, top, button, shift, x, y] {
    if (alive.expired() || context_->events == nullptr) return;
    context_->events->DragComplete(character_id, button, shift, x, y);
    context_->events->Move(character_id, left, top, 1);
  });
}

RequestId CharacterEngine::UserHide(const std::string& id, int cause) {
  // At once, as the tray's Hide: what the script queued is dropped.
  StopAll(id, std::nullopt);
  engine::Request request;
  request.kind = engine::Kind::kHide;
  request.hide_cause = cause;
  return Enqueue(id, std::move(request));
}

RequestId CharacterEngine::UserShow(const std::string& id) {
  engine::Request request;
  request.kind = engine::Kind::kShow;
  request.show_cause = 2;
  return Enqueue(id, std::move(request));
}

}  // namespace zarn
