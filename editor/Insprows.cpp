#include "Insprows.h"

#include <cstring>

namespace kmr {

void ClearDescriptors(DESCRIPTOR *descr) {
    std::memset(static_cast<void *>(descr), 0, sizeof(DESCRIPTOR) * kDescriptorCount);
}

int DescriptorRows(const DESCRIPTOR *descr) {
    int n = 0;
    while (n < kInspectorRows && descr[n].Type != _NONE) ++n;
    return n;
}

bool DescribeInstance(DESCRIPTOR *descr, const AVMODULES &types, MODULE *m, const char *nameLabel,
                      const char *ampLabel) {
    if (!m) return false;
    const MODULE_TYPE &type = types.GetType(m->Index);
    if (!type.Loaded()) return false;
    ClearDescriptors(descr);
    descr[0].SetCharPtr(nameLabel, m->UserName, sizeof m->UserName);
    descr[1].SetDouble(ampLabel, m->amp);
    kmd::Describe(type, m);
    return true;
}

namespace {

// The row's record, or null for a row beyond those in use.
DESCRIPTOR *RowRecord(DESCRIPTOR *descr, int rows, int row) {
    return row >= 1 && row <= rows && rows <= kInspectorRows ? &descr[row - 1] : nullptr;
}

} // namespace

std::string RowText(const DESCRIPTOR *d) {
    if ((d->Type == _CHARPTR || d->Type == _FILENAME) && d->Param && d->buflen > 0) {
        const char *text = static_cast<const char *>(d->Param);
        return std::string(text, strnlen(text, size_t(d->buflen)));
    }
    return GetText(d);
}

std::string CommitRow(DESCRIPTOR *descr, int rows, int row, const std::string &text) {
    DESCRIPTOR *d = RowRecord(descr, rows, row);
    if (!d) return {};
    if (text == RowText(d)) return text;
    if (!SetText(d, text.c_str())) return {};
    return RowText(d);
}

std::string EnterRow(DESCRIPTOR *descr, int rows, int row, const std::string &text, void *instance) {
    DESCRIPTOR *d = RowRecord(descr, rows, row);
    if (!d || !Activate(d, text.c_str(), instance)) return {};
    return RowText(d);
}

std::vector<std::string> InstanceListNames(const MODULES &scheme) {
    std::vector<std::string> names;
    const int n = scheme.CountInstances();
    for (int k = 1; k <= n; ++k) {
        const MODULE *m = scheme.Get(k);
        if (m && m->UserName[0]) {
            names.emplace_back(m->UserName, strnlen(m->UserName, sizeof m->UserName));
            continue;
        }
        const MODULE_TYPE *type = m ? &scheme.Types().GetType(m->Index) : nullptr;
        if (!type || !type->Loaded()) {
            names.emplace_back("?");
            continue;
        }
        const char *tip = kmd::ToolTip(*type);
        names.push_back(std::string(tip ? tip : "") + " " + std::to_string(k));
    }
    return names;
}

} // namespace kmr
