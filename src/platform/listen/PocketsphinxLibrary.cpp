#include "platform/listen/PocketsphinxLibrary.h"

#include <stdexcept>
#include <string>

#include "base/SharedLibrary.h"

namespace zarn {
namespace {

PocketsphinxLibrary Load() {
  const auto fail = [](const std::string& message) { throw std::runtime_error(message); };
  // sphinxbase first: PocketSphinx needs its symbols.
  const SharedLibrary base("libsphinxbase.so.3", "sphinxbase", fail);
  const SharedLibrary decoder("libpocketsphinx.so.3", "PocketSphinx", fail);
  PocketsphinxLibrary api;
  decoder.Bind("ps_args", api.ps_args);
  decoder.Bind("ps_end_utt", api.ps_end_utt);
  decoder.Bind("ps_free", api.ps_free);
  decoder.Bind("ps_get_hyp", api.ps_get_hyp);
  decoder.Bind("ps_get_in_speech", api.ps_get_in_speech);
  decoder.Bind("ps_init", api.ps_init);
  decoder.Bind("ps_lookup_word", api.ps_lookup_word);
  decoder.Bind("ps_nbest", api.ps_nbest);
  decoder.Bind("ps_nbest_free", api.ps_nbest_free);
  decoder.Bind("ps_nbest_hyp", api.ps_nbest_hyp);
  decoder.Bind("ps_nbest_next", api.ps_nbest_next);
  decoder.Bind("ps_process_raw", api.ps_process_raw);
  decoder.Bind("ps_set_jsgf_string", api.ps_set_jsgf_string);
  decoder.Bind("ps_set_search", api.ps_set_search);
  decoder.Bind("ps_start_utt", api.ps_start_utt);
  base.Bind("cmd_ln_free_r", api.cmd_ln_free_r);
  base.Bind("cmd_ln_init", api.cmd_ln_init);
  return api;
}

}  // namespace

const PocketsphinxLibrary& Pocketsphinx() {
  static const PocketsphinxLibrary api = Load();
  return api;
}

}  // namespace zarn
