// Character-file decoding speed: every image of a ~2 MB and a ~4 MB
// character (160 x 128 sprites) in MB/s of pixels, beside zlib inflating the
// same pixels; and the wall time to open the 4 MB file (reading included,
// tables only), beside reading its bytes alone and parsing them alone.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterWriter.h"
#include "charfile/Compressor.h"
#include "charfile/Decompressor.h"
#include "charfile/TestCharacters.h"

namespace {

using namespace zarn;

struct Corpus {
  std::vector<uint8_t> file;                 // the .acs bytes
  std::string path;                          // the same, on disk
  std::vector<std::vector<uint8_t>> pixels;  // each image's decoded (bottom-up, padded) bytes
  std::vector<std::vector<uint8_t>> packed;  // the same in the character-file stream
  std::vector<std::vector<uint8_t>> zlib;    // the same deflated by zlib (level 6)
  size_t pixel_bytes = 0;
};

const Corpus& GetCorpus(int images) {
  static std::map<int, Corpus> cache;
  auto it = cache.find(images);
  if (it != cache.end()) return it->second;
  Corpus& c = cache[images];
  CharacterDescription d = RealisticCharacter(images, 7);
  c.file = WriteCharacter(d);
  c.path = (std::filesystem::temp_directory_path() /
            ("charfile_bench_" + std::to_string(images) + ".acs"))
               .string();
  WriteCharacterFile(d, c.path);
  for (const auto& image : d.images) {
    size_t stride = (image.width + 3) & ~3;
    std::vector<uint8_t> rows(stride * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
      std::copy_n(image.indices.begin() + static_cast<ptrdiff_t>(y) * image.width, image.width,
                  rows.begin() + static_cast<ptrdiff_t>((image.height - 1 - y) * stride));
    }
    c.packed.push_back(charfile::Compress(rows.data(), rows.size()));
    uLongf zsize = compressBound(rows.size());
    std::vector<uint8_t> z(zsize);
    compress2(z.data(), &zsize, rows.data(), rows.size(), 6);
    z.resize(zsize);
    c.zlib.push_back(std::move(z));
    c.pixel_bytes += rows.size();
    c.pixels.push_back(std::move(rows));
  }
  std::fprintf(stderr, "%d images: file %zu bytes, pixels %zu bytes, zlib %zu bytes\n", images,
               c.file.size(), c.pixel_bytes, [&] {
                 size_t n = 0;
                 for (const auto& z : c.zlib) n += z.size();
                 return n;
               }());
  return c;
}

// The decompressor alone over every image's stream.
void BM_Decompress(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out(160 * 128);
  for (auto _ : state) {
    for (size_t i = 0; i < c.packed.size(); ++i) {
      charfile::Decompress(c.packed[i].data(), c.packed[i].size(), out.data(), c.pixels[i].size());
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.pixel_bytes));
}

// zlib inflating the same pixels, for comparison.
void BM_ZlibInflate(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  std::vector<uint8_t> out(160 * 128);
  for (auto _ : state) {
    for (size_t i = 0; i < c.zlib.size(); ++i) {
      uLongf size = out.size();
      uncompress(out.data(), &size, c.zlib[i].data(), c.zlib[i].size());
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.pixel_bytes));
}

// What a player does: DecodeImage (indices + RGBA, top-down) for every image.
void BM_DecodeImages(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  CharacterFile file = CharacterFile::FromBytes(c.file);
  bool with_region = state.range(1) != 0;
  for (auto _ : state) {
    for (size_t i = 0; i < file.ImageCount(); ++i) {
      DecodedImage image = file.DecodeImage(i, with_region);
      benchmark::DoNotOptimize(image.rgba.data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.pixel_bytes));
}

// Wall time: the read's copying and page faults are what CPU time hides.
void BM_OpenFile(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CharacterFile file = CharacterFile::Open(c.path);
    benchmark::DoNotOptimize(file.Animations().data());
  }
  state.counters["file_MB"] = static_cast<double>(c.file.size()) / 1e6;
}

// The read alone, into a buffer of the file's length.
void BM_ReadBytes(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::vector<uint8_t> bytes(std::filesystem::file_size(c.path));
    std::FILE* f = std::fopen(c.path.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.file.size()));
}

// The parse alone, from bytes already in memory.
void BM_ParseBytes(benchmark::State& state) {
  const Corpus& c = GetCorpus(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<uint8_t> bytes = c.file;
    state.ResumeTiming();
    CharacterFile file = CharacterFile::FromBytes(std::move(bytes));
    benchmark::DoNotOptimize(file.Animations().data());
  }
}

BENCHMARK(BM_Decompress)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeImages)
    ->Args({500, 0})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBytes)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseBytes)->Arg(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
