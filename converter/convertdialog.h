// The converter's form: the list of input file types, the directory choosers, the output format,
// the progress row and the three buttons. The behaviour lives in ConvertWindow.
#pragma once

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpacerItem;
class QTreeWidget;
class QVBoxLayout;

class ConvertDialog : public QDialog {
    Q_OBJECT

public:
    explicit ConvertDialog(QWidget* parent = nullptr, const char* name = nullptr,
                           bool modal = false, Qt::WindowFlags fl = {});
    ~ConvertDialog() override;

    QLabel* textLabel1;
    QTreeWidget* fileTypeListBox;
    QLabel* textLabel2;
    QLineEdit* inputDirectoryLineEdit;
    QPushButton* selectInputDirectoryButton;
    QCheckBox* subdirectoriesCheckBox;
    QLabel* textLabel3;
    QLineEdit* outputDirectoryLineEdit;
    QPushButton* selectOututDirectoryButton;
    QLabel* textLabel4;
    QComboBox* outputFileFormatComboBox;
    QLabel* completionLabel;
    QLabel* textLabel6;
    QProgressBar* completionProgressBar;
    QPushButton* startConversionButton;
    QPushButton* stopConversionButton;
    QPushButton* closeButton;

protected:
    QVBoxLayout* ConvertDialogLayout;
    QHBoxLayout* layout1;
    QHBoxLayout* layout3;
    QHBoxLayout* layout4;
    QSpacerItem* spacer1;
    QHBoxLayout* layout5;
    QPixmap image0;  // window icon, 32 x 32
    QPixmap image1;  // folder on the two directory buttons, 16 x 13

protected slots:
    virtual void languageChange();
};
