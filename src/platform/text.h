// Text: the owned, growable single-byte string of the setup program.
//
// The program carries no C++ library runtime (a std::string drags in the exception
// machinery), so its texts are this one small holder over malloc'd memory. It keeps
// a terminating zero after its bytes, so c_str() can go to any ANSI call; the bytes
// themselves may hold zeros (a name read from an archive may).
#pragma once

#include <cstddef>

class Text {
 public:
  Text() = default;
  Text(const char* text);  // NOLINT: implicit, so that literals read as texts
  Text(const char* bytes, size_t count);
  Text(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text();

  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  // Writable bytes, for APIs that fill a buffer; Resize first to give them room.
  char* data() { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  char operator[](size_t index) const { return data_[index]; }
  char& operator[](size_t index) { return data_[index]; }
  char back() const { return data_[size_ - 1]; }

  // New bytes are zero; shrinking drops bytes from the end.
  void Resize(size_t count);
  // Sets the length to the bytes before the first zero, after a call filled data().
  void TrimAtZero();
  void PopBack() { Resize(size_ - 1); }

  Text& Append(const char* bytes, size_t count);
  Text& operator+=(const char* text);
  Text& operator+=(const Text& text) { return Append(text.data_, text.size_); }
  Text& operator+=(char c) { return Append(&c, 1); }

  Text Substring(size_t start, size_t count) const;

  bool operator==(const Text& other) const;
  bool operator!=(const Text& other) const { return !(*this == other); }

 private:
  void Reserve(size_t count);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

Text operator+(const Text& left, const Text& right);
Text operator+(const Text& left, const char* right);
Text operator+(const char* left, const Text& right);
Text operator+(const Text& left, char right);
