// Decoder for the implode stream format.
//
// The stream is a header of two bytes (literal mode, dictionary bits d) and then a
// sequence of items, each introduced by one flag bit:
//
//   0, literal:  8 raw bits, or a prefix code from the literal table (coded mode)
//   1, copy:     length code + extra bits; then, unless the length value is the
//                end-of-stream marker 517, distance code + low bits (2 for copies of
//                length 2, d otherwise). Distance = (index << low bits | low) + 1.
//
// Every code is decoded by direct lookups on 8 bits of lookahead. The bit reader
// must behave as one that always holds exactly 8 bits of lookahead and pulls one
// input byte per consumption when it runs short: a consumption of n bits succeeds
// only when n + 8 stream bits are still unconsumed, and the read procedure is called
// only when the input buffer is used up and more bits are needed. That rule decides
// which truncated streams end in result 4 and when reads happen, so the faster
// reader below keeps it exactly, while pulling up to eight bytes at a time.

#include "explode/explode.h"

#include <cstring>

#include "explode/implode_format.h"

namespace {

constexpr uint8_t kLiteralEscape = 255;
constexpr unsigned kLookahead = 8;
// Most bits one item can consume: flag 1 + length code 7 + extra 8 + distance code 8
// + low bits 6. With this many bits beyond the lookahead an item needs no checks.
constexpr unsigned kMaxItemBits = 30;

// Stores symbol at every lookup index whose low `length` bits are `code`.
void FillLookup(uint8_t* lookup, unsigned size, unsigned code, unsigned length,
                uint8_t symbol) {
  for (unsigned index = code; index < size; index += 1u << length) lookup[index] = symbol;
}

template <size_t N>
void BuildLookup(uint8_t* lookup, const std::array<uint16_t, N>& codes,
                 const std::array<uint8_t, N>& lengths) {
  for (unsigned symbol = N; symbol-- > 0;) {
    FillLookup(lookup, 256, codes[symbol], lengths[symbol], static_cast<uint8_t>(symbol));
  }
}

// Literal codes are 4 to 13 bits long. Those of 8 bits or fewer are found in one
// lookup; longer ones need a second lookup on the bits after a shorter prefix, and
// their stored length becomes what is left to consume after that prefix.
void BuildLiteralLookups(ExplodeState& s) {
  std::memcpy(s.literal_lengths, implode::kLiteralCodeLengths.data(), 256);
  for (unsigned symbol = 256; symbol-- > 0;) {
    const unsigned code = implode::kLiteralCodes[symbol];
    const unsigned length = s.literal_lengths[symbol];
    const uint8_t value = static_cast<uint8_t>(symbol);
    if (length <= 8) {
      FillLookup(s.literal_first, 256, code, length, value);
    } else if ((code & 0xFF) == 0) {
      FillLookup(s.literal_low, 256, code >> 8, length - 8, value);
      s.literal_lengths[symbol] = static_cast<uint8_t>(length - 8);
    } else {
      s.literal_first[code & 0xFF] = kLiteralEscape;
      if ((code & 0x3F) != 0) {
        FillLookup(s.literal_mid, 256, code >> 4, length - 4, value);
        s.literal_lengths[symbol] = static_cast<uint8_t>(length - 4);
      } else {
        FillLookup(s.literal_high, 128, code >> 6, length - 6, value);
        s.literal_lengths[symbol] = static_cast<uint8_t>(length - 6);
      }
    }
  }
}

void BuildCopyLookups(ExplodeState& s) {
  std::memcpy(s.length_lengths, implode::kLengthCodeLengths.data(), 16);
  BuildLookup(s.length_lookup, implode::kLengthCodes, implode::kLengthCodeLengths);
  std::memcpy(s.length_extra_bits, implode::kLengthExtraBits.data(), 16);
  std::memcpy(s.length_bases, implode::kLengthBases.data(), sizeof s.length_bases);
  std::memcpy(s.distance_lengths, implode::kDistanceCodeLengths.data(), 64);
  BuildLookup(s.distance_lookup, implode::kDistanceCodes, implode::kDistanceCodeLengths);
}

uint64_t LoadLittleEndian64(const uint8_t* p) {
  uint64_t value = 0;
  for (unsigned i = 0; i < 8; ++i) value |= uint64_t{p[i]} << (8 * i);
  return value;  // compilers turn this into one load on little-endian machines
}

enum class Step { kItemDone, kEndOfStream, kInputEnded };

// The decoding loop's working copy of the state, kept in locals so that the hot
// fields live in registers; the work area holds the buffers and lookups.
struct Decoder {
  ExplodeState& s;
  uint64_t bits;       // unconsumed stream bits, the next one in bit 0
  unsigned bit_count;  // valid bits in `bits`; never below 8 (the lookahead)
  uint32_t in_pos;
  uint32_t in_count;
  uint32_t out_pos;

  unsigned Lookahead() const { return static_cast<unsigned>(bits & 0xFF); }

  // Moves buffered input bytes into `bits` without calling the read procedure. The
  // wide load may leave the first bits of the next, uncounted bytes above bit_count;
  // they are the same bits those bytes bring when counted, so OR-ing them in again
  // is harmless.
  void Refill() {
    if (in_count - in_pos >= 8) {
      bits |= LoadLittleEndian64(s.input + in_pos) << bit_count;
      in_pos += (63 - bit_count) >> 3;
      bit_count |= 56;
      return;
    }
    while (bit_count <= 56 && in_pos < in_count) {
      bits |= uint64_t{s.input[in_pos++]} << bit_count;
      bit_count += 8;
    }
  }

  // Makes n bits consumable while keeping the lookahead full, reading more input
  // only once the buffer is used up. False when the input ends first.
  bool Fill(unsigned n) {
    Refill();
    while (bit_count < n + kLookahead) {
      uint32_t size = kExplodeReadSize;
      const uint32_t got = s.read(s.input, &size, s.param);
      if (got == 0) return false;
      // A procedure that claims more than the buffer holds gets no further than it.
      in_count = got < kExplodeReadSize ? got : kExplodeReadSize;
      in_pos = 0;
      Refill();
    }
    return true;
  }

  template <bool kChecked>
  bool Consume(unsigned n) {
    if constexpr (kChecked) {
      if (bit_count < n + kLookahead && !Fill(n)) return false;
    }
    bits >>= n;
    bit_count -= n;
    return true;
  }

  template <bool kChecked, bool kCodedLiterals>
  Step DecodeItem() {
    const bool is_copy = (bits & 1) != 0;
    if (!Consume<kChecked>(1)) return Step::kInputEnded;
    if (!is_copy) return DecodeLiteral<kChecked, kCodedLiterals>();

    const unsigned index = s.length_lookup[Lookahead()];
    if (!Consume<kChecked>(s.length_lengths[index])) return Step::kInputEnded;
    unsigned value = s.length_bases[index];
    if (const unsigned extra = s.length_extra_bits[index]; extra != 0) {
      const unsigned extra_value = Lookahead() & ((1u << extra) - 1);
      value += extra_value;
      // The marker may end in the stream's last byte: its extra bits need no
      // lookahead behind them.
      if (!Consume<kChecked>(extra) && value != implode::kEndOfStreamValue) {
        return Step::kInputEnded;
      }
    }
    if (value == implode::kEndOfStreamValue) return Step::kEndOfStream;

    const unsigned length = value + implode::kMinCopy;
    const unsigned distance_index = s.distance_lookup[Lookahead()];
    if (!Consume<kChecked>(s.distance_lengths[distance_index])) return Step::kInputEnded;
    const unsigned low_bits = length == implode::kMinCopy ? implode::kShortCopyLowBits
                                                          : s.dict_bits;
    const unsigned low = Lookahead() & ((1u << low_bits) - 1);
    if (!Consume<kChecked>(low_bits)) return Step::kInputEnded;
    Copy((distance_index << low_bits) + low + 1, length);
    return Step::kItemDone;
  }

  template <bool kChecked, bool kCodedLiterals>
  Step DecodeLiteral() {
    unsigned symbol = Lookahead();
    if constexpr (kCodedLiterals) {
      if (symbol == 0) {
        if (!Consume<kChecked>(8)) return Step::kInputEnded;
        symbol = s.literal_low[Lookahead()];
      } else if (s.literal_first[symbol] != kLiteralEscape) {
        symbol = s.literal_first[symbol];
      } else if ((symbol & 0x3F) != 0) {
        if (!Consume<kChecked>(4)) return Step::kInputEnded;
        symbol = s.literal_mid[Lookahead()];
      } else {
        if (!Consume<kChecked>(6)) return Step::kInputEnded;
        symbol = s.literal_high[Lookahead() & 0x7F];
      }
      if (!Consume<kChecked>(s.literal_lengths[symbol])) return Step::kInputEnded;
    } else {
      if (!Consume<kChecked>(8)) return Step::kInputEnded;
    }
    s.window[out_pos++] = static_cast<uint8_t>(symbol);
    return Step::kItemDone;
  }

  // Copies forward, so that a copy may overlap the bytes it produces: distance 1
  // repeats the last byte. Never writes past the copy's end, which may lie at the
  // very end of the window.
  void Copy(unsigned distance, unsigned length) {
    uint8_t* to = s.window + out_pos;
    const uint8_t* from = to - distance;
    out_pos += length;
    if (distance == 1) {
      std::memset(to, *from, length);
      return;
    }
    if (distance >= 8) {
      for (; length >= 8; length -= 8, to += 8, from += 8) std::memcpy(to, from, 8);
    }
    while (length-- > 0) *to++ = *from++;
  }

  // Hands over the full block and keeps it as the history of the next one.
  void FlushBlock() {
    uint32_t size = kExplodeBlockSize;
    s.write(s.window + kExplodeBlockSize, &size, s.param);
    std::memmove(s.window, s.window + kExplodeBlockSize, out_pos - kExplodeBlockSize);
    out_pos -= kExplodeBlockSize;
  }

  template <bool kCodedLiterals>
  Step Run() {
    for (;;) {
      if (bit_count < 64 - 8) Refill();
      const Step step = bit_count >= kMaxItemBits + kLookahead
                            ? DecodeItem<false, kCodedLiterals>()
                            : DecodeItem<true, kCodedLiterals>();
      if (step != Step::kItemDone) return step;
      if (out_pos >= 2 * kExplodeBlockSize) FlushBlock();
    }
  }
};

}  // namespace

uint32_t ExplodeStream(ExplodeReadProc read, ExplodeWriteProc write, ExplodeState* state,
                       void* param) {
  ExplodeState& s = *state;
  s.read = read;
  s.write = write;
  s.param = param;

  uint32_t size = kExplodeReadSize;
  const uint32_t got = read(s.input, &size, param);
  if (got <= 4) return kExplodeShortInput;
  s.input_count = got < kExplodeReadSize ? got : kExplodeReadSize;
  s.literal_mode = s.input[0];
  s.dict_bits = s.input[1];
  s.bit_buffer = s.input[2];
  s.extra_bits = 0;
  s.input_pos = 3;

  // The dictionary byte is judged first: a header with both bytes wrong yields 1.
  if (s.dict_bits < implode::kMinDictBits || s.dict_bits > implode::kMaxDictBits) {
    return kExplodeBadDictionary;
  }
  s.dict_mask = (1u << s.dict_bits) - 1;
  if (s.literal_mode == implode::kCodedLiterals) {
    BuildLiteralLookups(s);
  } else if (s.literal_mode != implode::kRawLiterals) {
    return kExplodeBadLiteralMode;
  }
  BuildCopyLookups(s);

  // A copy reaching back before the stream's first byte finds zeros, never what an
  // earlier stream or the caller left in the work area.
  std::memset(s.window, 0, kExplodeBlockSize);
  s.output_pos = kExplodeBlockSize;

  Decoder decoder{s, s.bit_buffer, kLookahead, s.input_pos, s.input_count, s.output_pos};
  const Step end = s.literal_mode == implode::kCodedLiterals ? decoder.Run<true>()
                                                             : decoder.Run<false>();
  s.input_pos = decoder.in_pos;
  s.input_count = decoder.in_count;
  s.output_pos = decoder.out_pos;
  s.bit_buffer = static_cast<uint32_t>(decoder.bits);
  s.extra_bits = decoder.bit_count - kLookahead;

  uint32_t last = s.output_pos - kExplodeBlockSize;
  write(s.window + kExplodeBlockSize, &last, param);
  return end == Step::kInputEnded ? kExplodeInputEnded : kExplodeOk;
}
