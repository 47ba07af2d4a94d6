// The label in the scroll view that shows the current picture.
#pragma once

#include <QLabel>

class ImageLabel : public QLabel {
    Q_OBJECT

public:
    explicit ImageLabel(QWidget* parent = nullptr);
};
