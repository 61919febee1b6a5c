#include <gtest/gtest.h>

#include "charengine/SpeechTags.h"
#include "platform/speech/SsmlTranslator.h"

namespace zarn {
namespace {

TEST(SsmlTranslator, TagsBecomeSsml) {
  EspeakVoice voice;
  voice.language = "en-gb";
  voice.rate = 150;
  voice.base_pitch_hz = 120;
  const auto last = ParseSpeechTags("said \\Mrk=9\\ before");
  struct Case {
    const char* tagged;
    const char* ssml;
  };
  const Case cases[] = {
      {"Tom & \"Jerry\" <3 'x'", "Tom &amp; &quot;Jerry&quot; &lt;3 &apos;x&apos;"},
      {"a\\Mrk=5\\b", "a<mark name=\"5\"/>b"},
      // espeak drops a break that comes first, and all but one in a row.
      {"\\Pau=250\\x \\Pau=99999\\\\Pau=-3\\\\Pau=5\\",
       "<mark name=\"-\"/><break time=\"250ms\"/>x <break time=\"65540ms\"/>"},
      {"\\Pau=0\\x\\Pau=9\\\\Mrk=2\\\\Pau=9\\y",
       "x<break time=\"9ms\"/><mark name=\"2\"/><break time=\"9ms\"/>y"},
      // Rates are relative to the voice's and clamped to espeak's 80..450.
      {"\\Spd=300\\fast \\Spd=10\\slow \\Spd=900\\",
       "<prosody rate=\"200%\">fast </prosody><prosody rate=\"53%\">slow </prosody>"},
      {"\\Pit=240\\up\\Pit=120\\ \\Pit=30\\down",
       "<prosody pitch=\"100\">up </prosody><prosody pitch=\"0\">down</prosody>"},
      {"\\Vol=32768\\half \\Vol=0\\none",
       "<prosody volume=\"50\">half </prosody><prosody volume=\"0\">none</prosody>"},
      {"\\Emp\\ very good \\Emp\\", " <emphasis>very</emphasis> good "},
      {"\\Chr=\"Monotone\"\\flat \\Chr=\"Normal\"\\back",
       "<prosody range=\"0\">flat </prosody>back"},
      {"\\Chr=\"Whisper\"\\hush", "<voice name=\"en-gb+whisper\">hush</voice>"},
      {"\\Ctx=\"E-mail\"\\a@b.c \\Ctx=\"Address\"\\1 Main St \\Ctx=\"Unknown\"\\ok",
       "<say-as interpret-as=\"email\">a@b.c </say-as><say-as interpret-as=\"address\">1 Main "
       "St </say-as>ok"},
      {"\\Map=\"spoken\"=\"shown\"\\!", "spoken!"},
      {"\\Spd=300\\\\Chr=\"Whisper\"\\a\\Pit=240\\b \\Rst\\c",
       "<voice name=\"en-gb+whisper\"><prosody rate=\"200%\">a</prosody></voice>"
       "<voice name=\"en-gb+whisper\"><prosody rate=\"200%\" pitch=\"100\">b "
       "</prosody></voice>c"},
      {"\\Com=x\\\\Foo\\\\Spd=fast\\\\Eng;y\\ok", "ok"},
      {"\\Lst\\", "said  before"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tagged);
    EXPECT_EQ(TranslateSpeech(ParseSpeechTags(c.tagged), voice, &last).ssml, c.ssml);
  }
}

}  // namespace
}  // namespace zarn
