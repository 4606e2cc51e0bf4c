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
// Every code is decoded by direct lookups on 8 bits of lookahead (decode_tables.h).
//
// The bit reader must behave as one that always holds exactly 8 bits of lookahead
// and pulls one input byte per consumption when it runs short: a consumption of n
// bits succeeds only when n + 8 stream bits are still unconsumed, and the read
// procedure is called only when the input buffer is used up and more bits are
// needed. That rule decides which truncated streams end in result 4 and when reads
// happen. The reader below keeps it exactly while pulling up to eight bytes at a
// time, and decodes in two ways:
//
//   - the fast path, when the bits at hand cover the longest item: no checks, the
//     item's consumptions merged into one shift;
//   - the checked path, near the end of the input buffer: the item's consumptions one
//     by one, each of which may read more input or fail.
//
// No write happens inside an item, so merging its consumptions changes neither the
// reads nor the result.

#include "explode/explode.h"

#include <cstring>

#include "explode/decode_tables.h"
#include "explode/implode_format.h"

namespace {

using explode_tables::kDistanceDecode;
using explode_tables::kLengthDecode;
using explode_tables::kLiteralFirst;
using explode_tables::kLiteralSecond;

constexpr unsigned kLookahead = 8;
// Most bits one item can consume: flag 1 + length code 7 + extra 8 + distance code 8
// + low bits 6. With this many bits beyond the lookahead an item needs no checks.
constexpr unsigned kMaxItemBits = 30;
constexpr unsigned kBlock = kExplodeBlockSize;

uint64_t LoadLittleEndian64(const uint8_t* p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  value = __builtin_bswap64(value);
#endif
  return value;
}

uint64_t LowBits(uint64_t bits, unsigned count) { return bits & ((uint64_t{1} << count) - 1); }

enum class Step { kItemDone, kEndOfStream, kInputEnded };

// The decoding loop's working copy of the state, kept in locals so that the hot
// fields live in registers; the work area holds the window and the input buffer.
struct Decoder {
  ExplodeState& s;
  uint64_t bits;       // unconsumed stream bits, the next one in bit 0
  unsigned bit_count;  // valid bits in `bits`; never below 8 (the lookahead)
  uint32_t in_pos;
  uint32_t in_count;
  uint32_t out_pos;
  unsigned dict_bits;

  unsigned Lookahead() const { return static_cast<unsigned>(bits & 0xFF); }

  void Drop(unsigned n) {
    bits >>= n;
    bit_count -= n;
  }

  // Moves buffered input bytes into `bits` without calling the read procedure. The
  // wide load may leave the first bits of the next, uncounted bytes above bit_count;
  // they are the same bits those bytes bring when counted, so OR-ing them in again
  // is harmless, and once the buffer is used up no such bits remain.
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

  // One consumption of the checked path: n bits (at most 8), or false when the
  // input ends before n + 8 bits are at hand.
  bool Consume(unsigned n) {
    if (bit_count < n + kLookahead && !Fill(n)) return false;
    Drop(n);
    return true;
  }

  void Put(unsigned byte) { s.window[out_pos++] = static_cast<uint8_t>(byte); }

  // Copies forward, so that a copy may overlap the bytes it produces: distance 1
  // repeats the last byte. Eight bytes at a time may run up to 7 bytes past the
  // copy's end, into window positions not produced yet, where there is room.
  void Copy(unsigned distance, unsigned length) {
    uint8_t* to = s.window + out_pos;
    const uint8_t* from = to - distance;
    uint8_t* const end = to + length;
    out_pos += length;
    if (distance >= 8 && out_pos + 7 <= kExplodeWindowSize) {
      do {
        std::memcpy(to, from, 8);
        to += 8;
        from += 8;
      } while (to < end);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      while (to < end) *to++ = *from++;
    }
  }

  template <bool kCodedLiterals>
  Step FastItem() {
    if ((bits & 1) == 0) {
      unsigned symbol;
      unsigned used;
      if constexpr (kCodedLiterals) {
        const unsigned first = kLiteralFirst[(bits >> 1) & 0xFF];
        if (!explode_tables::IsLiteralEscape(first)) {
          symbol = explode_tables::EntrySymbol(first);
          used = 1 + explode_tables::EntryBits(first);
        } else {
          const unsigned prefix = 1 + explode_tables::EntryBits(first);
          const unsigned second = explode_tables::SecondLiteral(first, bits >> prefix);
          symbol = explode_tables::EntrySymbol(second);
          used = prefix + explode_tables::EntryBits(second);
        }
      } else {
        symbol = (bits >> 1) & 0xFF;
        used = 9;
      }
      Drop(used);
      Put(symbol);
      return Step::kItemDone;
    }

    const uint32_t length_entry = kLengthDecode[(bits >> 1) & 0xFF];
    unsigned used = 1 + explode_tables::LengthCodeBits(length_entry);
    const unsigned extra = explode_tables::LengthExtraBits(length_entry);
    const unsigned value =
        explode_tables::LengthBase(length_entry) + static_cast<unsigned>(LowBits(bits >> used, extra));
    if (value == implode::kEndOfStreamValue) return Step::kEndOfStream;
    used += extra;
    const unsigned distance_entry = kDistanceDecode[(bits >> used) & 0xFF];
    used += explode_tables::EntryBits(distance_entry);
    const unsigned low_bits = value == 0 ? implode::kShortCopyLowBits : dict_bits;
    const unsigned low = static_cast<unsigned>(LowBits(bits >> used, low_bits));
    Drop(used + low_bits);
    Copy((explode_tables::EntrySymbol(distance_entry) << low_bits) + low + 1,
         value + implode::kMinCopy);
    return Step::kItemDone;
  }

  template <bool kCodedLiterals>
  Step CheckedLiteral() {
    unsigned symbol = Lookahead();
    if constexpr (kCodedLiterals) {
      unsigned entry = kLiteralFirst[symbol];
      if (explode_tables::IsLiteralEscape(entry)) {
        // Long codes are reached through their first 8, 4 or 6 bits.
        if (!Consume(explode_tables::EntryBits(entry))) return Step::kInputEnded;
        entry = explode_tables::SecondLiteral(entry, bits);
      }
      symbol = explode_tables::EntrySymbol(entry);
      if (!Consume(explode_tables::EntryBits(entry))) return Step::kInputEnded;
    } else {
      if (!Consume(8)) return Step::kInputEnded;
    }
    Put(symbol);
    return Step::kItemDone;
  }

  template <bool kCodedLiterals>
  Step CheckedItem() {
    const bool is_copy = (bits & 1) != 0;
    if (!Consume(1)) return Step::kInputEnded;
    if (!is_copy) return CheckedLiteral<kCodedLiterals>();

    const uint32_t length_entry = kLengthDecode[Lookahead()];
    if (!Consume(explode_tables::LengthCodeBits(length_entry))) return Step::kInputEnded;
    const unsigned extra = explode_tables::LengthExtraBits(length_entry);
    unsigned value = explode_tables::LengthBase(length_entry);
    if (extra != 0) {
      value += static_cast<unsigned>(LowBits(bits, extra));
      // The marker may end in the stream's last byte: its extra bits need no
      // lookahead behind them.
      if (!Consume(extra) && value != implode::kEndOfStreamValue) return Step::kInputEnded;
    }
    if (value == implode::kEndOfStreamValue) return Step::kEndOfStream;

    const unsigned distance_entry = kDistanceDecode[Lookahead()];
    if (!Consume(explode_tables::EntryBits(distance_entry))) return Step::kInputEnded;
    const unsigned low_bits = value == 0 ? implode::kShortCopyLowBits : dict_bits;
    const unsigned low = static_cast<unsigned>(LowBits(bits, low_bits));
    if (!Consume(low_bits)) return Step::kInputEnded;
    Copy((explode_tables::EntrySymbol(distance_entry) << low_bits) + low + 1,
         value + implode::kMinCopy);
    return Step::kItemDone;
  }

  // Hands over the full block and keeps it as the history of the next one.
  void FlushBlock() {
    uint32_t size = kBlock;
    s.write(s.window + kBlock, &size, s.param);
    std::memmove(s.window, s.window + kBlock, out_pos - kBlock);
    out_pos -= kBlock;
  }

  template <bool kCodedLiterals>
  Step Run() {
    for (;;) {
      if (bit_count < 64 - 8) Refill();
      const Step step = bit_count >= kMaxItemBits + kLookahead ? FastItem<kCodedLiterals>()
                                                               : CheckedItem<kCodedLiterals>();
      if (step != Step::kItemDone) return step;
      if (out_pos >= 2 * kBlock) FlushBlock();
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
  if (s.literal_mode != implode::kRawLiterals && s.literal_mode != implode::kCodedLiterals) {
    return kExplodeBadLiteralMode;
  }

  // A copy reaching back before the stream's first byte finds zeros, never what an
  // earlier stream or the caller left in the work area.
  std::memset(s.window, 0, kBlock);
  s.output_pos = kBlock;

  Decoder decoder{s, s.bit_buffer, kLookahead, s.input_pos, s.input_count, s.output_pos,
                  s.dict_bits};
  const Step end = s.literal_mode == implode::kCodedLiterals ? decoder.Run<true>()
                                                             : decoder.Run<false>();
  s.input_pos = decoder.in_pos;
  s.input_count = decoder.in_count;
  s.output_pos = decoder.out_pos;
  s.bit_buffer = static_cast<uint32_t>(decoder.bits);
  s.extra_bits = decoder.bit_count - kLookahead;

  uint32_t last = s.output_pos - kBlock;
  write(s.window + kBlock, &last, param);
  return end == Step::kInputEnded ? kExplodeInputEnded : kExplodeOk;
}
