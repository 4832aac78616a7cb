#include "Wave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kmd {

namespace {

constexpr size_t kBlockBytes = 16384; // working buffer of the copy loops

uint16_t le16(const unsigned char *p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t le32(const unsigned char *p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }
void put16(unsigned char *p, int32_t v) {
    p[0] = (unsigned char)(v & 0xFF);
    p[1] = (unsigned char)((v >> 8) & 0xFF);
}
void put32(unsigned char *p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}
int16_t sample16(const unsigned char *p) { return (int16_t)le16(p); }
// An unsigned 8-bit sample on the 16-bit scale: 128 is silence.
int16_t sample8(unsigned char b) { return (int16_t)((b - 128) * 256); }

// A FILE that is closed when it goes out of scope. Close() reports whether
// everything written reached the file.
class File {
public:
    File(const char *path, const char *mode) : f_(path ? std::fopen(path, mode) : nullptr) {}
    ~File() { Close(); }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    explicit operator bool() const { return f_ != nullptr; }
    FILE *get() const { return f_; }
    bool Close() {
        if (!f_) return true;
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }
    // Reads exactly n bytes at the current position.
    bool Read(void *data, size_t n) { return std::fread(data, 1, n, f_) == n; }
    bool Write(const void *data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f_) == n; }
    // Size of the file in bytes, -1 when unknown.
    int64_t Size() const {
        struct stat st;
        if (fstat(fileno(f_), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
        return (int64_t)st.st_size;
    }
    bool Seek(int64_t pos) { return std::fseek(f_, (long)pos, SEEK_SET) == 0; }

private:
    FILE *f_;
};

// The sub-format of an extensible format block that stands for PCM.
constexpr unsigned char kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Reads a "fmt " chunk of `size` bytes (the position is at its first byte)
// and checks that it describes samples this system can take.
bool readFormat(File &f, uint32_t size, WaveFormat &format) {
    unsigned char b[40];
    if (size < 16 || !f.Read(b, 16)) return false;
    format.FormatTag = le16(b);
    format.Channels = le16(b + 2);
    format.SamplesPerSec = le32(b + 4);
    format.AvgBytesPerSec = le32(b + 8);
    format.BlockAlign = le16(b + 12);
    format.BitsPerSample = le16(b + 14);
    if (format.FormatTag == kWaveExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format.
        if (size < 40 || !f.Read(b + 16, 24)) return false;
        if (le16(b + 16) < 22 || std::memcmp(b + 24, kPcmSubFormat, 16) != 0) return false;
    } else if (format.FormatTag != kWavePcm) {
        return false;
    }
    return (format.Channels == 1 || format.Channels == 2) &&
           (format.BitsPerSample == 8 || format.BitsPerSample == 16) && format.SamplesPerSec != 0;
}

bool readHeader(File &f, WaveHeader &header) {
    const int64_t fileSize = f.Size();
    unsigned char b[12];
    if (fileSize < 12 || !f.Read(b, 12)) return false;
    if (std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0) return false;
    // The RIFF size is not trusted: writers that stream often leave it wrong.
    int64_t pos = 12;
    bool haveFormat = false;
    WaveFormat format{};
    for (;;) {
        if (fileSize - pos < 8 || !f.Seek(pos) || !f.Read(b, 8)) return false;
        const uint32_t size = le32(b + 4);
        pos += 8;
        if (std::memcmp(b, "data", 4) == 0) {
            if (!haveFormat || pos > (int64_t)UINT32_MAX) return false;
            int64_t present = fileSize - pos;
            if (present > (int64_t)size) present = size; // bytes behind the data chunk are not samples
            header.format = format;
            header.dataOffset = (uint32_t)pos;
            header.dataSize = (uint32_t)present;
            return true;
        }
        if ((int64_t)size > fileSize - pos) return false; // a chunk running past the end
        if (std::memcmp(b, "fmt ", 4) == 0) {
            if (haveFormat || !readFormat(f, size, format)) return false;
            haveFormat = true;
        }
        pos += (int64_t)size + (size & 1); // chunks are padded to an even size
    }
}

// Writes a temporary file, removing it when it could not be written whole.
class Output {
public:
    explicit Output(const char *path) : path_(path), file_(path, "wb") {}
    ~Output() {
        if (!done_) {
            file_.Close();
            if (path_) std::remove(path_);
        }
    }
    explicit operator bool() const { return (bool)file_; }
    FILE *get() const { return file_.get(); }
    bool Write(const void *data, size_t n) {
        ok_ = ok_ && file_.Write(data, n);
        return ok_;
    }
    // Closes the file; true when every byte reached it. Otherwise the file
    // is removed.
    bool Finish() {
        ok_ = file_.Close() && ok_;
        if (!ok_) std::remove(path_);
        done_ = true;
        return ok_;
    }

private:
    const char *path_;
    File file_;
    bool ok_ = true;
    bool done_ = false;
};

} // namespace

bool ReadWaveHeader(const char *path, WaveHeader &header) {
    File f(path, "rb");
    if (!f) return false;
    WaveHeader h;
    if (!readHeader(f, h)) return false;
    header = h;
    return true;
}

bool ExtractChannel(const char *wavePath, const char *tmpPath, int which, WaveExtract &out) {
    if (!tmpPath) return false;
    std::remove(tmpPath);
    WaveHeader h;
    if (!ReadWaveHeader(wavePath, h)) return false;
    const bool stereo = h.format.Channels == 2;
    const bool wide = h.format.BitsPerSample == 16;
    const size_t frameBytes = (stereo ? 2 : 1) * (wide ? 2 : 1);
    const int64_t frames = h.dataSize / frameBytes;

    File in(wavePath, "rb");
    if (!in || !in.Seek(h.dataOffset)) return false;
    Output tmp(tmpPath);
    if (!tmp) return false;

    const size_t perBlock = kBlockBytes / 4; // frames per block: 4 output bytes at most each
    unsigned char src[kBlockBytes];
    unsigned char dst[kBlockBytes];
    int64_t done = 0;
    while (done < frames) {
        size_t want = (size_t)(frames - done < (int64_t)perBlock ? frames - done : (int64_t)perBlock);
        size_t got = std::fread(src, frameBytes, want, in.get());
        unsigned char *d = dst;
        for (size_t i = 0; i < got; ++i) {
            const unsigned char *s = src + i * frameBytes;
            int16_t left, right;
            if (wide) {
                left = sample16(s);
                right = stereo ? sample16(s + 2) : left;
            } else {
                left = sample8(s[0]);
                right = stereo ? sample8(s[1]) : left;
            }
            if (which != kWaveRight) {
                put16(d, left);
                d += 2;
            }
            if (which != kWaveLeft) {
                put16(d, right);
                d += 2;
            }
        }
        if (!tmp.Write(dst, (size_t)(d - dst))) return false;
        done += (int64_t)got;
        if (got < want) break; // the file ended early: keep what was there
    }
    if (!tmp.Finish()) return false;
    out.frames = done;
    out.mode = (stereo ? 1 : 0) | (wide ? 2 : 0);
    out.rate = h.format.SamplesPerSec;
    return true;
}

bool IsCalculationRate(int64_t rate) { return rate == 11025 || rate == 22050 || rate == 44100; }

bool ConvertRate(const char *tmpPath, const char *workPath, int64_t from, int64_t to, int64_t &frames) {
    if (from == to) return true;
    if (!IsCalculationRate(from) || !IsCalculationRate(to) || !tmpPath || !workPath) return false;
    const int up = to > from ? (int)(to / from) : 1;   // 2 or 4 values out per value in
    const int down = from > to ? (int)(from / to) : 1; // 2 or 4 values in per value out

    std::remove(workPath);
    File in(tmpPath, "rb");
    if (!in) return false;
    Output out(workPath);
    if (!out) return false;

    unsigned char src[kBlockBytes];
    unsigned char dst[kBlockBytes * 4];
    int32_t prev = 0;          // previous input value, for interpolation
    int32_t group = 0, filled = 0; // sum and count of the group being averaged
    int64_t written = 0;
    size_t carry = 0; // an odd byte left from the previous block
    for (;;) {
        size_t got = std::fread(src + carry, 1, sizeof src - carry, in.get()) + carry;
        if (got < 2) break;
        size_t values = got / 2;
        unsigned char *d = dst;
        for (size_t i = 0; i < values; ++i) {
            const int32_t x = sample16(src + 2 * i);
            if (up == 2) {
                put16(d, (prev + x) / 2);
                put16(d + 2, x);
                d += 4;
            } else if (up == 4) {
                put16(d, prev + (x - prev) / 4);
                put16(d + 2, (prev + x) / 2);
                put16(d + 4, prev + ((x - prev) * 3) / 4);
                put16(d + 6, x);
                d += 8;
            } else {
                group += x;
                if (++filled == down) {
                    put16(d, group / down);
                    d += 2;
                    group = filled = 0;
                }
            }
            prev = x;
        }
        if (!out.Write(dst, (size_t)(d - dst))) return false;
        written += (d - dst) / 2;
        carry = got - values * 2;
        if (carry) src[0] = src[got - 1];
        if (got < sizeof src) break;
    }
    if (std::ferror(in.get()) || !out.Finish()) return false;
    in.Close();
    if (std::rename(workPath, tmpPath) != 0) {
        std::remove(workPath);
        return false;
    }
    frames = written;
    return true;
}

namespace {

// The 44-byte header of a 16-bit PCM wave file of `values` values; false when
// the sizes do not fit its 32-bit fields.
bool makeHeader(unsigned char (&h)[kWaveHeaderBytes], bool stereo, uint32_t rate, int64_t values) {
    if (values < 0 || 2 * values > (int64_t)UINT32_MAX - 36) return false;
    const uint16_t channels = stereo ? 2 : 1;
    if ((uint64_t)rate * channels * 2 > UINT32_MAX) return false;
    const uint32_t dataBytes = (uint32_t)(2 * values);
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, kWavePcm);
    put16(h + 22, channels);
    put32(h + 24, rate);
    put32(h + 28, rate * channels * 2);
    put16(h + 32, channels * 2);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
    return true;
}

// Writes n bytes at file position `at`, however many calls it takes.
bool writeAt(int fd, const unsigned char *p, size_t n, off_t at) {
    while (n > 0) {
        const ssize_t w = ::pwrite(fd, p, n, at);
        if (w > 0) {
            p += w;
            n -= (size_t)w;
            at += w;
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            return false; // an error, or a file that takes no more bytes
        }
    }
    return true;
}

// Puts header `h` into the free start of the temporary file and makes the
// file end behind `dataBytes` sample bytes. False when it holds fewer.
bool headerInPlace(const char *tmpPath, const unsigned char (&h)[kWaveHeaderBytes], int64_t dataBytes) {
    const int fd = ::open(tmpPath, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const off_t end = (off_t)kWaveHeaderBytes + (off_t)dataBytes;
    struct stat st;
    // A recording of no samples has not reached the end of the free space.
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && std::max<off_t>(st.st_size, kWaveHeaderBytes) >= end &&
              writeAt(fd, h, sizeof h, 0) && (st.st_size <= end || ::ftruncate(fd, end) == 0);
    if (::close(fd) != 0) ok = false;
    return ok;
}

// Gives the finished temporary file the wave file's name. An older file of
// that name is swapped out in one step and then removed, not replaced by the
// rename itself: on some file systems (ext4) a rename that replaces a file
// writes the renamed file's data out at once, which costs more than copying
// it. Answers false when the file keeps its temporary name.
bool moveInto(const char *tmpPath, const char *wavePath) {
    struct stat st;
    if (lstat(wavePath, &st) == 0 && !S_ISDIR(st.st_mode) &&
        renameat2(AT_FDCWD, tmpPath, AT_FDCWD, wavePath, RENAME_EXCHANGE) == 0) {
        std::remove(tmpPath); // the older file, under the temporary name now
        return true;
    }
    return std::rename(tmpPath, wavePath) == 0;
}

} // namespace

bool WriteWaveFile(const char *tmpPath, const char *wavePath, bool stereo, uint32_t rate, int64_t values,
                   int64_t offset) {
    unsigned char h[kWaveHeaderBytes];
    if (offset < 0 || !makeHeader(h, stereo, rate, values)) return false;
    File in(tmpPath, "rb");
    if (!in || !wavePath) return false;
    Output out(wavePath);
    if (!out) return false;
    if (!out.Write(h, sizeof h)) return false;

    int64_t left = 2 * values;
    // The samples go over inside the kernel when it can copy between the two
    // files; otherwise, and only when nothing was copied that way, through
    // the buffer below.
    if (left > 0 && std::fflush(out.get()) == 0) {
        off64_t from = offset;
        while (left > 0) {
            const size_t want = (size_t)std::min<int64_t>(left, (int64_t)1 << 30);
            const ssize_t n = ::copy_file_range(fileno(in.get()), &from, fileno(out.get()), nullptr, want, 0);
            if (n > 0) {
                left -= n;
                continue;
            }
            if (n == 0) return false; // the temporary file is short: no wave file
            if (errno == EINTR) continue;
            if (from != offset) return false;
            break; // no copy between these files: the buffer does it
        }
        if (left == 0) return out.Finish();
    }

    if (offset > 0 && !in.Seek(offset)) return false;
    unsigned char buf[kBlockBytes];
    while (left > 0) {
        size_t want = (size_t)(left < (int64_t)sizeof buf ? left : (int64_t)sizeof buf);
        size_t got = std::fread(buf, 1, want, in.get());
        if (!out.Write(buf, got)) return false;
        left -= (int64_t)got;
        if (got < want) return false; // the temporary file is short: no wave file
    }
    return out.Finish();
}

bool FinishWaveFile(const char *tmpPath, const char *wavePath, bool stereo, uint32_t rate, int64_t values) {
    if (!tmpPath || !wavePath) return false;
    unsigned char h[kWaveHeaderBytes];
    bool ok = makeHeader(h, stereo, rate, values) && headerInPlace(tmpPath, h, 2 * values);
    if (ok && moveInto(tmpPath, wavePath)) return true;
    // Not renamed: no older wave file may stay, and a copy is a new file.
    std::remove(wavePath);
    ok = ok && WriteWaveFile(tmpPath, wavePath, stereo, rate, values, kWaveHeaderBytes);
    std::remove(tmpPath);
    return ok;
}

bool FileUsable(const char *name) {
    if (!name) return false;
    bool text = false;
    for (const char *p = name; *p; ++p)
        if (*p != ' ' && *p != '\t') text = true;
    if (!text) return false;
    File f(name, "rb");
    return f && f.Size() >= 0;
}

} // namespace kmd
