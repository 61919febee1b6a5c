// Draws Fennet, the demo character, and writes it as a character project
// (Fennet.acd with its bitmaps and sounds), which the build turns into
// Fennet.acs with zarnplay --make-character:
//   zarn_make_demo_character PROJECT_FOLDER

#include <cstdio>
#include <exception>

#include "Builder.h"
#include "charfile/CharacterProject.h"

namespace zarn::demo {
namespace {

Guid MakeGuid(uint16_t b, uint8_t last) {
  return Guid{0x5A524E46, b, 0x11F0, {0x8E, 0x11, 0x00, 0x60, 0x08, 0x27, 0x46, last}};
}

void Describe(CharacterDescription& d) {
  CharacterInfo& info = d.info;
  info.guid = MakeGuid(0x0001, 0x01);
  info.width = kFrameSize;
  info.height = kFrameSize;
  info.voice.present = true;
  info.voice.engine_id = MakeGuid(0x0002, 0xFF);
  info.voice.mode_id = MakeGuid(0x0002, 0x01);
  info.voice.speed = 170;
  info.voice.pitch = 140;
  info.voice.has_extra = true;
  info.voice.language_id = 0x0409;
  info.voice.gender = 1;
  info.voice.age = 12;
  info.voice.style = "Normal";
  info.balloon.present = true;
  info.balloon.lines = 3;
  info.balloon.chars_per_line = 30;
  info.balloon.font_name = "DejaVu Sans";
  info.balloon.back_color = {250, 250, 255};
  info.balloon.border_color = {42, 40, 78};
  info.localized = {{0x0409, "Fennet", "A friendly sprout who shows what ZARNPlay can do", ""}};
  const auto icon = DrawIcon();
  info.tray_icon = MakeTrayIcon(icon.data(), 16, 16);
}

void AddStates(CharacterDescription& d) {
  d.info.states = {
      {"SHOWING", {"SHOW"}},
      {"HIDING", {"HIDE"}},
      {"SPEAKING", {"RESTPOSE"}},
      {"MOVINGLEFT", {"MOVELEFT"}},
      {"MOVINGRIGHT", {"MOVERIGHT"}},
      {"MOVINGUP", {"MOVEUP"}},
      {"MOVINGDOWN", {"MOVEDOWN"}},
      {"GESTURINGLEFT", {"GESTURELEFT"}},
      {"GESTURINGRIGHT", {"GESTURERIGHT"}},
      {"GESTURINGUP", {"GESTUREUP"}},
      {"GESTURINGDOWN", {"GESTUREDOWN"}},
      {"IDLINGLEVEL1", {"BLINK", "IDLE1_1", "IDLE1_2"}},
      {"IDLINGLEVEL2", {"BLINK", "IDLE1_1", "IDLE1_2", "IDLE2_1", "IDLE2_2"}},
      {"IDLINGLEVEL3", {"IDLE3_1", "IDLE3_2"}},
      {"LISTENING", {"ALERT"}},
      {"HEARING", {"HEARING1"}},
  };
}

}  // namespace
}  // namespace zarn::demo

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PROJECT_FOLDER\n", argv[0]);
    return 2;
  }
  try {
    zarn::demo::Builder builder;
    zarn::demo::Describe(builder.Description());
    zarn::demo::AddAppearing(builder);
    zarn::demo::AddMoving(builder);
    zarn::demo::AddActing(builder);
    zarn::CharacterDescription d = builder.Finish();
    zarn::demo::AddStates(d);
    std::vector<std::string> warnings;
    zarn::WriteCharacterProject(d, argv[1], warnings);
    for (const auto& w : warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cannot make the demo character: %s\n", e.what());
    return 1;
  }
  return 0;
}
