#include "ui/dialogs/CEditorDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPalette>
#include <QTextDocument>
#include <QTimer>

#include "core/text/file_messages.h"
#include "run/output_file.h"
#include "ui/platform/PathBytes.h"
#include "ui/platform/Platform.h"
#include "ui_CEditorDlg.h"

namespace {

QString openFailedText(const QString& path) {
    return QString::fromStdString(
        tolven::cannotOpenMessage(tolven::INPUT_FILE_SUBJECT, path.toStdString()));
}

QString writeFailedText(const QString& path) {
    return QString::fromStdString(
        tolven::cannotWriteMessage(tolven::INPUT_FILE_SUBJECT, path.toStdString()));
}

QString unrepresentableText(const QString& path, tolven::EditorEncoding encoding) {
    return QStringLiteral(
               "ERROR!! : 入力ファイル\n%1 に書き込めません\n%2 で表せない文字があります")
        .arg(path, tolven::encodingName(encoding));
}

// Not a failure: the file is shown, only not for editing.
QString showOnlyText(const QString& path) {
    return QStringLiteral(
               "入力ファイル\n%1 には文字として表せないバイトがあるため、"
               "読み取り専用で開きます")
        .arg(path);
}

}  // namespace

CEditorDlg::CEditorDlg(const std::string& inputPath, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CEditorDlg>()) {
    ui_->setupUi(this);
    path_ = tolven::fromPathBytes(inputPath);
    ui_->inputPathEdit->setText(path_);
    ui_->textArea->installEventFilter(this);

    connect(ui_->okButton, &QPushButton::clicked, this, &CEditorDlg::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // The document counts as modified once its content changed, and only then:
    // an input method's composition that is still open, or was cancelled, has
    // changed nothing yet, although it raises textChanged.
    connect(ui_->textArea, &QPlainTextEdit::modificationChanged, this, [this](bool changed) {
        if (changed) OnTextChange();
    });

    load();
    ui_->cancelButton->setFocus();
}

CEditorDlg::~CEditorDlg() = default;

void CEditorDlg::load() {
    QFile file(path_);
    QByteArray bytes;
    // Only a regular file has an end to read to: opening a named pipe would
    // block the dialog, and a device such as /dev/zero never ends. Neither
    // could be replaced by a saved copy either.
    bool read = QFileInfo(path_).isFile() && file.open(QIODevice::ReadOnly);
    if (read) {
        bytes = file.readAll();
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        // Nothing was shown, so nothing may be written over the file either.
        openingError_ = openFailedText(path_);
        editable_ = false;
        showReadOnly();
        return;
    }

    const tolven::DecodedText decoded = tolven::decodeEditorText(bytes);
    format_ = decoded.format;
    editable_ = decoded.editable;
    if (!editable_) {
        openingNotice_ = showOnlyText(path_);
        showReadOnly();
    }
    // Putting the text in raises the same notification as typing does.
    loading_ = true;
    ui_->textArea->setPlainText(decoded.text);
    loading_ = false;
}

void CEditorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // Reported from the running dialog, so that the message stands over it.
    if (!openingError_.isEmpty()) QTimer::singleShot(0, this, [this] { showError(openingError_); });
    if (!openingNotice_.isEmpty())
        QTimer::singleShot(0, this, [this] {
            tolven::platform().messageBoxes->showInformation(this, openingNotice_);
        });
}

void CEditorDlg::showReadOnly() {
    ui_->textArea->setReadOnly(true);
    // It looks as read-only edits do: on the dialog's own background rather
    // than the background of a field that takes typing.
    QPalette palette = ui_->textArea->palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, palette.brush(group, QPalette::Window));
    ui_->textArea->setPalette(palette);
}

bool CEditorDlg::eventFilter(QObject* watched, QEvent* event) {
    // Shift+Enter would put in a Unicode line separator, which would end up in
    // the file as a character of its own; here it is an ordinary line break.
    if (watched == ui_->textArea && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::InsertLineSeparator)) {
        if (!ui_->textArea->isReadOnly()) ui_->textArea->insertPlainText(QStringLiteral("\n"));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CEditorDlg::OnTextChange() {
    if (loading_ || modified_) return;
    modified_ = true;
    ui_->okButton->setText(QStringLiteral("上書き保存"));
}

void CEditorDlg::OnOK() {
    if (!modified_ || !editable_) {
        accept();
        return;
    }
    if (!tolven::platform().messageBoxes->askYesNo(
            this, QStringLiteral("上書き保存してもよろしいですか？")))
        return;
    if (save()) accept();
}

bool CEditorDlg::save() {
    // The raw text keeps what the plain text would change (no-break spaces,
    // line separators); its block separators are the line breaks.
    const std::optional<QByteArray> bytes =
        tolven::encodeEditorText(ui_->textArea->document()->toRawText(), format_);
    if (!bytes) {
        showError(unrepresentableText(path_, format_.encoding));
        return false;
    }
    // The new content replaces the old file only once it is complete, so a
    // failure part way leaves the old file whole; a file the user may not
    // write is refused as opening it for writing would be.
    if (tolven::writeWholeFile(tolven::toPathBytes(path_),
                               std::string_view(bytes->constData(), bytes->size())) != 0) {
        showError(writeFailedText(path_));
        return false;
    }
    return true;
}

void CEditorDlg::showError(const QString& text) {
    tolven::platform().messageBoxes->showError(this, text);
}
