#pragma once

#include <QDialog>

// Placeholder until the dialog is built; opens an empty modal dialog.
class CEditorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditorDlg(QWidget* parent = nullptr);
};
