// Test access to the converter window's private state and slots.
#pragma once

#include <QStringList>

#include "converter/convertwindow.h"

class ConvertWindowTest {
public:
    static const QStringList& selectedPatterns(const ConvertWindow& w) {
        return w.m_selectedPatterns;
    }
    static const QStringList& fileList(const ConvertWindow& w) { return w.m_fileList; }
    static int stopRequested(const ConvertWindow& w) { return w.m_stopRequested; }
    static const QMap<QString, QString>& patternByLabel(const ConvertWindow& w) {
        return w.m_patternByLabel;
    }
    static void startConversion(ConvertWindow& w) { w.startConversion(); }
    static void stopConversion(ConvertWindow& w) { w.stopConversion(); }
};
