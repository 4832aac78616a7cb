#include "Module.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "Library.h"
#include "Resource.h"

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Equal byte for byte, ASCII letters without regard to case.
bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

CPOINT absent() { return CPOINT{-1, -1}; }

bool fitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

bool inNetRange(int32_t net) { return net >= 0 && net < kNetCount; }

// The picture an instance points to, when there is one to draw.
const kmr::Picture *pictureOf(const MODULE *m) {
    auto *p = static_cast<const kmr::Picture *>(m->Bitmap);
    return p && !p->Empty() ? p : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// AVMODULES

AVMODULES::AVMODULES(PARAMS *params) : params_(params) {}

AVMODULES::~AVMODULES() { UnloadAll(); }

bool AVMODULES::LoadType(std::string_view fileName) {
    int free = -1;
    for (int i = 0; i < kTypeCount; ++i)
        if (!types_[i].Library) {
            free = i;
            break;
        }
    if (free < 0) return false;
    // A plug-in keeps the pointer it is handed and reads through it while
    // calculating, so a type is not accepted without the host's record.
    if (!params_) return false;
    // The name must fit FileName with its terminator and name a file of the
    // folder itself.
    MODULE_TYPE t;
    if (fileName.empty() || fileName.size() >= sizeof t.FileName) return false;
    if (fileName.find('\0') != std::string_view::npos || fileName.find('/') != std::string_view::npos) return false;

    // Always a path with a folder part, so the loader never searches the
    // system's library folders for a bare name.
    std::string path = (folder_.empty() ? std::string(".") : folder_) + "/" + std::string(fileName);
    t.Library = kmr::LoadLibrary(path);
    if (!t.Library) return false;
    auto refuse = [&t] {
        t.Bitmap.reset();
        t.Tool.reset();
        kmr::UnloadLibrary(t.Library);
        return false;
    };

    t.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(t.Library, KMD_ENTRY_NAME));
    if (!t.Entry) return refuse();
    std::memcpy(t.FileName, fileName.data(), fileName.size());

    const char *about = kmd::About(t);
    if (!about || std::strncmp(about, KMD_ABOUT_PREFIX, kAboutPrefixLength) != 0) return refuse();

    kmr::ResourceImage resources;
    auto bitmap = std::make_unique<kmr::Picture>();
    auto tool = std::make_unique<kmr::Picture>();
    if (!resources.FromLibrary(t.Library) || !resources.LoadPicture("BITMAP", *bitmap) ||
        !resources.LoadPicture("TOOL", *tool) || bitmap->Empty() || tool->Empty())
        return refuse();
    t.Bitmap = std::move(bitmap);
    t.Tool = std::move(tool);
    t.OnPanel = false;

    kmd::SetParams(t, params_);
    types_[free] = std::move(t);
    return true;
}

MODULE_TYPE &AVMODULES::GetType(int type) {
    if (type >= 0 && type < kTypeCount) return types_[type];
    // Whatever a caller left in the spare is dropped: it stays empty.
    types_[kTypeCount] = MODULE_TYPE{};
    return types_[kTypeCount];
}

const MODULE_TYPE &AVMODULES::GetType(int type) const {
    return type >= 0 && type < kTypeCount ? types_[type] : types_[kTypeCount];
}

const char *AVMODULES::TypeName(int type) const {
    return TypeExists(type) ? types_[type].FileName : "noname";
}

bool AVMODULES::TypeExists(int type) const {
    return type >= 0 && type < kTypeCount && types_[type].Library != nullptr;
}

int AVMODULES::CountTypes() const {
    int n = 0;
    while (n < kTypeCount && types_[n].Library) ++n;
    return n;
}

int AVMODULES::FindByFileName(std::string_view text) const {
    if (text.empty()) return -1;
    for (int i = 0; i < kTypeCount && types_[i].Library; ++i)
        if (equalNoCase(text, types_[i].FileName)) return i;
    return -1;
}

int AVMODULES::FindByToolTip(std::string_view text) const {
    if (text.empty()) return -1;
    for (int i = 0; i < kTypeCount && types_[i].Library; ++i) {
        const char *tip = kmd::ToolTip(types_[i]);
        if (tip && equalNoCase(text, tip)) return i;
    }
    return -1;
}

void AVMODULES::DrawTypePicture(int type, kmr::Surface *surface, int x, int y, kmr::RasterOp op) const {
    const MODULE_TYPE &t = GetType(type);
    if (!surface || !t.Bitmap || t.Bitmap->Empty() || x < 0 || y < 0) return;
    kmr::RasterOp previous = surface->Op();
    surface->SetOp(op);
    surface->DrawPicture(*t.Bitmap, x, y);
    surface->SetOp(previous);
}

void AVMODULES::UnloadAll() {
    for (auto &t : types_) {
        if (!t.Library) continue;
        t.Bitmap.reset();
        t.Tool.reset();
        kmr::UnloadLibrary(t.Library);
        t = MODULE_TYPE{};
    }
}

// ---------------------------------------------------------------------------
// One instance

void InitInstance(MODULE *m) {
    if (!m) return;
    m->Index = 0;
    std::memset(m->UserName, 0, sizeof m->UserName);
    m->loc = absent();
    m->end = absent();
    for (auto &p : m->in) p = absent();
    for (auto &n : m->wirein) n = 0;
    m->out = absent();
    m->wireout = 0;
    m->attr = 0;
    m->amp = 100.0;
    m->Bitmap = nullptr;
}

CPOINT PinPosition(const MODULE *m, int pin) {
    if (!m || pin < 1 || pin > 5) return absent();
    const CPOINT &offset = pin == 1 ? m->out : m->in[pin - 2];
    if (!offset.Valid()) return absent();
    int64_t x = (int64_t)m->loc.x + offset.x, y = (int64_t)m->loc.y + offset.y;
    if (!fitsInt32(x) || !fitsInt32(y)) return absent();
    return CPOINT{(int32_t)x, (int32_t)y};
}

int PinAt(const MODULE *m, CPOINT point) {
    if (!m || !point.Valid()) return 0;
    for (int pin = 1; pin <= 5; ++pin) {
        CPOINT p = PinPosition(m, pin);
        if (p.Valid() && p.x == point.x && p.y == point.y) return pin;
    }
    return 0;
}

int PinNet(const MODULE *m, int pin) {
    if (!m || pin < 1 || pin > 5) return 0;
    if (pin == 1) return m->out.Valid() ? m->wireout : 0;
    return m->in[pin - 2].Valid() ? m->wirein[pin - 2] : 0;
}

int NearestPin(const MODULE *m, CPOINT point) {
    if (!m || !point.Valid()) return 0;
    int best = 0;
    int64_t bestDistance = 10000;
    for (int pin = 1; pin <= 5; ++pin) {
        CPOINT p = PinPosition(m, pin);
        if (!p.Valid()) continue;
        int64_t dx = (int64_t)p.x - point.x, dy = (int64_t)p.y - point.y;
        int64_t d = dx * dx + dy * dy;
        if (d <= bestDistance) {
            bestDistance = d;
            best = pin;
        }
    }
    return bestDistance > 200 ? 0 : best;
}

void DrawInstance(const MODULE *m, kmr::Surface *surface, kmr::RasterOp op) {
    if (!m || !surface || !m->loc.Valid() || !m->end.Valid()) return;
    const kmr::Picture *picture = pictureOf(m);
    if (!picture) return;
    kmr::RasterOp previous = surface->Op();
    surface->SetOp(op);
    surface->DrawPicture(*picture, m->loc.x, m->loc.y);
    surface->SetOp(previous);
}

void EraseInstance(const MODULE *m, kmr::Surface *surface) {
    if (!m || !surface || !m->loc.Valid() || !m->end.Valid()) return;
    int64_t x2 = std::min<int64_t>((int64_t)m->loc.x + m->end.x, INT32_MAX);
    int64_t y2 = std::min<int64_t>((int64_t)m->loc.y + m->end.y, INT32_MAX);
    surface->FillRect(m->loc.x, m->loc.y, (int)x2, (int)y2, surface->Background());
}

// ---------------------------------------------------------------------------
// MODULES

namespace {

bool covers(const MODULE *m, CPOINT p) {
    if (!m->loc.Valid() || !m->end.Valid()) return false;
    return p.x >= m->loc.x && p.y >= m->loc.y && (int64_t)p.x <= (int64_t)m->loc.x + m->end.x &&
           (int64_t)p.y <= (int64_t)m->loc.y + m->end.y;
}

} // namespace

MODULES::MODULES(AVMODULES &types) : types_(types) {}

MODULES::~MODULES() {
    // The surface may be gone by now: free without erasing.
    for (auto &m : slots_) {
        std::free(m);
        m = nullptr;
    }
}

MODULE *MODULES::Get(int slot) const { return valid(slot) ? slots_[slot] : nullptr; }

bool MODULES::Selected(int slot) const { return valid(slot) && marks_[slot].load(std::memory_order_relaxed); }

void MODULES::Mark(int slot, bool selected) {
    if (valid(slot)) marks_[slot].store(selected, std::memory_order_relaxed);
}

int MODULES::AddInstance(const MODULE_TYPE &type, int typeNumber) {
    int slot = 0;
    for (int s = 1; s < kSlotCount; ++s)
        if (!slots_[s]) {
            slot = s;
            break;
        }
    if (!slot) return 0;
    // A block smaller than MODULE would be written past its end by the
    // defaults below.
    int size = kmd::Size(type);
    if (size < (int)sizeof(MODULE)) return 0;
    // Zero-filled, on a cache line of its own: the packed records put doubles
    // at offsets that are not multiples of 8, and a start on a line keeps
    // those of the header and the first own fields from straddling two lines
    // in the calculation.
    const size_t bytes = ((size_t)size + 63) & ~(size_t)63;
    auto *m = static_cast<MODULE *>(std::aligned_alloc(64, bytes));
    if (!m) return 0;
    std::memset(m, 0, bytes);
    InitInstance(m);
    kmd::Create(type, m);
    m->Index = typeNumber;
    m->Bitmap = type.Bitmap && !type.Bitmap->Empty() ? type.Bitmap.get() : nullptr;
    slots_[slot] = m;
    Mark(slot, false);
    return slot;
}

void MODULES::freeSlot(int slot, bool destroy) {
    MODULE *m = slots_[slot];
    EraseInstance(m, surface_);
    if (destroy) kmd::Destroy(std::as_const(types_).GetType(m->Index), m);
    std::free(m);
    slots_[slot] = nullptr;
    Mark(slot, false);
}

bool MODULES::DeleteInstance(int slot) {
    if (!valid(slot)) return false;
    if (slots_[slot]) freeSlot(slot, true);
    Compact();
    return true;
}

void MODULES::ClearAll() {
    for (int s = 1; s < kSlotCount; ++s)
        if (slots_[s]) freeSlot(s, false);
}

int MODULES::Compact() {
    int n = 0;
    for (int s = 1; s < kSlotCount; ++s) {
        if (!slots_[s]) continue;
        ++n;
        if (s != n) {
            slots_[n] = slots_[s];
            slots_[s] = nullptr;
        }
    }
    return n;
}

int MODULES::CountInstances() const {
    int n = 0;
    for (int s = 1; s < kSlotCount; ++s)
        if (slots_[s]) ++n;
    return n;
}

int MODULES::FindAt(CPOINT point) const { return FindAtExcept(point, 0); }

int MODULES::FindAtExcept(CPOINT point, int except) const {
    for (int s = 1; s < kSlotCount; ++s)
        if (s != except && slots_[s] && covers(slots_[s], point)) return s;
    return 0;
}

int MODULES::FindPinOwner(CPOINT point) const {
    for (int s = 1; s < kSlotCount; ++s)
        if (slots_[s] && PinAt(slots_[s], point)) return s;
    return 0;
}

void MODULES::SetPinNet(int slot, CPOINT point, int net) {
    MODULE *m = Get(slot);
    int pin = PinAt(m, point);
    if (pin == 1)
        m->wireout = net;
    else if (pin >= 2)
        m->wirein[pin - 2] = net;
}

int MODULES::GetPinNet(int slot, CPOINT point) const {
    const MODULE *m = Get(slot);
    return PinNet(m, PinAt(m, point));
}

void MODULES::clearMarksAndRedraw() {
    for (int s = 1; s < kSlotCount; ++s) {
        Mark(s, false);
        DrawOne(s);
    }
}

int MODULES::SelectOnNet(int net) {
    clearMarksAndRedraw();
    if (net == 0) return 0;
    int count = 0;
    for (int s = 1; s < kSlotCount; ++s) {
        const MODULE *m = slots_[s];
        if (!m) continue;
        bool on = m->wireout == net;
        for (int32_t n : m->wirein) on = on || n == net;
        if (on) {
            Mark(s, true);
            ++count;
        }
    }
    return count;
}

void MODULES::RenumberPinNets(int oldNet, int newNet) {
    // Net 0 means "unconnected": renumbering it would join every open pin,
    // even inputs a type does not have, to the new net.
    if (newNet == 0 || oldNet == 0) return;
    for (MODULE *m : slots_) {
        if (!m) continue;
        if (m->wireout == oldNet) m->wireout = newNet;
        for (auto &n : m->wirein)
            if (n == oldNet) n = newNet;
    }
}

void MODULES::ClearPinNets(int net) {
    if (net == 0) return;
    for (MODULE *m : slots_) {
        if (!m) continue;
        if (m->out.Valid() && m->wireout == net) m->wireout = 0;
        for (int i = 0; i < 4; ++i)
            if (m->in[i].Valid() && m->wirein[i] == net) m->wirein[i] = 0;
    }
}

int MODULES::FindMultiDrivenNet() {
    clearMarksAndRedraw();
    std::array<uint8_t, kNetCount> drivers{};
    for (const MODULE *m : slots_) {
        if (!m || m->wireout < 1 || m->wireout >= kNetCount) continue;
        if (drivers[m->wireout] < 2) ++drivers[m->wireout];
    }
    for (int net = 1; net < kNetCount; ++net)
        if (drivers[net] > 1) return net;
    return 0;
}

bool MODULES::DrawOne(int slot) {
    const MODULE *m = Get(slot);
    if (!m) return false;
    DrawInstance(m, surface_, kmr::RasterOp::Copy);
    return true;
}

bool MODULES::DrawSelected(int slot) {
    const MODULE *m = Get(slot);
    if (!m) return false;
    EraseInstance(m, surface_);
    DrawInstance(m, surface_, kmr::RasterOp::Invert);
    return true;
}

void MODULES::DrawAll() {
    for (int s = 1; s < kSlotCount; ++s) {
        if (Selected(s))
            DrawSelected(s);
        else
            DrawOne(s);
    }
}

void MODULES::Select(int slot) {
    if (!Get(slot)) return;
    Mark(slot, true);
    DrawSelected(slot);
}

void MODULES::Deselect(int slot) {
    if (!Get(slot)) return;
    Mark(slot, false);
    DrawOne(slot);
}

void MODULES::DeselectAll() {
    for (int s = 1; s < kSlotCount; ++s) Deselect(s);
}

bool MODULES::StartAll() {
    for (int s = 1; s < kSlotCount; ++s) Mark(s, false);
    for (int s = 1; s < kSlotCount; ++s) {
        MODULE *m = slots_[s];
        if (m && !kmd::Start(std::as_const(types_).GetType(m->Index), m)) {
            Mark(s, true);
            return false;
        }
    }
    return true;
}

bool MODULES::StopAll() {
    bool all = true;
    for (int s = 1; s < kSlotCount; ++s) {
        MODULE *m = slots_[s];
        if (m && !kmd::Stop(std::as_const(types_).GetType(m->Index), m)) {
            Mark(s, true);
            all = false;
        }
    }
    return all;
}

void MODULES::CountInstance(int slot, int sample) {
    if (MODULE *m = Get(slot)) kmd::Count(std::as_const(types_).GetType(m->Index), m, sample);
}

int MODULES::Order() {
    knownValid_ = false;
    levels = 0;
    std::fill(std::begin(known_), std::end(known_), false);
    known_[0] = true;
    auto outOfRange = [this](int slot) {
        Select(slot);
        return kNetOutOfRange;
    };

    for (MODULE *m : slots_)
        if (m) m->level = 0;

    // A feedback module's output holds the value of the previous sample, so
    // it is known before anything of this sample is computed.
    for (int s = 1; s < kSlotCount; ++s) {
        const MODULE *m = slots_[s];
        if (!m || !(m->attr & matBACK) || m->wireout == 0) continue;
        if (!inNetRange(m->wireout)) return outOfRange(s);
        known_[m->wireout] = true;
    }

    // Outputs become known only after a whole round, so instances of one
    // level never read each other.
    for (int level = 1; level <= kMaxInstances; ++level) {
        for (int s = 1; s < kSlotCount; ++s) {
            MODULE *m = slots_[s];
            if (!m || m->level != 0) continue;
            bool ready = true;
            for (int32_t n : m->wirein) {
                if (!inNetRange(n)) return outOfRange(s);
                ready = ready && known_[n];
            }
            if (ready) {
                m->level = level;
                levels = level;
            }
        }
        for (int s = 1; s < kSlotCount; ++s) {
            const MODULE *m = slots_[s];
            if (!m || m->level == 0) continue;
            if (!inNetRange(m->wireout)) return outOfRange(s);
            known_[m->wireout] = true;
        }
    }

    int unordered = 0;
    for (int s = 1; s < kSlotCount; ++s)
        if (slots_[s] && slots_[s]->level == 0) {
            Select(s);
            ++unordered;
        }
    knownValid_ = true;
    return unordered;
}

int MODULES::FindUnconnectedInputs() {
    // Without a table from Order every net counts as known: only inputs on
    // net 0 (or on a net no table could hold) are found.
    if (!knownValid_) std::fill(std::begin(known_), std::end(known_), true);
    known_[0] = false;
    int count = 0;
    for (int s = 1; s < kSlotCount; ++s) {
        const MODULE *m = slots_[s];
        if (!m) continue;
        int open = 0;
        for (int i = 0; i < 4; ++i)
            if (m->in[i].Valid() && (!inNetRange(m->wirein[i]) || !known_[m->wirein[i]])) ++open;
        if (open) {
            count += open;
            Select(s);
        }
    }
    knownValid_ = false;
    return count;
}
