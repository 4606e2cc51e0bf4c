// Inputs for the compressor's tests, and decoding through our decoder.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "explode/explode.h"

namespace tsv_test {

using Bytes = std::vector<uint8_t>;

inline Bytes RandomBytes(size_t size, uint32_t seed, unsigned alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<uint8_t>(rng() % alphabet);
  return out;
}

inline Bytes Run(size_t size, uint8_t byte) { return Bytes(size, byte); }

// English-like text: words from a small vocabulary, spaces, line breaks.
inline Bytes Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {
      "the", "setup", "copies", "files", "into", "a", "folder", "and", "writes", "their",
      "times", "Orvanel", "window", "of", "stream", "is", "to", "with", "every", "bytes"};
  std::mt19937 rng(seed);
  std::string text;
  while (text.size() < size) {
    text += kWords[rng() % 20];
    text += rng() % 11 == 0 ? "\r\n" : " ";
  }
  return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

// Random blocks interleaved with copies of earlier stretches (some long, some at
// the far end of the dictionary) and runs: what programs look like to a compressor.
inline Bytes BinaryWithRepeats(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < size) {
    const unsigned kind = rng() % 4;
    if (kind == 0 || out.size() < 64) {
      for (unsigned n = 1 + rng() % 200; n > 0; --n) out.push_back(static_cast<uint8_t>(rng()));
    } else if (kind == 1) {
      out.insert(out.end(), 1 + rng() % 700, static_cast<uint8_t>(rng() % 3));
    } else {
      const size_t back = 1 + rng() % std::min<size_t>(out.size(), 5000);
      const size_t length = 2 + rng() % 600;
      for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - back]);
    }
  }
  out.resize(size);
  return out;
}

// Random bytes, then the first `length` of them again starting `distance` bytes
// after they first began.
inline Bytes RepeatAt(unsigned distance, unsigned length, uint32_t seed) {
  Bytes out = RandomBytes(distance, seed);
  for (unsigned i = 0; i < length; ++i) out.push_back(out[i]);
  return out;
}

// Bytes in which no 2-byte value occurs twice, except the pair at 10-11, which
// occurs again `distance` bytes later.
inline Bytes PairRepeatedAt(unsigned distance, uint32_t seed) {
  std::mt19937 rng(seed);
  const size_t size = 10 + distance + 40;
  const size_t again = 10 + distance;
  Bytes out;
  std::vector<bool> seen(65536, false);
  auto fresh = [&](uint8_t a, uint8_t b) { return !seen[a << 8 | b]; };
  for (size_t i = 0; i < size; ++i) {
    uint8_t next;
    if (i == again || i == again + 1) {
      next = out[i - distance];
    } else {
      do {
        next = static_cast<uint8_t>(rng());
      } while ((i > 0 && !fresh(out[i - 1], next)) ||
               (i + 1 == again && !fresh(next, out[10])));
    }
    if (i > 0 && i != again + 1) seen[out[i - 1] << 8 | next] = true;
    out.push_back(next);
  }
  return out;
}

struct Decoded {
  uint32_t result;
  Bytes output;
};

// Decodes with our decoder, reading in its usual 2048-byte requests.
inline Decoded Explode(const Bytes& stream) {
  struct Io {
    const Bytes& in;
    size_t offset;
    Bytes out;
  } io{stream, 0, {}};
  auto read = [](uint8_t* buffer, uint32_t* size, void* param) -> uint32_t {
    auto& s = *static_cast<Io*>(param);
    const size_t n = std::min<size_t>(*size, s.in.size() - s.offset);
    if (n > 0) std::memcpy(buffer, s.in.data() + s.offset, n);
    s.offset += n;
    return static_cast<uint32_t>(n);
  };
  auto write = [](uint8_t* buffer, uint32_t* size, void* param) {
    auto& s = *static_cast<Io*>(param);
    s.out.insert(s.out.end(), buffer, buffer + *size);
  };
  auto state = std::make_unique<ExplodeState>();
  const uint32_t result = ExplodeStream(read, write, state.get(), &io);
  return {result, std::move(io.out)};
}

}  // namespace tsv_test
