// Stream assembly: reads the input into a sliding window, has the level's parser
// cover it block by block, and encodes the items in one or both literal modes.

#include "implode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "binary_tree.h"
#include "chain_parsers.h"
#include "cost_model.h"
#include "encoder.h"
#include "explode/crc32.h"
#include "explode/implode_format.h"
#include "fast_parser.h"
#include "hash_chain.h"
#include "levels.h"
#include "optimal_parser.h"
#include "spill_buffer.h"
#include "stream_writer.h"

namespace vozip {
namespace {

// The binary tree keeps two dictionaries' worth of slots (the hash chains one).
constexpr uint32_t kSlotCountPerDict = 2;

unsigned DictBits(unsigned dict_size) {
  unsigned bits = implode::kMinDictBits;
  while ((64u << bits) < dict_size) ++bits;
  return bits;
}

// One stream being written: its mode, its costs, and where its bytes go.
struct Output {
  Output(uint8_t mode, unsigned dict_bits, size_t spill_memory)
      : costs(MakeCostModel(mode, dict_bits)), writer(mode, dict_bits), spill(spill_memory) {}

  CostModel costs;
  StreamWriter writer;  // holds the bytes encoded and not yet handed on
  SpillBuffer spill;  // literals auto only
  Items items;        // the block's parse for this mode (the first output's if shared)
};

class Encoder {
 public:
  Encoder(const ImplodeOptions& options, const EncoderLimits& limits)
      : dict_size_(options.dict_size),
        dict_bits_(DictBits(options.dict_size)),
        plan_(PlanForLevel(options.level, options.dict_size)),
        auto_mode_(options.literals == LiteralMode::kAuto),
        raw_costs_(MakeCostModel(implode::kRawLiterals, dict_bits_)),
        block_size_(plan_.parser == Parser::kOptimal ? limits.optimal_block : limits.chain_block),
        // After a slide pos_ lies below dictionary + slide unit; then come a block
        // and the lookahead, and the last copy may run 517 bytes past the block.
        window_size_((1 + kSlotCountPerDict) * size_t{dict_size_} + block_size_ +
                     2 * implode::kMaxCopy),
        // Uninitialised: only what the input fills is ever read.
        window_(new uint8_t[window_size_]) {
    if (options.literals != LiteralMode::kCoded) {
      outputs_.push_back(
          std::make_unique<Output>(implode::kRawLiterals, dict_bits_, limits.spill_memory));
    }
    if (options.literals != LiteralMode::kRaw) {
      outputs_.push_back(
          std::make_unique<Output>(implode::kCodedLiterals, dict_bits_, limits.spill_memory));
    }
    if (plan_.parser == Parser::kOptimal) {
      tree_.emplace(dict_size_);
      optimal_.emplace(block_size_);
    } else if (plan_.parser == Parser::kFast) {
      fast_.emplace(dict_size_);
    } else {
      chain_.emplace(dict_size_);
    }
  }

  ImplodeStatus Run(const ImplodeReader& read, const ImplodeWriter& write,
                    ImplodeSummary* summary) {
    want_crc_ = summary != nullptr;  // only a summary reports it
    for (;;) {
      if (!Fill(read)) return ImplodeStatus::kReadFailed;
      if (pos_ == data_end_) break;  // Fill reads until the window is full or input ends
      ParseBlock();
      if (const ImplodeStatus status = HandOn(write); status != ImplodeStatus::kOk) return status;
    }
    for (auto& output : outputs_) output->writer.Finish();
    if (const ImplodeStatus status = HandOn(write); status != ImplodeStatus::kOk) return status;

    Output& chosen = *outputs_[Chosen()];
    if (auto_mode_) {
      bool write_failed = false;
      if (!chosen.spill.CopyTo(write, &write_failed)) {
        return write_failed ? ImplodeStatus::kWriteFailed : ImplodeStatus::kSpillFailed;
      }
    }
    if (summary != nullptr) {
      summary->input_size = input_size_;
      summary->output_size = written_[Chosen()];
      summary->input_crc = crc_;
      summary->literal_mode = chosen.costs.literal_mode;
    }
    return ImplodeStatus::kOk;
  }

 private:
  // Slides the window so that it keeps the dictionary behind pos_, then reads until
  // a whole block and a longest copy's worth of lookahead lie ahead of pos_.
  bool Fill(const ImplodeReader& read) {
    // Sliding by a multiple of the match finders' slot count keeps every stored
    // position in its slot (position mod that count).
    const uint32_t unit = kSlotCountPerDict * dict_size_;
    if (pos_ >= dict_size_ + unit) {
      const uint32_t shift = (pos_ - dict_size_) & ~(unit - 1);
      std::memmove(window_.get(), window_.get() + shift, data_end_ - shift);
      pos_ -= shift;
      data_end_ -= shift;
      if (fast_) fast_->Rebase(shift);
      if (chain_) chain_->Rebase(shift);
      if (tree_) tree_->Rebase(shift);
    }
    const size_t want = size_t{pos_} + block_size_ + implode::kMaxCopy;
    while (!input_ended_ && data_end_ < want) {
      size_t stored = 0;
      if (!read(window_.get() + data_end_, window_size_ - data_end_, &stored)) return false;
      if (stored > window_size_ - data_end_) return false;  // a reader that overran
      if (stored == 0) {
        input_ended_ = true;
        break;
      }
      const uint32_t count = static_cast<uint32_t>(stored);
      if (want_crc_) crc_ = UpdateCrc32(window_.get() + data_end_, &count, &crc_);
      data_end_ += count;
      input_size_ += count;
    }
    return true;
  }

  void ParseBlock() {
    ParseRange range{window_.get(), pos_, pos_ + block_size_, data_end_};
    if (range.end > data_end_) range.end = data_end_;  // only where the input has ended
    uint32_t after = range.end;
    // The parses other than the minimum-cost one do not depend on the literal mode:
    // they weigh short copies against raw literals whatever the mode. So one parse
    // serves both streams of literals auto, which then is exactly the smaller of the
    // two streams the modes give alone (a coded-aware choice would gain about 0.1
    // to 1% in coded mode).
    Items& shared = outputs_[0]->items;
    const Items* items_of[OptimalParser::kMaxModels] = {&shared, &shared};
    shared.clear();
    switch (plan_.parser) {
      case Parser::kFast:
        after = fast_->Parse(range, &shared);
        break;
      case Parser::kGreedy:
        after = ParseGreedy(*chain_, range, plan_.chain, raw_costs_, &shared);
        break;
      case Parser::kLazy:
        after = ParseLazy(*chain_, range, plan_.chain, raw_costs_, &shared);
        break;
      case Parser::kOptimal: {
        const CostModel* costs[OptimalParser::kMaxModels];
        Items* items[OptimalParser::kMaxModels];
        for (size_t k = 0; k < outputs_.size(); ++k) {
          costs[k] = &outputs_[k]->costs;
          items[k] = &outputs_[k]->items;
          items_of[k] = items[k];
        }
        optimal_->Parse(*tree_, range, plan_.tree, costs, items,
                        static_cast<unsigned>(outputs_.size()));
        break;
      }
    }
    if (outputs_.size() == 2 && items_of[0] == items_of[1]) {
      StreamWriter::WriteItemsTwice(shared, window_.get(), pos_, outputs_[0]->writer,
                                    outputs_[1]->writer);
    } else {
      for (size_t k = 0; k < outputs_.size(); ++k) {
        outputs_[k]->writer.WriteItems(*items_of[k], window_.get(), pos_);
      }
    }
    pos_ = after;
  }

  // Passes the bytes encoded so far on: straight to `write` for one mode, into the
  // spill buffers for auto.
  ImplodeStatus HandOn(const ImplodeWriter& write) {
    for (size_t k = 0; k < outputs_.size(); ++k) {
      Output& output = *outputs_[k];
      const size_t size = output.writer.size();
      written_[k] += size;
      if (auto_mode_) {
        if (!output.spill.Append(output.writer.data(), size)) return ImplodeStatus::kSpillFailed;
      } else if (size > 0 && !write(output.writer.data(), size)) {
        return ImplodeStatus::kWriteFailed;
      }
      output.writer.ClearOutput();
    }
    return ImplodeStatus::kOk;
  }

  // The smaller stream; raw (listed first) on a tie.
  size_t Chosen() const { return outputs_.size() == 2 && written_[1] < written_[0] ? 1 : 0; }

  const uint32_t dict_size_;
  const unsigned dict_bits_;
  const LevelPlan plan_;
  const bool auto_mode_;
  const CostModel raw_costs_;
  const uint32_t block_size_;
  const size_t window_size_;
  std::unique_ptr<uint8_t[]> window_;
  uint32_t pos_ = 0;       // next position to parse
  uint32_t data_end_ = 0;  // first position not yet read
  bool input_ended_ = false;
  uint64_t input_size_ = 0;
  bool want_crc_ = false;
  uint32_t crc_ = kCrc32Preset;
  std::vector<std::unique_ptr<Output>> outputs_;  // raw first when both
  uint64_t written_[2] = {0, 0};
  std::optional<FastParser> fast_;
  std::optional<HashChain> chain_;
  std::optional<BinaryTree> tree_;
  std::optional<OptimalParser> optimal_;
};

}  // namespace

bool ValidImplodeOptions(const ImplodeOptions& options) {
  const bool dict_ok = options.dict_size == 1024 || options.dict_size == 2048 ||
                       options.dict_size == 4096;
  const bool literals_ok = options.literals == LiteralMode::kRaw ||
                           options.literals == LiteralMode::kCoded ||
                           options.literals == LiteralMode::kAuto;
  return dict_ok && literals_ok && options.level >= kMinLevel && options.level <= kMaxLevel;
}

const char* ImplodeStatusText(ImplodeStatus status) {
  switch (status) {
    case ImplodeStatus::kOk: return "ok";
    case ImplodeStatus::kBadOptions: return "invalid compression options";
    case ImplodeStatus::kReadFailed: return "read error";
    case ImplodeStatus::kWriteFailed: return "write error";
    case ImplodeStatus::kSpillFailed: return "cannot write a temporary file";
  }
  return "unknown error";
}

ImplodeStatus RunEncoder(const ImplodeReader& read, const ImplodeWriter& write,
                         const ImplodeOptions& options, const EncoderLimits& limits,
                         ImplodeSummary* summary) {
  if (!ValidImplodeOptions(options)) return ImplodeStatus::kBadOptions;
  Encoder encoder(options, limits);
  return encoder.Run(read, write, summary);
}

ImplodeStatus ImplodeStream(const ImplodeReader& read, const ImplodeWriter& write,
                            const ImplodeOptions& options, ImplodeSummary* summary) {
  return RunEncoder(read, write, options, EncoderLimits{}, summary);
}

std::vector<uint8_t> Implode(const uint8_t* data, size_t size, const ImplodeOptions& options) {
  if (!ValidImplodeOptions(options)) throw std::invalid_argument("invalid implode options");
  size_t offset = 0;
  const ImplodeReader read = [&](uint8_t* buffer, size_t capacity, size_t* stored) {
    *stored = std::min(capacity, size - offset);
    if (*stored > 0) std::memcpy(buffer, data + offset, *stored);
    offset += *stored;
    return true;
  };
  std::vector<uint8_t> stream;
  const ImplodeWriter write = [&](const uint8_t* bytes, size_t count) {
    stream.insert(stream.end(), bytes, bytes + count);
    return true;
  };
  EncoderLimits limits;
  limits.spill_memory = SIZE_MAX;  // both candidates stay in memory
  RunEncoder(read, write, options, limits, nullptr);  // memory cannot fail here
  return stream;
}

}  // namespace vozip
