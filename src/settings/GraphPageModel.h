// The Graph page's rules: the colour sets as applied, edited and built in, the
// two colour encodings, preview, commit to the profile and revert.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "device/MarlixMFC.h"

class ISettingsDevice;

class GraphPageModel {
public:
    static constexpr int kSetCount = 4;
    static constexpr int kColorCount = 11;
    static constexpr std::uint32_t kNoColor = 0xFFFFFFFFu;

    // The colour picker: starts on a colour reference, gives the chosen one or
    // nothing when cancelled.
    using Picker = std::function<std::optional<std::uint32_t>(std::uint32_t start)>;

    explicit GraphPageModel(ISettingsDevice& dev);

    // Colours 3 and 4 are kept as colour references 0x00BBGGRR, the others as 0xAARRGGBB.
    static bool IsColorRef(int index) { return index == 3 || index == 4; }
    // Stored to the colour reference a swatch shows.
    static std::uint32_t ToShown(int index, std::uint32_t stored);
    // A picked colour reference to stored form; the others keep the alpha of `keepAlphaOf`.
    static std::uint32_t ToStored(int index, std::uint32_t colorRef, std::uint32_t keepAlphaOf);
    static std::uint32_t& Slot(GraphColorSet& set, int index);
    static std::uint32_t Slot(const GraphColorSet& set, int index);
    // The graphs a set colours: 0 -> {0}, 3 -> {3, 4}.
    static bool IsEditedSet(int set) { return set == 0 || set == 3; }

    // Edited sets from the device state; applied ones too, but for a set shown
    // as a preview, whose applied colours stay until Apply, Ok or Cancel.
    void Load();
    std::uint32_t GetColor(int set, int index, bool edited) const;
    void SetColor(int set, int index, std::uint32_t value);
    // Runs the picker on the colour being edited; returns the shown colour of the
    // swatch afterwards (the edited value, whether the pick was taken or not).
    std::uint32_t PickColor(int set, int index, const Picker& picker);
    void Default(int set);
    void PreviewColors(int set);
    void ApplyColors(int set);
    void RevertColors(int set);

    GraphColorSet m_aApplied[kSetCount];
    GraphColorSet m_aEdited[kSetCount];
    GraphColorSet m_aDefault[kSetCount];

private:
    void ApplyToGraphs(int set);
    // The device state holds this set's edited colours, not its applied ones.
    bool m_abPreview[kSetCount] = {};
    ISettingsDevice& m_dev;
};
