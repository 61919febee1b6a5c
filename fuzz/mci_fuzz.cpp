// libFuzzer target over command-string parsing: every line of the input is
// one command to the interpreter with the headless devices, on a clock that
// moves 250 ms per command. "$" stands for a folder holding a.wav, b.mid,
// c.avi and d.txt, so the commands can open real media. Tokens must split
// the same when written back, every error must have a text, and a device's
// position must stay within its length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "backend/MciCommandText.h"
#include "backend/MciInterpreter.h"
#include "platform/common/ClockMediaDevices.h"
#include "support/mci_test_support.h"

namespace {

using namespace zarn;
using namespace zarn::testing_media;
using fuzz::Check;

constexpr int kMaxCommands = 64;

const std::string& MediaFolder() {
  static const std::string folder = [] {
    const fuzz::Scratch& scratch = fuzz::Scratch::Get();
    auto text = [](const Bytes& b) { return std::string(b.begin(), b.end()); };
    scratch.Write("a.wav", text(MakeWave({})));
    Bytes track;
    PutTempo(track, 0, 400000);
    PutNote(track, 96, 0x90, 60);
    PutEndOfTrack(track, 480);
    scratch.Write("b.mid", text(MakeMidi(0, 96, {track})));
    scratch.Write("c.avi", text(MakeAvi({})));
    scratch.Write("d.txt", "not media");
    return scratch.Folder() + "/";
  }();
  return folder;
}

void CheckTokens(std::string_view command) {
  const MciTokens split = SplitMciCommand(command);
  if (split.error != 0) return;
  std::string written;
  for (const MciToken& token : split.tokens) {
    Check(token.quoted || !token.text.empty(), "an empty unquoted token");
    written += token.quoted ? "\"" + token.text + "\" " : token.text + " ";
  }
  const MciTokens again = SplitMciCommand(written);
  Check(again.error == 0 && again.tokens.size() == split.tokens.size(), "tokens do not round trip");
  for (size_t i = 0; i < again.tokens.size(); ++i) {
    Check(again.tokens[i].text == split.tokens[i].text &&
              again.tokens[i].quoted == split.tokens[i].quoted,
          "tokens do not round trip");
    const auto number = ParseMciInteger(split.tokens[i].text);
    if (number) {
      const std::string& text = split.tokens[i].text;
      const size_t digits = text.find_first_not_of('0');
      Check(*number >= 0 && std::to_string(*number) ==
                                (digits == std::string::npos ? "0" : text.substr(digits)),
            "integer read wrongly");
    }
  }
}

int64_t Number(const std::string& reply) {
  const auto number = ParseMciInteger(reply);
  Check(number.has_value(), "a length or position reply is not a number");
  return *number;
}

// The device the command named stays consistent after it.
void CheckDevice(MciInterpreter& mci, std::string_view command) {
  const MciTokens split = SplitMciCommand(command);
  if (split.tokens.size() < 2) return;
  const std::string name = split.tokens[1].text;
  if (name.find('"') != std::string::npos || MciLower(name) == "all") return;
  std::string length, position, mode;
  if (mci.SendString("status \"" + name + "\" length", length) != 0) return;
  Check(mci.SendString("status \"" + name + "\" position", position) == 0, "no position");
  Check(mci.SendString("status \"" + name + "\" mode", mode) == 0 && !mode.empty(), "no mode");
  Check(Number(position) <= Number(length), "position past the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = MediaFolder();
  FakeScheduler clock;
  MciInterpreter mci;
  RegisterClockMediaDevices(mci, clock);

  const std::string_view input = fuzz::AsText(data, size);
  size_t start = 0;
  for (int i = 0; i < kMaxCommands && start <= input.size(); ++i) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    std::string command(input.substr(start, end - start));
    start = end + 1;
    for (size_t at = command.find('$'); at != std::string::npos;
         at = command.find('$', at + folder.size())) {
      command.replace(at, 1, folder);
    }
    CheckTokens(command);
    std::string reply;
    const int32_t code = mci.SendString(command, reply);
    if (code != 0) Check(!mci.ErrorText(code).empty(), "an error without a text");
    clock.RunUntil(clock.Now() + 250);
    CheckDevice(mci, command);
  }
  return 0;
}
