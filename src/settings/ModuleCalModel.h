// The calibration dialog's rules: the three calibration values (tenths) and
// whether each is known, the reference lists, the console texts and the LF/HF
// attenuator commands.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class ISettingsDevice;

class ModuleCalModel {
public:
    static constexpr int kValueCount = 3; // 0 UPC, 1 ATT, 2 DOC

    // One list: its entries and how an entry reads.
    struct CalList {
        int id;
        std::vector<std::int32_t> entries;
        bool frequency; // "%.3f MHz", else "%.1f dBm"
        bool tenths;    // entries in tenths, shown / 10
    };
    // The 13 lists in the order the dialog fills them.
    static const std::vector<CalList>& Lists();
    static const CalList* FindList(int id);
    static QStringList ItemTexts(const CalList& list);

    // Decimal text to tenths, truncated toward zero; nothing when the text holds
    // no number or the tenths do not fit 32 bits.
    static std::optional<std::int32_t> ParseTenths(const QString& text);
    static QString ValueText(std::int32_t tenths); // "%.1f"
    // "nios att rw <reg> %08X"; a negative value in two's complement.
    static QString AttText(int reg, std::uint32_t value);
    // An LF/HF frequency entry (0.1 MHz) in Hz, when it fits 32 bits.
    static std::optional<std::uint32_t> EntryHz(std::int32_t tenthsMHz);

    explicit ModuleCalModel(ISettingsDevice& dev) : m_dev(dev) {}

    // Values forgotten, lists back to their first entries, debug consoles on.
    void Refresh();
    void Get(int index);
    // False (nothing sent) while the value is not known.
    bool Set(int index);
    void OnCalValue(std::uint64_t index, std::int64_t value);
    // The edit lost the focus with this text.
    void EditDone(int index, const QString& text);
    // The edit's text as it stands (typing, or before a Set or a step): the
    // value it holds, or unknown when it holds no number; the text kept.
    void EditChanged(int index, const QString& text);
    void Step(int index, int delta);
    void SelectLF(int freq, int power);
    void SelectHF(int freq, int power);
    bool LFSet();
    bool HFSet();
    void SendText(const QString& text);

    bool IsKnown(int index) const { return index >= 0 && index < kValueCount && m_abKnown[index]; }

    std::int32_t m_anCalValue[kValueCount] = {};
    bool m_abKnown[kValueCount] = {};
    QString m_astrEdit[kValueCount];
    int m_nLFFreq = 0, m_nLFPower = 0, m_nHFFreq = 0, m_nHFPower = 0;

private:
    void SetValue(int index, std::int32_t value);
    bool SendAtt(int freqListId, int freqIndex, int powerListId, int powerIndex);
    ISettingsDevice& m_dev;
};
