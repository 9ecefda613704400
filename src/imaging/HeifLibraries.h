#pragma once

#include <dav1d/dav1d.h>
#include <libheif/heif.h>

// libheif and dav1d, loaded at the first HEIF or AVIF photo. Linked to the program, they and
// the codecs libheif brings (x265, aom, libde265) would be loaded in every run: about 2 MB of
// resident memory for photos most users never show. Internal to imaging.
namespace imaging {

#define TQ_LIBHEIF_FUNCTIONS(F)                   \
    F(heif_context_alloc)                         \
    F(heif_context_free)                          \
    F(heif_context_get_primary_image_handle)      \
    F(heif_context_read_from_memory_without_copy) \
    F(heif_context_read_from_reader)              \
    F(heif_decode_image)                          \
    F(heif_decoding_options_alloc)                \
    F(heif_decoding_options_free)                 \
    F(heif_image_get_bits_per_pixel)              \
    F(heif_image_get_bits_per_pixel_range)        \
    F(heif_image_get_chroma_format)               \
    F(heif_image_get_colorspace)                  \
    F(heif_image_get_height)                      \
    F(heif_image_get_nclx_color_profile)          \
    F(heif_image_get_plane_readonly)              \
    F(heif_image_get_primary_height)              \
    F(heif_image_get_primary_width)               \
    F(heif_image_get_width)                       \
    F(heif_image_handle_get_height)               \
    F(heif_image_handle_get_nclx_color_profile)   \
    F(heif_image_handle_get_width)                \
    F(heif_image_handle_release)                  \
    F(heif_image_release)                         \
    F(heif_nclx_color_profile_free)

#define TQ_DAV1D_FUNCTIONS(F) \
    F(dav1d_default_settings) \
    F(dav1d_open)             \
    F(dav1d_close)            \
    F(dav1d_data_wrap)        \
    F(dav1d_data_unref)       \
    F(dav1d_send_data)        \
    F(dav1d_get_picture)      \
    F(dav1d_picture_unref)

#define TQ_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
struct Libheif {
    TQ_LIBHEIF_FUNCTIONS(TQ_DECLARE_FUNCTION)
};
struct Dav1d {
    TQ_DAV1D_FUNCTIONS(TQ_DECLARE_FUNCTION)
};
#undef TQ_DECLARE_FUNCTION

// Loaded at the first call and kept; nullptr when the library or a function is missing.
const Libheif* LoadedLibheif();
const Dav1d* LoadedDav1d();

}  // namespace imaging
