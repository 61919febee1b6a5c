// Writes the presentation readers' seeds: small .pptx and .odp packages,
// a flat .fodp, the same packages spelled out member by member ("ZPKG"),
// and slide settings for the write-and-read check ("DECK").

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "support/slides_TestDecks.h"

namespace {

using namespace zarn::testing;

std::string ReadBack(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return bytes;
}

std::string SpelledOut(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out = "ZPKG";
  for (const auto& [name, body] : members) out += "\x01" + name + "\n" + body;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  return zarn::fuzz::WriteSeeds(argc, argv, [&](auto&& seed) {
    const std::string scratch = std::string(argv[1]) + "/package.tmp";
    TestDeck deck = Slides({2000, std::nullopt, 500});
    deck.slides[1].hidden = true;
    deck.loop = true;
    const auto odp_members = std::vector<std::pair<std::string, std::string>>{
        {"mimetype", "application/vnd.oasis.opendocument.presentation"},
        {"content.xml", OdpContent(deck)},
        {"styles.xml", "<?xml version=\"1.0\"?><office:document-styles/>"}};

    seed(ReadBack(WritePptx(scratch, deck)));
    seed(ReadBack(WriteOdp(scratch, deck)));
    seed(OdpContent(deck));
    seed(SpelledOut(PptxMembers(deck)));
    seed(SpelledOut(odp_members));
    seed(std::string("DECK\x03\x01\x02\x0B\xFE", 9));
  });
}
