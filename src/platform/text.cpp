#include "platform/text.h"

#include <cstdlib>
#include <cstring>

namespace {

// The program has no way to go on without memory for a path; stopping at once is
// safer than working with a truncated one.
void* CheckedRealloc(void* block, size_t size) {
  void* result = std::realloc(block, size);
  if (result == nullptr) std::abort();
  return result;
}

}  // namespace

Text::Text(const char* text) : Text(text, text != nullptr ? std::strlen(text) : 0) {}

Text::Text(const char* bytes, size_t count) { Append(bytes, count); }

Text::Text(const Text& other) { Append(other.data_, other.size_); }

Text::Text(Text&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.size_ = other.capacity_ = 0;
}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    Resize(0);
    Append(other.data_, other.size_);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
  }
  return *this;
}

Text::~Text() { std::free(data_); }

void Text::Reserve(size_t count) {
  if (count + 1 <= capacity_) return;
  size_t capacity = capacity_ < 16 ? 16 : capacity_;
  while (capacity < count + 1) capacity *= 2;
  data_ = static_cast<char*>(CheckedRealloc(data_, capacity));
  capacity_ = capacity;
}

void Text::Resize(size_t count) {
  Reserve(count);
  if (count > size_) std::memset(data_ + size_, 0, count - size_);
  size_ = count;
  data_[size_] = '\0';
}

void Text::TrimAtZero() {
  if (data_ != nullptr) Resize(std::strlen(data_));
}

Text& Text::Append(const char* bytes, size_t count) {
  Reserve(size_ + count);
  if (count > 0) std::memmove(data_ + size_, bytes, count);
  size_ += count;
  data_[size_] = '\0';
  return *this;
}

Text& Text::operator+=(const char* text) { return Append(text, std::strlen(text)); }

Text Text::Substring(size_t start, size_t count) const {
  if (start >= size_) return Text();
  if (count > size_ - start) count = size_ - start;
  return Text(data_ + start, count);
}

bool Text::operator==(const Text& other) const {
  return size_ == other.size_ && (size_ == 0 || std::memcmp(data_, other.data_, size_) == 0);
}

Text operator+(const Text& left, const Text& right) { return Text(left) += right; }
Text operator+(const Text& left, const char* right) { return Text(left) += right; }
Text operator+(const char* left, const Text& right) { return Text(left) += right; }
Text operator+(const Text& left, char right) { return Text(left) += right; }
