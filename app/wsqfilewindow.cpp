#include "wsqfilewindow.h"

#include <QPushButton>

WSQFileWindow::WSQFileWindow(QWidget* parent, const char* name, bool modal)
    : WSQFilePropertiesDialog(parent, name, modal,
                              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                  Qt::WindowMinimizeButtonHint) {
    connect(buttonOk, &QPushButton::clicked, this, &WSQFileWindow::ok_button_clicked);
    connect(buttonCancel, &QPushButton::clicked, this, &WSQFileWindow::cancel_button_clicked);
}

WSQFileWindow::~WSQFileWindow() = default;

void WSQFileWindow::ok_button_clicked() { m_accepted = 1; }

void WSQFileWindow::cancel_button_clicked() { m_accepted = 0; }
