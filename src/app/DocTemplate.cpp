#include "app/DocTemplate.h"

#include <QStringList>
#include <QWidget>

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, const QString& docStrings)
    : m_nIDResource(nIDResource), m_strDocStrings(docStrings) {}

QString CMultiDocTemplate::GetDocString(int field) const {
    const QStringList parts = m_strDocStrings.split(QLatin1Char('\n'));
    return (field >= 0 && field < parts.size()) ? parts[field] : QString();
}

QWidget* CMultiDocTemplate::OpenDocumentFile(BOOL bMakeVisible) {
    if (!m_pFrame && m_fnCreateFrame) {
        m_pFrame = m_fnCreateFrame();
        if (m_pFrame) {
            // The frame may be destroyed with the main frame; forget it then.
            QObject::connect(m_pFrame, &QObject::destroyed, [this] { m_pFrame = nullptr; });
            if (bMakeVisible)
                m_pFrame->show();
        }
    }
    return m_pFrame;
}
