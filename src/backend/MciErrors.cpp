#include "backend/MciErrors.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zarn::mcierr {
namespace {

struct CodeText {
  int32_t code;
  std::string_view text;
};

// Sorted by code.
constexpr std::array kTexts = {
    CodeText{0, "The media command was carried out."},
    CodeText{257, "The media device number is not valid."},
    CodeText{259, "The media command contains a word this device does not understand."},
    CodeText{261, "The media command is not one this device knows."},
    CodeText{262, "The media device reported a hardware fault."},
    CodeText{263, "The media device is not open, or its name is not known."},
    CodeText{264, "There is not enough memory to carry out the media command."},
    CodeText{265, "The media device is already open under that name."},
    CodeText{266, "The driver for this media device could not be loaded."},
    CodeText{267, "The media command is empty."},
    CodeText{268, "The reply of the media command does not fit in the space given for it."},
    CodeText{269, "The media command is missing a text value."},
    CodeText{270, "A number in the media command is not a valid whole number."},
    CodeText{271, "The media command could not be read because of an internal fault."},
    CodeText{272, "The media device driver reported an internal fault."},
    CodeText{273, "The media command is missing a value it needs."},
    CodeText{274, "This media device cannot carry out that command."},
    CodeText{275, "The media file cannot be found."},
    CodeText{276, "The media device is not ready."},
    CodeText{277, "The media service met an internal fault."},
    CodeText{278, "The media device driver failed."},
    CodeText{279, "That media command cannot be sent to all devices at once."},
    CodeText{280, "Several media devices failed."},
    CodeText{281, "No media device is set up for this kind of file; name the device type."},
    CodeText{282, "The position given is outside the length of the media item."},
    CodeText{284, "The media command has options that cannot be used together."},
    CodeText{286, "The media file could not be saved."},
    CodeText{287, "The media command needs a device type."},
    CodeText{288, "The media device is locked; try again in a moment."},
    CodeText{289, "That name is already used by another open media device."},
    CodeText{290, "A value in the media command is not one the device accepts."},
    CodeText{291, "The media device is in use and cannot be shared."},
    CodeText{292, "The media command does not name a device."},
    CodeText{293, "The media device does not accept that time format."},
    CodeText{294, "A quoted value in the media command has no closing quote."},
    CodeText{295, "An option appears twice in the media command."},
    CodeText{296,
             "The file cannot be played by this media device: it is damaged or not of "
             "the right kind."},
    CodeText{297, "The media command was given no parameters."},
    CodeText{298, "The media item has no name."},
    CodeText{299, "A new media item must be given a name with the alias option."},
    CodeText{300, "Notification cannot be asked for a device that was opened automatically."},
    CodeText{301, "This media device does not take a file name."},
    CodeText{302, "That media command cannot be used in the device's present state."},
    CodeText{303,
             "That media command cannot be used on a device that was opened "
             "automatically."},
    CodeText{304, "The media command needs a file name."},
    CodeText{305, "There are extra words after the end of the media command."},
    CodeText{306, "This type of media device is not installed."},
    CodeText{307, "The disc drive could not be reached."},
    CodeText{308, "The disc drive could not be reached."},
    CodeText{309, "The disc drive could not be reached."},
    CodeText{310, "The media device name is too long."},
    CodeText{311, "The media device number is too long."},
    CodeText{312, "The media command needs a whole number."},
    CodeText{320, "The sound device is in use by another program."},
    CodeText{321, "The sound device cannot carry out that setting."},
    CodeText{322, "The sound device is in use by another program."},
    CodeText{323, "The sound device cannot carry out that setting."},
    CodeText{324, "The sound device cannot carry out that setting."},
    CodeText{325, "The sound device cannot carry out that setting."},
    CodeText{326, "No sound output device can play this file."},
    CodeText{327, "No sound input device can record in this format."},
    CodeText{328, "There is no sound output device."},
    CodeText{329, "There is no sound input device."},
    CodeText{336, "The MIDI output is in use by another program."},
    CodeText{337, "The MIDI port given is not set up."},
    CodeText{338, "The MIDI output device cannot be found."},
    CodeText{339, "The MIDI output device cannot be found."},
    CodeText{340, "The MIDI output device cannot be found."},
    CodeText{341, "The MIDI timer is in use by another program."},
    CodeText{342, "The MIDI setup cannot be found."},
    CodeText{343, "There is no MIDI output device to play this song."},
    CodeText{346, "There is no window to show the video in."},
    CodeText{347, "The window for the video could not be made."},
    CodeText{348, "The media file cannot be read."},
    CodeText{349, "The media file cannot be written."},
    CodeText{350, "The media device cannot find its own identity."},
};

}  // namespace

std::string MciErrorText(int32_t code) {
  const auto* it =
      std::lower_bound(kTexts.begin(), kTexts.end(), code,
                       [](const CodeText& entry, int32_t c) { return entry.code < c; });
  if (it != kTexts.end() && it->code == code) return std::string(it->text);
  return "Unknown media error " + std::to_string(code) + ".";
}

}  // namespace zarn::mcierr
