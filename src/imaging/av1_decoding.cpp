#include "imaging/av1_decoding.h"

#include <dav1d/dav1d.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "imaging/heif_handles.h"

namespace vendrik {
namespace {

// One picture's stream and what dav1d said while decoding it.
struct Av1Decoder {
    std::vector<std::uint8_t> stream;
    std::string messages;
};

// libheif copies a failure's text at once; it only has to outlive the call.
thread_local std::string t_failureText;

heif_error failure(heif_error_code code, std::string text) {
    t_failureText = std::move(text);
    return {code, heif_suberror_Unspecified, t_failureText.c_str()};
}

constexpr heif_error kOk = {heif_error_Ok, heif_suberror_Unspecified, "Success"};

// dav1d's messages, kept as one line of printable text and at most a few
// hundred characters: a damaged stream can make it say a lot.
void collectMessage(void* cookie, const char* format, va_list arguments) {
    auto* decoder = static_cast<Av1Decoder*>(cookie);
    constexpr std::size_t kMaxMessages = 400;
    if (decoder->messages.size() >= kMaxMessages) {
        return;
    }
    char line[256];
    const int n = std::vsnprintf(line, sizeof line, format, arguments);
    if (n <= 0) {
        return;
    }
    if (!decoder->messages.empty()) {
        decoder->messages += "; ";
    }
    for (const char* c = line; *c != '\0' && decoder->messages.size() < kMaxMessages; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (u == '\n' || u == '\r') {
            continue;
        }
        decoder->messages += (u < 0x20 || u == 0x7F || u >= 0x80) ? '?' : static_cast<char>(u);
    }
}

heif_error decoderFailure(const Av1Decoder& decoder) {
    return failure(heif_error_Decoder_plugin_error,
                   decoder.messages.empty()
                       ? std::string("AV1-Datenstrom fehlerhaft")
                       : "AV1-Datenstrom fehlerhaft (Decoder: " + decoder.messages + ")");
}

struct ContextClose {
    void operator()(Dav1dContext* c) const { dav1d_close(&c); }
};
struct PictureUnref {
    void operator()(Dav1dPicture* p) const { dav1d_picture_unref(p); }
};

// The stream is ours and outlives the decoder's use of it.
void keepStream(const std::uint8_t*, void*) {}

// Decodes the one frame of a still picture into `picture`.
heif_error decodeFrame(Av1Decoder& decoder, Dav1dPicture& picture) {
    Dav1dSettings settings;
    dav1d_default_settings(&settings);
    // The batch run decodes a picture per core already.
    settings.n_threads = 1;
    settings.max_frame_delay = 1;
    settings.all_layers = 0;
    settings.logger = {&decoder, collectMessage};
    Dav1dContext* raw = nullptr;
    if (dav1d_open(&raw, &settings) < 0) {
        return failure(heif_error_Memory_allocation_error, "AV1-Decoder nicht verfügbar");
    }
    const std::unique_ptr<Dav1dContext, ContextClose> context(raw);
    Dav1dData data{};
    if (dav1d_data_wrap(&data, decoder.stream.data(), decoder.stream.size(), keepStream,
                        nullptr) < 0) {
        return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
    }
    int got = DAV1D_ERR(EAGAIN);
    bool broken = false;
    while (data.sz > 0) {
        const int sent = dav1d_send_data(context.get(), &data);
        if (sent < 0 && sent != DAV1D_ERR(EAGAIN)) {
            broken = true;
            break;
        }
        got = dav1d_get_picture(context.get(), &picture);
        if (got != DAV1D_ERR(EAGAIN)) {
            break;
        }
    }
    dav1d_data_unref(&data);
    if (!broken && got == DAV1D_ERR(EAGAIN)) {
        got = dav1d_get_picture(context.get(), &picture);  // the frame still held back
    }
    if (broken || got < 0) {
        return decoderFailure(decoder);
    }
    return kOk;
}

heif_error decodeImage(void* self, heif_image** out) {
    *out = nullptr;
    auto& decoder = *static_cast<Av1Decoder*>(self);
    try {
        Dav1dPicture frame{};
        if (const heif_error e = decodeFrame(decoder, frame); e.code != heif_error_Ok) {
            return e;
        }
        const std::unique_ptr<Dav1dPicture, PictureUnref> picture(&frame);
        const int w = frame.p.w;
        const int h = frame.p.h;
        heif_colorspace colourspace = heif_colorspace_YCbCr;
        heif_chroma chroma = heif_chroma_420;
        int shiftX = 1;
        int shiftY = 1;
        switch (frame.p.layout) {
            case DAV1D_PIXEL_LAYOUT_I400:
                colourspace = heif_colorspace_monochrome;
                chroma = heif_chroma_monochrome;
                break;
            case DAV1D_PIXEL_LAYOUT_I420:
                break;
            case DAV1D_PIXEL_LAYOUT_I422:
                chroma = heif_chroma_422;
                shiftY = 0;
                break;
            case DAV1D_PIXEL_LAYOUT_I444:
                chroma = heif_chroma_444;
                shiftX = 0;
                shiftY = 0;
                break;
        }
        heif_image* rawImage = nullptr;
        if (heif_image_create(w, h, colourspace, chroma, &rawImage).code != heif_error_Ok) {
            return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
        }
        HeifPtr<heif_image> image(rawImage);
        const int planes = colourspace == heif_colorspace_monochrome ? 1 : 3;
        const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
        const std::size_t sampleBytes = frame.p.bpc > 8 ? 2 : 1;
        for (int i = 0; i < planes; ++i) {
            const int pw = i == 0 ? w : (w + shiftX) >> shiftX;
            const int ph = i == 0 ? h : (h + shiftY) >> shiftY;
            if (heif_image_add_plane(image.get(), channels[i], pw, ph, frame.p.bpc).code !=
                heif_error_Ok) {
                return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
            }
            int stride = 0;
            std::uint8_t* to = heif_image_get_plane(image.get(), channels[i], &stride);
            const auto* from = static_cast<const std::uint8_t*>(frame.data[i]);
            const std::ptrdiff_t fromStride = frame.stride[i == 0 ? 0 : 1];
            if (to == nullptr || from == nullptr) {
                return decoderFailure(decoder);
            }
            for (int y = 0; y < ph; ++y) {
                std::memcpy(to + static_cast<std::ptrdiff_t>(y) * stride, from + y * fromStride,
                            static_cast<std::size_t>(pw) * sampleBytes);
            }
        }
        // How the samples are to be turned into RGB, from the stream. A
        // value the standard does not define means a damaged stream.
        const HeifPtr<heif_color_profile_nclx> nclx(
            heif_nclx_color_profile_alloc());
        if (!nclx) {
            return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
        }
        const Dav1dSequenceHeader& sequence = *frame.seq_hdr;
        if (heif_nclx_color_profile_set_color_primaries(nclx.get(), sequence.pri).code !=
                heif_error_Ok ||
            heif_nclx_color_profile_set_transfer_characteristics(nclx.get(), sequence.trc)
                    .code != heif_error_Ok ||
            heif_nclx_color_profile_set_matrix_coefficients(nclx.get(), sequence.mtrx).code !=
                heif_error_Ok) {
            return failure(heif_error_Decoder_plugin_error,
                           "AV1-Datenstrom mit unbekannter Farbbeschreibung");
        }
        nclx->full_range_flag = sequence.color_range != 0 ? 1 : 0;
        if (heif_image_set_nclx_color_profile(image.get(), nclx.get()).code != heif_error_Ok) {
            return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
        }
        *out = image.release();
        return kOk;
    } catch (const std::bad_alloc&) {
        return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
    }
}

const char* pluginName() {
    return "Vendrik AV1 (dav1d)";
}

int supports(heif_compression_format format) {
    // Above the priority of the decoders libheif brings.
    return format == heif_compression_AV1 ? 1000 : 0;
}

heif_error newDecoder(void** self) {
    *self = new (std::nothrow) Av1Decoder;
    return *self != nullptr ? kOk
                            : failure(heif_error_Memory_allocation_error, "nicht genug Speicher");
}

void freeDecoder(void* self) {
    delete static_cast<Av1Decoder*>(self);
}

heif_error pushData(void* self, const void* data, std::size_t size) {
    try {
        auto& stream = static_cast<Av1Decoder*>(self)->stream;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        stream.insert(stream.end(), bytes, bytes + size);
        return kOk;
    } catch (const std::bad_alloc&) {
        return failure(heif_error_Memory_allocation_error, "nicht genug Speicher für AV1");
    }
}

void setStrict(void*, int) {}  // a damaged stream fails in any case

const heif_decoder_plugin kPlugin = {
    3,       pluginName, nullptr,  nullptr,   supports, newDecoder, freeDecoder, pushData,
    decodeImage, setStrict, "vendrik-av1"};

}  // namespace

void preferOwnAv1Decoder() {
    static std::once_flag once;
    std::call_once(once, [] { static_cast<void>(heif_register_decoder_plugin(&kPlugin)); });
}

}  // namespace vendrik
