// Resource images in the Windows resource-file (.res, 32-bit) format: how a
// library carries its pictures and string tables.
//
// An image is a sequence of entries, each aligned to 4 bytes:
//   DWORD DataSize, DWORD HeaderSize,
//   TYPE and NAME, each 0xFFFF + WORD ordinal or a NUL-terminated UTF-16LE
//   string, padded to 4 bytes,
//   DWORD DataVersion, WORD MemoryFlags, WORD LanguageId, DWORD Version,
//   DWORD Characteristics,
//   DataSize bytes of data, padded to 4 bytes.
// The first entry is the empty 32-byte one (no data, type and name ordinal 0).
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Picture.h"

namespace kmr {

constexpr uint16_t kResBitmap = 2; // a DIB (a .bmp file less its 14-byte header)
constexpr uint16_t kResString = 6; // a block of 16 numbered strings
constexpr uint16_t kResRcData = 10; // raw bytes

// The exported data symbol under which a library carries its image: a 4-byte
// little-endian length L, then L bytes of .res image.
constexpr const char *kResourceSymbol = "KmrResources";

// A type or name of an entry: a number, or a text (UTF-16 as stored).
struct ResourceId {
    bool isName = false;
    uint16_t ordinal = 0;
    std::u16string name;
};

struct ResourceEntry {
    ResourceId type, name;
    uint16_t memoryFlags = 0, language = 0;
    uint32_t dataVersion = 0, version = 0, characteristics = 0;
    std::vector<uint8_t> data;
};

// A parsed resource image.
class ResourceImage {
public:
    // Parses a whole image, replacing what was held before. Answers false,
    // leaving the image empty, when the bytes are not a complete, well-formed
    // image: an entry that runs past the end, a header whose size does not
    // match its contents, a name without its terminator, missing padding,
    // bytes after the last entry, or no leading empty entry.
    bool Parse(const uint8_t *data, size_t size);

    // Parses the image a loaded library exports under kResourceSymbol.
    // False when the library has no such symbol or the image is malformed.
    bool FromLibrary(void *library);

    // Data of the first entry of the type with the given name (compared
    // without regard to ASCII case) or number; null when there is none.
    const std::vector<uint8_t> *Find(uint16_t type, std::string_view name) const;
    const std::vector<uint8_t> *Find(uint16_t type, uint16_t id) const;

    // The bitmap resource `name`, decoded. False when it is absent or not a
    // valid DIB.
    bool LoadPicture(std::string_view name, Picture &out) const;

    // String `id` of the string tables, as UTF-8. False when the string is
    // absent or empty, or its block is malformed.
    bool LoadString(unsigned id, std::string &utf8) const;

    // Every entry but the leading empty one, in image order.
    const std::vector<ResourceEntry> &Entries() const { return entries_; }

private:
    std::vector<ResourceEntry> entries_;
};

// Builds a resource image. Every entry gets language 1049 and the memory
// flags moveable, pure and discardable (0x1030). Names are stored in upper
// case. Adding an entry under a type and name already present replaces it.
class ResourceWriter {
public:
    // A bitmap resource from a DIB as DecodeDib reads it. The bytes are not
    // checked. False for an unusable name (empty, NUL inside, not UTF-8).
    bool AddBitmap(std::string_view name, std::vector<uint8_t> dib);
    // A bitmap resource encoded by EncodeDib; false also for an empty picture.
    bool AddPicture(std::string_view name, const Picture &picture);
    // String `id` (0..65535) of the string tables, given in UTF-8. False for
    // an id out of range, text that is not UTF-8, or text longer than 65535
    // UTF-16 units.
    bool AddString(unsigned id, std::string_view utf8);
    // An entry of any type with raw data.
    bool AddRaw(uint16_t type, std::string_view name, std::vector<uint8_t> data);

    // The complete image: the empty entry, then the named entries in the
    // order they were first added, then the string blocks by block number.
    std::vector<uint8_t> Image() const;

    // Writes Image() to `path` through a temporary file beside it that is
    // then renamed, so a failed write leaves any previous file untouched.
    bool WriteFile(const std::string &path) const;

private:
    struct Named {
        uint16_t type;
        std::u16string name;
        std::vector<uint8_t> data;
    };
    std::vector<Named> named_;
    std::map<unsigned, std::u16string> strings_;
};

// Writes `bytes` to `path` through a temporary file in the same folder that
// replaces `path` only once it is completely written.
bool WriteFileAtomically(const std::string &path, const uint8_t *bytes, size_t size);

// Reads a whole file; false when it cannot be read or exceeds `maxSize`.
bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &out,
                   size_t maxSize = size_t(1) << 30);

} // namespace kmr
