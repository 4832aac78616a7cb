// A KMDSTREAM over bytes in memory, for tests of savers and loaders.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Kmd.h"

struct MemoryStream {
    std::vector<unsigned char> bytes;
    size_t pos = 0;
    size_t limit = SIZE_MAX; // writes beyond this many bytes fall short
    KMDSTREAM s{this, write, read, 0};

    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> b) : bytes(std::move(b)) {}
    MemoryStream(const MemoryStream &) = delete;

    KMDSTREAM *operator&() { return &s; }

    static intptr_t write(void *c, const void *data, intptr_t n) {
        auto *m = static_cast<MemoryStream *>(c);
        size_t room = m->limit > m->bytes.size() ? m->limit - m->bytes.size() : 0;
        size_t k = std::min<size_t>((size_t)n, room);
        auto *p = static_cast<const unsigned char *>(data);
        m->bytes.insert(m->bytes.end(), p, p + k);
        return (intptr_t)k;
    }
    static intptr_t read(void *c, void *data, intptr_t n) {
        auto *m = static_cast<MemoryStream *>(c);
        size_t k = std::min<size_t>((size_t)n, m->bytes.size() - m->pos);
        std::memcpy(data, m->bytes.data() + m->pos, k);
        m->pos += k;
        return (intptr_t)k;
    }
};
