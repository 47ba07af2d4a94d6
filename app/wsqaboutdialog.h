// The about box: name, version and platform, a short description, the logo, the web link
// and an OK button.
#pragma once

#include <QDialog>

class WSQAboutDialog : public QDialog {
public:
    WSQAboutDialog(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false,
                   Qt::WindowFlags flags = {});
};

// The project's web page, which the link in the about box opens.
QString projectWebAddress();
