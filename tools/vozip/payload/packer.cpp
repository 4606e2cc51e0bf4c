#include "payload/packer.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "archive/archive_writer.h"
#include "implode/implode.h"
#include "payload/dos_time.h"
#include "payload/host_fs.h"

namespace vozip {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHolder = std::unique_ptr<std::FILE, FileCloser>;

// The scratch file for one stream, removed when done.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& folder)
      : path_(host::JoinPath(folder, ".vozip-" + std::to_string(host::ProcessId()) + ".stream")) {}
  ~ScratchFile() {
    file_.reset();
    host::RemoveFile(path_);
  }
  bool Open() {
    file_.reset(host::OpenFile(path_, "wb"));
    return file_ != nullptr;
  }
  bool Close() { return std::fclose(file_.release()) == 0; }
  std::FILE* file() const { return file_.get(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  FileHolder file_;
};

uint32_t StoredTime(const PackItem& item, PackOptions* options) {
  int64_t seconds = item.mtime_seconds;
  if (options->clamp_times && seconds > options->clamp_seconds) seconds = options->clamp_seconds;
  uint32_t value = kFirstDosTime;
  DosRange range = DosRange::kInside;
  if (!DosTimeFromUnixSeconds(seconds, &value, &range)) {
    if (options->warn) {
      options->warn(item.display_name + ": cannot convert its time; stored as 1980-01-01");
    }
    return kFirstDosTime;
  }
  if (range != DosRange::kInside && options->warn) {
    options->warn(item.display_name + ": modification time lies " +
                  (range == DosRange::kBefore1980 ? "before 1980" : "after 2107") +
                  ", outside what the archive can carry; stored as " +
                  FormatCivilTime(UnpackDosTime(value)));
  }
  return value;
}

class ItemPacker {
 public:
  ItemPacker(PackOptions* options, ArchiveWriter* writer, uint64_t total)
      : options_(options), writer_(writer), total_(total) {}

  bool Pack(const PackItem& item, std::string* error) {
    FileHolder source(host::OpenFile(item.source_path, "rb"));
    if (source == nullptr) {
      *error = item.display_name + ": cannot open: " + std::strerror(errno);
      return false;
    }
    const bool in_memory = item.size <= kInMemoryStreamLimit;
    std::vector<uint8_t> memory;
    std::unique_ptr<ScratchFile> scratch;
    if (!in_memory) {
      scratch = std::make_unique<ScratchFile>(options_->scratch_folder);
      if (!scratch->Open()) {
        *error = scratch->path() + ": cannot create a scratch file: " + std::strerror(errno);
        return false;
      }
    }
    bool read_failed = false;
    const ImplodeReader read = [&](uint8_t* buffer, size_t capacity, size_t* stored) {
      *stored = std::fread(buffer, 1, capacity, source.get());
      if (*stored == 0 && std::ferror(source.get())) {
        read_failed = true;
        return false;
      }
      Advance(*stored);
      return true;
    };
    const ImplodeWriter write = [&](const uint8_t* data, size_t size) {
      if (in_memory) {
        memory.insert(memory.end(), data, data + size);
        return true;
      }
      return std::fwrite(data, 1, size, scratch->file()) == size;
    };
    ImplodeOptions implode;
    implode.level = options_->level;
    implode.literals = LiteralMode::kAuto;
    implode.dict_size = 4096;
    ImplodeSummary summary;
    const ImplodeStatus status = ImplodeStream(read, write, implode, &summary);
    if (status != ImplodeStatus::kOk) {
      *error = item.display_name + ": " +
               (read_failed ? std::string("read failed: ") + std::strerror(errno)
                            : ImplodeStatusText(status));
      return false;
    }
    if (!in_memory && !scratch->Close()) {
      *error = scratch->path() + ": write failed";
      return false;
    }
    // The file may have changed since the folder was scanned: what was read counts.
    if (summary.input_size > kMaxFileSize || summary.output_size > kMaxFileSize) {
      *error = item.display_name + ": " +
               (summary.input_size > kMaxFileSize
                    ? "grew to 4 GiB or more while it was packed"
                    : "its compressed stream is 4 GiB or more, beyond what the archive carries");
      return false;
    }
    EntryHeader header;
    header.dos_date_time = StoredTime(item, options_);
    header.original_size = static_cast<uint32_t>(summary.input_size);
    header.attributes = ApplyAttributeRules(item.stored_name, DefaultAttributes(item.read_only),
                                            &options_->attribute_rules);
    header.packed_size = static_cast<uint32_t>(summary.output_size);
    header.crc = summary.input_crc;
    const bool written = writer_->BeginEntry(item.stored_name, header) &&
                         (in_memory ? writer_->AddStream(memory.data(), memory.size())
                                    : writer_->AddStreamFromFile(scratch->path())) &&
                         writer_->EndEntry();
    if (!written) {
      *error = writer_->error();
      return false;
    }
    return true;
  }

 private:
  void Advance(size_t count) {
    done_ += count;
    if (options_->progress) options_->progress(done_, total_);
  }

  PackOptions* options_;
  ArchiveWriter* writer_;
  uint64_t total_;
  uint64_t done_ = 0;
};

}  // namespace

bool WriteArchive(const std::vector<PackItem>& items, PackOptions* options, std::FILE* out,
                  uint64_t* archive_size, std::string* error) {
  uint64_t total = 0;
  for (const PackItem& item : items) total += item.size;
  ArchiveWriter writer(out, options->key);
  ItemPacker packer(options, &writer, total);
  for (const PackItem& item : items) {
    if (!packer.Pack(item, error)) return false;
  }
  if (!writer.Finish()) {
    *error = writer.error();
    return false;
  }
  *archive_size = writer.body_size() + 4;  // the checksum closes it
  for (const AttributeRule& rule : options->attribute_rules) {
    if (rule.matches == 0 && options->warn) {
      options->warn("--attrib " + rule.text + " matched no file");
    }
  }
  return true;
}

bool ParseSourceDateEpoch(const std::string& text, int64_t* seconds) {
  if (text.empty() || text.size() > 18) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *seconds = value;
  return true;
}

}  // namespace vozip
