// A bounds-checked little-endian reader over a byte range, used by the readers of .res files,
// PE files and resource templates. Every read checks its range in 64-bit arithmetic; a read
// past the end yields zeros and marks the reader as failed, so a parser can read a whole
// structure and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace nux::res {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

class ByteReader {
 public:
  ByteReader(const uint8_t* data, uint64_t size) : data_(data), size_(data ? size : 0) {}

  bool ok() const { return ok_; }
  void fail() { ok_ = false; }
  uint64_t pos() const { return pos_; }
  uint64_t size() const { return size_; }
  uint64_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
  const uint8_t* data() const { return data_; }
  const uint8_t* here() const { return data_ + (pos_ <= size_ ? pos_ : size_); }

  // True when [offset, offset + length) lies inside the range.
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  void Seek(uint64_t offset) {
    if (offset > size_) {
      ok_ = false;
      pos_ = size_;
    } else {
      pos_ = offset;
    }
  }
  void Skip(uint64_t length) {
    if (!Has(pos_, length)) {
      ok_ = false;
      pos_ = size_;
    } else {
      pos_ += length;
    }
  }
  // Moves to the next multiple of `alignment` (counted from the start of the range). Running
  // off the end while aligning is not an error by itself: the next read fails instead.
  void Align(uint64_t alignment) {
    uint64_t next = (pos_ + alignment - 1) / alignment * alignment;
    if (next > size_) {
      pos_ = size_;
      past_ = true;
    } else {
      pos_ = next;
    }
  }
  // True when nothing is left to read (also after aligning past the end).
  bool AtEnd() const { return past_ || pos_ >= size_; }

  uint8_t U8() {
    if (!Readable(1)) return 0;
    return data_[pos_++];
  }
  uint16_t U16() {
    if (!Readable(2)) return 0;
    uint16_t v = Le16(data_ + pos_);
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Readable(4)) return 0;
    uint32_t v = Le32(data_ + pos_);
    pos_ += 4;
    return v;
  }
  int16_t I16() { return int16_t(U16()); }

  // A NUL-terminated UTF-16 string; the NUL is consumed. A string that runs off the end fails.
  std::u16string WString() {
    std::u16string s;
    for (;;) {
      if (!Readable(2)) return s;
      char16_t c = char16_t(Le16(data_ + pos_));
      pos_ += 2;
      if (c == 0) return s;
      s.push_back(c);
    }
  }
  // `count` UTF-16 units without a terminator.
  std::u16string WChars(uint64_t count) {
    std::u16string s;
    if (count > remaining() / 2) {
      ok_ = false;
      pos_ = size_;
      return s;
    }
    s.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
      s.push_back(char16_t(Le16(data_ + pos_)));
      pos_ += 2;
    }
    return s;
  }

 private:
  bool Readable(uint64_t n) {
    if (past_ || !Has(pos_, n)) {
      ok_ = false;
      pos_ = size_;
      return false;
    }
    return true;
  }

  const uint8_t* data_;
  uint64_t size_;
  uint64_t pos_ = 0;
  bool ok_ = true;
  bool past_ = false;  // aligned past the end: the next read fails
};

}  // namespace nux::res
