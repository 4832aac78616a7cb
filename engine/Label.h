// Text labels on the schematic. The engine keeps their records and reads and
// writes the labels section of project files; the editor shows each label as
// a widget, attached through LabelHost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Kmd.h"

namespace kmr {

// Colours as stored in project files: 0x00BBGGRR, or 0x80000000 plus an
// index into the platform's colour scheme.
constexpr uint32_t kColorButtonFace = 0x8000000F;
constexpr uint32_t kColorWindowText = 0x80000008;

enum LabelAlignment : uint8_t { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };
enum LabelFontStyle : uint8_t { StyleBold = 1, StyleItalic = 2, StyleUnderline = 4, StyleStrikeOut = 8 };

struct LABEL {
    std::string Text; // Windows-1251, lines separated by CR LF
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool AutoSize = true;
    uint8_t Alignment = AlignLeft;
    bool Transparent = false;
    uint32_t Color = kColorButtonFace;
    uint32_t FontColor = kColorWindowText;
    int32_t FontHeight = -12; // negative: character height in pixels
    char FontName[128] = "DejaVu Sans";
    int32_t FontSize = 9; // points
    uint8_t FontStyle = 0;
    uint8_t Charset = 204; // Cyrillic
    uint8_t Pitch = 0;     // 0 default, 1 variable, 2 fixed
    int32_t PixelsPerInch = 96;
    int32_t Tag = -1; // the label's slot

    // Whether the text has a character other than a space: only such labels
    // are counted and saved.
    bool HasText() const { return Text.find_first_not_of(' ') != std::string::npos; }
};

// The editor's side of the labels: it makes a widget for each new label,
// updates it when the engine changed a label's record, and removes it.
class LabelHost {
public:
    virtual ~LabelHost() = default;
    virtual void LabelCreated(int /*slot*/, LABEL & /*label*/) {}
    virtual void LabelChanged(int /*slot*/, LABEL & /*label*/) {}
    virtual void LabelDeleted(int /*slot*/) {}
};

class LABCLASS {
public:
    static constexpr int kSlots = 64;
    static constexpr const char *kDefaultText = "------------------";

    // The window that shows the labels; labels can be created, and the
    // labels section read, only while one is set.
    void SetOwner(LabelHost *owner) { owner_ = owner; }
    LabelHost *Owner() const { return owner_; }

    // A new label at (x, y) in the lowest free slot, with `text` or, when it
    // is empty, 18 hyphens. Null without an owner or a free slot.
    LABEL *CreateLabel(int x, int y, const std::string &text);
    // Stores `label` in `slot`, replacing the slot's label.
    void PutLabel(std::unique_ptr<LABEL> label, int slot);
    bool DeleteLabel(int slot);
    void ClearAll();
    int CountLabels() const;
    int FreeLabelSlot() const;

    LABEL *Get(int slot) const { return slot >= 0 && slot < kSlots ? labels_[slot].get() : nullptr; }
    // Tells the owner that the record of `slot` changed (after an edit).
    void Changed(int slot);

    // The slot of the label whose context menu was opened last, and the
    // label being dragged; -1 for none.
    int MenuLabel = -1;
    int DraggedLabel = -1;

    // The labels section of a project file. Load raises maxX and maxY to the
    // right and bottom edges of the labels read.
    bool Save(KMDSTREAM *out) const;
    bool Load(KMDSTREAM *in, int &maxX, int &maxY);

private:
    std::unique_ptr<LABEL> labels_[kSlots];
    LabelHost *owner_ = nullptr;
};

} // namespace kmr
