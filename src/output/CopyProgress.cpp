#include "output/CopyProgress.h"

int CCopyProgress::DriveIndex(const QString& text) {
    for (int i = 0; i < 26; ++i)
        if (text == QStringLiteral("%1:\\").arg(QChar(char16_t(u'A' + i))))
            return i;
    return -1;
}

void CCopyProgress::SetFiles(const QStringList& names) {
    m_names = names;
    m_done.assign(std::size_t(names.size()), false);
    m_fileOf.clear();
    m_nCopied = 0;
    m_nPercent = 0;
    m_nCurrent = 0;
    m_nFirstOpen = 0;
}

void CCopyProgress::FileQueued(int index, std::uint32_t ref) {
    if (ref != 0 && index >= 0 && index < Total())
        m_fileOf[ref] = index;
}

void CCopyProgress::KeepFirst(int n) {
    if (n < 0 || n >= Total())
        return;
    m_names = m_names.mid(0, n);
    m_done.resize(std::size_t(n));
    for (auto it = m_fileOf.begin(); it != m_fileOf.end();)
        it = it->second >= n ? m_fileOf.erase(it) : std::next(it);
    m_nCopied = 0;
    for (bool d : m_done)
        m_nCopied += d ? 1 : 0;
    m_nCurrent = std::min(m_nCurrent, n);
    m_nFirstOpen = std::min(m_nFirstOpen, n);
}

bool CCopyProgress::FileDone(int index) const {
    return index >= 0 && index < Total() && m_done[std::size_t(index)];
}

int CCopyProgress::FileOf(std::uint32_t ref) const {
    const auto it = m_fileOf.find(ref);
    return ref == 0 || it == m_fileOf.end() ? -1 : it->second;
}

bool CCopyProgress::OnProgress(int percent, std::uint32_t ref) {
    const int file = FileOf(ref);
    if (file < 0 || m_done[std::size_t(file)]) {
        ++m_nDropped; // another copy's, a repeat after the file was complete, or never asked
        return false;
    }
    m_nCurrent = file;
    if (percent != 100) {
        m_nPercent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        return false;
    }
    m_done[std::size_t(file)] = true;
    ++m_nCopied;
    m_nPercent = 100;
    while (m_nFirstOpen < Total() && m_done[std::size_t(m_nFirstOpen)])
        ++m_nFirstOpen;
    m_nCurrent = m_nFirstOpen;
    return Done();
}

QString CCopyProgress::CurrentName() const {
    return m_nCurrent < Total() && m_nCopied < Total() ? m_names[m_nCurrent] : QString();
}

QString CCopyProgress::DoneText() const {
    return QStringLiteral("%1/%2").arg(m_nCopied).arg(Total());
}

QString CCopyProgress::TotalText() const {
    return QStringLiteral("%1/%2").arg(Total()).arg(Total());
}

QString CCopyProgress::StartText() const {
    return QStringLiteral("0/%1").arg(Total());
}
