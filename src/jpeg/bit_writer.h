#pragma once
// Packs Huffman codes and their extra bits into bytes, most significant bit
// first, inserting a 0x00 after every 0xFF byte of coded data (T.81 F.1.2.3)
// and padding the last byte of a scan with 1-bits (F.1.2.3, "fill bits").

#include <cassert>
#include <cstdint>
#include <vector>

namespace vendrik::jpeg {

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    // Appends the low `length` bits of `bits` (0 ≤ length ≤ 32).
    void put(std::uint32_t bits, int length) {
        assert(length >= 0 && length <= 32);
        m_acc = (m_acc << length) | (bits & ((std::uint64_t{1} << length) - 1U));
        m_count += length;
        while (m_count >= 8) {
            m_count -= 8;
            const auto byte = static_cast<std::uint8_t>(m_acc >> m_count);
            m_out.push_back(byte);
            if (byte == 0xFF) {
                m_out.push_back(0x00);
            }
        }
    }

    // Completes a partial byte with 1-bits; on a byte boundary writes nothing.
    void flush() {
        if (m_count > 0) {
            put(0xFF, 8 - m_count);
        }
        m_acc = 0;
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;  // only the low m_count bits are pending
    int m_count = 0;
};

}  // namespace vendrik::jpeg
