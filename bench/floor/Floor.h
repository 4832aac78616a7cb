// What the hand-written floor programs share: the arguments, the module
// arithmetic that several modules use (clipping, truncation to integers), and
// a buffered writer of 16-bit wave files.
//
// A floor program computes one reference scheme as a single loop with every
// module's arithmetic written out in place, and writes the wave files the
// recorders of that scheme write, byte for byte. Its time is what the scheme
// costs without the per-sample calls of the host; kmr-render is measured
// against it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace floorbench {

constexpr int32_t kRate = 44100;
constexpr double kPi = 3.141592653589793;

// The limitation rule: above 32767 is 32767; anything not at least -32768,
// NaN included, is -32768.
inline double Clip(double v) {
    if (v > 32767.0) v = 32767.0;
    if (!(v >= -32768.0)) v = -32768.0;
    return v;
}

// Truncation toward zero that stays defined for NaN and huge values.
inline int32_t ToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

// A recorder's value: gained, clipped and truncated to 16 bits.
inline int16_t Sample(double x, double amp) { return (int16_t)(int32_t)Clip(x * amp * 0.01); }

// Writes a 16-bit PCM wave file whose length is known before the first
// sample: the header, then the values through a fixed buffer.
class WaveOut {
public:
    WaveOut(const std::string &path, int channels, int64_t frames) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            failed_ = true;
            return;
        }
        const uint32_t data = (uint32_t)(frames * channels * 2);
        unsigned char h[44];
        std::memcpy(h, "RIFF", 4);
        put32(h + 4, 36 + data);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        put32(h + 16, 16);
        put16(h + 20, 1);
        put16(h + 22, (uint16_t)channels);
        put32(h + 24, kRate);
        put32(h + 28, (uint32_t)(kRate * channels * 2));
        put16(h + 32, (uint16_t)(channels * 2));
        put16(h + 34, 16);
        std::memcpy(h + 36, "data", 4);
        put32(h + 40, data);
        std::memcpy(buf_, h, sizeof h);
        fill_ = sizeof h;
    }
    ~WaveOut() {
        if (fd_ >= 0) ::close(fd_);
    }

    void Put(int16_t v) {
        buf_[fill_] = (unsigned char)((uint16_t)v & 0xFF);
        buf_[fill_ + 1] = (unsigned char)((uint16_t)v >> 8);
        fill_ += 2;
        if (fill_ == sizeof buf_) Flush();
    }

    // Writes out the rest; false when any write failed.
    bool Finish() {
        Flush();
        if (fd_ >= 0 && ::close(fd_) != 0) failed_ = true;
        fd_ = -1;
        return !failed_;
    }

private:
    static void put16(unsigned char *p, uint16_t v) {
        p[0] = (unsigned char)v;
        p[1] = (unsigned char)(v >> 8);
    }
    static void put32(unsigned char *p, uint32_t v) {
        put16(p, (uint16_t)v);
        put16(p + 2, (uint16_t)(v >> 16));
    }
    void Flush() {
        size_t done = 0;
        while (done < fill_ && !failed_) {
            ssize_t n = ::write(fd_, buf_ + done, fill_ - done);
            if (n > 0)
                done += (size_t)n;
            else if (!(n < 0 && errno == EINTR))
                failed_ = true;
        }
        fill_ = 0;
    }

    int fd_ = -1;
    bool failed_ = false;
    size_t fill_ = 0;
    unsigned char buf_[32768];
};

struct Options {
    double seconds = 10.0;
    std::string out = ".";
};

// [--time SECONDS] [--out DIR]; exits with a usage line on anything else.
inline Options ParseOptions(int argc, char **argv, const char *name) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--time" && i + 1 < argc) {
            char *end = nullptr;
            o.seconds = std::strtod(argv[++i], &end);
            if (*end || !(o.seconds > 0.0) || !(o.seconds * kRate < 2147483648.0)) o.seconds = -1;
        } else if (a == "--out" && i + 1 < argc) {
            o.out = argv[++i];
        } else {
            o.seconds = -1;
        }
        if (o.seconds < 0) {
            std::fprintf(stderr, "usage: %s [--time SECONDS] [--out DIR]\n", name);
            std::exit(64);
        }
    }
    return o;
}

// The number of samples of a run: rate x seconds, truncated.
inline int32_t Samples(double seconds) { return (int32_t)std::trunc((double)kRate * seconds); }

} // namespace floorbench
