// libFuzzer target over the speech-tag parser. The text runs and tags of a
// speech must never add up to more than its input (a doubled backslash is
// one character, a tag its text between two backslashes); the spoken and
// balloon texts are never longer than the input; written back with the
// backslashes doubled and the tags between single ones, the items parse
// the same; and the alternatives joined with "|" are the input again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "charengine/SpeechTags.h"

namespace {

using namespace zarn;
using fuzz::Check;

std::string Write(const std::vector<SpeechItem>& items) {
  std::string out;
  for (const SpeechItem& item : items) {
    if (item.tag) {
      out += "\\" + item.tag->raw + "\\";
      continue;
    }
    for (char c : item.text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  }
  return out;
}

bool SameItems(const std::vector<SpeechItem>& a, const std::vector<SpeechItem>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].text != b[i].text || (a[i].tag != nullptr) != (b[i].tag != nullptr)) return false;
    if (!a[i].tag) continue;
    const SpeechTag& x = *a[i].tag;
    const SpeechTag& y = *b[i].tag;
    if (x.kind != y.kind || x.raw != y.raw || x.valid != y.valid || x.number != y.number ||
        x.text != y.text || x.shown != y.shown) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzz::AsText(data, size);
  const std::vector<SpeechItem> items = ParseSpeechTags(input);
  size_t used = 0;
  for (const SpeechItem& item : items) {
    Check((item.tag != nullptr) != !item.text.empty(), "an item is neither text nor tag");
    used += item.tag ? item.tag->raw.size() + 2 : item.text.size();
    if (item.tag && item.tag->kind == SpeechTagKind::kMap && item.tag->valid) {
      Check(item.tag->text.size() + item.tag->shown.size() <= item.tag->raw.size(),
            "a map's texts longer than the tag");
    }
  }
  Check(used <= input.size(), "items longer than the input");
  Check(SpokenText(items).size() <= input.size(), "spoken text longer than the input");
  Check(BalloonText(items).size() <= input.size(), "balloon text longer than the input");
  Check(SameItems(ParseSpeechTags(Write(items)), items), "written items parse differently");

  std::string joined;
  for (const std::string& part : SplitAlternatives(input)) joined += part + "|";
  joined.pop_back();
  Check(joined == input, "alternatives do not join to the input");
  return 0;
}
