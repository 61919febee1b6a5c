#include "base/SharedLibrary.h"

#include <dlfcn.h>

#include <stdexcept>
#include <utility>

namespace zarn {

SharedLibrary::SharedLibrary(const char* file, std::string label, Fail fail)
    : label_(std::move(label)), fail_(std::move(fail)) {
  handle_ = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) Failed(label_ + " cannot be loaded: " + dlerror());
}

void* SharedLibrary::Symbol(const char* name) const {
  void* symbol = dlsym(handle_, name);
  if (symbol == nullptr) Failed(label_ + " has no " + name);
  return symbol;
}

void SharedLibrary::Failed(const std::string& message) const {
  fail_(message);
  throw std::runtime_error(message);  // a `fail` that returned
}

}  // namespace zarn
