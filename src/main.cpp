#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Application.h"

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kHeapReserve = size_t{64} << 20;

// A long script queues a request per line before any plays, and on a
// virtual machine each 4 KB page the heap grows by costs microseconds to
// fault in: a quarter of such a run. The heap grows in one step instead,
// in huge pages where the kernel offers them, and large blocks come from
// it too, so a fault brings in 2 MB. Untouched, the reserve costs nothing.
void GrowHeapInHugePages() {
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHeapReserve / 2));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(kHeapReserve * 2));
  mallopt(M_TOP_PAD, static_cast<int>(kHeapReserve));
  const auto before = reinterpret_cast<uintptr_t>(sbrk(0));
  // The top of the heap moves on now (volatile: the pair is not optimised away).
  void* volatile block = std::malloc(kHeapReserve / 4);
  std::free(block);
  const auto after = reinterpret_cast<uintptr_t>(sbrk(0));
  const uintptr_t start = (before + kHugePage - 1) & ~(kHugePage - 1);
  if (after > start + kHugePage) {
    madvise(reinterpret_cast<void*>(start), (after - start) & ~(kHugePage - 1), MADV_HUGEPAGE);
  }
}

}  // namespace

// The plain program: headless runs and the tools; a run that needs the
// desktop, a recording or listening starts the module program instead.
int main(int argc, char** argv) {
  GrowHeapInHugePages();
  std::vector<std::string> args(argv + 1, argv + argc);
  return zarn::ZarnMain(args, zarn::Backends{});
}
