#include "ui/dialogs/CEditorDlg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QTextDocument>
#include <chrono>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "tests/support/test_support.h"
#include "tests/ui/DialogHelpers.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/WhenModal.h"

namespace fs = std::filesystem;
using tolven::test::readFile;
using tolven::test::writeFile;

namespace {

const QString SAVE_QUESTION = QStringLiteral("上書き保存してもよろしいですか？");

QString fromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The input file of one test, in a folder of its own.
struct InputFile {
    explicit InputFile(const std::string& bytes, const std::string& name = "input.txt")
        : path(folder.file(name)) {
        writeFile(path, bytes);
        // An hour back, so that any rewrite shows in the time.
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
        time = fs::last_write_time(path);
    }
    std::string bytes() const { return readFile(path); }
    bool untouched(const std::string& original) const {
        return bytes() == original && fs::last_write_time(path) == time;
    }
    // Nothing but the input file (no left-over temporary file).
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()));
    }

    tolven::test::TempDir folder;
    std::string path;
    fs::file_time_type time;
};

struct Controls {
    explicit Controls(CEditorDlg& dlg)
        : path(dlg.findChild<QLineEdit*>("inputPathEdit")),
          text(dlg.findChild<QPlainTextEdit*>("textArea")),
          ok(dlg.findChild<QPushButton*>("okButton")),
          cancel(dlg.findChild<QPushButton*>("cancelButton")) {}

    // What the user sees, with the text area's own line breaks as '\n'.
    QString shown() const { return text->document()->toRawText().replace(QChar(0x2029), u'\n'); }

    QLineEdit* path;
    QPlainTextEdit* text;
    QPushButton* ok;
    QPushButton* cancel;
};

void typeAtEnd(QPlainTextEdit* edit, const QString& text) {
    edit->moveCursor(QTextCursor::End);
    commitText(edit, text);
}

void showAndWait(CEditorDlg& dlg) {
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCoreApplication::processEvents();
}

// A dialog shown on an input file of its own, with the platform's fakes
// answering the questions from `answers`.
struct OpenEditor {
    explicit OpenEditor(const std::string& bytes, std::deque<bool> answers = {})
        : input(bytes), dlg(input.path), c(dlg) {
        fake.messageBoxes.answers = std::move(answers);
        showAndWait(dlg);
    }

    // OK closes the dialog at once, asks nothing and leaves the file as it was.
    void okClosesWithoutWriting(const std::string& original) {
        c.ok->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(fake.messageBoxes.questions.empty());
        QVERIFY(input.untouched(original));
    }

    FakePlatform fake;
    InputFile input;
    CEditorDlg dlg;
    Controls c;
};

// The text area takes no typing and is drawn as a read-only field: on the
// dialog's background, not on the background of a field that takes typing.
void looksReadOnly(const Controls& c) {
    QVERIFY(c.text->isReadOnly());
    const QImage drawn = c.text->viewport()->grab().toImage();
    const QColor corner = drawn.pixelColor(drawn.width() - 2, drawn.height() - 2);
    QCOMPARE(corner, c.text->window()->palette().color(QPalette::Window));
    QVERIFY(corner != QApplication::palette(c.text).color(QPalette::Base));
}

std::string sjis(const char* utf8) {
    QStringEncoder encoder("Shift_JIS");
    const QByteArray bytes = encoder.encode(QString::fromUtf8(utf8));
    return bytes.toStdString();
}

}  // namespace

class CEditorDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensShowingTheFile();
    void okWithoutChangeLeavesTheFileUntouched();
    void savingAnUndoneChangeGivesBackTheBytes_data();
    void savingAnUndoneChangeGivesBackTheBytes();
    void editsAreWrittenInTheFilesEncodingAndLineEnds_data();
    void editsAreWrittenInTheFilesEncodingAndLineEnds();
    void deletingEverythingSavesAnEmptyFile();
    void noKeepsTheTextAndCancelThenWritesNothing();
    void cancelEscapeAndCloseNeitherAskNorWrite();
    void enterInsertsALineBreak();
    void lossyFilesOpenReadOnly_data();
    void lossyFilesOpenReadOnly();
    void unreadableFileIsReportedAndNeverWritten_data();
    void unreadableFileIsReportedAndNeverWritten();
    void refusedSaveKeepsTheTextAndTheOldFile_data();
    void refusedSaveKeepsTheTextAndTheOldFile();
    void saveKeepsPermissionsAndSymbolicLinks();
    void realReadOnlyNoticeHasTheInformationIcon();
    void realQuestionBoxYesAndNo();
};

void CEditorDlgTest::opensShowingTheFile() {
    const InputFile input("1 A01 3 2.5\r\n1 A02 0 1.25\r\n");
    CEditorDlg dlg(input.path);
    const Controls c(dlg);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("内容確認・修正"));
    QVERIFY(dlg.findChild<QLabel*>("inputPathLabel")->text() == QStringLiteral("入力ファイル名："));
    QCOMPARE(c.path->text(), fromLocal(input.path));
    QVERIFY(c.path->isReadOnly());
    QVERIFY(!c.path->hasFrame());
    QCOMPARE(c.text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(c.text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(c.shown(), QStringLiteral("1 A01 3 2.5\n1 A02 0 1.25\n"));
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    QCOMPARE(c.cancel->text(), QStringLiteral("キャンセル"));

    QVERIFY(showActive(dlg));
    QVERIFY(!dlg.modified());
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    QCOMPARE(QApplication::focusWidget(), c.cancel);
    // Only the two buttons take the focus from the keyboard.
    QTest::keyClick(c.cancel, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), c.ok);
    QTest::keyClick(c.ok, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), c.cancel);
}

void CEditorDlgTest::okWithoutChangeLeavesTheFileUntouched() {
    const std::string original = "1 A01 3 2.5\r\n";
    OpenEditor e(original);
    // A composition of the input method that is cancelled changes nothing.
    QInputMethodEvent composing(QStringLiteral("とうきょう"), {});
    QApplication::sendEvent(e.c.text, &composing);
    QInputMethodEvent cancelled;
    QApplication::sendEvent(e.c.text, &cancelled);
    QVERIFY(!e.dlg.modified());
    QCOMPARE(e.c.ok->text(), QStringLiteral("OK"));
    e.okClosesWithoutWriting(original);
}

void CEditorDlgTest::savingAnUndoneChangeGivesBackTheBytes_data() {
    QTest::addColumn<QString>("fixture");
    for (const char* name :
         {"crlf_lines.txt", "lf_lines.txt", "shift_jis_codes.txt", "utf8_codes.txt", "utf8_bom.txt",
          "no_final_line_end.txt", "mixed_line_ends.txt"})
        QTest::newRow(name) << QString::fromLatin1(name);
    QTest::newRow("lines over 999 bytes") << QString();
}

void CEditorDlgTest::savingAnUndoneChangeGivesBackTheBytes() {
    QFETCH(QString, fixture);
    const std::string original =
        fixture.isEmpty()
            ? "1 " + std::string(1500, 'A') + " 3 2.5\r\n1 " + std::string(2100, 'B') + " 0 1"
            : readFile(tolven::test::dataFile("editor/" + fixture.toStdString()));
    QVERIFY(!original.empty());
    OpenEditor e(original, {true});
    QVERIFY(e.dlg.editable());
    QTest::keyClick(e.c.text, Qt::Key_X);
    QTest::keyClick(e.c.text, Qt::Key_Backspace);
    QVERIFY(e.dlg.modified());
    QCOMPARE(e.c.ok->text(), QStringLiteral("上書き保存"));
    e.c.ok->click();
    QCOMPARE(e.fake.messageBoxes.questions, std::vector<QString>{SAVE_QUESTION});
    QCOMPARE(e.dlg.result(), int(QDialog::Accepted));
    QVERIFY(e.input.bytes() == original);
    QCOMPARE(e.input.filesInFolder(), std::size_t(1));
}

void CEditorDlgTest::editsAreWrittenInTheFilesEncodingAndLineEnds_data() {
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("typed");  // at the end; '\n' is the Enter key
    QTest::addColumn<QByteArray>("saved");
    const QByteArray sjisFile = QByteArray::fromStdString(sjis("1 東京 3 2.5\r\n"));
    QTest::newRow("shift-jis") << sjisFile << QStringLiteral("1 表示 0 1\n")
                               << sjisFile + QByteArray::fromStdString(sjis("1 表示 0 1\r\n"));
    QTest::newRow("utf-8 lf") << QByteArray("1 A 3 2.5\n") << QStringLiteral("1 東京 0 1\n")
                              << QByteArray("1 A 3 2.5\n") +
                                     QStringLiteral("1 東京 0 1\n").toUtf8();
    QTest::newRow("added final line end")
        << QByteArray("1 A 3 2.5\r\n1 B 0 1") << QStringLiteral("\n")
        << QByteArray("1 A 3 2.5\r\n1 B 0 1\r\n");
    // An empty file takes exactly the typed text, with no line end added.
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("1 A01 3 2.5")
                                << QByteArray("1 A01 3 2.5");
}

void CEditorDlgTest::editsAreWrittenInTheFilesEncodingAndLineEnds() {
    QFETCH(QByteArray, original);
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    OpenEditor e(original.toStdString(), {true});
    if (original.isEmpty()) QCOMPARE(e.c.shown(), QString());
    e.c.text->moveCursor(QTextCursor::End);
    const QStringList lines = typed.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(e.c.text, Qt::Key_Return);
        if (!lines[i].isEmpty()) commitText(e.c.text, lines[i]);
    }
    e.c.ok->click();
    QCOMPARE(e.dlg.result(), int(QDialog::Accepted));
    QCOMPARE(QByteArray::fromStdString(e.input.bytes()), saved);
}

void CEditorDlgTest::deletingEverythingSavesAnEmptyFile() {
    OpenEditor e("1 A01 3 2.5\r\n1 A02 0 1.25\r\n", {true});
    e.c.text->selectAll();
    QTest::keyClick(e.c.text, Qt::Key_Delete);
    e.c.ok->click();
    QCOMPARE(e.dlg.result(), int(QDialog::Accepted));
    QVERIFY(fs::exists(e.input.path));
    QCOMPARE(fs::file_size(e.input.path), std::uintmax_t(0));
}

void CEditorDlgTest::noKeepsTheTextAndCancelThenWritesNothing() {
    const std::string original = "1 A01 3 2.5\r\n";
    OpenEditor e(original, {false});
    typeAtEnd(e.c.text, QStringLiteral("1 東京 0 1"));
    e.c.ok->click();
    QCOMPARE(e.fake.messageBoxes.questions.size(), std::size_t(1));
    QVERIFY(e.dlg.isVisible());
    QCOMPARE(e.dlg.result(), 0);
    QVERIFY(e.dlg.modified());
    QCOMPARE(e.c.ok->text(), QStringLiteral("上書き保存"));
    QCOMPARE(e.c.shown(), QStringLiteral("1 A01 3 2.5\n1 東京 0 1"));

    e.c.cancel->click();
    QCOMPARE(e.dlg.result(), int(QDialog::Rejected));
    QCOMPARE(e.fake.messageBoxes.questions.size(), std::size_t(1));
    QVERIFY(e.input.untouched(original));
}

void CEditorDlgTest::cancelEscapeAndCloseNeitherAskNorWrite() {
    const std::string original = "1 A01 3 2.5\r\n";
    for (const Dismissal way : ALL_DISMISSALS) {
        OpenEditor e(original);
        typeAtEnd(e.c.text, QStringLiteral("more"));
        QVERIFY(e.dlg.modified());
        dismiss(e.dlg, way, e.c.cancel, e.c.text);
        QVERIFY(!e.dlg.isVisible());
        QCOMPARE(e.dlg.result(), int(QDialog::Rejected));
        QVERIFY(e.input.untouched(original));
        QVERIFY(e.fake.messageBoxes.questions.empty());
    }
}

void CEditorDlgTest::enterInsertsALineBreak() {
    OpenEditor e("ab");
    e.c.text->setFocus();
    e.c.text->moveCursor(QTextCursor::End);
    QTest::keyClick(e.c.text, Qt::Key_Return);
    QTest::keyClick(e.c.text, Qt::Key_Enter);
    QTest::keyClick(e.c.text, Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(e.dlg.isVisible());
    QCOMPARE(e.dlg.result(), 0);
    // Shift+Enter gives the same line break, not a line separator character.
    QCOMPARE(e.c.text->document()->toRawText(), QStringLiteral("ab\u2029\u2029\u2029"));
    QVERIFY(e.fake.messageBoxes.questions.empty());
}

void CEditorDlgTest::lossyFilesOpenReadOnly_data() {
    QTest::addColumn<QString>("fixture");
    QTest::newRow("nul bytes") << "nul_bytes.txt";
    QTest::newRow("nec selection of ibm extensions") << "nec_selected_ibm.txt";
    QTest::newRow("neither utf-8 nor shift-jis") << "invalid_shift_jis.txt";
}

void CEditorDlgTest::lossyFilesOpenReadOnly() {
    QFETCH(QString, fixture);
    const std::string original =
        readFile(tolven::test::dataFile("editor/" + fixture.toStdString()));
    OpenEditor e(original, {true, true});
    // A notice, not an error.
    QTRY_COMPARE(e.fake.messageBoxes.notices.size(), std::size_t(1));
    QCOMPARE(e.fake.messageBoxes.notices[0],
             QStringLiteral("入力ファイル\n%1 には文字として表せないバイトがあるため、"
                            "読み取り専用で開きます")
                 .arg(fromLocal(e.input.path)));
    QVERIFY(e.fake.messageBoxes.errors.empty());
    QVERIFY(!e.dlg.editable());
    looksReadOnly(e.c);
    QVERIFY(!e.c.shown().isEmpty());
    QTest::keyClicks(e.c.text, "x");
    QVERIFY(!e.dlg.modified());
    e.okClosesWithoutWriting(original);
}

void CEditorDlgTest::unreadableFileIsReportedAndNeverWritten_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("missing") << int(fs::file_type::not_found);
    // A pipe and a device have no end to read to and nothing to replace.
    QTest::newRow("named pipe") << int(fs::file_type::fifo);
    QTest::newRow("device") << int(fs::file_type::character);
}

void CEditorDlgTest::unreadableFileIsReportedAndNeverWritten() {
    QFETCH(int, kind);
    FakePlatform fake;
    tolven::test::TempDir folder;
    std::string inputPath = folder.file("input.txt");
    if (kind == int(fs::file_type::fifo)) QCOMPARE(mkfifo(inputPath.c_str(), 0600), 0);
    if (kind == int(fs::file_type::character)) inputPath = "/dev/null";
    // Releases a dialog that would wait for a writer on the pipe.
    std::jthread writer;
    if (kind == int(fs::file_type::fifo))
        writer = std::jthread([path = inputPath](std::stop_token stop) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!stop.stop_requested() && std::chrono::steady_clock::now() < until) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ::close(fd);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    CEditorDlg dlg(inputPath);
    writer.request_stop();
    showAndWait(dlg);
    const Controls c(dlg);
    QTRY_COMPARE(fake.messageBoxes.errors.size(), std::size_t(1));
    QCOMPARE(fake.messageBoxes.errors[0],
             QStringLiteral("ERROR!! : 入力ファイル\n%1 を開けません").arg(fromLocal(inputPath)));
    QVERIFY(fake.messageBoxes.notices.empty());
    QVERIFY(dlg.isVisible());
    looksReadOnly(c);
    QVERIFY(!dlg.editable());
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(int(fs::status(inputPath).type()), kind);
}

enum class SaveFault { FolderGone, FolderInItsPlace, WriteCutShort, ReadOnlyFile, NotShiftJis };

// A save that cannot be done is reported, keeps the dialog open with the
// text as typed, and leaves the old file whole with no temporary file beside
// it; the user may try again. Root writes through any permission, so the
// faults that bind root too are the folder taken away, a folder put where
// the file was, and the file size limit (a write that fails part way).
void CEditorDlgTest::refusedSaveKeepsTheTextAndTheOldFile_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const QString cannotWrite = QStringLiteral("ERROR!! : 入力ファイル\n%1 に書き込めません");
    const QString tokyo = QStringLiteral("1 東京 0 1");
    QTest::newRow("folder gone") << int(SaveFault::FolderGone) << tokyo << cannotWrite;
    QTest::newRow("folder in its place")
        << int(SaveFault::FolderInItsPlace) << tokyo << cannotWrite;
    QTest::newRow("write cut short")
        << int(SaveFault::WriteCutShort) << QString(200, u'9') << cannotWrite;
    QTest::newRow("read-only file") << int(SaveFault::ReadOnlyFile) << tokyo << cannotWrite;
    QTest::newRow("outside shift-jis")
        << int(SaveFault::NotShiftJis) << QStringLiteral("1 😀 0 1")
        << cannotWrite + QStringLiteral("\nShift-JIS で表せない文字があります");
}

void CEditorDlgTest::refusedSaveKeepsTheTextAndTheOldFile() {
    QFETCH(int, fault);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    const auto is = [fault](SaveFault f) { return fault == int(f); };
    if (is(SaveFault::ReadOnlyFile) && geteuid() == 0) QSKIP("root may write any file");
    const std::string original = sjis("1 東京 3 2.5\r\n");
    OpenEditor e(original, {true, true});
    typeAtEnd(e.c.text, typed);
    const std::string path = e.input.path;
    if (is(SaveFault::FolderGone)) fs::remove_all(e.input.folder.path());
    if (is(SaveFault::FolderInItsPlace)) {
        fs::remove(path);
        fs::create_directory(path);
    }
    if (is(SaveFault::ReadOnlyFile)) fs::permissions(path, fs::perms::owner_read);
    {
        std::optional<FileSizeLimit> limit;
        if (is(SaveFault::WriteCutShort)) limit.emplace(64);
        e.c.ok->click();
    }
    QCOMPARE(e.fake.messageBoxes.errors, std::vector<QString>{message.arg(fromLocal(path))});
    QVERIFY(e.dlg.isVisible());
    QCOMPARE(e.dlg.result(), 0);
    QVERIFY(e.dlg.modified());
    QCOMPARE(e.c.shown(), QStringLiteral("1 東京 3 2.5\n") + typed);
    if (is(SaveFault::FolderInItsPlace)) QVERIFY(fs::is_directory(path) && fs::is_empty(path));
    if (!is(SaveFault::FolderGone) && !is(SaveFault::FolderInItsPlace)) {
        QVERIFY(e.input.untouched(original));
        QCOMPARE(e.input.filesInFolder(), std::size_t(1));
    }
    e.c.ok->click();
    QCOMPARE(e.fake.messageBoxes.questions.size(), std::size_t(2));
}

void CEditorDlgTest::saveKeepsPermissionsAndSymbolicLinks() {
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const InputFile input("1 A01 3 2.5\n");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(input.path, mode);
    const std::string link = input.folder.file("link.txt");
    fs::create_symlink(input.path, link);
    CEditorDlg dlg(link);
    showAndWait(dlg);
    typeAtEnd(Controls(dlg).text, QStringLiteral("1 A02 0 1\n"));
    Controls(dlg).ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(fs::is_symlink(link));
    QCOMPARE(input.bytes(), std::string("1 A01 3 2.5\n1 A02 0 1\n"));
    QVERIFY(fs::status(input.path).permissions() == mode);
    QCOMPARE(input.filesInFolder(), std::size_t(2));
}

// The notice through the real message box: information icon, one OK, the
// program's name as caption, over the dialog.
void CEditorDlgTest::realReadOnlyNoticeHasTheInformationIcon() {
    const InputFile input(readFile(tolven::test::dataFile("editor/nul_bytes.txt")));
    CEditorDlg dlg(input.path);
    const auto seen = whenMessageBox(QMessageBox::Ok);
    showAndWait(dlg);
    QTRY_VERIFY(seen->shown);
    QVERIFY(seen->text.startsWith(QStringLiteral("入力ファイル\n")));
    QCOMPARE(seen->caption, tolven::applicationName());
    QCOMPARE(seen->icon, QMessageBox::Information);
    QCOMPARE(seen->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen->owner, &dlg);
}

// The question through the real message box: question icon, Yes and No.
void CEditorDlgTest::realQuestionBoxYesAndNo() {
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QStringLiteral("1 A02 0 1"));
    const auto seen = whenMessageBox(QMessageBox::No);
    c.ok->click();
    QCOMPARE(seen->text, SAVE_QUESTION);
    QCOMPARE(seen->icon, QMessageBox::Question);
    QCOMPARE(seen->buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(dlg.isVisible());
    QVERIFY(input.untouched(original));

    whenMessageBox(QMessageBox::Yes);
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(input.bytes(), std::string("1 A01 3 2.5\r\n1 A02 0 1"));
}

QTEST_MAIN(CEditorDlgTest)
#include "CEditorDlg_test.moc"
