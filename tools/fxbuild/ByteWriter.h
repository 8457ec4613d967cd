// Little-endian DWORD stream with 4-byte padded strings: the unit of both the constant table
// and the effect file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fxbuild {

class ByteWriter {
public:
    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    void dword(uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void word(uint16_t value) {
        bytes_.push_back(static_cast<uint8_t>(value));
        bytes_.push_back(static_cast<uint8_t>(value >> 8));
    }
    void floatValue(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        dword(bits);
    }
    // The string and its terminating zero, padded with zeros to whole DWORDs.
    void paddedString(const std::string& text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.push_back(0);
        pad();
    }
    void raw(const void* data, size_t count) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + count);
        pad();
    }
    void patch(uint32_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    void patchWord(uint32_t at, uint16_t value) {
        bytes_[at] = static_cast<uint8_t>(value);
        bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
    }

private:
    void pad() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    std::vector<uint8_t> bytes_;
};

}  // namespace fxbuild
