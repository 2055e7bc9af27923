// One entry of the play list: a file of the instrument with its own record
// values (not the texts the list shows).
#pragma once
#include <QString>
#include <cstdint>

struct PlayListItem {
    std::int32_t m_nRow = -1;
    QString m_strDescription;
    QString m_strPath; // folder path followed by the file name
    QString m_strName;
    std::int64_t m_llSize = 0;
    double m_dSampleClock = 0.0;
    std::int32_t m_bFM = 0;
    std::int32_t m_nTimeSec = 0;
    std::int32_t m_nPower = 0; // tenths of dBm
};
