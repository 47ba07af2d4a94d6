#include "wsqfilepropertiesdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

WSQFilePropertiesDialog::WSQFilePropertiesDialog(QWidget* parent, const char* name, bool modal,
                                                 Qt::WindowFlags fl)
    : QDialog(parent, fl) {
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("WSQFilePropertiesDialog"));
    setModal(modal);
    setSizeGripEnabled(true);

    textLabel1 = new QLabel(this);
    textLabel1->setObjectName(QStringLiteral("textLabel1"));
    textLabel1->setGeometry(QRect(10, 10, 120, 16));

    textLabel2 = new QLabel(this);
    textLabel2->setObjectName(QStringLiteral("textLabel2"));
    textLabel2->setGeometry(QRect(10, 40, 120, 16));

    Layout1 = new QWidget(this);
    Layout1->setObjectName(QStringLiteral("Layout1"));
    Layout1->setGeometry(QRect(9, 110, 310, 23));
    Layout1Layout = new QHBoxLayout(Layout1);
    Layout1Layout->setContentsMargins(0, 0, 0, 0);
    Layout1Layout->setSpacing(6);

    buttonOk = new QPushButton(Layout1);
    buttonOk->setObjectName(QStringLiteral("buttonOk"));
    buttonOk->setAutoDefault(true);
    buttonOk->setDefault(true);
    Layout1Layout->addWidget(buttonOk);

    buttonCancel = new QPushButton(Layout1);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setAutoDefault(true);
    Layout1Layout->addWidget(buttonCancel);

    textLabel3 = new QLabel(this);
    textLabel3->setObjectName(QStringLiteral("textLabel3"));
    textLabel3->setGeometry(QRect(10, 70, 121, 16));

    bitrateEdit = new QLineEdit(this);
    bitrateEdit->setObjectName(QStringLiteral("bitrateEdit"));
    bitrateEdit->setGeometry(QRect(140, 10, 180, 21));

    ppiEdit = new QLineEdit(this);
    ppiEdit->setObjectName(QStringLiteral("ppiEdit"));
    ppiEdit->setGeometry(QRect(140, 40, 181, 21));

    commenttextEdit = new QLineEdit(this);
    commenttextEdit->setObjectName(QStringLiteral("commenttextEdit"));
    commenttextEdit->setGeometry(QRect(140, 70, 181, 21));

    languageChange();
    resize(QSize(330, 145).expandedTo(minimumSizeHint()));

    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

WSQFilePropertiesDialog::~WSQFilePropertiesDialog() = default;

// Every text of the form, so that a change of language can set them again.
void WSQFilePropertiesDialog::languageChange() {
    setWindowTitle(tr("WSQ Properties"));
    textLabel1->setText(tr("Bitrate"));
    textLabel2->setText(tr("Pixels per inch (ppi)"));
    buttonOk->setText(tr("&OK"));
    buttonOk->setShortcut(QKeySequence());
    buttonCancel->setText(tr("C&ancel"));
    buttonCancel->setShortcut(QKeySequence(tr("Alt+A")));
    textLabel3->setText(tr("Comment text"));
}
