#include "imagelabel.h"

ImageLabel::ImageLabel(QWidget* parent) : QLabel(parent) {}
