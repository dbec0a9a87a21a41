#include "ui/dialogs/CEditorDlg.h"

#include <fcntl.h>
#include <sys/resource.h>
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
#include <csignal>
#include <filesystem>
#include <stop_token>
#include <thread>

#include "tests/support/test_support.h"
#include "tests/ui/CommitText.h"
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

// OK closes the dialog at once, asks nothing and leaves the file as it was.
void okClosesWithoutWriting(CEditorDlg& dlg, const Controls& c, const FakePlatform& fake,
                            const InputFile& input, const std::string& original) {
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(fake.messageBoxes.questions.empty());
    QVERIFY(input.untouched(original));
}

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
    void emptyFileTakesExactlyTheTypedText();
    void deletingEverythingSavesAnEmptyFile();
    void noKeepsTheTextAndCancelThenWritesNothing();
    void cancelEscapeAndCloseNeitherAskNorWrite();
    void enterInsertsALineBreak();
    void lossyFilesOpenReadOnly_data();
    void lossyFilesOpenReadOnly();
    void unreadableFileIsReportedAndNeverWritten_data();
    void unreadableFileIsReportedAndNeverWritten();
    void failedSaveIsReportedAndKeepsTheText();
    void failedWriteLeavesTheOldFile();
    void readOnlyFileIsNotReplaced();
    void saveKeepsPermissionsAndSymbolicLinks();
    void characterOutsideShiftJisIsRefused();
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

    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
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
    FakePlatform fake;
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    // A composition of the input method that is cancelled changes nothing.
    QInputMethodEvent composing(QStringLiteral("とうきょう"), {});
    QApplication::sendEvent(c.text, &composing);
    QInputMethodEvent cancelled;
    QApplication::sendEvent(c.text, &cancelled);
    QVERIFY(!dlg.modified());
    QCOMPARE(c.ok->text(), QStringLiteral("OK"));
    okClosesWithoutWriting(dlg, c, fake, input, original);
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
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const std::string original =
        fixture.isEmpty()
            ? "1 " + std::string(1500, 'A') + " 3 2.5\r\n1 " + std::string(2100, 'B') + " 0 1"
            : readFile(tolven::test::dataFile("editor/" + fixture.toStdString()));
    QVERIFY(!original.empty());
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    QVERIFY(dlg.editable());
    QTest::keyClick(c.text, Qt::Key_X);
    QTest::keyClick(c.text, Qt::Key_Backspace);
    QVERIFY(dlg.modified());
    QCOMPARE(c.ok->text(), QStringLiteral("上書き保存"));
    c.ok->click();
    QCOMPARE(fake.messageBoxes.questions, std::vector<QString>{SAVE_QUESTION});
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(input.bytes() == original);
    QCOMPARE(input.filesInFolder(), std::size_t(1));
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
}

void CEditorDlgTest::editsAreWrittenInTheFilesEncodingAndLineEnds() {
    QFETCH(QByteArray, original);
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const InputFile input(original.toStdString());
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    c.text->moveCursor(QTextCursor::End);
    const QStringList lines = typed.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(c.text, Qt::Key_Return);
        if (!lines[i].isEmpty()) commitText(c.text, lines[i]);
    }
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(QByteArray::fromStdString(input.bytes()), saved);
}

void CEditorDlgTest::emptyFileTakesExactlyTheTypedText() {
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const InputFile input("");
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    QCOMPARE(c.shown(), QString());
    QTest::keyClicks(c.text, "1 A01 3 2.5");
    c.ok->click();
    QCOMPARE(input.bytes(), std::string("1 A01 3 2.5"));
}

void CEditorDlgTest::deletingEverythingSavesAnEmptyFile() {
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const InputFile input("1 A01 3 2.5\r\n1 A02 0 1.25\r\n");
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    c.text->selectAll();
    QTest::keyClick(c.text, Qt::Key_Delete);
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(fs::exists(input.path));
    QCOMPARE(fs::file_size(input.path), std::uintmax_t(0));
}

void CEditorDlgTest::noKeepsTheTextAndCancelThenWritesNothing() {
    FakePlatform fake;
    fake.messageBoxes.answers = {false};
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QStringLiteral("1 東京 0 1"));
    c.ok->click();
    QCOMPARE(fake.messageBoxes.questions.size(), std::size_t(1));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    QVERIFY(dlg.modified());
    QCOMPARE(c.ok->text(), QStringLiteral("上書き保存"));
    QCOMPARE(c.shown(), QStringLiteral("1 A01 3 2.5\n1 東京 0 1"));

    c.cancel->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(fake.messageBoxes.questions.size(), std::size_t(1));
    QVERIFY(input.untouched(original));
}

void CEditorDlgTest::cancelEscapeAndCloseNeitherAskNorWrite() {
    FakePlatform fake;
    const std::string original = "1 A01 3 2.5\r\n";
    for (int way = 0; way < 3; ++way) {
        const InputFile input(original);
        CEditorDlg dlg(input.path);
        showAndWait(dlg);
        const Controls c(dlg);
        typeAtEnd(c.text, QStringLiteral("more"));
        QVERIFY(dlg.modified());
        if (way == 0) c.cancel->click();
        if (way == 1) QTest::keyClick(c.text, Qt::Key_Escape);
        if (way == 2) dlg.close();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(input.untouched(original));
    }
    QVERIFY(fake.messageBoxes.questions.empty());
}

void CEditorDlgTest::enterInsertsALineBreak() {
    FakePlatform fake;
    const InputFile input("ab");
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    c.text->setFocus();
    c.text->moveCursor(QTextCursor::End);
    QTest::keyClick(c.text, Qt::Key_Return);
    QTest::keyClick(c.text, Qt::Key_Enter);
    QTest::keyClick(c.text, Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    // Shift+Enter gives the same line break, not a line separator character.
    QCOMPARE(c.text->document()->toRawText(), QStringLiteral("ab\u2029\u2029\u2029"));
    QVERIFY(fake.messageBoxes.questions.empty());
}

void CEditorDlgTest::lossyFilesOpenReadOnly_data() {
    QTest::addColumn<QString>("fixture");
    QTest::newRow("nul bytes") << "nul_bytes.txt";
    QTest::newRow("nec selection of ibm extensions") << "nec_selected_ibm.txt";
    QTest::newRow("neither utf-8 nor shift-jis") << "invalid_shift_jis.txt";
}

void CEditorDlgTest::lossyFilesOpenReadOnly() {
    QFETCH(QString, fixture);
    FakePlatform fake;
    fake.messageBoxes.answers = {true, true};
    const std::string original =
        readFile(tolven::test::dataFile("editor/" + fixture.toStdString()));
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    // A notice, not an error.
    QTRY_COMPARE(fake.messageBoxes.notices.size(), std::size_t(1));
    QCOMPARE(fake.messageBoxes.notices[0],
             QStringLiteral("入力ファイル\n%1 には文字として表せないバイトがあるため、"
                            "読み取り専用で開きます")
                 .arg(fromLocal(input.path)));
    QVERIFY(fake.messageBoxes.errors.empty());
    QVERIFY(!dlg.editable());
    looksReadOnly(c);
    QVERIFY(!c.shown().isEmpty());
    QTest::keyClicks(c.text, "x");
    QVERIFY(!dlg.modified());
    okClosesWithoutWriting(dlg, c, fake, input, original);
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

// Root writes through any permission, so failures are provoked by taking the
// file's folder away, and by putting a folder where the file was.
void CEditorDlgTest::failedSaveIsReportedAndKeepsTheText() {
    for (int way = 0; way < 2; ++way) {
        FakePlatform fake;
        fake.messageBoxes.answers = {true, true};
        auto input = std::make_unique<InputFile>("1 A01 3 2.5\r\n");
        const std::string path = input->path;
        CEditorDlg dlg(path);
        showAndWait(dlg);
        const Controls c(dlg);
        typeAtEnd(c.text, QStringLiteral("1 東京 0 1"));
        if (way == 0) {
            input.reset();  // removes the folder
        } else {
            fs::remove(path);
            fs::create_directory(path);
        }
        c.ok->click();
        QCOMPARE(fake.messageBoxes.errors,
                 std::vector<QString>{QStringLiteral("ERROR!! : 入力ファイル\n%1 に書き込めません")
                                          .arg(fromLocal(path))});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), 0);
        QVERIFY(dlg.modified());
        QCOMPARE(c.shown(), QStringLiteral("1 A01 3 2.5\n1 東京 0 1"));
        if (way == 1) QVERIFY(fs::is_directory(path) && fs::is_empty(path));
        // The user may try again.
        c.ok->click();
        QCOMPARE(fake.messageBoxes.questions.size(), std::size_t(2));
    }
}

// A write that fails part way (here: the file size limit, which binds root
// too) leaves the old file whole and no temporary file behind.
void CEditorDlgTest::failedWriteLeavesTheOldFile() {
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QString(200, u'9'));

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    c.ok->click();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(fake.messageBoxes.errors.size(), std::size_t(1));
    QVERIFY(dlg.isVisible());
    QVERIFY(input.untouched(original));
    QCOMPARE(input.filesInFolder(), std::size_t(1));
}

void CEditorDlgTest::readOnlyFileIsNotReplaced() {
    if (geteuid() == 0) QSKIP("root may write any file");
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    fs::permissions(input.path, fs::perms::owner_read);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QStringLiteral("x"));
    c.ok->click();
    QCOMPARE(fake.messageBoxes.errors.size(), std::size_t(1));
    QVERIFY(dlg.isVisible());
    QVERIFY(input.untouched(original));
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

void CEditorDlgTest::characterOutsideShiftJisIsRefused() {
    FakePlatform fake;
    fake.messageBoxes.answers = {true};
    const std::string original = sjis("1 東京 3 2.5\r\n");
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QStringLiteral("1 😀 0 1"));
    c.ok->click();
    QCOMPARE(fake.messageBoxes.errors,
             std::vector<QString>{
                 QStringLiteral("ERROR!! : 入力ファイル\n%1 に書き込めません\nShift-JIS "
                                "で表せない文字があります")
                     .arg(fromLocal(input.path))});
    QVERIFY(dlg.isVisible());
    QVERIFY(input.untouched(original));
}

// The question through the real message box: question icon, Yes and No.
void CEditorDlgTest::realReadOnlyNoticeHasTheInformationIcon() {
    const std::string original = readFile(tolven::test::dataFile("editor/nul_bytes.txt"));
    const InputFile input(original);
    QString text, caption;
    int icon = -1;
    int buttons = -1;
    QWidget* owner = nullptr;
    CEditorDlg dlg(input.path);
    auto shown = whenModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        owner = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    showAndWait(dlg);
    QTRY_VERIFY(*shown);
    QVERIFY(text.startsWith(QStringLiteral("入力ファイル\n")));
    QCOMPARE(caption, tolven::applicationName());
    QCOMPARE(icon, int(QMessageBox::Information));
    QCOMPARE(buttons, int(QMessageBox::Ok));
    QCOMPARE(owner, &dlg);
}

void CEditorDlgTest::realQuestionBoxYesAndNo() {
    const std::string original = "1 A01 3 2.5\r\n";
    const InputFile input(original);
    CEditorDlg dlg(input.path);
    showAndWait(dlg);
    const Controls c(dlg);
    typeAtEnd(c.text, QStringLiteral("1 A02 0 1"));

    QString text;
    int icon = -1;
    int buttons = -1;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::No)->click();
    });
    c.ok->click();
    QCOMPARE(text, SAVE_QUESTION);
    QCOMPARE(icon, int(QMessageBox::Question));
    QCOMPARE(buttons, int(QMessageBox::Yes | QMessageBox::No));
    QVERIFY(dlg.isVisible());
    QVERIFY(input.untouched(original));

    whenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    c.ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(input.bytes(), std::string("1 A01 3 2.5\r\n1 A02 0 1"));
}

QTEST_MAIN(CEditorDlgTest)
#include "CEditorDlg_test.moc"
