#include "ui/dialogs/CEstimatorDlg.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>
#include <optional>

#include "core/model/run_settings.h"
#include "core/text/file_messages.h"
#include "geo/run_boundaries.h"
#include "run/default_names.h"
#include "run/estimation_run.h"
#include "run/file_error_text.h"
#include "run/file_probe.h"
#include "ui/app/ApplicationIcon.h"
#include "ui/dialogs/BackgroundRun.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/dialogs/CEditorDlg.h"
#include "ui/dialogs/CExpectedDlg.h"
#include "ui/dialogs/CExtendedSettingDlg.h"
#include "ui/dialogs/CSettingDlg.h"
#include "ui/platform/PathBytes.h"
#include "ui/platform/Platform.h"
#include "ui/plots/CPlotDlg.h"
#include "ui_CEstimatorDlg.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

using tolven::fromPathBytes;
using tolven::toPathBytes;

const QString INPUT_TITLE;  // the chooser's standard title for opening
const QString OUTPUT_TITLE = QStringLiteral("出力ファイル名選択");
const QString LOG_TITLE = QStringLiteral("ログファイル名選択");

// The choosers' filters, "display name(patterns)"; Qt takes the patterns from
// the brackets, separated by blanks.
const QStringList INPUT_FILTERS = {QStringLiteral("ﾃｷｽﾄ,ﾃﾞｰﾀ(*.txt  *.dat)"),
                                   QStringLiteral("全て(*.*)")};
const QStringList TEXT_FILTERS = {QStringLiteral("ﾃｷｽﾄ(*.txt)")};
const QStringList CSV_FILTERS = {QStringLiteral("csvﾌｧｲﾙ(*.csv)")};
const QStringList LOG_FILTERS = {QStringLiteral("logﾌｧｲﾙ(*.log)")};

const QString TEXT_OUTPUT_QUESTION =
    QStringLiteral("処理が完了しました。\nメモ帳で出力ファイルを開きますか？");
const QString CSV_OUTPUT_QUESTION =
    QStringLiteral("処理が完了しました。\nexcelで出力ファイルを開きますか？");
const QString LOG_QUESTION = QStringLiteral("メモ帳でログファイルを開きますか？");
const QString CANCELLED_NOTICE =
    QStringLiteral("処理を中止しました。\n出力ファイルとログファイルは元のままです。");

// Some captions are wider than their buttons in the gothic fonts at hand
// (内容確認・修正 needs 84 px, its button is 75 px wide). Rather than cut off
// both ends, such a caption gets a smaller point size, in half points, that
// leaves CAPTION_MARGIN pixels free inside the frame on either side.
constexpr int CAPTION_MARGIN = 4;

void fitCaption(QPushButton* button) {
    const int frame =
        button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) +
        button->style()->pixelMetric(QStyle::PM_ButtonDefaultIndicator, nullptr, button);
    const int room = button->width() - 2 * (frame + CAPTION_MARGIN);
    QFont font = button->font();
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (font != button->font()) button->setFont(font);
}

#ifdef Q_OS_WIN
constexpr UINT ABOUT_SYSTEM_COMMAND = 0x0010;
#endif

}  // namespace

void CEstimatorDlg::runCommand(void (CEstimatorDlg::*command)()) {
    if (run_ == nullptr) (this->*command)();
}

template <typename Sender, typename Signal>
void CEstimatorDlg::connectCommand(Sender* sender, Signal signal,
                                   void (CEstimatorDlg::*command)()) {
    connect(sender, signal, this, [this, command] { runCommand(command); });
}

CEstimatorDlg::CEstimatorDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CEstimatorDlg>()) {
    ui_->setupUi(this);
    setWindowIcon(tolven::applicationIcon());
    // Caption, system menu, minimise and close boxes, no maximise box; a
    // window of its own so that it has a taskbar button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    // The menu bar holds its two commands at its right-hand end, in a second
    // bar set as its corner widget. The client area keeps the fixed template
    // geometry: the layout only puts it below the menu bar, and nothing moves
    // when the window is resized.
    ui_->menuBar->setNativeMenuBar(false);
    ui_->commandBar->setNativeMenuBar(false);
    ui_->menuBar->setCornerWidget(ui_->commandBar, Qt::TopRightCorner);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->setMenuBar(ui_->menuBar);
    frame->addWidget(ui_->clientArea, 0, Qt::AlignLeft | Qt::AlignTop);
    frame->addStretch(1);
    adjustSize();

    for (QPushButton* button : ui_->clientArea->findChildren<QPushButton*>()) fitCaption(button);

#ifdef Q_OS_WIN
    // The window's system menu gets a separator and the about entry.
    if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
        const QString text = QStringLiteral("バージョン情報 TOLVEN(&A)...");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, ABOUT_SYSTEM_COMMAND, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
#else
        // Qt gives no access to the window manager's menu on X11 or Wayland, so
        // the about entry lives in the menu bar only there.
#endif

    connect(ui_->inputEdit, &QLineEdit::textChanged, this, &CEstimatorDlg::OnInputTextChanged);
    connect(ui_->outputEdit, &QLineEdit::textChanged, this, &CEstimatorDlg::OnOutputTextChanged);
    connect(ui_->logEdit, &QLineEdit::textChanged, this, &CEstimatorDlg::OnLogTextChanged);
    connectCommand(ui_->runButton, &QPushButton::clicked, &CEstimatorDlg::OnRun);
    connect(ui_->quitButton, &QPushButton::clicked, this, &QDialog::reject);
    connectCommand(ui_->browseInputButton, &QPushButton::clicked, &CEstimatorDlg::OnBrowseInput);
    connectCommand(ui_->checkInputButton, &QPushButton::clicked, &CEstimatorDlg::OnCheckInput);
    connectCommand(ui_->chooseOutputButton, &QPushButton::clicked, &CEstimatorDlg::OnChooseOutput);
    connectCommand(ui_->chooseLogButton, &QPushButton::clicked, &CEstimatorDlg::OnChooseLog);
    connectCommand(ui_->txtFormatRadio, &QRadioButton::clicked, &CEstimatorDlg::OnTxtFormat);
    connectCommand(ui_->csvFormatRadio, &QRadioButton::clicked, &CEstimatorDlg::OnCsvFormat);
    connectCommand(ui_->detailSettingsAction, &QAction::triggered,
                   &CEstimatorDlg::OnDetailSettings);
    connectCommand(ui_->extendedSettingsAction, &QAction::triggered,
                   &CEstimatorDlg::OnExtendedSettings);
    connectCommand(ui_->plotAction, &QAction::triggered, &CEstimatorDlg::OnPlots);
    connectCommand(ui_->expectedAction, &QAction::triggered, &CEstimatorDlg::OnExpectedCounts);
    connectCommand(ui_->aboutAction, &QAction::triggered, &CEstimatorDlg::OnAbout);

    tolven::setDefaultSettings(state_.runSettings);
    tolven::setDefaultExtendedSettings(state_.extendedSettings);
    ui_->txtFormatRadio->setChecked(true);
    // 実行 is disabled at start, so the first tab stop that takes the focus is 終了.
    ui_->quitButton->setFocus();
}

CEstimatorDlg::~CEstimatorDlg() = default;

void CEstimatorDlg::accept() {}

void CEstimatorDlg::reject() {
    if (run_) {
        closeAfterRun_ = true;
        run_->cancel();
        return;
    }
    QDialog::reject();
}

bool CEstimatorDlg::focusNextPrevChild(bool next) {
    // The format buttons are no tab stops, but Qt makes the checked button of
    // an exclusive group one whenever a button of the group gets the focus.
    // Taking that back here, before the next stop is looked for, keeps them
    // out of the chain; a click still gives them the focus.
    for (QRadioButton* format : {ui_->txtFormatRadio, ui_->csvFormatRadio})
        format->setFocusPolicy(Qt::ClickFocus);
    return QDialog::focusNextPrevChild(next);
}

void CEstimatorDlg::OnInputTextChanged() {
    const bool filled = !ui_->inputEdit->text().isEmpty();
    ui_->checkInputButton->setEnabled(filled);
    ui_->runButton->setEnabled(filled);
}

void CEstimatorDlg::OnOutputTextChanged() {
    ui_->runButton->setEnabled(!ui_->outputEdit->text().isEmpty());
}

void CEstimatorDlg::OnLogTextChanged() {
    ui_->runButton->setEnabled(!ui_->logEdit->text().isEmpty());
}

void CEstimatorDlg::setEditText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) {
        edit->setText(text);
        return;
    }
    // Qt signals no change for the same text; the rules run all the same.
    if (edit == ui_->inputEdit)
        OnInputTextChanged();
    else if (edit == ui_->outputEdit)
        OnOutputTextChanged();
    else if (edit == ui_->logEdit)
        OnLogTextChanged();
}

void CEstimatorDlg::showFileError(int errnum, const QString& path) {
    const std::string text =
        tolven::fileErrorText(tolven::fileErrorReason(errnum), path.toStdString());
    tolven::platform().messageBoxes->showError(this, QString::fromStdString(text));
}

void CEstimatorDlg::OnBrowseInput() {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Open;
    request.title = INPUT_TITLE;
    request.filters = INPUT_FILTERS;
    request.defaultSuffix = QStringLiteral("txt");
    request.initialName = fromPathBytes(state_.inputPath);
    const std::optional<QString> chosen = tolven::platform().fileChooser->choose(this, request);
    if (!chosen) return;
    const std::string bytes = toPathBytes(*chosen);
    if (const int error = tolven::probeReadable(bytes)) {
        showFileError(error, *chosen);
        return;
    }
    useInputFile(*chosen);
}

void CEstimatorDlg::useInputFile(const QString& chosen) {
    setEditText(ui_->inputEdit, chosen);
    state_.inputPath = toPathBytes(chosen);
    MakeDefaultNames(chosen);
}

void CEstimatorDlg::MakeDefaultNames(const QString& chosenInput) {
    // A path without any "." is its own base: "/data/counts" proposes
    // "/data/countsout.txt" and "/data/countsout.log".
    const std::string base = tolven::defaultNameBase(toPathBytes(chosenInput));
    state_.outputPath = tolven::defaultOutputName(base, !ui_->txtFormatRadio->isChecked());
    setEditText(ui_->outputEdit, fromPathBytes(state_.outputPath));
    state_.logPath = tolven::defaultLogName(base);
    setEditText(ui_->logEdit, fromPathBytes(state_.logPath));
}

void CEstimatorDlg::chooseOutputFile(const FileChooserRequest& request, QLineEdit* edit,
                                     std::string& storedPath) {
    const std::optional<QString> chosen = tolven::platform().fileChooser->choose(this, request);
    if (!chosen) return;
    const std::string bytes = toPathBytes(*chosen);
    // The file only has to be writable now; an existing one keeps its content
    // until a run replaces it.
    if (const int error = tolven::probeWritable(bytes)) {
        showFileError(error, *chosen);
        return;
    }
    setEditText(edit, *chosen);
    storedPath = bytes;
}

void CEstimatorDlg::OnChooseOutput() {
    const bool text = ui_->txtFormatRadio->isChecked();
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Save;
    request.title = OUTPUT_TITLE;
    request.filters = text ? TEXT_FILTERS : CSV_FILTERS;
    request.defaultSuffix = text ? QStringLiteral("txt") : QStringLiteral("csv");
    request.initialName = fromPathBytes(state_.outputPath);
    chooseOutputFile(request, ui_->outputEdit, state_.outputPath);
}

void CEstimatorDlg::OnChooseLog() {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Save;
    request.title = LOG_TITLE;
    request.filters = LOG_FILTERS;
    request.defaultSuffix = QStringLiteral("log");
    request.initialName = fromPathBytes(state_.logPath);
    chooseOutputFile(request, ui_->logEdit, state_.logPath);
}

void CEstimatorDlg::OnTxtFormat() {
    state_.outputPath = tolven::switchExtension(state_.outputPath, ".csv", ".txt");
    setEditText(ui_->outputEdit, fromPathBytes(state_.outputPath));
}

void CEstimatorDlg::OnCsvFormat() {
    state_.outputPath = tolven::switchExtension(state_.outputPath, ".txt", ".csv");
    setEditText(ui_->outputEdit, fromPathBytes(state_.outputPath));
}

void CEstimatorDlg::OnCheckInput() {
    state_.inputPath = toPathBytes(ui_->inputEdit->text());
    if (tolven::probeReadable(state_.inputPath) != 0) {
        tolven::platform().messageBoxes->showError(
            this, QString::fromStdString(tolven::cannotOpenMessage(
                      tolven::INPUT_FILE_SUBJECT, fromPathBytes(state_.inputPath).toStdString())));
        return;
    }
    CEditorDlg editor(state_.inputPath, this);
    editor.exec();
}

void CEstimatorDlg::OnRun() {
    state_.inputPath = toPathBytes(ui_->inputEdit->text());
    state_.outputPath = toPathBytes(ui_->outputEdit->text());
    state_.logPath = toPathBytes(ui_->logEdit->text());
    state_.csvOutput = ui_->txtFormatRadio->isChecked() ? 0 : 1;

    // The run works on a copy of what is in effect now: settings changed
    // while it goes on (they cannot be, the dialog takes no input) would not
    // reach it.
    tolven::RunRequest request = runRequestFor(state_);
    // Contiguity comes from the boundaries, read for this run.
    std::optional<tolven::RunBoundaries> boundaries;
    if (request.spatial.source == tolven::NeighbourSource::queen ||
        request.spatial.source == tolven::NeighbourSource::rook) {
        boundaries.emplace(state_.spatialSettings.boundaries);
        request.spatial.boundaries = &*boundaries;
    }
    auto outcome = std::make_unique<tolven::RunOutcome>();
    request.outcome = outcome.get();

    BackgroundRun run(this, std::move(request));
    run_ = &run;
    ui_->expectedAction->setEnabled(false);
    const int result = run.exec();
    ui_->expectedAction->setEnabled(true);
    run_ = nullptr;
    if (closeAfterRun_ || run.closeRequested()) {
        QDialog::reject();
        return;
    }
    if (result == tolven::RUN_CANCELLED) {
        tolven::platform().messageBoxes->showInformation(this, CANCELLED_NOTICE);
        return;
    }
    // A failed run has shown its own message; there is nothing to offer.
    if (result != tolven::RUN_SUCCEEDED) return;
    lastOutcome_ = std::move(outcome);
    {
        const tolven::BoundarySource& now = state_.spatialSettings.boundaries;
        const tolven::BoundarySource& before = lastSpatial_.boundaries;
        const bool sameNeighbours = state_.spatialSettings.neighbours == lastSpatial_.neighbours &&
                                    state_.spatialSettings.galPath == lastSpatial_.galPath;
        if (now.path != before.path || now.layer != before.layer ||
            now.joinField != before.joinField || now.labelField != before.labelField ||
            !sameNeighbours)
            mapBoundaries_.reset();
        lastSpatial_ = state_.spatialSettings;
        lastInputPath_ = state_.inputPath;
    }
    ui_->plotAction->setEnabled(true);

    const bool text = ui_->txtFormatRadio->isChecked();
    MessageBoxes& boxes = *tolven::platform().messageBoxes;
    const bool showOutput = boxes.askYesNo(this, text ? TEXT_OUTPUT_QUESTION : CSV_OUTPUT_QUESTION);
    const bool showLog = boxes.askYesNo(this, LOG_QUESTION);
    ViewerLauncher& viewers = *tolven::platform().viewerLauncher;
    if (showLog) viewers.open(ViewerLauncher::Viewer::TextEditor, fromPathBytes(state_.logPath));
    if (showOutput)
        viewers.open(
            text ? ViewerLauncher::Viewer::TextEditor : ViewerLauncher::Viewer::Spreadsheet,
            fromPathBytes(state_.outputPath));
}

void CEstimatorDlg::OnDetailSettings() {
    CSettingDlg settings(state_.runSettings, this);
    settings.exec();
}

void CEstimatorDlg::OnExtendedSettings() {
    CExtendedSettingDlg settings(state_.extendedSettings, this, &state_.spatialSettings);
    settings.exec();
}

void CEstimatorDlg::OnPlots() {
    if (!lastOutcome_) return;
    const tolven::MapBoundaries* map = nullptr;
    if (!lastSpatial_.boundaries.path.empty()) {
        if (!mapBoundaries_) {
            auto loaded = std::make_unique<tolven::MapBoundaries>();
            std::string error = tolven::loadMapBoundaries(lastSpatial_.boundaries, *loaded);
            using Neighbours = SpatialSettings::Neighbours;
            if (error.empty() && lastSpatial_.neighbours == Neighbours::GalFile)
                error = tolven::loadMapNeighbours(lastSpatial_.galPath, *loaded);
            if (error.empty() && (lastSpatial_.neighbours == Neighbours::Queen ||
                                  lastSpatial_.neighbours == Neighbours::Rook)) {
                tolven::loadMapContiguity(lastSpatial_.neighbours == Neighbours::Queen
                                              ? tolven::ContiguityRule::queen
                                              : tolven::ContiguityRule::rook,
                                          tolven::DEFAULT_SNAP_DISTANCE, *loaded);
            }
            if (error.empty())
                mapBoundaries_ = std::move(loaded);
            else
                tolven::platform().messageBoxes->showError(
                    this, QStringLiteral("ERROR!! : 境界ファイル\n%1")
                              .arg(QString::fromStdString(error)));
        }
        map = mapBoundaries_.get();
    }
    CPlotDlg plots(*lastOutcome_, this, map, QFileInfo(fromPathBytes(lastInputPath_)).fileName());
    plots.exec();
}

void CEstimatorDlg::OnExpectedCounts() {
    CExpectedDlg expected(this);
    if (expected.exec() == QDialog::Accepted) useInputFile(expected.writtenPath());
}

void CEstimatorDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

#ifdef Q_OS_WIN
bool CEstimatorDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == ABOUT_SYSTEM_COMMAND) {
            runCommand(&CEstimatorDlg::OnAbout);
            *result = 0;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
