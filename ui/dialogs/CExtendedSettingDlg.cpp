#include "ui/dialogs/CExtendedSettingDlg.h"

#include <string>

#include "core/text/extended_setting_text.h"
#include "ui/platform/Platform.h"
#include "ui_CExtendedSettingDlg.h"

namespace {

// The whole text is checked: a value shown in plain fixed notation may be
// longer than the estimation settings' 255 characters (a threshold of 1e-300
// has some 300 digits) and must still be read back as shown.
std::string fieldText(const QLineEdit* field) {
    // Anything beyond ASCII becomes bytes that no check accepts, as intended.
    return field->text().toStdString();
}

QString shown(double value) { return QString::fromStdString(tolven::shortestFixedText(value)); }

}  // namespace

CExtendedSettingDlg::CExtendedSettingDlg(tolven::ExtendedSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), ui_(std::make_unique<Ui::CExtendedSettingDlg>()) {
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &CExtendedSettingDlg::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->resetButton, &QPushButton::clicked, this, &CExtendedSettingDlg::OnReset);
    showSettings();
    ui_->okButton->setFocus();
}

CExtendedSettingDlg::~CExtendedSettingDlg() = default;

void CExtendedSettingDlg::showSettings() {
    ui_->posteriorCheck->setChecked(settings_.posteriorOutput);
    ui_->levelEdit->setText(shown(settings_.intervalLevel));
    ui_->thresholdEdit->setText(shown(settings_.threshold));
    const bool safeguarded = settings_.fitMode == tolven::FitMode::safeguarded;
    ui_->newtonRadio->setChecked(!safeguarded);
    ui_->safeguardedRadio->setChecked(safeguarded);
}

void CExtendedSettingDlg::OnReset() {
    tolven::setDefaultExtendedSettings(settings_);
    showSettings();
}

void CExtendedSettingDlg::refuse(QLineEdit* field, const char* message) {
    tolven::platform().messageBoxes->showError(this, QString::fromUtf8(message));
    field->setFocus();
}

void CExtendedSettingDlg::OnOK() {
    settings_.posteriorOutput = ui_->posteriorCheck->isChecked();
    settings_.fitMode =
        ui_->safeguardedRadio->isChecked() ? tolven::FitMode::safeguarded : tolven::FitMode::newton;
    const std::string level = fieldText(ui_->levelEdit);
    const std::string threshold = fieldText(ui_->thresholdEdit);
    if (const auto refused = tolven::applyExtendedSettingTexts({level, threshold}, settings_)) {
        QLineEdit* const field =
            *refused == tolven::ExtendedSettingField::level ? ui_->levelEdit : ui_->thresholdEdit;
        return refuse(field, tolven::extendedSettingMessage(*refused));
    }
    accept();
}
