// What the tests of the wave routines and of the wave plug-ins share: a
// temporary current folder, wave files built chunk by chunk, reading files
// back, the sound calls a test program exports, and the sox tools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace wavetest {

using ByteList = std::vector<unsigned char>;

// Makes a fresh folder and makes it the current folder; restores the old one
// and removes the folder again at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path &path() const { return dir_; }

private:
    std::filesystem::path old_, dir_;
};

ByteList ReadFile(const std::string &path);
void WriteFile(const std::string &path, const ByteList &bytes);
bool Exists(const std::string &path);
// The names of everything in the current folder.
std::set<std::string> FilesHere();

// The 16-bit little-endian values of a file from byte `offset` on.
std::vector<int16_t> Values(const ByteList &bytes, size_t offset = 0);
std::vector<int16_t> ReadValues(const std::string &path, size_t offset = 0);
// A temporary sample file holding `values`.
void WriteValues(const std::string &path, const std::vector<int16_t> &values);

uint32_t Le32(const ByteList &b, size_t at);
uint16_t Le16(const ByteList &b, size_t at);
void Put16(ByteList &b, uint16_t v);
void Put32(ByteList &b, uint32_t v);

// A RIFF chunk: id, size, payload, and a pad byte when the size is odd.
ByteList Chunk(const char *id, const ByteList &payload);
ByteList Chunk(const char *id, uint32_t claimedSize, const ByteList &payload);
// The 16 bytes of a format block.
ByteList Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
// A whole file: "RIFF", a size, "WAVE" and the chunks.
ByteList Riff(const std::vector<ByteList> &chunks);
// A plain PCM wave file of the given sample bytes.
ByteList PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const ByteList &data);

// The file with a LIST chunk inserted before its chunk `beforeId` ("fmt " or
// "data"). The chunk has an odd size, so it is padded, and carries the text
// "data" inside, which must not be taken for the data chunk.
ByteList WithList(const ByteList &wave, const char *beforeId);

// Runs a program with its arguments (no shell) and answers what it printed;
// `status` gets its exit status.
std::string Run(const std::vector<std::string> &argv, int *status = nullptr);

// What soxi reports about a file.
struct SoxInfo {
    long rate = 0, channels = 0, bits = 0, frames = 0;
};
bool Soxi(const std::string &path, SoxInfo &info);
// A wave file made by sox: `bits` 8 or 16, a 0.1 s chord of two sines
// (different on the right channel), with extra sox options `more`.
bool SoxWave(const std::string &path, int bits, int channels, int rate, const std::vector<std::string> &more = {});
// The samples of a wave file as sox decodes them, interleaved 16-bit values.
std::vector<int16_t> SoxValues(const std::string &path);

// The sound calls that reached the test program's exported KmrPlaySound and
// KmrStopSound (defined in WaveKit.cpp).
extern std::vector<std::string> played;
extern int stops;

} // namespace wavetest
