#pragma once

#include <QDialog>
#include <memory>

#include "core/model/extended_settings.h"
#include "geo/boundary_file_layers.h"
#include "ui/app/ApplicationState.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

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
    // With `spatial`, the dialog also shows the map's boundaries (境界ファイル
    // with 参照, レイヤ, 結合フィールド, ラベルフィールド, the lists filled from
    // the chosen file) and the neighbours (近傍 なし / クイーン / ルーク /
    // GALファイル with 参照, 局所EB, Moran's I and the permutation count),
    // stored by OK after the checks of the other fields.
    explicit CExtendedSettingDlg(tolven::ExtendedSettings& settings, QWidget* parent = nullptr,
                                 SpatialSettings* spatial = nullptr);
    ~CExtendedSettingDlg() override;

    // The boundary settings' controls, for tests.
    QLineEdit* boundaryEdit() const { return boundaryEdit_; }
    QComboBox* layerChoice() const { return layerChoice_; }
    QComboBox* joinFieldChoice() const { return joinChoice_; }
    QComboBox* labelFieldChoice() const { return labelChoice_; }
    // Lists the layers and fields of the file named in the boundary field.
    void fillBoundaryLists();

private:
    void OnOK();
    void OnReset();
    void showSettings();
    // Reports `message` and puts the focus into the refused field.
    void refuse(QLineEdit* field, const char* message);

    void buildSpatialControls();
    void showSpatialSettings();
    void fillFieldLists();
    bool storeSpatialSettings();
    void chooseFile(QLineEdit* edit, const QString& filter);

    tolven::ExtendedSettings& settings_;
    SpatialSettings* spatial_;
    tolven::BoundaryFileLayers listed_;
    QLineEdit* boundaryEdit_ = nullptr;
    QComboBox* layerChoice_ = nullptr;
    QComboBox* joinChoice_ = nullptr;
    QComboBox* labelChoice_ = nullptr;
    QRadioButton* neighbourRadios_[4] = {};
    QLineEdit* galEdit_ = nullptr;
    QCheckBox* localEbCheck_ = nullptr;
    QCheckBox* moranCheck_ = nullptr;
    QLineEdit* permutationsEdit_ = nullptr;
    std::unique_ptr<Ui::CExtendedSettingDlg> ui_;
};
