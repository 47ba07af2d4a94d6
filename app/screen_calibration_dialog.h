// Calibrating the screen for true size: a line of a known number of pixels, which the user
// measures with a ruler held to the screen, and the length they read.
#pragma once

#include <QDialog>

class QDoubleSpinBox;

class ScreenCalibrationDialog : public QDialog {
    Q_OBJECT

public:
    // `screenPpi`: the resolution used now, which sets the length proposed at first.
    ScreenCalibrationDialog(QWidget* parent, double screenPpi);

    static constexpr int kLinePixels = 400;

    // The resolution the measured length gives.
    double screenPpi() const;
    void setMeasuredMillimetres(double mm);
    // True when the user asked to go back to the resolution the screen reports.
    bool resetAsked() const { return m_reset; }

private:
    QDoubleSpinBox* m_length = nullptr;
    bool m_reset = false;
};
