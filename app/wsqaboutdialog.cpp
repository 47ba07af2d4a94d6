#include "wsqaboutdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTextEdit>
#include <QVBoxLayout>

#include "embedded_images.h"
#include "linklabel.h"

#ifndef WSQVIEWER_VERSION
#define WSQVIEWER_VERSION "1.0.0"
#endif

namespace {

// "Linux" rather than the kernel's own lower-case "linux".
QString platformName() {
    QString kernel = QSysInfo::kernelType();
    if (!kernel.isEmpty()) kernel[0] = kernel[0].toUpper();
    return kernel;
}

}  // namespace

QString projectWebAddress() {
    return QStringLiteral("http://www.example.org/wsqviewer/");
}

WSQAboutDialog::WSQAboutDialog(QWidget* parent, const char* name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags) {
    if (name) setObjectName(QString::fromLatin1(name));
    setModal(modal);
    resize(300, 300);
    setWindowTitle(tr("About"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setTextFormat(Qt::RichText);
    title->setText(QStringLiteral("<b>Tarvelon WSQ viewer %1 for %2 (%3)</b>")
                       .arg(QStringLiteral(WSQVIEWER_VERSION), platformName(),
                            QSysInfo::currentCpuArchitecture()));
    title->setAlignment(Qt::AlignHCenter);
    title->setWordWrap(true);
    layout->addWidget(title);

    auto* description = new QTextEdit(this);
    description->setObjectName(QStringLiteral("descriptionText"));
    description->setReadOnly(true);
    description->setHtml(
        tr("<p>Tarvelon WSQ viewer shows fingerprint images.<br>"
           "It reads and converts between WSQ (Wavelet Scalar Quantization) and other graphic "
           "file formats.<br>"
           "More information: %1</p>")
            .arg(projectWebAddress()));
    layout->addWidget(description);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logoLabel"));
    logo->setPixmap(embeddedPixmap(QStringLiteral("logo_slogan_0001_200.png")));
    logo->setAlignment(Qt::AlignHCenter);
    layout->addWidget(logo);

    auto* link = new LinkLabel(projectWebAddress(), this);
    link->setObjectName(QStringLiteral("linkLabel"));
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(projectWebAddress()));
    link->setAlignment(Qt::AlignHCenter);
    link->setCursor(Qt::PointingHandCursor);
    layout->addWidget(link);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok);
}
