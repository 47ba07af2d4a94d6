// The about box's web link: a press starts a web browser on the project's page, trying
// "firefox", then "konqueror", then "nestcape", each detached and not waited for.
#pragma once

#include <QLabel>

class QProcess;

class LinkLabel : public QLabel {
public:
    LinkLabel(const QString& webAddress, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    QString m_webAddress;
    QProcess* m_browser = nullptr;
};
