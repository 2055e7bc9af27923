#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/MarlixExApp.h"
#include "platform/System.h"
#include "res/ResImages.h"
#include "res/ResStrings.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg(const std::uint8_t version[4], QWidget* parent) : QDialog(parent) {
    setWindowTitle(LoadResString(IDS_APP_TITLE));
    setObjectName(QStringLiteral("AboutDlg"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    m_pVersion = new QLabel(VersionText(version), this);
    m_pVersion->setObjectName(QString::number(IDC_ABOUT_VERSION));
    const QString url = CMarlixExApp::AboutLinkUrl();
    m_pLink = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped()), this);
    m_pLink->setObjectName(QString::number(IDC_ABOUT_LINK));
    m_pLink->setTextFormat(Qt::RichText);
    m_pLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_pLink->setOpenExternalLinks(false);
    connect(m_pLink, &QLabel::linkActivated, this, [this](const QString& link) { OnClickLink(link); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(m_pVersion);
    text->addWidget(m_pLink);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(334, 152)));
}

QString CAboutDlg::FormatVersion(const std::uint8_t version[4]) {
    return QStringLiteral("%1.%2.%3.%4").arg(version[3]).arg(version[2]).arg(version[1]).arg(version[0]);
}

QString CAboutDlg::VersionText(const std::uint8_t version[4]) {
    if (!version)
        return QStringLiteral(u"Zephyra\u2122 Version: no instrument connected");
    return QStringLiteral(u"Zephyra\u2122 Version ") + FormatVersion(version);
}

int CAboutDlg::OnClickLink(const QString& url) {
    ShellOpen(url);
    return 0;
}
