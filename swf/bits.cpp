#include "swf/bits.h"

namespace tastora::swf {

void BitReader::Skip(size_t n) {
    Align();
    if (n > left()) {
        overrun_ = true;
        pos_ = size_;
    } else {
        pos_ += n;
    }
}

uint8_t BitReader::U8() {
    Align();
    if (pos_ >= size_) {
        overrun_ = true;
        return 0;
    }
    return data_[pos_++];
}

uint16_t BitReader::U16() {
    uint16_t lo = U8();
    return uint16_t(lo | U8() << 8);
}

uint32_t BitReader::U32() {
    uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
}

uint32_t BitReader::Bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        if (bitCount_ == 0) {
            if (pos_ >= size_) {
                overrun_ = true;
                return 0;
            }
            bitBuffer_ = data_[pos_++];
            bitCount_ = 8;
        }
        --bitCount_;
        v = (v << 1) | ((bitBuffer_ >> bitCount_) & 1);
    }
    return v;
}

int32_t BitReader::SBits(int n) {
    if (n <= 0) return 0;
    uint32_t v = Bits(n);
    if (n < 32 && (v & (1u << (n - 1)))) v |= ~0u << n;
    return int32_t(v);
}

std::string BitReader::String() {
    Align();
    std::string s;
    while (pos_ < size_ && data_[pos_] != 0) s += char(data_[pos_++]);
    if (pos_ < size_)
        ++pos_;
    else
        overrun_ = true;
    return s;
}

void BitWriter::Align() {
    if (used_) {
        out_.push_back(uint8_t(acc_ << (8 - used_)));
        acc_ = 0;
        used_ = 0;
    }
}

void BitWriter::Bits(uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
        acc_ = uint8_t(acc_ << 1 | ((v >> i) & 1));
        if (++used_ == 8) {
            out_.push_back(acc_);
            acc_ = 0;
            used_ = 0;
        }
    }
}

int BitWriter::UnsignedBits(uint32_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

int BitWriter::SignedBits(int32_t v) { return UnsignedBits(uint32_t(v < 0 ? ~v : v)) + 1; }

}  // namespace tastora::swf
