#pragma once
// The quantised coefficients libjpeg-turbo reads from a file, as an
// independent judge of what our scans carry, and whatever it warned about.

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "jpeg/jpeg_tables.h"

namespace vendrik::test {

struct LibjpegCoefficients {
    bool ok = false;
    std::string messages;  // warnings and the error, if any
    bool progressive = false;
    // Per component, per block in row order, 64 values in zigzag order.
    std::vector<std::vector<std::int16_t>> components;
    std::vector<int> blocksPerRow;
};

namespace detail {
struct ErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    std::string* messages;
};
inline void onError(j_common_ptr c) {
    auto* e = reinterpret_cast<ErrorManager*>(c->err);
    char text[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, text);
    *e->messages += std::string(text) + "\n";
    std::longjmp(e->jump, 1);
}
inline void onMessage(j_common_ptr c, int level) {
    if (level < 0) {  // warnings; trace messages have levels above 0
        auto* e = reinterpret_cast<ErrorManager*>(c->err);
        char text[JMSG_LENGTH_MAX];
        (*c->err->format_message)(c, text);
        *e->messages += std::string(text) + "\n";
    }
}
}  // namespace detail

inline LibjpegCoefficients readWithLibjpeg(const std::vector<std::uint8_t>& file) {
    LibjpegCoefficients result;
    jpeg_decompress_struct d{};
    detail::ErrorManager err{};
    err.messages = &result.messages;
    d.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = detail::onError;
    err.mgr.emit_message = detail::onMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&d);
        return result;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    result.progressive = d.progressive_mode != 0;
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d);
    for (int c = 0; c < d.num_components; ++c) {
        const jpeg_component_info& info = d.comp_info[c];
        std::vector<std::int16_t> values;
        for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
            JBLOCKARRAY rows = (*d.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&d),
                                                            arrays[c], row, 1, FALSE);
            for (JDIMENSION col = 0; col < info.width_in_blocks; ++col) {
                std::int16_t zigzag[64];
                for (std::size_t n = 0; n < 64; ++n) {
                    zigzag[jpeg::kZigzag[n]] = rows[0][col][n];
                }
                values.insert(values.end(), zigzag, zigzag + 64);
            }
        }
        result.components.push_back(std::move(values));
        result.blocksPerRow.push_back(static_cast<int>(info.width_in_blocks));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    result.ok = true;
    return result;
}

}  // namespace vendrik::test
