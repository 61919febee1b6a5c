#pragma once

// Characters made by the writer for tests, the fuzzer's seeds and the
// benchmark. Their contents are fixed, so tests may rely on them.
//
// "Pip" (Pip.acs): 128 x 128, palette index 10 transparent, voice (160 wpm,
// 120 Hz, female, 0x0409), balloon (3 lines, 32 per line, "Arial" -13),
// tray icon, one sound (0.2 s WAV), localized entries German "Pieps" first,
// then English "Pip". Every frame of the animations below lasts 10/100 s,
// except Hide's blank end frame (0). Totals are one straight pass:
//
//   animation         frames  total  transition / notes
//   Show              10      100    exit branches; all -1, last -2
//   Hide              8+1     80     none; ends on a blank 0-duration frame; all exits -1
//   RestPose          1       10     none; 7 mouth overlays drawn on top; exit -2
//   Explain           4       40     exit branches (0..2 -> 3); last frame: 7 overlays
//                                    replacing the top (head) image
//   Wave              6       60     exit branches (1..4 -> 5, 5 = -2); sound 0 on frame 0
//   Greet             8       80     exit branches (all -1, last -2); sound 0 on frame 0
//   Processing        4       40     return animation "PROCESSINGRETURN"; frame 3 branches
//                                    to frame 0 at 100 % (loops until stopped); exits -2
//   ProcessingReturn  3       30     none
//   Blink             3       30     exit branches (all -2)
//   Idle1_1           5       50     exit branches (all -2); frame 4 branches to 2 at 50 %
//   Idle1_2, Idle2_1, Idle2_2   4 each, 40   exit branches (all -2)
//   Idle3_1, Idle3_2  6 each  60     exit branches (all -2)
//   MoveLeft/Right/Up/Down      4 each, 40   exit branches (all -1, last -2)
//   GestureLeft/Right/Up/Down   5 each, 50   exit branches (1..3 -> 4, 4 = -2);
//                                    last frame: 7 overlays drawn on top
//   LookLeft/Right/Up/Down      3 each, 30   exit branches (all -1, last -2)
//   Alert             3       30     exit branches (all -1, last -2)
//   Hearing1          2       20     exit branches (all -1, last -2)
//   Acknowledge       4       40     exit branches (all -1, last -2)
//   Empty             0       0      none (empty animations occur in real files)
//
// States (stored upper case, as real files do): SHOWING = SHOW, HIDING =
// HIDE, SPEAKING = RESTPOSE, MOVINGLEFT/RIGHT/UP/DOWN = MOVE<dir>,
// GESTURINGLEFT/RIGHT/UP/DOWN = GESTURE<dir>, IDLINGLEVEL1 = IDLE1_1,
// IDLE1_2, BLINK; IDLINGLEVEL2 = IDLE2_1, IDLE2_2; IDLINGLEVEL3 = IDLE3_1,
// IDLE3_2; LISTENING = ALERT; HEARING = HEARING1.
//
// "Mini" (Mini.acs): 32 x 32, a 4-colour palette, one animation "RestPose"
// of one 10/100 s frame, no states, voice, balloon, tray icon or sounds.
//
// "Giant" (Giant.acs): 1100 x 900 (larger than a 1024 x 768 screen);
// Show (2 x 10), RestPose (1 x 10), Hide (2 x 10); states SHOWING, HIDING,
// SPEAKING; balloon, no voice.
//
// "Loopy" (Loopy.acs): 64 x 64, for branching, sounds and idling. Every
// frame lasts 10/100 s; sound 0 is a 2.0 s WAV.
//
//   animation   frames  transition / notes
//   Show, Hide  2       exit branches; play through (-1, last -2)
//   RestPose    1       none; exit -2
//   Gesture     8       exit branches; frame 6 branches back to 4 at 50 %;
//                       exits 1..5 -> 7 (skipping the rest), 7 = -2, 0 and 6 -1:
//                       one whole pass is at least 0..7, 0.8 s
//   Spin        5       none; 3 branches to 1 at 100 % (loops until stopped);
//                       exits 0 = -1, 1..3 -> 4, 4 = -2
//   Whirl       5       as Spin, but exit branches: a queued request ends it
//   Chime       1       none; sound 0 (2.0 s) on its one frame
//   Wave        5       exit branches; frames 2 and 4 have no images and last
//                       0: 2 branches to 3 at 100 %, every exit leads to 4
//   Bow         2       return animation "BOWRETURN"
//   BowReturn   2       none
//   Idle1, Idle2, Idle3 3 each   exit branches (all -2)
//
// States: SHOWING = SHOW, HIDING = HIDE, SPEAKING = RESTPOSE,
// IDLINGLEVEL1/2/3 = IDLE1/2/3.

#include <cstdint>
#include <string>
#include <vector>

#include "charfile/CharacterWriter.h"

namespace zarn {

inline constexpr int kPipFrameDuration = 10;  // 1/100 s, every Pip frame but Hide's last

CharacterDescription PipCharacter();
CharacterDescription MiniCharacter();
CharacterDescription GiantCharacter();
CharacterDescription LoopyCharacter();
// A benchmark character of realistic size: 160 x 128, `image_count` images
// of shaded, dithered sprites (about 4.3 KB each once compressed), grouped
// into animations of 12 frames. Same seed, same file.
CharacterDescription RealisticCharacter(int image_count, uint32_t seed);

// Writes Pip.acs, Mini.acs, Giant.acs and Loopy.acs into `folder`; returns
// their paths.
std::vector<std::string> WriteTestCharacters(const std::string& folder);

}  // namespace zarn
