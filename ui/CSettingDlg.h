#pragma once

#include <QDialog>

// Placeholder until the dialog is built; opens an empty modal dialog.
class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(QWidget* parent = nullptr);
};
