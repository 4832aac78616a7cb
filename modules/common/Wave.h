// PCM wave files and temporary sample files.
//
// Sound enters and leaves a calculation as a RIFF/WAVE file with 8- or 16-bit
// PCM samples, mono or stereo. Between a calculation and a wave file the
// samples always pass through a temporary sample file: a headerless sequence
// of signed 16-bit little-endian values (one per frame, or left/right pairs).
// Recorders write one during a run, behind 44 bytes kept free for the header,
// and turn it into a wave file at the end; the wave-file source and the
// viewer extract a channel of a wave file into one before they use it.
//
// Every routine answers false on failure, closes what it opened and leaves no
// half-written output file behind. None of them allocates on the heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kmd {

// The standard PCM format block of a wave file's "fmt " chunk, as stored.
struct WaveFormat {
    uint16_t FormatTag;      // 1 = PCM, 0xFFFE = extensible (PCM sub-format only)
    uint16_t Channels;       // 1 or 2
    uint32_t SamplesPerSec;  // frames per second
    uint32_t AvgBytesPerSec; // byte rate
    uint16_t BlockAlign;     // bytes per frame
    uint16_t BitsPerSample;  // 8 or 16
};
static_assert(sizeof(WaveFormat) == 16);

// Where a wave file's samples are and what they look like.
struct WaveHeader {
    WaveFormat format{};
    uint32_t dataSize = 0;   // bytes of sample data present in the file
    uint32_t dataOffset = 0; // file offset of the first sample byte
};

// The format tags the reader accepts.
constexpr uint16_t kWavePcm = 1;
constexpr uint16_t kWaveExtensible = 0xFFFE;

// Size of the header the recorders write, and of the space they keep free
// for it at the start of their temporary files.
constexpr uint32_t kWaveHeaderBytes = 44;

// Reads the header of a wave file by walking its RIFF chunks: "RIFF", a size,
// "WAVE", then chunks of (id, size, size bytes, a pad byte when the size is
// odd). Chunks other than "fmt " and "data" are skipped by their sizes. The
// "fmt " chunk must come before "data", hold PCM (format 1, or the extensible
// form with the PCM sub-format), 1 or 2 channels, 8 or 16 bits and a non-zero
// rate. A data chunk that claims more bytes than the file holds is taken as
// the bytes present. Answers false for anything else, or a file that cannot
// be read.
bool ReadWaveHeader(const char *path, WaveHeader &header);

// Which channel ExtractChannel writes.
enum WaveChannel : int { kWaveLeft = 0, kWaveRight = 1, kWaveBoth = 2 };

// Modes of a wave file's samples: bit 0 set for stereo, bit 1 for 16 bits.
enum WaveMode : int { kWave8Mono = 0, kWave8Stereo = 1, kWave16Mono = 2, kWave16Stereo = 3 };

struct WaveExtract {
    int64_t frames = 0; // frames written to the temporary file
    int mode = 0;       // WaveMode of the wave file
    uint32_t rate = 0;  // the wave file's sample rate
};

// Writes one channel (or both, left then right) of a wave file into a
// temporary sample file, which is removed first. 8-bit samples b become 256 x (b - 128);
// the right channel of a mono file is the left one. Only the frames present
// in the file are written. On failure the temporary file is removed.
bool ExtractChannel(const char *wavePath, const char *tmpPath, int which, WaveExtract &out);

// True for the three rates a calculation runs at: 11025, 22050, 44100 Hz.
bool IsCalculationRate(int64_t rate);

// Converts a one-channel temporary sample file from rate `from` to rate `to`
// in place, working through `workPath` (a free temporary name, renamed over
// `tmpPath` at the end). Equal rates change nothing. Only conversions between
// two calculation rates are made: doubling and quadrupling interpolate
// linearly from the previous value (starting at 0), halving and quartering
// average each complete group and drop an incomplete one at the end; all in
// 32-bit integers with truncation toward zero. Any other pair of rates is
// refused. `frames` becomes the number of values in the converted file.
bool ConvertRate(const char *tmpPath, const char *workPath, int64_t from, int64_t to, int64_t &frames);

// Writes a 16-bit PCM wave file (44-byte header, then the samples) from the
// first `values` 16-bit values of a temporary sample file that start `offset`
// bytes into it: mono, or stereo with values taken as left/right pairs.
// Answers false, removing the wave file, when the temporary file holds fewer
// values, when any write fails, or when the data would not fit the header's
// 32-bit sizes. The temporary file is left as it is.
bool WriteWaveFile(const char *tmpPath, const char *wavePath, bool stereo, uint32_t rate, int64_t values,
                   int64_t offset = 0);

// Turns a temporary sample file whose first kWaveHeaderBytes bytes are kept
// free (the samples behind them) into the wave file WriteWaveFile would
// write, without copying the samples: writes the header into the free bytes,
// cuts off what lies beyond the first `values` values, and renames the file
// to `wavePath`. An older file of that name is replaced in one step (the name
// never goes missing) and removed. When the rename fails (`wavePath` on
// another file system) the samples are copied instead, as WriteWaveFile
// does, into a new file. The temporary file is gone afterwards either way.
// Answers false when the temporary file holds fewer values, when any write
// fails, or when the data would not fit the header's 32-bit sizes; no file
// named `wavePath` is left then.
bool FinishWaveFile(const char *tmpPath, const char *wavePath, bool stereo, uint32_t rate, int64_t values);

// True when `name` holds a character other than a blank and names a plain
// file that can be opened for reading.
bool FileUsable(const char *name);

} // namespace kmd
