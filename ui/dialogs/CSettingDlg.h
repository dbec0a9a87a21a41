#pragma once

#include <QDialog>
#include <memory>

#include "core/model/run_settings.h"

class QLineEdit;

namespace Ui {
class CSettingDlg;
}

// The modal dialog in which the user views and changes the five estimation
// settings. It works directly on the settings it is given (the program's own,
// which last for its run) and keeps no copy: the controls are filled from them
// when it is built.
//
// "初期化" stores the defaults at once and shows them. "OK" stores the check
// box, then checks and stores the four fields in the order shown; at the
// first refused field it reports the field's message, puts the focus there
// and stays open, keeping what it already stored. With every field accepted
// it closes. "キャンセル", Escape and the close box write nothing, and undo
// nothing that was already stored.
class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingDlg(tolven::RunSettings& settings, QWidget* parent = nullptr);
    ~CSettingDlg() override;

private:
    void OnOK();
    void OnReset();
    void showSettings();
    // Reports `message` and puts the focus into the refused field.
    void refuse(QLineEdit* field, const char* message);

    tolven::RunSettings& settings_;
    std::unique_ptr<Ui::CSettingDlg> ui_;
};
