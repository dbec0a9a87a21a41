#pragma once

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "tests/ui/DialogHelpers.h"
#include "ui/dialogs/CEstimatorDlg.h"

// The main dialog's controls, found by name.
struct EstimatorControls {
    explicit EstimatorControls(CEstimatorDlg& dialog) : dlg(dialog) {}

    // Puts the three names into their edits, as if typed.
    void fill(const QString& inputName, const QString& outputName, const QString& logName) const {
        input->setText(inputName);
        output->setText(outputName);
        log->setText(logName);
    }

    CEstimatorDlg& dlg;
    QLineEdit* input = child<QLineEdit>(dlg, "inputEdit");
    QLineEdit* output = child<QLineEdit>(dlg, "outputEdit");
    QLineEdit* log = child<QLineEdit>(dlg, "logEdit");
    QPushButton* run = child<QPushButton>(dlg, "runButton");
    QPushButton* quit = child<QPushButton>(dlg, "quitButton");
    QPushButton* browse = child<QPushButton>(dlg, "browseInputButton");
    QPushButton* check = child<QPushButton>(dlg, "checkInputButton");
    QPushButton* chooseOutput = child<QPushButton>(dlg, "chooseOutputButton");
    QPushButton* chooseLog = child<QPushButton>(dlg, "chooseLogButton");
    QRadioButton* txt = child<QRadioButton>(dlg, "txtFormatRadio");
    QRadioButton* csv = child<QRadioButton>(dlg, "csvFormatRadio");
    QAction* settings = child<QAction>(dlg, "detailSettingsAction");
    QAction* about = child<QAction>(dlg, "aboutAction");
    QAction* expected = child<QAction>(dlg, "expectedAction");
    QAction* plot = child<QAction>(dlg, "plotAction");
};
