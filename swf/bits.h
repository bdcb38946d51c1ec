#pragma once
// Bit-level reading and writing of SWF records (little-endian bytes, big-endian bit fields).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tastora::swf {

// Reads within [data, data + size). Past the end every read gives 0 and sets `overrun`:
// callers check it once after a record instead of after every field.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool overrun() const { return overrun_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t left() const { return pos_ < size_ ? size_ - pos_ : 0; }
    bool AtEnd() const { return pos_ >= size_; }
    const uint8_t* here() const { return data_ + (pos_ < size_ ? pos_ : size_); }
    void Skip(size_t n);
    void Align() { bitCount_ = 0; }

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int16_t S16() { return int16_t(U16()); }
    uint32_t Bits(int n);
    int32_t SBits(int n);
    double Fixed8() { return S16() / 256.0; }
    double Fixed16() { return int32_t(U32()) / 65536.0; }
    std::string String();  // zero-terminated (up to the end of the data)

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    uint8_t bitBuffer_ = 0;
    int bitCount_ = 0;
    bool overrun_ = false;
};

class BitWriter {
public:
    std::vector<uint8_t>& bytes() { return out_; }
    const std::vector<uint8_t>& bytes() const { return out_; }
    void Align();
    void U8(uint8_t v) {
        Align();
        out_.push_back(v);
    }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Bytes(const std::vector<uint8_t>& b) {
        Align();
        out_.insert(out_.end(), b.begin(), b.end());
    }
    void String(const std::string& s) {
        Align();
        out_.insert(out_.end(), s.begin(), s.end());
        out_.push_back(0);
    }
    void Bits(uint32_t v, int n);
    void SBits(int32_t v, int n) { Bits(uint32_t(v), n); }

    static int UnsignedBits(uint32_t v);
    static int SignedBits(int32_t v);

private:
    std::vector<uint8_t> out_;
    uint8_t acc_ = 0;
    int used_ = 0;
};

}  // namespace tastora::swf
