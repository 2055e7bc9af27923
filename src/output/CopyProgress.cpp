#include "output/CopyProgress.h"

int CCopyProgress::DriveIndex(const QString& text) {
    for (int i = 0; i < 26; ++i)
        if (text == QStringLiteral("%1:\\").arg(QChar(char16_t(u'A' + i))))
            return i;
    return -1;
}

void CCopyProgress::SetFiles(const QStringList& names) {
    m_names = names;
    m_nCopied = 0;
    m_nPercent = 0;
}

bool CCopyProgress::OnProgress(int percent) {
    if (Done())
        return false; // late reports after the last file change nothing
    if (percent != 100) {
        m_nPercent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
        return false;
    }
    ++m_nCopied;
    m_nPercent = 100;
    return Done();
}

QString CCopyProgress::CurrentName() const {
    return m_nCopied < Total() ? m_names[m_nCopied] : QString();
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
