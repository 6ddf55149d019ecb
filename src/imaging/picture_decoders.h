#pragma once
// The individual decoders behind loadPicture. Each reads an open file from
// its start and fills `out` (size and upright pixels), or fails with a German
// reason. They are only called through loadPicture.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/result.h"
#include "imaging/picture_loader.h"

namespace vendrik::decoders {

Result<void> decodeJpeg(std::FILE* file, const LoadOptions& options, LoadedPicture& out);
Result<void> decodePng(std::FILE* file, const LoadOptions& options, LoadedPicture& out);
Result<void> decodeTiff(int fd, const LoadOptions& options, LoadedPicture& out);
Result<void> decodeGif(std::FILE* file, const LoadOptions& options, LoadedPicture& out);
Result<void> decodeBmp(std::FILE* file, const LoadOptions& options, LoadedPicture& out);
Result<void> decodeHeif(std::FILE* file, const LoadOptions& options, LoadedPicture& out);
Result<void> decodeWebp(std::FILE* file, const LoadOptions& options, LoadedPicture& out);

// Hands an embedded ICC profile on to the loader (LoadedPicture::iccProfile),
// or, when it passes kMaxProfileBytes, notes that it was ignored; with the
// channels the picture is stored with, which the profile must match.
void takeEmbeddedProfile(LoadedPicture& out, const std::uint8_t* bytes, std::size_t length,
                         PictureChannels channels);

// Checks a size read from a header against the loader's limits.
Result<void> checkPictureSize(std::int64_t width, std::int64_t height);

// Tells options.reserveMemory what decoding a picture of width × height
// takes: `copies` such surfaces (a decoder that will turn the picture upright
// needs two) and `working` bytes of the decoder's own.
void reserveDecodeMemory(const LoadOptions& options, int width, int height, int copies,
                         std::size_t working);

// Allocates the out picture's pixels, reporting too little memory as a
// failure instead of throwing. Reserves nothing.
Result<void> allocateSurface(Surface& out, int width, int height);

// Both: reserves, then allocates the out picture's pixels.
Result<void> allocatePixels(LoadedPicture& out, int width, int height, const LoadOptions& options,
                            int copies = 1, std::size_t working = 0);

}  // namespace vendrik::decoders
