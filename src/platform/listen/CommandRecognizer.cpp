#include "platform/listen/CommandRecognizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>

#include "platform/listen/PocketsphinxLibrary.h"

namespace zarn {
namespace {

constexpr const char* kSearch = "commands";

// Path scores are in the decoder's scaled log units. A gap of about 350
// (a clearly different phrase on these models) makes the runner-up twenty
// times less likely; that keeps alternatives of real doubt close together.
constexpr double kWeightPerScore = 0.0085;

// Enough n-best paths to find the competing commands; each costs little.
constexpr int kNbestPaths = 20;

std::vector<std::string> SplitWords(const char* text) {
  std::vector<std::string> words;
  std::istringstream in(text == nullptr ? "" : text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

}  // namespace

struct CommandRecognizer::Decoder {
  cmd_ln_t* config = nullptr;
  ps_decoder_t* ps = nullptr;
  ~Decoder() {
    if (ps != nullptr) Pocketsphinx().ps_free(ps);
    if (config != nullptr) Pocketsphinx().cmd_ln_free_r(config);
  }
};

CommandRecognizer::CommandRecognizer(const ListenModel& model) : decoder_(new Decoder) {
  if (!model.Present())
    throw std::runtime_error("no speech recognition model at " + model.acoustic);
  decoder_->config = Pocketsphinx().cmd_ln_init(
      nullptr, Pocketsphinx().ps_args(), TRUE, "-hmm", model.acoustic.c_str(), "-dict",
      model.dictionary.c_str(), "-logfn", "/dev/null", nullptr);
  if (decoder_->config != nullptr) decoder_->ps = Pocketsphinx().ps_init(decoder_->config);
  if (decoder_->ps == nullptr) {
    throw std::runtime_error("the speech recognition model at " + model.acoustic +
                             " could not be loaded");
  }
}

CommandRecognizer::~CommandRecognizer() = default;

bool CommandRecognizer::Knows(const std::string& word) const {
  char* phones = Pocketsphinx().ps_lookup_word(decoder_->ps, word.c_str());
  if (phones == nullptr) return false;
  std::free(phones);
  return true;
}

std::vector<std::string> CommandRecognizer::SetCommands(const std::vector<VoiceCommand>& commands) {
  VoiceGrammar grammar =
      BuildVoiceGrammar(commands, [this](const std::string& word) { return Knows(word); });
  has_grammar_ =
      !grammar.jsgf.empty() &&
      Pocketsphinx().ps_set_jsgf_string(decoder_->ps, kSearch, grammar.jsgf.c_str()) >= 0 &&
      Pocketsphinx().ps_set_search(decoder_->ps, kSearch) >= 0;
  if (!grammar.jsgf.empty() && !has_grammar_) {
    grammar.notes.push_back("the voice commands could not be turned into a grammar");
  }
  parsed_ = std::move(grammar.parsed);
  included_ = std::move(grammar.included);
  return grammar.notes;
}

Recognition CommandRecognizer::Recognize(std::span<const int16_t> pcm) {
  if (!has_grammar_ || pcm.empty()) return {};
  ps_decoder_t* ps = decoder_->ps;
  if (in_utterance_) Pocketsphinx().ps_end_utt(ps);
  in_utterance_ = false;
  if (Pocketsphinx().ps_start_utt(ps) < 0) return {};
  // The whole recording at once: its own mean, not the last utterance's.
  Pocketsphinx().ps_process_raw(ps, pcm.data(), pcm.size(), FALSE, TRUE);
  Pocketsphinx().ps_end_utt(ps);
  return Results();
}

void CommandRecognizer::Begin() {
  if (in_utterance_) Pocketsphinx().ps_end_utt(decoder_->ps);
  in_utterance_ = has_grammar_ && Pocketsphinx().ps_start_utt(decoder_->ps) >= 0;
  heard_speech_ = false;
}

bool CommandRecognizer::Feed(std::span<const int16_t> pcm) {
  if (!in_utterance_ || pcm.empty()) return false;
  Pocketsphinx().ps_process_raw(decoder_->ps, pcm.data(), pcm.size(), FALSE, FALSE);
  const bool speaking = Pocketsphinx().ps_get_in_speech(decoder_->ps) != 0;
  if (speaking) heard_speech_ = true;
  return heard_speech_ && !speaking;
}

Recognition CommandRecognizer::Finish() {
  if (!in_utterance_) return {};
  in_utterance_ = false;
  Pocketsphinx().ps_end_utt(decoder_->ps);
  if (!heard_speech_) return {};
  return Results();
}

std::string CommandRecognizer::Pronounce(const std::vector<std::string>& words) const {
  std::string sound;
  for (const std::string& word : words) {
    char* phones = Pocketsphinx().ps_lookup_word(decoder_->ps, word.c_str());
    sound += (phones != nullptr ? phones : word) + std::string(" / ");
    std::free(phones);
  }
  return sound;
}

Recognition CommandRecognizer::Results() {
  ps_decoder_t* ps = decoder_->ps;
  int32 best_score = 0;
  const char* hyp = Pocketsphinx().ps_get_hyp(ps, &best_score);
  const std::vector<std::string> best_words = SplitWords(hyp);
  if (best_words.empty()) return {};  // out of the grammar: no path reached its end

  // Best n-best path score per command. Paths that end in no command are
  // partial (they cover less of the recording), so their scores do not
  // compare; they are left aside. Phrases that sound the same share the
  // best score among them: the lattice keeps such ties unevenly.
  struct Path {
    size_t command;
    std::string words;
    std::string sound;
    int32_t score;
  };
  std::vector<Path> found;
  std::map<std::string, int32_t> by_sound;
  auto add = [&](const std::vector<std::string>& words, int32_t score) {
    const std::string sound = Pronounce(words);
    for (size_t i = 0; i < parsed_.size(); ++i) {
      if (!MatchesVoice(parsed_[i], words)) continue;
      found.push_back({i, JoinWords(words), sound, score});
      auto [it, fresh] = by_sound.try_emplace(sound, score);
      if (!fresh) it->second = std::max(it->second, score);
    }
  };
  ps_nbest_t* nbest = Pocketsphinx().ps_nbest(ps);
  for (int paths = 0; nbest != nullptr && paths < kNbestPaths; ++paths) {
    nbest = Pocketsphinx().ps_nbest_next(nbest);  // frees the list at its end
    if (nbest == nullptr) break;
    int32 score = 0;
    const char* text = Pocketsphinx().ps_nbest_hyp(nbest, &score);
    add(SplitWords(text), score);
  }
  if (nbest != nullptr) Pocketsphinx().ps_nbest_free(nbest);
  std::map<size_t, std::pair<int32_t, std::string>> scores;
  for (const Path& path : found) {
    const int32_t score = by_sound[path.sound];
    auto [it, fresh] = scores.try_emplace(path.command, score, path.words);
    if (!fresh && score > it->second.first) it->second = {score, path.words};
  }

  // The best path's own score is on another scale: when the n-best list
  // missed its command, it ranks with the best of the list.
  int32_t top = std::numeric_limits<int32_t>::min();
  for (const auto& [index, entry] : scores) top = std::max(top, entry.first);
  if (scores.empty()) top = best_score;
  for (size_t i = 0; i < parsed_.size(); ++i) {
    if (MatchesVoice(parsed_[i], best_words)) scores.try_emplace(i, top, JoinWords(best_words));
  }
  if (scores.empty()) return {};

  auto weight = [top](int32_t score) {
    return std::exp(static_cast<double>(score - top) * kWeightPerScore);
  };
  double total = 0;
  for (const auto& [index, entry] : scores) total += weight(entry.first);

  Recognition heard;
  for (const auto& [index, entry] : scores) {
    const double p = weight(entry.first) / total;
    heard.push_back(
        {included_[index], entry.second,
         static_cast<int32_t>(std::lround(std::clamp(200.0 * p - 100.0, -100.0, 100.0)))});
  }
  std::stable_sort(heard.begin(), heard.end(), [](const HeardCommand& a, const HeardCommand& b) {
    return a.confidence > b.confidence;
  });
  if (heard.size() > 3) heard.resize(3);
  return heard;
}

}  // namespace zarn
