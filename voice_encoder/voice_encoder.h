#pragma once
// Exports of the voice encoder library Dll_VqR_encoder: 8 kHz 16-bit mono PCM
// in, one 512-byte DVF voice block out per call. One stream at a time per
// process; see voice_encoder/encoder.h for the block layout.

#if defined(__GNUC__)
#define VQR_ENCODER_API __attribute__((visibility("default")))
#else
#define VQR_ENCODER_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Returns 0 and does nothing else.
VQR_ENCODER_API int test10(void);

// Starts a new stream. Returns 1.
VQR_ENCODER_API int Ravelle_initEncoder(void);

// Codes the next stretch of the stream into one 512-byte block. mode 0, 1, 2
// is 6.4, 8 or 11.8 kbit/s and consumes 5,120, 4,080 or 2,240 samples.
// Returns 1 after writing the block, 0 (nothing read or written) for another
// mode or a null pointer.
VQR_ENCODER_API int Ravelle_VoiceEncoder(const short* samples, unsigned char* block, int mode);

#ifdef __cplusplus
}
#endif
