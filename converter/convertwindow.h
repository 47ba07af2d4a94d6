// The batch converter: the form of ConvertDialog with its list of input types, its output
// formats, the directory choosers and the conversion run over the main window's load and save.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "convertdialog.h"

class CustomListItem;

class ConvertWindow : public ConvertDialog {
    Q_OBJECT

public:
    explicit ConvertWindow(QWidget* parent = nullptr, const char* name = nullptr,
                           bool modal = false);
    ~ConvertWindow() override;

public slots:
    void changeFileTypeList(CustomListItem* item);

private slots:
    void selectInputDirectory();
    void selectOutputDirectory();
    void startConversion();
    void stopConversion();

protected:
    // The space bar on the current entry of the type list toggles it, as a click does.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void collectFiles(const QString& dir);
    void collectFilesRecursive(const QString& dir);
    void onTypeClicked(class QTreeWidgetItem* item);
    // The "Conversion completed" box, naming the files nothing was written for.
    void showCompletion(const QStringList& notConverted);

    QString m_inputDir;
    QString m_outputDir;
    QMap<QString, QString> m_patternByLabel;
    QStringList m_fileList;
    QStringList m_selectedPatterns;
    int m_stopRequested = 1;

    friend class ConvertWindowTest;
};
