// The WSQ properties window of the main window: the form plus the record of which button
// closed it. One is made with the main window; its field texts persist between saves.
#pragma once

#include "wsqfilepropertiesdialog.h"

class WSQFileWindow : public WSQFilePropertiesDialog {
    Q_OBJECT

public:
    explicit WSQFileWindow(QWidget* parent = nullptr, const char* name = nullptr,
                           bool modal = false);
    ~WSQFileWindow() override;

    // 1 after OK, 0 after Cancel.
    int m_accepted = 0;

private slots:
    void ok_button_clicked();
    void cancel_button_clicked();
};
