#include "Resource.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Cp1251.h"
#include "Library.h"

namespace kmr {

namespace {

constexpr uint32_t kMinHeaderSize = 32; // ordinal type and name
constexpr uint32_t kFixedTail = 16;     // DataVersion .. Characteristics
constexpr uint16_t kOrdinalMark = 0xFFFF;
constexpr uint16_t kMemoryFlags = 0x1030; // moveable | pure | discardable
constexpr uint16_t kLanguage = 1049;
constexpr size_t kStringsPerBlock = 16;
// A sanity bound for an image a library claims to carry.
constexpr uint32_t kMaxLibraryImage = 256u << 20;

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t *p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}
void Put16(std::vector<uint8_t> &v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t> &v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Set32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
void PadTo4(std::vector<uint8_t> &v) {
    while (v.size() % 4) v.push_back(0);
}

// Reads a type or name at header offset `pos`, which must end before `limit`.
bool ReadId(const uint8_t *header, size_t limit, size_t &pos, ResourceId &id) {
    if (pos + 2 > limit) return false;
    if (Get16(header + pos) == kOrdinalMark) {
        if (pos + 4 > limit) return false;
        id.isName = false;
        id.ordinal = Get16(header + pos + 2);
        pos += 4;
        return true;
    }
    id.isName = true;
    id.name.clear();
    for (;;) {
        if (pos + 2 > limit) return false; // no terminator inside the header
        const char16_t c = Get16(header + pos);
        pos += 2;
        if (c == 0) return true;
        id.name += c;
    }
}

char16_t AsciiUpper(char16_t c) { return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c; }

bool SameName(const std::u16string &a, const std::u16string &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

// A name as the writer stores it: UTF-16, ASCII letters in upper case.
bool StoredName(std::string_view name, std::u16string &out) {
    if (name.empty() || name.find('\0') != std::string_view::npos) return false;
    if (!Utf8ToUtf16(name, out)) return false;
    for (char16_t &c : out) c = AsciiUpper(c);
    return true;
}

void PutEntry(std::vector<uint8_t> &out, uint16_t type, const std::u16string *name,
              uint16_t nameOrdinal, const std::vector<uint8_t> &data) {
    const size_t start = out.size();
    Put32(out, uint32_t(data.size()));
    Put32(out, 0); // header size, set below
    Put16(out, kOrdinalMark);
    Put16(out, type);
    if (name) {
        for (char16_t c : *name) Put16(out, c);
        Put16(out, 0);
    } else {
        Put16(out, kOrdinalMark);
        Put16(out, nameOrdinal);
    }
    PadTo4(out);
    Put32(out, 0); // data version
    Put16(out, kMemoryFlags);
    Put16(out, kLanguage);
    Put32(out, 0); // version
    Put32(out, 0); // characteristics
    Set32(out, start + 4, uint32_t(out.size() - start));
    out.insert(out.end(), data.begin(), data.end());
    PadTo4(out);
}

constexpr size_t kMaxData = 0xFFFFFFF0u;

} // namespace

// ---------------------------------------------------------------------------

bool ResourceImage::Parse(const uint8_t *data, size_t size) {
    entries_.clear();
    if (!data || size == 0) return false;
    std::vector<ResourceEntry> list;
    size_t pos = 0;
    bool first = true;
    while (pos < size) {
        const size_t left = size - pos;
        if (left < 8) return false;
        const uint8_t *p = data + pos;
        const uint32_t dataSize = Get32(p);
        const uint32_t headerSize = Get32(p + 4);
        if (headerSize < kMinHeaderSize || headerSize % 4 != 0 || headerSize > left)
            return false;

        ResourceEntry e;
        const size_t fixedAt = headerSize - kFixedTail;
        size_t q = 8;
        if (!ReadId(p, fixedAt, q, e.type) || !ReadId(p, fixedAt, q, e.name)) return false;
        q = (q + 3) & ~size_t(3);
        if (q != fixedAt) return false;
        e.dataVersion = Get32(p + q);
        e.memoryFlags = Get16(p + q + 4);
        e.language = Get16(p + q + 6);
        e.version = Get32(p + q + 8);
        e.characteristics = Get32(p + q + 12);

        const uint64_t padded = (uint64_t(dataSize) + 3) & ~uint64_t(3);
        if (padded > left - headerSize) return false;

        if (first) {
            if (dataSize != 0 || headerSize != kMinHeaderSize || e.type.isName ||
                e.type.ordinal != 0 || e.name.isName || e.name.ordinal != 0)
                return false;
            first = false;
        } else {
            e.data.assign(p + headerSize, p + headerSize + dataSize);
            list.push_back(std::move(e));
        }
        pos += headerSize + size_t(padded);
    }
    entries_ = std::move(list);
    return true;
}

bool ResourceImage::FromLibrary(void *library) {
    entries_.clear();
    const auto *p = static_cast<const uint8_t *>(FindSymbol(library, kResourceSymbol));
    if (!p) return false;
    const uint32_t length = Get32(p);
    if (length > kMaxLibraryImage) return false;
    return Parse(p + 4, length);
}

const std::vector<uint8_t> *ResourceImage::Find(uint16_t type, std::string_view name) const {
    std::u16string wanted;
    if (name.empty() || !Utf8ToUtf16(name, wanted)) return nullptr;
    for (const ResourceEntry &e : entries_)
        if (!e.type.isName && e.type.ordinal == type && e.name.isName &&
            SameName(e.name.name, wanted))
            return &e.data;
    return nullptr;
}

const std::vector<uint8_t> *ResourceImage::Find(uint16_t type, uint16_t id) const {
    for (const ResourceEntry &e : entries_)
        if (!e.type.isName && e.type.ordinal == type && !e.name.isName &&
            e.name.ordinal == id)
            return &e.data;
    return nullptr;
}

bool ResourceImage::LoadPicture(std::string_view name, Picture &out) const {
    const std::vector<uint8_t> *dib = Find(kResBitmap, name);
    return dib && DecodeDib(dib->data(), dib->size(), out);
}

bool ResourceImage::LoadString(unsigned id, std::string &utf8) const {
    if (id > 0xFFFF) return false;
    const std::vector<uint8_t> *block = Find(kResString, uint16_t(id / kStringsPerBlock + 1));
    if (!block) return false;
    const uint8_t *p = block->data();
    const size_t size = block->size();
    size_t pos = 0;
    for (size_t slot = 0;; ++slot) {
        if (size - pos < 2) return false;
        const size_t len = Get16(p + pos);
        pos += 2;
        if (len * 2 > size - pos) return false;
        if (slot == id % kStringsPerBlock) {
            if (len == 0) return false;
            std::u16string text(len, u'\0');
            for (size_t i = 0; i < len; ++i) text[i] = Get16(p + pos + 2 * i);
            utf8 = Utf16ToUtf8(text);
            return true;
        }
        pos += len * 2;
    }
}

// ---------------------------------------------------------------------------

bool ResourceWriter::AddRaw(uint16_t type, std::string_view name, std::vector<uint8_t> data) {
    std::u16string stored;
    if (!StoredName(name, stored) || data.size() > kMaxData) return false;
    for (Named &n : named_)
        if (n.type == type && n.name == stored) {
            n.data = std::move(data);
            return true;
        }
    named_.push_back(Named{type, std::move(stored), std::move(data)});
    return true;
}

bool ResourceWriter::AddBitmap(std::string_view name, std::vector<uint8_t> dib) {
    return AddRaw(kResBitmap, name, std::move(dib));
}

bool ResourceWriter::AddPicture(std::string_view name, const Picture &picture) {
    std::vector<uint8_t> dib = EncodeDib(picture);
    return !dib.empty() && AddBitmap(name, std::move(dib));
}

bool ResourceWriter::AddString(unsigned id, std::string_view utf8) {
    std::u16string text;
    if (id > 0xFFFF || !Utf8ToUtf16(utf8, text) || text.size() > 0xFFFF) return false;
    strings_[id] = std::move(text);
    return true;
}

std::vector<uint8_t> ResourceWriter::Image() const {
    std::vector<uint8_t> out;
    // The leading empty entry.
    Put32(out, 0);
    Put32(out, kMinHeaderSize);
    Put16(out, kOrdinalMark);
    Put16(out, 0);
    Put16(out, kOrdinalMark);
    Put16(out, 0);
    for (int i = 0; i < 4; ++i) Put32(out, 0);

    for (const Named &n : named_) PutEntry(out, n.type, &n.name, 0, n.data);

    // String blocks: block b holds the strings 16*(b-1) .. 16*(b-1)+15, each as
    // a length word and that many UTF-16 units; absent strings have length 0.
    auto it = strings_.begin();
    while (it != strings_.end()) {
        const unsigned block = it->first / kStringsPerBlock;
        std::array<const std::u16string *, kStringsPerBlock> slots{};
        for (; it != strings_.end() && it->first / kStringsPerBlock == block; ++it)
            slots[it->first % kStringsPerBlock] = &it->second;
        std::vector<uint8_t> data;
        for (const std::u16string *s : slots) {
            Put16(data, s ? uint16_t(s->size()) : 0);
            if (s)
                for (char16_t c : *s) Put16(data, c);
        }
        PutEntry(out, kResString, nullptr, uint16_t(block + 1), data);
    }
    return out;
}

bool ResourceWriter::WriteFile(const std::string &path) const {
    const std::vector<uint8_t> image = Image();
    return WriteFileAtomically(path, image.data(), image.size());
}

// ---------------------------------------------------------------------------

bool WriteFileAtomically(const std::string &path, const uint8_t *bytes, size_t size) {
    if (path.empty() || (!bytes && size)) return false;
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;
    size_t done = 0;
    while (ok && done < size) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += size_t(n);
    }
    if (ok && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    if (ok && rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &out, size_t maxSize) {
    out.clear();
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, f);
        if (n > maxSize - data.size()) {
            ok = false;
            break;
        }
        data.insert(data.end(), buffer, buffer + n);
        if (n < sizeof buffer) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    if (ok) out = std::move(data);
    return ok;
}

} // namespace kmr
