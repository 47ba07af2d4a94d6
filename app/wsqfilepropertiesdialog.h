// The form that asks for the bit rate, the resolution and the comment of a WSQ file.
// The behaviour lives in WSQFileWindow.
#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class WSQFilePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    explicit WSQFilePropertiesDialog(QWidget* parent = nullptr, const char* name = nullptr,
                                     bool modal = false, Qt::WindowFlags fl = {});
    ~WSQFilePropertiesDialog() override;

    QLabel* textLabel1;
    QLabel* textLabel2;
    QPushButton* buttonOk;
    QPushButton* buttonCancel;
    QLabel* textLabel3;
    QLineEdit* bitrateEdit;
    QLineEdit* ppiEdit;
    QLineEdit* commenttextEdit;
    QWidget* Layout1;

protected:
    QHBoxLayout* Layout1Layout;

protected slots:
    virtual void languageChange();
};
