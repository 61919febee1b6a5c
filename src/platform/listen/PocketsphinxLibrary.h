#pragma once

#include <pocketsphinx.h>

namespace zarn {

// PocketSphinx's calls, loaded from its libraries when a character first
// listens: they bring BLAS, LAPACK and the Fortran runtime, which a desktop
// run would otherwise load before its first frame.
struct PocketsphinxLibrary {
  decltype(&::ps_args) ps_args = nullptr;
  decltype(&::ps_end_utt) ps_end_utt = nullptr;
  decltype(&::ps_free) ps_free = nullptr;
  decltype(&::ps_get_hyp) ps_get_hyp = nullptr;
  decltype(&::ps_get_in_speech) ps_get_in_speech = nullptr;
  decltype(&::ps_init) ps_init = nullptr;
  decltype(&::ps_lookup_word) ps_lookup_word = nullptr;
  decltype(&::ps_nbest) ps_nbest = nullptr;
  decltype(&::ps_nbest_free) ps_nbest_free = nullptr;
  decltype(&::ps_nbest_hyp) ps_nbest_hyp = nullptr;
  decltype(&::ps_nbest_next) ps_nbest_next = nullptr;
  decltype(&::ps_process_raw) ps_process_raw = nullptr;
  decltype(&::ps_set_jsgf_string) ps_set_jsgf_string = nullptr;
  decltype(&::ps_set_search) ps_set_search = nullptr;
  decltype(&::ps_start_utt) ps_start_utt = nullptr;
  decltype(&::cmd_ln_free_r) cmd_ln_free_r = nullptr;
  decltype(&::cmd_ln_init) cmd_ln_init = nullptr;
};

// Throws std::runtime_error naming the library when it cannot be loaded.
const PocketsphinxLibrary& Pocketsphinx();

}  // namespace zarn
