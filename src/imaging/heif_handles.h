#pragma once
// libheif's objects held by std::unique_ptr: each kind released by its own
// libheif function, for the readers of HEIF and AVIF files and the AVIF
// writer alike.

#include <libheif/heif.h>

#include <memory>

namespace vendrik {

struct HeifFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
    void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

template <typename T>
using HeifPtr = std::unique_ptr<T, HeifFree>;

}  // namespace vendrik
