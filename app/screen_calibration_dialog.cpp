#include "screen_calibration_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "physical_size.h"

namespace {

// A black line exactly kLinePixels device-independent pixels long, with end marks.
class RulerLine : public QWidget {
public:
    RulerLine() { setFixedSize(ScreenCalibrationDialog::kLinePixels, 24); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.fillRect(QRect(0, 10, width(), 4), Qt::black);
        p.fillRect(QRect(0, 0, 2, height()), Qt::black);
        p.fillRect(QRect(width() - 2, 0, 2, height()), Qt::black);
    }
};

}  // namespace

ScreenCalibrationDialog::ScreenCalibrationDialog(QWidget* parent, double screenPpi)
    : QDialog(parent) {
    setObjectName(QStringLiteral("screenCalibration"));
    setWindowTitle(tr("Calibrate screen"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Hold a ruler to the screen and measure the line below from end to end.")));
    layout->addWidget(new RulerLine, 0, Qt::AlignHCenter);
    auto* form = new QFormLayout;
    m_length = new QDoubleSpinBox;
    m_length->setObjectName(QStringLiteral("measuredLength"));
    m_length->setRange(10.0, 2000.0);
    m_length->setDecimals(1);
    m_length->setSuffix(tr(" mm"));
    m_length->setValue(screenPpi > 0 ? kLinePixels * 25.4 / screenPpi : 100.0);
    form->addRow(tr("Measured length:"), m_length);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* reset =
        buttons->addButton(tr("Use the screen's own value"), QDialogButtonBox::ResetRole);
    reset->setObjectName(QStringLiteral("resetCalibration"));
    connect(reset, &QPushButton::clicked, this, [this] {
        m_reset = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

double ScreenCalibrationDialog::screenPpi() const {
    return document::screenPpiFromRuler(kLinePixels, m_length->value());
}

void ScreenCalibrationDialog::setMeasuredMillimetres(double mm) {
    m_length->setValue(mm);
}
