// Little-endian writing and bounds-checked reading of resource bytes. A reader that runs past
// the end stays failed and returns zeros, so decoders check ok() once at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.hpp"

namespace pixmend::host {

class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) { le::put16(grow(2), v); }
  void u32(std::uint32_t v) { le::put32(grow(4), v); }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
  void i64(std::int64_t v) { le::put64(grow(8), static_cast<std::uint64_t>(v)); }
  void text(const std::string& s) {
    u32(static_cast<std::uint32_t>(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
  }
  std::vector<std::uint8_t>& bytes() { return out_; }

 private:
  std::uint8_t* grow(std::size_t n) {
    out_.resize(out_.size() + n);
    return out_.data() + out_.size() - n;
  }
  std::vector<std::uint8_t> out_;
};

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<std::uint8_t>& v) : data_(v.data()), size_(v.size()) {}

  std::uint8_t u8() { return need(1) ? data_[pos_++] : 0; }
  std::uint16_t u16() {
    if (!need(2)) return 0;
    const std::uint16_t v = le::get16(data_ + pos_);
    pos_ += 2;
    return v;
  }
  std::uint32_t u32() {
    if (!need(4)) return 0;
    const std::uint32_t v = le::get32(data_ + pos_);
    pos_ += 4;
    return v;
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  std::int64_t i64() {
    if (!need(8)) return 0;
    const std::uint64_t v = le::get64(data_ + pos_);
    pos_ += 8;
    return static_cast<std::int64_t>(v);
  }
  // A length-prefixed text; the length is checked against what is left before copying.
  std::string text() {
    const std::uint32_t n = u32();
    if (!need(n)) return std::string();
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }
  bool ok() const { return ok_; }
  bool atEnd() const { return ok_ && pos_ == size_; }

 private:
  bool need(std::size_t n) {
    if (!ok_ || n > size_ - pos_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace pixmend::host
