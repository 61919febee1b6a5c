#pragma once

#include <functional>
#include <string>

namespace zarn {

// A library opened on first use, for calls most runs never make: linked, it
// would be loaded and relocated at every start. A failure goes to `fail` as
// one sentence naming the library; `fail` throws the caller's error.
class SharedLibrary {
 public:
  using Fail = std::function<void(const std::string& message)>;
  SharedLibrary(const char* file, std::string label, Fail fail);

  template <class F>
  void Bind(const char* name, F& function) const {
    function = reinterpret_cast<F>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;
  [[noreturn]] void Failed(const std::string& message) const;

  void* handle_ = nullptr;  // kept open for the process's life
  std::string label_;
  Fail fail_;
};

}  // namespace zarn
