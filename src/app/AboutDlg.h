// The About box: product name, the software version the device library reports,
// and a link to the maker's web page.
#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // version: the four bytes of the connected instrument's software version,
    // byte 0 first; null when no instrument is connected.
    CAboutDlg(const std::uint8_t version[4], QWidget* parent = nullptr);

    // "%d.%d.%d.%d" with byte 3 first.
    static QString FormatVersion(const std::uint8_t version[4]);
    // The version line: the product with the version, or that there is none to show.
    static QString VersionText(const std::uint8_t version[4]);
    QLabel* VersionControl() const { return m_pVersion; }
    QLabel* LinkControl() const { return m_pLink; }
    // The link's click: opens its address; returns the notification result (0).
    int OnClickLink(const QString& url);

private:
    QLabel* m_pVersion = nullptr;
    QLabel* m_pLink = nullptr;
};
