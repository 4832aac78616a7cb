// Buffered access to the temporary sample file of a running instance.
//
// A recorder appends one or two 16-bit values per sample and the wave-file
// source reads one; going to the system for each would cost a call per
// value. A SampleWriter or SampleReader is made in Start around the open file
// descriptor (the instance's Handle), holds a fixed buffer, and is released in
// Stop. The per-sample calls only copy bytes, and reach the system only when
// the buffer is full (writer) or empty (reader).
//
// The instance record has no room for a pointer, so each library keeps the
// objects of its running instances in a RunTable keyed by the instance.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace kmd {

constexpr size_t kSampleBufferBytes = 32768;

class SampleWriter {
public:
    explicit SampleWriter(int fd) : fd_(fd) {}

    // Appends one value, little-endian; writes the buffer out when it is full.
    void Put(int16_t v) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(buf_ + fill_, &v, sizeof v); // one store instead of two
        } else {
            buf_[fill_] = (unsigned char)((uint16_t)v & 0xFF);
            buf_[fill_ + 1] = (unsigned char)((uint16_t)v >> 8);
        }
        fill_ += 2;
        if (fill_ == sizeof buf_) Flush();
    }
    // Writes out what the buffer holds. False once any write has failed;
    // values that could not be written are dropped.
    bool Flush();
    bool Failed() const { return failed_; }

private:
    int fd_;
    size_t fill_ = 0;
    bool failed_ = false;
    unsigned char buf_[kSampleBufferBytes];
};

class SampleReader {
public:
    explicit SampleReader(int fd) : fd_(fd) {}

    // The next value of the file; false at its end (or on a read error).
    bool Get(int16_t &v) {
        if (len_ - pos_ < 2 && !Fill()) return false;
        v = (int16_t)(uint16_t)(buf_[pos_] | buf_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }

private:
    // Moves a left-over byte to the front and reads more; true when at least
    // one whole value is buffered.
    bool Fill();

    int fd_;
    size_t pos_ = 0, len_ = 0;
    bool ended_ = false;
    unsigned char buf_[kSampleBufferBytes];
};

// The per-run objects of a library's running instances, keyed by instance.
// Used only from Start, Count and Stop, which the host calls on one thread.
template <class T, int N = 64>
class RunTable {
public:
    // Makes an object for `owner`, replacing one it still had. Null when no
    // memory or no slot is left.
    template <class... A>
    T *Add(const void *owner, A &&...args) {
        Remove(owner);
        if (used_ == N) return nullptr;
        T *item = new (std::nothrow) T(static_cast<A &&>(args)...);
        if (!item) return nullptr;
        slots_[used_].owner = owner;
        slots_[used_].item.reset(item);
        ++used_;
        return item;
    }
    // The object of `owner`; null when it has none (it did not start).
    // Count asks once per sample, nearly always for the instance asked for
    // last, so that answer is kept and checked first.
    T *Find(const void *owner) const {
        if (owner == lastOwner_ && owner) return lastItem_;
        for (int i = 0; i < used_; ++i)
            if (slots_[i].owner == owner) {
                lastOwner_ = owner;
                lastItem_ = slots_[i].item.get();
                return lastItem_;
            }
        return nullptr;
    }
    // Hands over the object of `owner` and frees its slot; null when none.
    std::unique_ptr<T> Take(const void *owner) {
        lastOwner_ = nullptr;
        lastItem_ = nullptr;
        for (int i = 0; i < used_; ++i)
            if (slots_[i].owner == owner) {
                std::unique_ptr<T> item = std::move(slots_[i].item);
                --used_;
                if (i != used_) {
                    slots_[i].owner = slots_[used_].owner;
                    slots_[i].item = std::move(slots_[used_].item);
                }
                slots_[used_].owner = nullptr;
                return item;
            }
        return nullptr;
    }
    void Remove(const void *owner) { Take(owner); }

private:
    struct Slot {
        const void *owner = nullptr;
        std::unique_ptr<T> item;
    };
    Slot slots_[N];
    int used_ = 0;
    // The last answer of Find; cleared whenever an object leaves the table.
    mutable const void *lastOwner_ = nullptr;
    mutable T *lastItem_ = nullptr;
};

} // namespace kmd
