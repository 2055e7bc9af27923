#include "settings/GraphPageModel.h"

#include "app/SettingKeyTable.h"
#include "settings/ISettingsDevice.h"

namespace {
constexpr std::uint32_t GraphColorSet::*kSlots[GraphPageModel::kColorCount] = {
    &GraphColorSet::m_clrBG,      &GraphColorSet::m_clrAxis,   &GraphColorSet::m_clrGrid,
    &GraphColorSet::m_clrText,    &GraphColorSet::m_clrTextFo, &GraphColorSet::m_clrTextSe,
    &GraphColorSet::m_clrData,    &GraphColorSet::m_clrFade,   &GraphColorSet::m_clrDrag,
    &GraphColorSet::m_clrMaxHold, &GraphColorSet::m_clrMinHold};

constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
} // namespace

GraphPageModel::GraphPageModel(ISettingsDevice& dev) : m_dev(dev) {
    // GraphColorSet's initial values are the built-in colours.
    m_aDefault[0] = GraphColorSet{};
    m_aDefault[3] = GraphColorSet{};
}

std::uint32_t& GraphPageModel::Slot(GraphColorSet& set, int index) {
    return set.*kSlots[index];
}

std::uint32_t GraphPageModel::Slot(const GraphColorSet& set, int index) {
    return set.*kSlots[index];
}

std::uint32_t GraphPageModel::ToShown(int index, std::uint32_t stored) {
    return IsColorRef(index) ? stored : SwapRedBlue(stored & 0x00FFFFFFu);
}

std::uint32_t GraphPageModel::ToStored(int index, std::uint32_t colorRef, std::uint32_t keepAlphaOf) {
    if (IsColorRef(index))
        return colorRef;
    return (keepAlphaOf & 0xFF000000u) | SwapRedBlue(colorRef & 0x00FFFFFFu);
}

void GraphPageModel::Load() {
    const DeviceState& s = m_dev.State();
    for (int set = 0; set < kSetCount; ++set) {
        m_aEdited[set] = s.m_aGraphColors[set];
        if (!m_abPreview[set])
            m_aApplied[set] = s.m_aGraphColors[set];
    }
}

std::uint32_t GraphPageModel::GetColor(int set, int index, bool edited) const {
    if (!IsEditedSet(set) || index < 0 || index >= kColorCount)
        return kNoColor;
    return Slot(edited ? m_aEdited[set] : m_aApplied[set], index);
}

void GraphPageModel::SetColor(int set, int index, std::uint32_t value) {
    if (!IsEditedSet(set) || index < 0 || index >= kColorCount)
        return;
    Slot(m_aEdited[set], index) = value;
}

std::uint32_t GraphPageModel::PickColor(int set, int index, const Picker& picker) {
    if (!IsEditedSet(set) || index < 0 || index >= kColorCount)
        return 0;
    if (picker) {
        if (auto chosen = picker(ToShown(index, GetColor(set, index, true))))
            SetColor(set, index, ToStored(index, *chosen, GetColor(set, index, false)));
    }
    return ToShown(index, GetColor(set, index, true));
}

void GraphPageModel::Default(int set) {
    if (!IsEditedSet(set))
        return;
    m_aEdited[set] = m_aDefault[set];
    PreviewColors(set);
}

void GraphPageModel::ApplyToGraphs(int set) {
    if (set == 0) {
        m_dev.ApplyGraphColors(0);
    } else if (set == 3) {
        m_dev.ApplyGraphColors(3);
        m_dev.ApplyGraphColors(4);
    }
}

void GraphPageModel::PreviewColors(int set) {
    if (set < 0 || set >= kSetCount)
        return;
    m_dev.State().m_aGraphColors[set] = m_aEdited[set];
    m_abPreview[set] = true;
    ApplyToGraphs(set);
}

void GraphPageModel::ApplyColors(int set) {
    if (set < 0 || set >= kSetCount)
        return;
    m_aApplied[set] = m_aEdited[set];
    m_dev.State().m_aGraphColors[set] = m_aEdited[set];
    m_abPreview[set] = false;
    if (!IsEditedSet(set))
        return;
    ApplyToGraphs(set);
    const int first = set == 0 ? KEY_SPEC_BG_COLOR : KEY_IQ_BG_COLOR;
    for (int i = 0; i < kColorCount; ++i)
        m_dev.SaveGraphColor(first + i);
}

void GraphPageModel::RevertColors(int set) {
    if (set < 0 || set >= kSetCount)
        return;
    m_dev.State().m_aGraphColors[set] = m_aApplied[set];
    m_aEdited[set] = m_aApplied[set];
    m_abPreview[set] = false;
    ApplyToGraphs(set);
}
