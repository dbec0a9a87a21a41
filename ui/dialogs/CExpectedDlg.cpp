#include "ui/dialogs/CExpectedDlg.h"

#include <string>

#include "core/standardisation/expected_input.h"
#include "run/computed_input.h"
#include "run/default_names.h"
#include "run/file_error_text.h"
#include "run/file_probe.h"
#include "ui/platform/PathBytes.h"
#include "ui/platform/Platform.h"
#include "ui_CExpectedDlg.h"

namespace {

// The computation's messages, as message boxes owned by this dialog.
class DialogMessages final : public tolven::MessageSink {
public:
    explicit DialogMessages(QWidget* owner) : owner_(owner) {}
    void showError(const std::string& text) override {
        tolven::platform().messageBoxes->showError(owner_, QString::fromStdString(text));
    }

private:
    QWidget* owner_;
};

using tolven::fromPathBytes;
using tolven::toPathBytes;

// The filters of the main dialog's input chooser: plain-text data files.
const QStringList DATA_FILTERS = {QStringLiteral("ﾃｷｽﾄ,ﾃﾞｰﾀ(*.txt  *.dat)"),
                                  QStringLiteral("全て(*.*)")};

const QString CREATED_NOTICE = QStringLiteral("入力ファイルを作成しました。\n");

QString defaultWritePath(const QString& strataPath) {
    return fromPathBytes(
        tolven::defaultExpectedInputName(tolven::defaultNameBase(toPathBytes(strataPath))));
}

}  // namespace

CExpectedDlg::CExpectedDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CExpectedDlg>()) {
    ui_->setupUi(this);
    connect(ui_->browseStrataButton, &QPushButton::clicked, this, &CExpectedDlg::OnBrowseStrata);
    connect(ui_->browseRateButton, &QPushButton::clicked, this, &CExpectedDlg::OnBrowseRate);
    connect(ui_->createButton, &QPushButton::clicked, this, &CExpectedDlg::OnCreate);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QRadioButton* reference : {ui_->unitRadio, ui_->allRadio, ui_->rateFileRadio})
        connect(reference, &QRadioButton::toggled, this, &CExpectedDlg::showReferenceState);
    showReferenceState();
    ui_->strataEdit->setFocus();
}

CExpectedDlg::~CExpectedDlg() = default;

void CExpectedDlg::showReferenceState() {
    const bool rateFile = ui_->rateFileRadio->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{ui_->rateEdit, ui_->browseRateButton,
                                                            ui_->ratePerLabel, ui_->ratePerCombo})
        control->setEnabled(rateFile);
}

QString CExpectedDlg::chooseReadable(QLineEdit* edit) {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Open;
    request.filters = DATA_FILTERS;
    request.defaultSuffix = QStringLiteral("txt");
    request.initialName = edit->text();
    const std::optional<QString> chosen = tolven::platform().fileChooser->choose(this, request);
    if (!chosen) return {};
    if (const int error = tolven::probeReadable(toPathBytes(*chosen))) {
        const std::string text =
            tolven::fileErrorText(tolven::fileErrorReason(error), chosen->toStdString());
        tolven::platform().messageBoxes->showError(this, QString::fromStdString(text));
        return {};
    }
    edit->setText(*chosen);
    return *chosen;
}

void CExpectedDlg::OnBrowseStrata() {
    const QString chosen = chooseReadable(ui_->strataEdit);
    if (!chosen.isEmpty()) ui_->writeEdit->setText(defaultWritePath(chosen));
}

void CExpectedDlg::OnBrowseRate() { chooseReadable(ui_->rateEdit); }

void CExpectedDlg::OnCreate() {
    tolven::StandardisationRequest request;
    request.strataPath = toPathBytes(ui_->strataEdit->text());
    if (ui_->allRadio->isChecked()) {
        request.reference = tolven::ReferenceRates::all;
    } else if (ui_->rateFileRadio->isChecked()) {
        request.reference = tolven::ReferenceRates::rateFile;
        request.rateFilePath = toPathBytes(ui_->rateEdit->text());
        request.ratePer = tolven::RATE_BASES[ui_->ratePerCombo->currentIndex()];
    }
    if (ui_->writeEdit->text().isEmpty())
        ui_->writeEdit->setText(defaultWritePath(ui_->strataEdit->text()));

    DialogMessages messages(this);
    tolven::ExpectedInput expected;
    if (tolven::computeExpectedInput(request, expected, messages) != 0) return;
    tolven::ComputedInput input;
    input.text = std::move(expected.text);
    input.sources = tolven::standardisationSources(request);
    input.writePath = toPathBytes(ui_->writeEdit->text());
    if (tolven::writeComputedInput(input, messages) != 0) return;

    writtenPath_ = ui_->writeEdit->text();
    tolven::platform().messageBoxes->showInformation(
        this, CREATED_NOTICE + writtenPath_ + QStringLiteral("\n\n") +
                  QString::fromStdString(expected.summary).trimmed());
    accept();
}
