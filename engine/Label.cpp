#include "Label.h"

#include <algorithm>
#include <cstring>

namespace kmr {

namespace {

constexpr char kHeader[14] = {'L', 'A', 'B', 'E', 'L', 'S', '_', 'S', 'E', 'C', 'T', 'I', 'O', 'N'};
constexpr size_t kPropertyBytes = 172;

void put32(unsigned char *p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}
uint32_t get32(const unsigned char *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void encodeProperties(const LABEL &l, unsigned char *p) {
    std::memset(p, 0, kPropertyBytes);
    p[0] = l.Alignment;
    p[1] = l.AutoSize;
    p[2] = l.Transparent;
    put32(p + 4, (uint32_t)l.Left);
    put32(p + 8, (uint32_t)l.Top);
    put32(p + 12, (uint32_t)l.Height);
    put32(p + 16, (uint32_t)l.Width);
    put32(p + 20, l.Color);
    put32(p + 24, l.FontColor);
    put32(p + 28, (uint32_t)l.FontHeight);
    std::memcpy(p + 32, l.FontName, strnlen(l.FontName, 127));
    put32(p + 160, (uint32_t)l.FontSize);
    p[164] = l.FontStyle;
    p[165] = l.Charset;
    p[166] = l.Pitch;
    put32(p + 168, (uint32_t)l.PixelsPerInch);
}

void decodeProperties(const unsigned char *p, LABEL &l) {
    l.Alignment = p[0] <= AlignCenter ? p[0] : (uint8_t)AlignLeft;
    l.AutoSize = p[1] != 0;
    l.Transparent = p[2] != 0;
    l.Left = (int32_t)get32(p + 4);
    l.Top = (int32_t)get32(p + 8);
    l.Height = (int32_t)get32(p + 12);
    l.Width = (int32_t)get32(p + 16);
    l.Color = get32(p + 20);
    l.FontColor = get32(p + 24);
    l.FontHeight = (int32_t)get32(p + 28);
    std::memset(l.FontName, 0, sizeof l.FontName);
    std::memcpy(l.FontName, p + 32, 127);
    l.FontSize = (int32_t)get32(p + 160);
    l.FontStyle = p[164] & 0x0F;
    l.Charset = p[165];
    l.Pitch = p[166] <= 2 ? p[166] : 0;
    l.PixelsPerInch = (int32_t)get32(p + 168);
}

// Reads `length` bytes of text without trusting the length: the text grows
// only as bytes actually arrive.
bool readText(KMDSTREAM *in, uint32_t length, std::string &text) {
    text.clear();
    char chunk[65536];
    while (length > 0) {
        uint32_t k = std::min<uint32_t>(length, sizeof chunk);
        if (!KmdRead(in, chunk, k)) return false;
        text.append(chunk, k);
        length -= k;
    }
    return true;
}

} // namespace

LABEL *LABCLASS::CreateLabel(int x, int y, const std::string &text) {
    if (!owner_) return nullptr;
    int slot = FreeLabelSlot();
    if (slot < 0) return nullptr;
    auto label = std::make_unique<LABEL>();
    label->Left = x;
    label->Top = y;
    label->Text = text.empty() ? kDefaultText : text;
    label->Tag = slot;
    LABEL *p = label.get();
    PutLabel(std::move(label), slot);
    return p;
}

void LABCLASS::PutLabel(std::unique_ptr<LABEL> label, int slot) {
    if (!label || slot < 0 || slot >= kSlots) return;
    if (labels_[slot]) DeleteLabel(slot);
    label->Tag = slot;
    labels_[slot] = std::move(label);
    if (owner_) owner_->LabelCreated(slot, *labels_[slot]);
}

bool LABCLASS::DeleteLabel(int slot) {
    if (slot < 0 || slot >= kSlots || !labels_[slot]) return false;
    if (owner_) owner_->LabelDeleted(slot);
    labels_[slot].reset();
    if (MenuLabel == slot) MenuLabel = -1;
    if (DraggedLabel == slot) DraggedLabel = -1;
    return true;
}

void LABCLASS::ClearAll() {
    for (int i = 0; i < kSlots; ++i) DeleteLabel(i);
}

int LABCLASS::CountLabels() const {
    return (int)std::count_if(std::begin(labels_), std::end(labels_), [](auto &l) { return l != nullptr; });
}

int LABCLASS::FreeLabelSlot() const {
    for (int i = 0; i < kSlots; ++i)
        if (!labels_[i]) return i;
    return -1;
}

void LABCLASS::Changed(int slot) {
    if (owner_ && Get(slot)) owner_->LabelChanged(slot, *labels_[slot]);
}

bool LABCLASS::Save(KMDSTREAM *out) const {
    if (!KmdGood(out)) return false;
    KmdWrite(out, kHeader, sizeof kHeader);
    int32_t count = 0;
    for (auto &l : labels_)
        if (l && l->HasText()) ++count;
    KmdWrite(out, &count, 4);
    for (auto &l : labels_) {
        if (!l || !l->HasText()) continue;
        int32_t length = (int32_t)std::min<size_t>(l->Text.size(), INT32_MAX);
        int32_t check = -length;
        unsigned char props[kPropertyBytes];
        encodeProperties(*l, props);
        KmdWrite(out, &length, 4);
        KmdWrite(out, &check, 4);
        KmdWrite(out, l->Text.data(), (size_t)length);
        KmdWrite(out, props, sizeof props);
    }
    return KmdGood(out);
}

bool LABCLASS::Load(KMDSTREAM *in, int &maxX, int &maxY) {
    char header[sizeof kHeader];
    if (!KmdGood(in) || !KmdRead(in, header, sizeof header) || std::memcmp(header, kHeader, sizeof header) != 0 ||
        !owner_)
        return false;
    int32_t count;
    if (!KmdRead(in, &count, 4) || count < 0 || count > kSlots) return false;
    ClearAll();
    for (int32_t i = 0; i < count; ++i) {
        int32_t length, check;
        if (!KmdRead(in, &length, 4) || !KmdRead(in, &check, 4)) return false;
        if (length < 0 || check != -length) return false;
        std::string text;
        unsigned char props[kPropertyBytes];
        if (!readText(in, (uint32_t)length, text) || !KmdRead(in, props, sizeof props)) return false;
        LABEL *l = CreateLabel(1, 1, "");
        if (!l) return false;
        decodeProperties(props, *l);
        l->Text = std::move(text);
        Changed(l->Tag);
        maxX = (int)std::clamp<int64_t>(std::max<int64_t>(maxX, (int64_t)l->Left + l->Width), INT32_MIN, INT32_MAX);
        maxY = (int)std::clamp<int64_t>(std::max<int64_t>(maxY, (int64_t)l->Top + l->Height), INT32_MIN, INT32_MAX);
    }
    return true;
}

} // namespace kmr
