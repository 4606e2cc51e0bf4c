// Codec benchmark: our implode compressor and explode decoder next to zlib, on every
// file of a folder.
//
//   codec_bench [--runs N] [--cpu-time] FOLDER
//
// Per file and in total: compressed sizes at our levels 1, 6 and 9 (literals auto,
// 4096-byte dictionary) and zlib's levels 6 and 9; compression speed per level; and
// decoding speed in MB/s of output for our explode (of the level-9 stream) and zlib
// inflate (of the level-9 stream), with their ratio. zlib runs as raw deflate
// (no header, no Adler-32), like our streams, which carry no checksum either. Both
// decoders write into memory; every decode is checked against the input. Each time
// is the best of N runs (default 5); totals add up the per-file best times. Times
// are wall-clock times, or with --cpu-time the thread's processor time: on a machine
// that others load, the time the benchmark actually ran.

#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "explode/explode.h"
#include "implode/implode.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int kLevels[] = {1, 6, 9};
constexpr int kZlibLevels[] = {6, 9};

bool g_cpu_time = false;

double Now() {
  if (g_cpu_time) {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  }
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

template <typename F>
double BestSeconds(int runs, F&& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double start = Now();
    run();
    best = std::min(best, Now() - start);
  }
  return best;
}

Bytes Deflate(const Bytes& in, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
  Bytes out(deflateBound(&z, in.size()));
  z.next_in = const_cast<Bytes::value_type*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

void Inflate(const Bytes& in, Bytes* out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) std::abort();
  z.next_in = const_cast<Bytes::value_type*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out->data();
  z.avail_out = static_cast<uInt>(out->size());
  if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != out->size()) std::abort();
  inflateEnd(&z);
}

struct ExplodeIo {
  const Bytes* in;
  size_t in_pos;
  uint8_t* out;
  size_t out_pos;
};

uint32_t ReadFromMemory(uint8_t* buffer, uint32_t* size, void* param) {
  auto& io = *static_cast<ExplodeIo*>(param);
  const size_t n = std::min<size_t>(*size, io.in->size() - io.in_pos);
  std::memcpy(buffer, io.in->data() + io.in_pos, n);
  io.in_pos += n;
  return static_cast<uint32_t>(n);
}

void WriteToMemory(uint8_t* buffer, uint32_t* size, void* param) {
  auto& io = *static_cast<ExplodeIo*>(param);
  std::memcpy(io.out + io.out_pos, buffer, *size);
  io.out_pos += *size;
}

void Explode(const Bytes& stream, Bytes* out, ExplodeState* state) {
  ExplodeIo io{&stream, 0, out->data(), 0};
  if (ExplodeStream(ReadFromMemory, WriteToMemory, state, &io) != kExplodeOk ||
      io.out_pos != out->size()) {
    std::abort();
  }
}

struct Row {
  std::string name;
  uint64_t size = 0;
  uint64_t ours[3] = {};       // by kLevels
  uint64_t zlib[2] = {};       // by kZlibLevels
  double compress_s[3] = {};   // by kLevels
  double explode_s = 0;
  double inflate_s = 0;
};

double MBps(uint64_t bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

void PrintHeader() {
  std::printf("%-28s %10s %9s %9s %9s %9s %9s %6s %6s | %7s %7s %7s | %8s %8s %6s\n", "file",
              "bytes", "L1", "L6", "L9", "zlib6", "zlib9", "L9/z9", "L6/z9", "L1MB/s", "L6MB/s",
              "L9MB/s", "explode", "inflate", "ratio");
}

void PrintRow(const Row& r) {
  std::printf(
      "%-28s %10llu %9llu %9llu %9llu %9llu %9llu %6.3f %6.3f | %7.1f %7.1f %7.1f | %8.1f "
      "%8.1f %6.2f\n",
      r.name.c_str(), static_cast<unsigned long long>(r.size),
      static_cast<unsigned long long>(r.ours[0]), static_cast<unsigned long long>(r.ours[1]),
      static_cast<unsigned long long>(r.ours[2]), static_cast<unsigned long long>(r.zlib[0]),
      static_cast<unsigned long long>(r.zlib[1]), double(r.ours[2]) / double(r.zlib[1]),
      double(r.ours[1]) / double(r.zlib[1]), MBps(r.size, r.compress_s[0]),
      MBps(r.size, r.compress_s[1]), MBps(r.size, r.compress_s[2]), MBps(r.size, r.explode_s),
      MBps(r.size, r.inflate_s), r.inflate_s / r.explode_s);
}

Row Measure(const std::string& name, const Bytes& data, int runs, ExplodeState* state) {
  Row row;
  row.name = name;
  row.size = data.size();
  Bytes level9;
  for (int i = 0; i < 3; ++i) {
    Bytes stream;
    row.compress_s[i] = BestSeconds(runs, [&] {
      stream = vozip::Implode(data.data(), data.size(), {vozip::LiteralMode::kAuto, 4096, kLevels[i]});
    });
    row.ours[i] = stream.size();
    if (kLevels[i] == 9) level9 = std::move(stream);
  }
  Bytes zlib9;
  for (int i = 0; i < 2; ++i) {
    Bytes stream = Deflate(data, kZlibLevels[i]);
    row.zlib[i] = stream.size();
    if (kZlibLevels[i] == 9) zlib9 = std::move(stream);
  }
  Bytes out(data.size());
  row.explode_s = BestSeconds(runs, [&] { Explode(level9, &out, state); });
  if (out != data) std::abort();
  std::fill(out.begin(), out.end(), 0);
  row.inflate_s = BestSeconds(runs, [&] { Inflate(zlib9, &out); });
  if (out != data) std::abort();
  return row;
}

int Usage() {
  std::fprintf(stderr, "usage: codec_bench [--runs N] [--cpu-time] FOLDER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) return Usage();
    } else if (arg == "--cpu-time") {
      g_cpu_time = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf("usage: codec_bench [--runs N] [--cpu-time] FOLDER\n");
      return 0;
    } else if (folder.empty() && arg[0] != '-') {
      folder = arg;
    } else {
      return Usage();
    }
  }
  if (folder.empty()) return Usage();

  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    // A corpus folder's MANIFEST.md describes the corpus; it is not part of it.
    if (entry.is_regular_file() && entry.path().filename() != "MANIFEST.md") {
      files.push_back(entry.path());
    }
  }
  if (error || files.empty()) {
    std::fprintf(stderr, "codec_bench: no files in %s\n", folder.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());

  std::printf("%zu files, best of %d runs each (%s); our streams: literals auto, dictionary "
              "4096\n",
              files.size(), runs, g_cpu_time ? "thread processor time" : "wall-clock time");
  PrintHeader();
  auto state = std::make_unique<ExplodeState>();
  Row total;
  total.name = "TOTAL";
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Row row =
        Measure(std::filesystem::relative(path, folder).generic_string(), data, runs, state.get());
    PrintRow(row);
    std::fflush(stdout);
    total.size += row.size;
    for (int i = 0; i < 3; ++i) total.ours[i] += row.ours[i], total.compress_s[i] += row.compress_s[i];
    for (int i = 0; i < 2; ++i) total.zlib[i] += row.zlib[i];
    total.explode_s += row.explode_s;
    total.inflate_s += row.inflate_s;
  }
  PrintRow(total);
  std::printf(
      "\nsize:   level 9 / zlib 9 = %.4f (target <= 1.13), level 6 / zlib 9 = %.4f (target <= "
      "1.20)\n",
      double(total.ours[2]) / double(total.zlib[1]), double(total.ours[1]) / double(total.zlib[1]));
  std::printf("speed:  level 1 %.1f MB/s (target >= 100), level 6 %.1f MB/s (target >= 30), "
              "level 9 %.1f MB/s\n",
              MBps(total.size, total.compress_s[0]), MBps(total.size, total.compress_s[1]),
              MBps(total.size, total.compress_s[2]));
  std::printf("decode: explode %.1f MB/s, inflate %.1f MB/s, explode / inflate = %.2f (target >= "
              "1.0)\n",
              MBps(total.size, total.explode_s), MBps(total.size, total.inflate_s),
              total.inflate_s / total.explode_s);
  return 0;
}
