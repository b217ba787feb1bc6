#pragma once
// Exports of the voice decoder library Dll_VqR_decoder. One stream at a time
// per process; only one thread may use it at a time.

#include <cstdint>

#if defined(__GNUC__)
#define VQR_DECODER_API __attribute__((visibility("default")))
#else
#define VQR_DECODER_API
#endif

extern "C" {

// Starts a new stream. Returns 1.
VQR_DECODER_API int Ravelle_initDecoder();

// Decodes one 512-byte DVF block of the stream into `samples` (room for
// 5,120 samples) and stores the number of samples written in `count` (0 for
// a block that is not one of the stream). Returns 1 when samples were
// written, else 0.
VQR_DECODER_API int Ravelle_VoiceDecoder(const std::uint8_t* block, std::int16_t* samples,
                                         int* count);
}
