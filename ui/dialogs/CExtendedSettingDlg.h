#pragma once

#include <QDialog>
#include <memory>

#include "core/model/extended_settings.h"

class QLineEdit;

namespace Ui {
class CExtendedSettingDlg;
}

// The modal dialog for the options beyond the five estimation settings: the
// posterior output with its interval level and threshold, and the fit mode.
// It works directly on the settings it is given (the program's own, which
// last for its run) and keeps no copy: the controls are filled from them when
// it is built. The two number fields show their values in the shortest plain
// form and stay enabled whether or not the output is ticked, so the values can
// be set before it is turned on.
//
// "初期化" stores the defaults at once and shows them. "OK" stores the check
// box and the fit mode, then checks and stores the level and the threshold in
// that order; at the first refused field it reports the field's message, puts
// the focus there and stays open, keeping what it already stored. With both
// accepted it closes. "キャンセル", Escape and the close box write nothing,
// and undo nothing that was already stored.
class CExtendedSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CExtendedSettingDlg(tolven::ExtendedSettings& settings, QWidget* parent = nullptr);
    ~CExtendedSettingDlg() override;

private:
    void OnOK();
    void OnReset();
    void showSettings();
    // Reports `message` and puts the focus into the refused field.
    void refuse(QLineEdit* field, const char* message);

    tolven::ExtendedSettings& settings_;
    std::unique_ptr<Ui::CExtendedSettingDlg> ui_;
};
