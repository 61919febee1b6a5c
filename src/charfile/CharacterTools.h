#pragma once

// What the command-line options --char-info and --png print and write.

#include <string>
#include <vector>

#include "charfile/CharacterFile.h"

namespace zarn {

// The character's name, size, voice, balloon, states and every animation
// with its frame count and duration; with `json`, one JSON object with
// name, description, guid, width, height, animations, images, sounds (the
// counts), animationNames, states (name -> animation names), voice, balloon.
std::string DescribeCharacter(const CharacterFile& file, bool json);

// Writes every frame of `animation` as <dir>/<Animation>_<NNN>.png; with
// `with_overlays`, frames with mouth overlays also get
// <Animation>_<NNN>_mouth<S>.png per overlay shape. Returns the paths
// written; throws CharFileError for an unknown animation or a write failure.
std::vector<std::string> WriteAnimationPngs(const CharacterFile& file, const std::string& animation,
                                            const std::string& dir, bool with_overlays);

}  // namespace zarn
