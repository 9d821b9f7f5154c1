// The sound facility of the Windows machine: DirectSound through its COM
// interfaces, made by the DirectSoundCreate entry point the core resolved;
// WaveMix through the entry points the core resolved, called with their own
// signatures; the system player and the wave-out count of the multimedia
// library. This header stays free of windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sprox/sys/sound.h"

namespace sys {

// The process-wide sound facility of the Windows machine.
Sound* Win32Sound();

// The wave format record DirectSound reads, made from the bytes of a file's
// format chunk: the 18 bytes of the extended record, zero-padded where the
// chunk is shorter, followed by the extra bytes the record announces, never
// more of them than the chunk holds (its extra-size field is cut down to what
// is there). A 14-byte PCM record, which has no bits-per-sample field, gets
// the bits its block align and channel count imply.
std::vector<uint8_t> WaveFormatRecord(const uint8_t* format, uint32_t size);

// A wave file image the system player can read without leaving it. The player
// trusts the RIFF length and the chunk lengths inside the image; where they run
// past the image's size, the image to play is a copy in `fitted` with those
// lengths cut down to the bytes there are. Returns the image to play (`image`
// itself or fitted's data), or null when the image is not a RIFF WAVE at all.
const void* FitWaveImage(const void* image, size_t size, std::vector<uint8_t>* fitted);

} // namespace sys
