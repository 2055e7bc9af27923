#include "settings/ModuleCalModel.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "settings/ISettingsDevice.h"

namespace {

std::vector<std::int32_t> Range(std::int32_t from, std::int32_t to, std::int32_t step) {
    std::vector<std::int32_t> v;
    for (std::int32_t x = from; step > 0 ? x <= to : x >= to; x += step)
        v.push_back(x);
    return v;
}

std::vector<std::int32_t> Join(std::initializer_list<std::vector<std::int32_t>> parts) {
    std::vector<std::int32_t> v;
    for (const auto& p : parts)
        v.insert(v.end(), p.begin(), p.end());
    return v;
}

constexpr MX_RW_ID_e kReadSelector[3] = {MX_RW_CAL_UPC_GET, MX_RW_CAL_ATT_GET, MX_RW_CAL_DOC_GET};
constexpr MX_RW_ID_e kWriteSelector[3] = {MX_RW_CAL_UPC_SET, MX_RW_CAL_ATT_SET, MX_RW_CAL_DOC_SET};

} // namespace

const std::vector<ModuleCalModel::CalList>& ModuleCalModel::Lists() {
    static const std::vector<std::int32_t> hf = Join({{480}, Range(500, 27000, 100)});
    static const std::vector<std::int32_t> lf = {1, 2, 5, 10, 100, 200, 300, 400, 479};
    static const std::vector<std::int32_t> range12 = Range(10, -45, -5);
    static const std::vector<CalList> lists = {
        {1350,
         Join({{1, 5},
               Range(10, 990, 10),
               {999},
               Range(1000, 1290, 10),
               {1299},
               Range(1300, 1990, 10),
               {1999},
               Range(2000, 2700, 10)}),
         true, false},
        {1501, lf, true, true},
        {1521, Range(100, -1100, -40), false, true},
        {1520, hf, true, true},
        {1522, Join({Range(30, -1090, -40), {-1100}}), false, true},
        {1494, hf, true, true},
        {1495, hf, true, true},
        {1499, lf, true, true},
        {1500, {1, 2, 5, 10, 15, 20}, true, true},
        {1493, Range(10, -55, -5), false, false},
        {1502, Range(-30, -55, -5), false, false},
        {1492, range12, false, false},
        {1514, range12, false, false},
    };
    return lists;
}

const ModuleCalModel::CalList* ModuleCalModel::FindList(int id) {
    for (const CalList& l : Lists())
        if (l.id == id)
            return &l;
    return nullptr;
}

QStringList ModuleCalModel::ItemTexts(const CalList& list) {
    QStringList out;
    for (std::int32_t e : list.entries) {
        const double v = list.tenths ? e / 10.0 : double(e);
        out << (list.frequency ? QString::asprintf("%.3f MHz", v) : QString::asprintf("%.1f dBm", v));
    }
    return out;
}

std::optional<std::int32_t> ModuleCalModel::ParseTenths(const QString& text) {
    // The longest leading decimal number (blanks, sign, digits, point, exponent),
    // read in the C locale whatever the user's locale says.
    const QByteArray s = text.toLatin1();
    const int n = int(s.size());
    int i = 0;
    while (i < n && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    const int start = i;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    int digits = 0;
    for (; i < n && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
        ++digits;
    if (i < n && s[i] == '.')
        for (++i; i < n && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
            ++digits;
    if (digits == 0)
        return std::nullopt;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        int j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
            while (j < n && std::isdigit(static_cast<unsigned char>(s[j])))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double v = s.mid(start, i - start).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const double tenths = std::trunc(v * 10.0);
    if (tenths < double(std::numeric_limits<std::int32_t>::min()) ||
        tenths > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(tenths);
}

QString ModuleCalModel::ValueText(std::int32_t tenths) {
    return QString::asprintf("%.1f", tenths / 10.0);
}

QString ModuleCalModel::AttText(int reg, std::uint32_t value) {
    return QString::asprintf("nios att rw %d %08X", reg, unsigned(value));
}

std::optional<std::uint32_t> ModuleCalModel::EntryHz(std::int32_t tenthsMHz) {
    // 0.1 MHz is 100000 Hz; worked out in 64 bits, the top HF entry needs all 32.
    const std::int64_t hz = std::int64_t(tenthsMHz) * 100000;
    if (hz < 0 || hz > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
        return std::nullopt;
    return std::uint32_t(hz);
}

void ModuleCalModel::SendText(const QString& text) {
    const std::u16string utf16 = text.toStdU16String();
    m_dev.Queue(MX_CMD_TEXT_COMMAND, MX_RW_DEFAULT, unsigned(utf16.size() * 2), utf16.data());
}

void ModuleCalModel::Refresh() {
    for (int i = 0; i < kValueCount; ++i) {
        m_anCalValue[i] = 0;
        m_abKnown[i] = false;
        m_astrEdit[i].clear();
    }
    m_nLFFreq = m_nLFPower = m_nHFFreq = m_nHFPower = 0;
    SendText(QStringLiteral("debugmarlix 1"));
    SendText(QStringLiteral("nios debugnios 1"));
}

void ModuleCalModel::SetValue(int index, std::int32_t value) {
    m_anCalValue[index] = value;
    m_abKnown[index] = true;
    m_astrEdit[index] = ValueText(value);
}

void ModuleCalModel::Get(int index) {
    if (index < 0 || index >= kValueCount)
        return;
    m_anCalValue[index] = 0;
    m_abKnown[index] = false;
    m_astrEdit[index].clear();
    m_dev.Queue(MX_CMD_MODULE_CAL, kReadSelector[index], 0, nullptr);
}

bool ModuleCalModel::Set(int index) {
    if (!IsKnown(index))
        return false;
    const std::int32_t v = m_anCalValue[index];
    m_dev.Queue(MX_CMD_MODULE_CAL, kWriteSelector[index], 4, &v);
    return true;
}

void ModuleCalModel::OnCalValue(std::uint64_t index, std::int64_t value) {
    if (index >= std::uint64_t(kValueCount))
        return;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return;
    SetValue(int(index), std::int32_t(value));
}

void ModuleCalModel::EditDone(int index, const QString& text) {
    if (index < 0 || index >= kValueCount)
        return;
    if (auto v = ParseTenths(text)) {
        SetValue(index, *v);
    } else {
        // Not a number: nothing that could be sent.
        m_anCalValue[index] = 0;
        m_abKnown[index] = false;
        m_astrEdit[index] = text;
    }
}

void ModuleCalModel::EditChanged(int index, const QString& text) {
    if (index < 0 || index >= kValueCount)
        return;
    const auto v = ParseTenths(text);
    m_anCalValue[index] = v.value_or(0);
    m_abKnown[index] = v.has_value();
    m_astrEdit[index] = text;
}

void ModuleCalModel::Step(int index, int delta) {
    if (!IsKnown(index))
        return;
    const std::int64_t v = std::int64_t(m_anCalValue[index]) + delta;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return;
    SetValue(index, std::int32_t(v));
}

void ModuleCalModel::SelectLF(int freq, int power) {
    m_nLFFreq = freq;
    m_nLFPower = power;
}

void ModuleCalModel::SelectHF(int freq, int power) {
    m_nHFFreq = freq;
    m_nHFPower = power;
}

bool ModuleCalModel::SendAtt(int freqListId, int freqIndex, int powerListId, int powerIndex) {
    const CalList* f = FindList(freqListId);
    const CalList* p = FindList(powerListId);
    if (!f || !p || freqIndex < 0 || freqIndex >= int(f->entries.size()) || powerIndex < 0 ||
        powerIndex >= int(p->entries.size()))
        return false;
    const auto hz = EntryHz(f->entries[std::size_t(freqIndex)]);
    if (!hz)
        return false;
    SendText(AttText(5, *hz));
    SendText(AttText(6, std::uint32_t(p->entries[std::size_t(powerIndex)])));
    return true;
}

bool ModuleCalModel::LFSet() {
    return SendAtt(1501, m_nLFFreq, 1521, m_nLFPower);
}

bool ModuleCalModel::HFSet() {
    return SendAtt(1520, m_nHFFreq, 1522, m_nHFPower);
}
