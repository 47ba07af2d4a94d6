#include "convertdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "embedded_images.h"

ConvertDialog::ConvertDialog(QWidget* parent, const char* name, bool modal, Qt::WindowFlags fl)
    : QDialog(parent, fl) {
    registerEmbeddedImages();
    image0.load(QStringLiteral(":/images/converter_icon_32x32.png"));
    image1.load(QStringLiteral(":/images/converter_folder_16x13.png"));
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("ConvertDialog"));
    setModal(modal);
    setBaseSize(0, 0);
    setWindowIcon(image0);

    ConvertDialogLayout = new QVBoxLayout(this);
    ConvertDialogLayout->setObjectName(QStringLiteral("ConvertDialogLayout"));
    ConvertDialogLayout->setContentsMargins(11, 11, 11, 11);
    ConvertDialogLayout->setSpacing(6);

    textLabel1 = new QLabel(this);
    textLabel1->setObjectName(QStringLiteral("textLabel1"));
    ConvertDialogLayout->addWidget(textLabel1);

    fileTypeListBox = new QTreeWidget(this);
    fileTypeListBox->setObjectName(QStringLiteral("fileTypeListBox"));
    fileTypeListBox->setColumnCount(1);
    fileTypeListBox->setRootIsDecorated(false);
    fileTypeListBox->setSelectionMode(QAbstractItemView::MultiSelection);
    fileTypeListBox->header()->setStretchLastSection(true);
    ConvertDialogLayout->addWidget(fileTypeListBox);

    textLabel2 = new QLabel(this);
    textLabel2->setObjectName(QStringLiteral("textLabel2"));
    ConvertDialogLayout->addWidget(textLabel2);

    layout1 = new QHBoxLayout();
    layout1->setObjectName(QStringLiteral("layout1"));
    layout1->setContentsMargins(0, 0, 0, 0);
    layout1->setSpacing(6);
    inputDirectoryLineEdit = new QLineEdit(this);
    inputDirectoryLineEdit->setObjectName(QStringLiteral("inputDirectoryLineEdit"));
    layout1->addWidget(inputDirectoryLineEdit);
    selectInputDirectoryButton = new QPushButton(this);
    selectInputDirectoryButton->setObjectName(QStringLiteral("selectInputDirectoryButton"));
    selectInputDirectoryButton->setIcon(image1);
    selectInputDirectoryButton->setIconSize(image1.size());
    layout1->addWidget(selectInputDirectoryButton);
    ConvertDialogLayout->addLayout(layout1);

    subdirectoriesCheckBox = new QCheckBox(this);
    subdirectoriesCheckBox->setObjectName(QStringLiteral("subdirectoriesCheckBox"));
    ConvertDialogLayout->addWidget(subdirectoriesCheckBox);

    textLabel3 = new QLabel(this);
    textLabel3->setObjectName(QStringLiteral("textLabel3"));
    ConvertDialogLayout->addWidget(textLabel3);

    layout3 = new QHBoxLayout();
    layout3->setObjectName(QStringLiteral("layout3"));
    layout3->setContentsMargins(0, 0, 0, 0);
    layout3->setSpacing(6);
    outputDirectoryLineEdit = new QLineEdit(this);
    outputDirectoryLineEdit->setObjectName(QStringLiteral("outputDirectoryLineEdit"));
    layout3->addWidget(outputDirectoryLineEdit);
    selectOututDirectoryButton = new QPushButton(this);
    selectOututDirectoryButton->setObjectName(QStringLiteral("selectOututDirectoryButton"));
    selectOututDirectoryButton->setIcon(image1);
    selectOututDirectoryButton->setIconSize(image1.size());
    layout3->addWidget(selectOututDirectoryButton);
    ConvertDialogLayout->addLayout(layout3);

    textLabel4 = new QLabel(this);
    textLabel4->setObjectName(QStringLiteral("textLabel4"));
    textLabel4->setCursor(Qt::PointingHandCursor);
    ConvertDialogLayout->addWidget(textLabel4);

    outputFileFormatComboBox = new QComboBox(this);
    outputFileFormatComboBox->setObjectName(QStringLiteral("outputFileFormatComboBox"));
    outputFileFormatComboBox->setEditable(false);
    ConvertDialogLayout->addWidget(outputFileFormatComboBox);

    layout4 = new QHBoxLayout();
    layout4->setObjectName(QStringLiteral("layout4"));
    layout4->setContentsMargins(0, 0, 0, 0);
    layout4->setSpacing(6);
    spacer1 = new QSpacerItem(91, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout4->addItem(spacer1);
    completionLabel = new QLabel(this);
    completionLabel->setObjectName(QStringLiteral("completionLabel"));
    completionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout4->addWidget(completionLabel);
    textLabel6 = new QLabel(this);
    textLabel6->setObjectName(QStringLiteral("textLabel6"));
    layout4->addWidget(textLabel6);
    ConvertDialogLayout->addLayout(layout4);

    completionProgressBar = new QProgressBar(this);
    completionProgressBar->setObjectName(QStringLiteral("completionProgressBar"));
    completionProgressBar->setValue(0);
    ConvertDialogLayout->addWidget(completionProgressBar);

    layout5 = new QHBoxLayout();
    layout5->setObjectName(QStringLiteral("layout5"));
    layout5->setContentsMargins(0, 0, 0, 0);
    layout5->setSpacing(25);
    startConversionButton = new QPushButton(this);
    startConversionButton->setObjectName(QStringLiteral("startConversionButton"));
    layout5->addWidget(startConversionButton);
    stopConversionButton = new QPushButton(this);
    stopConversionButton->setObjectName(QStringLiteral("stopConversionButton"));
    stopConversionButton->setEnabled(false);
    layout5->addWidget(stopConversionButton);
    closeButton = new QPushButton(this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    layout5->addWidget(closeButton);
    ConvertDialogLayout->addLayout(layout5);

    languageChange();
    resize(QSize(352, 377).expandedTo(minimumSizeHint()));

    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

ConvertDialog::~ConvertDialog() = default;

// Every text of the form, so that a change of language can set them again.
void ConvertDialog::languageChange() {
    setWindowTitle(tr("File format converter"));
    textLabel1->setText(tr("Input file formats"));
    fileTypeListBox->setHeaderLabels({tr("File type")});
    fileTypeListBox->clear();
    auto* item = new QTreeWidgetItem(fileTypeListBox);
    item->setText(0, tr("New Item"));
    textLabel2->setText(tr("Input directory"));
    selectInputDirectoryButton->setText(QString());
    subdirectoriesCheckBox->setText(tr("I&nclude subdirectories"));
    subdirectoriesCheckBox->setShortcut(QKeySequence(tr("Alt+N")));
    textLabel3->setText(tr("Output directory"));
    selectOututDirectoryButton->setText(QString());
    textLabel4->setText(tr("Output file format"));
    completionLabel->setText(tr("0"));
    textLabel6->setText(tr("%"));
    startConversionButton->setText(tr("St&art conversion"));
    startConversionButton->setShortcut(QKeySequence(tr("Alt+A")));
    stopConversionButton->setText(tr("St&op conversion"));
    stopConversionButton->setShortcut(QKeySequence(tr("Alt+O")));
    closeButton->setText(tr("C&lose"));
    closeButton->setShortcut(QKeySequence(tr("Alt+L")));
}
