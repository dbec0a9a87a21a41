#include "ui/dialogs/CSettingDlg.h"

#include <string>

#include "core/model/run_settings.h"
#include "core/text/setting_text.h"
#include "ui/platform/Platform.h"
#include "ui_CSettingDlg.h"

namespace {

// The checks look at no more of a field than this many characters.
constexpr qsizetype CHECKED_LENGTH = 255;

std::string fieldText(const QLineEdit* field) {
    // Anything beyond ASCII becomes bytes that no check accepts, as intended.
    return field->text().left(CHECKED_LENGTH).toStdString();
}

QString shown(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CSettingDlg::CSettingDlg(tolven::RunSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), ui_(std::make_unique<Ui::CSettingDlg>()) {
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &CSettingDlg::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->resetButton, &QPushButton::clicked, this, &CSettingDlg::OnReset);
    showSettings();
    ui_->okButton->setFocus();
}

CSettingDlg::~CSettingDlg() = default;

void CSettingDlg::showSettings() {
    const tolven::RunSettings& settings = settings_;
    ui_->excludeZeroCheck->setChecked(settings.excludeZero == 1);
    ui_->epsilonEdit->setText(shown(tolven::formatEpsilon(settings.epsilon)));
    ui_->maxIterationsEdit->setText(shown(tolven::formatMaxIterations(settings.maxIterations)));
    ui_->initialAlphaEdit->setText(shown(tolven::formatInitialValue(settings.initialAlpha)));
    ui_->initialBetaEdit->setText(shown(tolven::formatInitialValue(settings.initialBeta)));
}

void CSettingDlg::OnReset() {
    tolven::setDefaultSettings(settings_);
    showSettings();
}

void CSettingDlg::refuse(QLineEdit* field, const char* message) {
    tolven::platform().messageBoxes->showError(this, QString::fromUtf8(message));
    field->setFocus();
}

void CSettingDlg::OnOK() {
    tolven::RunSettings& settings = settings_;
    settings.excludeZero = ui_->excludeZeroCheck->isChecked() ? 1 : 0;

    const std::string epsilon = fieldText(ui_->epsilonEdit);
    const std::string maxIterations = fieldText(ui_->maxIterationsEdit);
    const std::string initialAlpha = fieldText(ui_->initialAlphaEdit);
    const std::string initialBeta = fieldText(ui_->initialBetaEdit);
    const auto refused =
        tolven::applySettingTexts({epsilon, maxIterations, initialAlpha, initialBeta}, settings);
    if (refused) {
        QLineEdit* const fields[] = {ui_->epsilonEdit, ui_->maxIterationsEdit,
                                     ui_->initialAlphaEdit, ui_->initialBetaEdit};
        return refuse(fields[static_cast<int>(*refused)], tolven::settingMessage(*refused));
    }

    accept();
}
