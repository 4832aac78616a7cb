// The wave-file routines: header reading, channel extraction, rate conversion
// and wave writing, on hand-built files, damaged files and files of sox.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "Wave.h"
#include "WaveBuffer.h"
#include "WaveKit.h"

namespace {

using namespace wavetest;

ByteList Samples16(std::initializer_list<int16_t> values) {
    ByteList b;
    for (int16_t v : values) Put16(b, (uint16_t)v);
    return b;
}

// n values that use the whole 16-bit range.
std::vector<int16_t> Spread(int64_t n) {
    std::vector<int16_t> v((size_t)n);
    for (size_t i = 0; i < v.size(); ++i) v[i] = (int16_t)(uint16_t)(i * 40503u + 7);
    return v;
}

// A temporary file as a recorder leaves it: the free space of the header
// (holding anything), then the values.
void WriteWithHeaderSpace(const std::string &path, const std::vector<int16_t> &values) {
    ByteList b(kmd::kWaveHeaderBytes, 0xEE);
    for (int16_t v : values) Put16(b, (uint16_t)v);
    WriteFile(path, b);
}

// A fresh folder on another file system than the current folder's; empty
// when there is none.
std::string FolderElsewhere() {
    struct stat here, st;
    if (stat(".", &here) != 0) return "";
    for (const char *base : {"/dev/shm", "/run", "/var/tmp", "/tmp"}) {
        if (stat(base, &st) != 0 || st.st_dev == here.st_dev) continue;
        std::string path = std::string(base) + "/kmr-wave-XXXXXX";
        if (mkdtemp(path.data())) return path;
    }
    return "";
}

class WaveTest : public ::testing::Test {
protected:
    TempFolder folder;

    // Reads the header of `bytes` written to a file.
    bool Header(const ByteList &bytes, kmd::WaveHeader &h) {
        WriteFile("in.wav", bytes);
        return kmd::ReadWaveHeader("in.wav", h);
    }
};

TEST_F(WaveTest, HeaderReaderWalksTheChunks) {
    const ByteList data = Samples16({1, -2, 3, -4});
    const ByteList plain = PcmWave(2, 22050, 16, data);
    ByteList extensible = Format(0xFFFE, 2, 22050, 16);
    Put16(extensible, 22);
    Put16(extensible, 16);
    Put32(extensible, 3);
    const unsigned char pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    extensible.insert(extensible.end(), pcm, pcm + 16);
    ByteList fmt18 = Format(1, 2, 22050, 16);
    Put16(fmt18, 0);

    struct Case {
        const char *what;
        ByteList file;
        uint32_t offset; // where the samples start
    } cases[] = {
        {"plain", plain, 44},
        {"LIST before the format", WithList(plain, "fmt "), 44 + 30},
        {"LIST (holding \"data\") before the data", WithList(plain, "data"), 44 + 30},
        {"18-byte format chunk", Riff({Chunk("fmt ", fmt18), Chunk("data", data)}), 46},
        {"extensible PCM", Riff({Chunk("fmt ", extensible), Chunk("fact", ByteList(4)), Chunk("data", data)}), 80},
        {"odd chunk padded", Riff({Chunk("fmt ", Format(1, 2, 22050, 16)), Chunk("junk", ByteList(3, 'd')), Chunk("data", data)}),
         44 + 12},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        kmd::WaveHeader h;
        ASSERT_TRUE(Header(c.file, h));
        EXPECT_EQ(h.format.Channels, 2);
        EXPECT_EQ(h.format.SamplesPerSec, 22050u);
        EXPECT_EQ(h.format.BitsPerSample, 16);
        EXPECT_EQ(h.format.BlockAlign, 4);
        EXPECT_EQ(h.dataSize, 8u);
        EXPECT_EQ(h.dataOffset, c.offset);
        EXPECT_EQ(ByteList(c.file.begin() + h.dataOffset, c.file.begin() + h.dataOffset + 8), data);
    }
}

TEST_F(WaveTest, HeaderReaderRefusesWhatItCannotPlay) {
    const ByteList data = Samples16({1, 2});
    ByteList floatExt = Format(0xFFFE, 1, 8000, 32);
    Put16(floatExt, 22);
    Put16(floatExt, 32);
    Put32(floatExt, 4);
    const unsigned char ieee[16] = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    floatExt.insert(floatExt.end(), ieee, ieee + 16);
    ByteList notRiff = PcmWave(1, 8000, 16, data);
    notRiff[0] = 'X';
    ByteList notWave = PcmWave(1, 8000, 16, data);
    notWave[8] = 'X';

    struct Case {
        const char *what;
        ByteList file;
    } cases[] = {
        {"float", Riff({Chunk("fmt ", Format(3, 1, 8000, 32)), Chunk("data", data)})},
        {"extensible float", Riff({Chunk("fmt ", floatExt), Chunk("data", data)})},
        {"24 bits", PcmWave(1, 8000, 24, ByteList(6))},
        {"4 bits", PcmWave(1, 8000, 4, data)},
        {"3 channels", PcmWave(3, 8000, 16, ByteList(6))},
        {"no channels", PcmWave(0, 8000, 16, data)},
        {"rate 0", PcmWave(1, 0, 16, data)},
        {"data before the format", Riff({Chunk("data", data), Chunk("fmt ", Format(1, 1, 8000, 16))})},
        {"no data chunk", Riff({Chunk("fmt ", Format(1, 1, 8000, 16)), Chunk("LIST", data)})},
        {"no format chunk", Riff({Chunk("data", data)})},
        {"short format chunk", Riff({Chunk("fmt ", ByteList(14)), Chunk("data", data)})},
        {"two format chunks", Riff({Chunk("fmt ", Format(1, 1, 8000, 16)), Chunk("fmt ", Format(1, 1, 8000, 16)),
                                    Chunk("data", data)})},
        {"format chunk past the end", Riff({Chunk("fmt ", 1000, Format(1, 1, 8000, 16)), Chunk("data", data)})},
        {"chunk past the end", Riff({Chunk("fmt ", Format(1, 1, 8000, 16)), Chunk("LIST", 0x7FFFFFF0, data),
                                     Chunk("data", data)})},
        {"not RIFF", notRiff},
        {"not WAVE", notWave},
        {"empty", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        kmd::WaveHeader h;
        h.dataSize = 77;
        EXPECT_FALSE(Header(c.file, h));
        EXPECT_EQ(h.dataSize, 77u) << "a refused header changes nothing";
    }
    kmd::WaveHeader h;
    EXPECT_FALSE(kmd::ReadWaveHeader("missing.wav", h));
    EXPECT_FALSE(kmd::ReadWaveHeader(".", h)) << "a folder";
    EXPECT_FALSE(kmd::ReadWaveHeader(nullptr, h));
}

// A file cut at every length, and files with random bytes in their headers:
// the reader never takes more than the bytes present.
TEST_F(WaveTest, DamagedHeadersNeverReachPastTheFile) {
    const ByteList data = Samples16({10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
    const ByteList whole = WithList(WithList(PcmWave(2, 44100, 16, data), "fmt "), "data");
    const uint32_t offset = (uint32_t)whole.size() - 20;
    for (size_t len = 0; len <= whole.size(); ++len) {
        SCOPED_TRACE(len);
        kmd::WaveHeader h;
        bool ok = Header(ByteList(whole.begin(), whole.begin() + (long)len), h);
        EXPECT_EQ(ok, len >= offset);
        if (ok) {
            EXPECT_EQ(h.dataOffset, offset);
            EXPECT_EQ(h.dataSize, len - offset) << "a data chunk claiming more gives the bytes present";
        }
    }

    std::mt19937 random(1234);
    for (int round = 0; round < 2000; ++round) {
        ByteList damaged = whole;
        for (int k = 0; k < 3; ++k) damaged[random() % offset] = (unsigned char)random();
        damaged.resize(offset + random() % 30);
        kmd::WaveHeader h;
        if (Header(damaged, h)) {
            EXPECT_LE((size_t)h.dataOffset + h.dataSize, damaged.size()) << "round " << round;
            kmd::WaveExtract x;
            ASSERT_TRUE(kmd::ExtractChannel("in.wav", "tmp.dat", kmd::kWaveBoth, x)) << "round " << round;
            const uint32_t frameBytes = h.format.Channels * h.format.BitsPerSample / 8;
            EXPECT_EQ(x.frames, h.dataSize / frameBytes) << "round " << round;
            EXPECT_EQ(ReadFile("tmp.dat").size(), (size_t)x.frames * 4) << "round " << round;
        }
    }
}

TEST_F(WaveTest, ExtractionTakesTheChosenChannel) {
    struct Case {
        const char *what;
        uint16_t channels, bits;
        ByteList data;
        int which;
        std::vector<int16_t> values;
        int mode;
    } cases[] = {
        {"8-bit silence, floor and top", 1, 8, {128, 0, 255}, kmd::kWaveLeft, {0, -32768, 32512}, kmd::kWave8Mono},
        {"8-bit stereo, right", 2, 8, {128, 0, 255, 1}, kmd::kWaveRight, {-32768, -32512}, kmd::kWave8Stereo},
        {"16-bit stereo, left", 2, 16, Samples16({1, -1, 2, -2}), kmd::kWaveLeft, {1, 2}, kmd::kWave16Stereo},
        {"16-bit stereo, right", 2, 16, Samples16({1, -1, 2, -2}), kmd::kWaveRight, {-1, -2}, kmd::kWave16Stereo},
        {"16-bit stereo, both", 2, 16, Samples16({1, -1, 2, -2}), kmd::kWaveBoth, {1, -1, 2, -2}, kmd::kWave16Stereo},
        {"16-bit mono, both", 1, 16, Samples16({7, -32768}), kmd::kWaveBoth, {7, 7, -32768, -32768}, kmd::kWave16Mono},
        {"16-bit mono, right", 1, 16, Samples16({7, 32767}), kmd::kWaveRight, {7, 32767}, kmd::kWave16Mono},
        {"half a frame at the end", 2, 16, Samples16({5, 6, 7}), kmd::kWaveBoth, {5, 6}, kmd::kWave16Stereo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("in.wav", PcmWave(c.channels, 11025, c.bits, c.data));
        WriteValues("tmp.dat", std::vector<int16_t>(100, 9)); // an older, longer file is replaced
        kmd::WaveExtract x;
        ASSERT_TRUE(kmd::ExtractChannel("in.wav", "tmp.dat", c.which, x));
        EXPECT_EQ(ReadValues("tmp.dat"), c.values);
        EXPECT_EQ(x.frames, (int64_t)(c.which == kmd::kWaveBoth ? c.values.size() / 2 : c.values.size()));
        EXPECT_EQ(x.mode, c.mode);
        EXPECT_EQ(x.rate, 11025u);
    }
}

TEST_F(WaveTest, ExtractionOfAShortFileGivesTheFramesPresent) {
    // The data chunk claims 1000 frames; three and a half are there.
    ByteList file = Riff({Chunk("fmt ", Format(1, 2, 22050, 16))});
    ByteList data = Chunk("data", 4000, Samples16({1, 2, 3, 4, 5, 6, 7}));
    data.pop_back(); // no pad byte: the file simply ends
    file.insert(file.end(), data.begin(), data.end());
    WriteFile("short.wav", file);
    kmd::WaveExtract x;
    ASSERT_TRUE(kmd::ExtractChannel("short.wav", "tmp.dat", kmd::kWaveRight, x));
    EXPECT_EQ(x.frames, 3);
    EXPECT_EQ(ReadValues("tmp.dat"), (std::vector<int16_t>{2, 4, 6}));
}

TEST_F(WaveTest, FailedExtractionLeavesNoTemporaryFile) {
    WriteValues("tmp.dat", {1, 2, 3});
    kmd::WaveExtract x;
    EXPECT_FALSE(kmd::ExtractChannel("missing.wav", "tmp.dat", kmd::kWaveLeft, x));
    EXPECT_FALSE(Exists("tmp.dat"));
    WriteFile("in.wav", PcmWave(1, 8000, 16, Samples16({1})));
    EXPECT_FALSE(kmd::ExtractChannel("in.wav", "no/such/folder/tmp.dat", kmd::kWaveLeft, x));
}

TEST_F(WaveTest, RateConversionBetweenCalculationRates) {
    struct Case {
        int from, to;
        std::vector<int16_t> in, out;
    } cases[] = {
        {11025, 22050, {100, 200}, {50, 100, 150, 200}},
        {22050, 44100, {-3, 32767}, {-1, -3, 16382, 32767}},
        {11025, 44100, {100}, {25, 50, 75, 100}},
        {11025, 44100, {-32768, 32767}, {-8192, -16384, -24576, -32768, -16385, 0, 16383, 32767}},
        {44100, 11025, {1, 2, 3, 4, 5}, {2}},
        {22050, 11025, {-3, 0}, {-1}},
        {44100, 22050, {32767, 32767, -32768, -32767, 9}, {32767, -32767}},
        {22050, 22050, {1, 2, 3}, {1, 2, 3}},
        {8000, 8000, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        WriteValues("tmp.dat", c.in);
        int64_t frames = (int64_t)c.in.size();
        ASSERT_TRUE(kmd::ConvertRate("tmp.dat", "work.dat", c.from, c.to, frames));
        EXPECT_EQ(ReadValues("tmp.dat"), c.out);
        EXPECT_EQ(frames, (int64_t)c.out.size());
        EXPECT_FALSE(Exists("work.dat"));
    }
}

TEST_F(WaveTest, RateConversionRefusesOtherRates) {
    struct Case {
        int from, to;
    } cases[] = {{8000, 44100}, {22050, 48000}, {44100, 0}, {48000, 24000}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        WriteValues("tmp.dat", {1, 2, 3});
        int64_t frames = 3;
        EXPECT_FALSE(kmd::ConvertRate("tmp.dat", "work.dat", c.from, c.to, frames));
        EXPECT_EQ(ReadValues("tmp.dat"), (std::vector<int16_t>{1, 2, 3}));
        EXPECT_EQ(frames, 3);
    }
    int64_t frames = 0;
    EXPECT_FALSE(kmd::ConvertRate("missing.dat", "work.dat", 11025, 22050, frames));
    EXPECT_FALSE(Exists("work.dat"));
}

// Long files pass through the working buffer in blocks; no value is lost or
// doubled at a block edge, and an odd byte at the end is not a value.
TEST_F(WaveTest, RateConversionOfLongFiles) {
    std::vector<int16_t> ramp(50001);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = (int16_t)((int)i - 25000);
    ByteList odd;
    for (int16_t v : ramp) Put16(odd, (uint16_t)v);
    odd.push_back(0x7F);

    WriteFile("tmp.dat", odd);
    int64_t frames = 0;
    ASSERT_TRUE(kmd::ConvertRate("tmp.dat", "work.dat", 22050, 44100, frames));
    std::vector<int16_t> up = ReadValues("tmp.dat");
    ASSERT_EQ(up.size(), 2 * ramp.size());
    EXPECT_EQ(frames, (int64_t)up.size());
    for (size_t i = 1; i < ramp.size(); ++i) {
        ASSERT_EQ(up[2 * i + 1], ramp[i]) << i;
        ASSERT_EQ(up[2 * i], (ramp[i - 1] + ramp[i]) / 2) << i;
    }

    WriteFile("tmp.dat", odd);
    ASSERT_TRUE(kmd::ConvertRate("tmp.dat", "work.dat", 44100, 11025, frames));
    std::vector<int16_t> down = ReadValues("tmp.dat");
    ASSERT_EQ(down.size(), ramp.size() / 4);
    for (size_t i = 0; i < down.size(); ++i)
        ASSERT_EQ(down[i], (ramp[4 * i] + ramp[4 * i + 1] + ramp[4 * i + 2] + ramp[4 * i + 3]) / 4) << i;
}

TEST_F(WaveTest, WaveFileHeaders) {
    struct Case {
        bool stereo;
        uint32_t rate;
        int64_t values;
        uint32_t byteRate;
        uint16_t align;
    } cases[] = {
        {false, 44100, 44100, 88200, 2},
        {true, 22050, 44100, 88200, 4},
        {true, 44100, 88200, 176400, 4},
        {false, 11025, 0, 22050, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.values);
        std::vector<int16_t> values((size_t)c.values);
        for (size_t i = 0; i < values.size(); ++i) values[i] = (int16_t)(i * 7);
        WriteValues("tmp.dat", values);
        ASSERT_TRUE(kmd::WriteWaveFile("tmp.dat", "out.wav", c.stereo, c.rate, c.values));
        ByteList w = ReadFile("out.wav");
        ASSERT_EQ(w.size(), 44 + 2 * (size_t)c.values);
        EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
        EXPECT_EQ(Le32(w, 4), 36 + 2 * c.values);
        EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Le32(w, 16), 16u);
        EXPECT_EQ(Le16(w, 20), 1);
        EXPECT_EQ(Le16(w, 22), c.stereo ? 2 : 1);
        EXPECT_EQ(Le32(w, 24), c.rate);
        EXPECT_EQ(Le32(w, 28), c.byteRate);
        EXPECT_EQ(Le16(w, 32), c.align);
        EXPECT_EQ(Le16(w, 34), 16);
        EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
        EXPECT_EQ(Le32(w, 40), 2 * c.values);
        EXPECT_EQ(Values(w, 44), values);

        SoxInfo info;
        ASSERT_TRUE(Soxi("out.wav", info));
        EXPECT_EQ(info.rate, (long)c.rate);
        EXPECT_EQ(info.channels, c.stereo ? 2 : 1);
        EXPECT_EQ(info.bits, 16);
        EXPECT_EQ(info.frames, c.values / (c.stereo ? 2 : 1));
    }
}

TEST_F(WaveTest, WaveFileFromAShortTemporaryFileIsNotLeft) {
    WriteValues("tmp.dat", {1, 2, 3});
    EXPECT_FALSE(kmd::WriteWaveFile("tmp.dat", "out.wav", false, 22050, 4));
    EXPECT_FALSE(Exists("out.wav"));
    EXPECT_FALSE(kmd::WriteWaveFile("missing.dat", "out.wav", false, 22050, 0));
    EXPECT_FALSE(kmd::WriteWaveFile("tmp.dat", "out.wav", false, 22050, 0x7FFFFFF0)) << "beyond 4 GB";
    EXPECT_FALSE(kmd::WriteWaveFile("tmp.dat", "no/such/folder/out.wav", false, 22050, 3));
    // More values in the file than asked for: only those asked for.
    ASSERT_TRUE(kmd::WriteWaveFile("tmp.dat", "out.wav", false, 22050, 2));
    EXPECT_EQ(ReadValues("out.wav", 44), (std::vector<int16_t>{1, 2}));
}

// The wave file made in place of the temporary file holds the very bytes of
// the one copied from a headerless temporary file of the same values, and
// takes the place of an older file of its name. The copy from behind the
// header space (what is done when the rename fails) gives them too.
TEST_F(WaveTest, WaveFileMadeInPlaceEqualsTheCopiedOne) {
    struct Case {
        bool stereo;
        uint32_t rate;
        int64_t values;
        int64_t extra; // values in the temporary file beyond those asked for
    } cases[] = {
        {false, 22050, 5, 0},
        {true, 44100, 8, 0},
        {false, 11025, 0, 0},
        {true, 22050, 20000, 0}, // more than one block of the copy
        {false, 44100, 3, 4},
        {true, 11025, 0, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.values) + (c.stereo ? " stereo" : " mono"));
        const std::vector<int16_t> values = Spread(c.values + c.extra);
        WriteValues("plain.dat", values);
        ASSERT_TRUE(kmd::WriteWaveFile("plain.dat", "copied.wav", c.stereo, c.rate, c.values));
        const ByteList copied = ReadFile("copied.wav");

        WriteWithHeaderSpace("tmp.dat", values);
        WriteFile("out.wav", ByteList(50000, 1)); // an older, longer file
        ASSERT_TRUE(kmd::FinishWaveFile("tmp.dat", "out.wav", c.stereo, c.rate, c.values));
        EXPECT_EQ(ReadFile("out.wav"), copied);
        EXPECT_FALSE(Exists("tmp.dat"));

        WriteWithHeaderSpace("tmp.dat", values);
        ASSERT_TRUE(kmd::WriteWaveFile("tmp.dat", "offset.wav", c.stereo, c.rate, c.values, kmd::kWaveHeaderBytes));
        EXPECT_EQ(ReadFile("offset.wav"), copied);
        EXPECT_TRUE(Exists("tmp.dat")) << "the copying writer leaves the temporary file";
        std::remove("tmp.dat");
    }
}

// Whatever fails, neither the temporary file nor a wave file of the name (not
// even an older one) is left.
TEST_F(WaveTest, FailedWaveFileInPlaceLeavesNothing) {
    struct Case {
        const char *what;
        int64_t stored; // values in the temporary file; -1: no file
        int64_t asked;
        rlim_t limit; // the largest file the process may write
    } cases[] = {
        {"fewer values than asked", 3, 4, RLIM_INFINITY},
        {"only the free space", 0, 1, RLIM_INFINITY},
        {"header cannot be written", 3, 3, 20},
        {"beyond 4 GB", 3, 0x7FFFFFF0, RLIM_INFINITY},
        {"no temporary file", -1, 0, RLIM_INFINITY},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("out.wav", {1, 2, 3});
        if (c.stored >= 0) WriteWithHeaderSpace("tmp.dat", Spread(c.stored));
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = c.limit;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool made = kmd::FinishWaveFile("tmp.dat", "out.wav", false, 22050, c.asked);
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(made);
        EXPECT_EQ(FilesHere(), std::set<std::string>{});
    }
}

// A wave file on another file system cannot take the temporary file's place:
// the samples are copied, and the temporary file is removed all the same.
TEST_F(WaveTest, WaveFileOnAnotherFileSystemIsCopied) {
    const std::string there = FolderElsewhere();
    if (there.empty()) GTEST_SKIP() << "no other file system to write to";
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } cleanup{there};
    const std::string wave = there + "/out.wav";
    struct Case {
        bool stereo;
        int64_t stored, asked;
        bool made;
    } cases[] = {
        {false, 30001, 30001, true}, // more than one block of the copy
        {true, 8, 6, true},
        {false, 0, 0, true},
        {true, 5, 6, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.asked) + (c.stereo ? " stereo" : " mono"));
        const std::vector<int16_t> values = Spread(c.stored);
        WriteFile(wave, ByteList(70000, 1)); // an older, longer file
        WriteWithHeaderSpace("tmp.dat", values);
        EXPECT_EQ(kmd::FinishWaveFile("tmp.dat", wave.c_str(), c.stereo, 44100, c.asked), c.made);
        EXPECT_EQ(FilesHere(), std::set<std::string>{});
        if (!c.made) {
            EXPECT_FALSE(Exists(wave));
            continue;
        }
        WriteValues("plain.dat", values);
        ASSERT_TRUE(kmd::WriteWaveFile("plain.dat", "copied.wav", c.stereo, 44100, c.asked));
        EXPECT_EQ(ReadFile(wave), ReadFile("copied.wav"));
        std::remove("plain.dat");
        std::remove("copied.wav");
    }
}

TEST_F(WaveTest, FileUsable) {
    WriteFile("a b.wav", {1});
    EXPECT_TRUE(kmd::FileUsable("a b.wav"));
    for (const char *name : {"", "   ", "missing.wav", ".", " a b.wav"})
        EXPECT_FALSE(kmd::FileUsable(name)) << '"' << name << '"';
    EXPECT_FALSE(kmd::FileUsable(nullptr));
}

// Files made by sox come back sample for sample, with a LIST chunk before the
// format or the data; float and 24-bit files are refused.
TEST_F(WaveTest, ReadsFilesOfSox) {
    struct Case {
        int bits, channels, rate;
    } cases[] = {{16, 2, 22050}, {16, 1, 44100}, {8, 1, 11025}, {8, 2, 22050}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.channels) + " channels");
        ASSERT_TRUE(SoxWave("sox.wav", c.bits, c.channels, c.rate));
        const std::vector<int16_t> expected = SoxValues("sox.wav");
        ASSERT_GT(expected.size(), 1000u);
        const ByteList made = ReadFile("sox.wav");
        for (const char *before : {"fmt ", "data"}) {
            WriteFile("list.wav", WithList(made, before));
            kmd::WaveExtract x;
            ASSERT_TRUE(kmd::ExtractChannel("list.wav", "tmp.dat", kmd::kWaveBoth, x)) << before;
            std::vector<int16_t> both = ReadValues("tmp.dat");
            EXPECT_EQ(x.rate, (uint32_t)c.rate);
            if (c.channels == 2) {
                EXPECT_EQ(both, expected);
            } else {
                ASSERT_EQ(both.size(), 2 * expected.size());
                for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(both[2 * i + 1], expected[i]) << i;
            }
        }
    }
    for (auto more : {std::vector<std::string>{"-e", "floating-point"}, std::vector<std::string>{}}) {
        ASSERT_TRUE(SoxWave("refused.wav", more.empty() ? 24 : 32, 1, 22050, more));
        kmd::WaveHeader h;
        EXPECT_FALSE(kmd::ReadWaveHeader("refused.wav", h)) << (more.empty() ? "24 bits" : "float");
    }
}

TEST_F(WaveTest, BufferedSampleFiles) {
    // The writer keeps every value, across buffer edges, in order.
    int fd = ::open("tmp.dat", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    auto writer = std::make_unique<kmd::SampleWriter>(fd);
    const int n = 3 * (int)kmd::kSampleBufferBytes / 2 + 5;
    for (int i = 0; i < n; ++i) writer->Put((int16_t)(i - 30000));
    EXPECT_TRUE(writer->Flush());
    ::close(fd);
    std::vector<int16_t> back = ReadValues("tmp.dat");
    ASSERT_EQ(back.size(), (size_t)n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(back[(size_t)i], (int16_t)(i - 30000)) << i;

    // The reader gives them back and then reports the end, also after an odd byte.
    ByteList file = ReadFile("tmp.dat");
    file.push_back(1);
    WriteFile("tmp.dat", file);
    fd = ::open("tmp.dat", O_RDONLY);
    auto reader = std::make_unique<kmd::SampleReader>(fd);
    int16_t v;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(reader->Get(v)) << i;
        ASSERT_EQ(v, (int16_t)(i - 30000)) << i;
    }
    EXPECT_FALSE(reader->Get(v));
    EXPECT_FALSE(reader->Get(v));
    ::close(fd);

    // A write that fails is reported.
    fd = ::open("/dev/full", O_WRONLY);
    if (fd >= 0) {
        kmd::SampleWriter full(fd);
        full.Put(1);
        EXPECT_FALSE(full.Flush());
        EXPECT_TRUE(full.Failed());
        ::close(fd);
    }
}

TEST(RunTable, KeepsOneObjectPerInstance) {
    kmd::RunTable<int, 3> table;
    int a = 0, b = 0, c = 0, d = 0; // only their addresses matter
    ASSERT_NE(table.Add(&a, 1), nullptr);
    ASSERT_NE(table.Add(&b, 2), nullptr);
    ASSERT_NE(table.Add(&c, 3), nullptr);
    EXPECT_EQ(table.Add(&d, 4), nullptr) << "full";
    EXPECT_EQ(*table.Find(&b), 2);
    EXPECT_EQ(*table.Take(&a), 1);
    EXPECT_EQ(table.Find(&a), nullptr);
    EXPECT_EQ(*table.Find(&c), 3) << "moved into the freed slot";
    EXPECT_NE(table.Add(&d, 4), nullptr);
    EXPECT_EQ(*table.Add(&d, 5), 5) << "a second start replaces the first";
    EXPECT_EQ(table.Take(&a), nullptr);
}

} // namespace
