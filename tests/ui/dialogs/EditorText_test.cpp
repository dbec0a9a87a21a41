#include "ui/dialogs/EditorText.h"

#include <QTest>
#include <random>

#include "tests/support/test_support.h"

using tolven::DecodedText;
using tolven::decodeEditorText;
using tolven::EditorEncoding;
using tolven::EditorFormat;
using tolven::encodeEditorText;

namespace {

QByteArray fixture(const char* name) {
    return QByteArray::fromStdString(tolven::test::readFile(tolven::test::dataFile(name)));
}

}  // namespace

class EditorTextTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripsEditableFiles_data();
    void roundTripsEditableFiles();
    void refusesToEditLossyFiles_data();
    void refusesToEditLossyFiles();
    void showsTextInTheFilesEncoding();
    void marksLineEndsOfOtherKinds();
    void addedLineBreakIsTheFilesOwnLineEnd_data();
    void addedLineBreakIsTheFilesOwnLineEnd();
    void takesRawTextBlockSeparatorsAsLineBreaks();
    void refusesCharactersTheEncodingCannotHold();
    void randomBytesComeBackExactlyWhenEditable();
};

void EditorTextTest::roundTripsEditableFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<bool>("marks");
    const int utf8 = int(EditorEncoding::Utf8);
    const int sjis = int(EditorEncoding::ShiftJis);
    QTest::newRow("crlf") << fixture("editor/crlf_lines.txt") << utf8 << QByteArray("\r\n")
                          << false;
    QTest::newRow("lf") << fixture("editor/lf_lines.txt") << utf8 << QByteArray("\n") << false;
    QTest::newRow("shift-jis") << fixture("editor/shift_jis_codes.txt") << sjis
                               << QByteArray("\r\n") << false;
    QTest::newRow("utf-8") << fixture("editor/utf8_codes.txt") << utf8 << QByteArray("\n") << false;
    QTest::newRow("utf-8 bom") << fixture("editor/utf8_bom.txt") << utf8 << QByteArray("\r\n")
                               << false;
    QTest::newRow("no final line end")
        << fixture("editor/no_final_line_end.txt") << utf8 << QByteArray("\r\n") << false;
    QTest::newRow("mixed") << fixture("editor/mixed_line_ends.txt") << utf8 << QByteArray("\r\n")
                           << true;
    QTest::newRow("empty") << QByteArray() << utf8 << QByteArray("\r\n") << false;
    QTest::newRow("lone cr lines") << QByteArray("a\rb\r") << utf8 << QByteArray("\r") << false;
    QTest::newRow("cr lf in cr file")
        << QByteArray("a\rb\r\nc") << utf8 << QByteArray("\r") << true;
    QTest::newRow("long line") << QByteArray(5000, 'x') + "\r\n" + QByteArray(1200, 'y') << utf8
                               << QByteArray("\r\n") << false;
    // Without mixed line ends a mark is an ordinary character.
    QTest::newRow("literal mark") << QByteArray("a\xe2\x90\x8a b\n") << utf8 << QByteArray("\n")
                                  << false;
    QTest::newRow("line separator kept")
        << QByteArray("a\xe2\x80\xa8z\n") << utf8 << QByteArray("\n") << false;
}

void EditorTextTest::roundTripsEditableFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(QByteArray, lineEnd);
    QFETCH(bool, marks);
    const DecodedText decoded = decodeEditorText(bytes);
    QVERIFY(decoded.editable);
    QCOMPARE(int(decoded.format.encoding), encoding);
    QCOMPARE(decoded.format.lineEnd, lineEnd);
    QCOMPARE(decoded.format.lineEndMarks, marks);
    QVERIFY(!decoded.text.contains(u'\r'));
    const std::optional<QByteArray> back = encodeEditorText(decoded.text, decoded.format);
    QVERIFY(back.has_value());
    QCOMPARE(*back, bytes);
}

void EditorTextTest::refusesToEditLossyFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("nul bytes") << fixture("editor/nul_bytes.txt");
    QTest::newRow("nec selection of ibm extension") << fixture("editor/nec_selected_ibm.txt");
    QTest::newRow("neither utf-8 nor shift-jis") << fixture("editor/invalid_shift_jis.txt");
    QTest::newRow("trailing lone lead byte") << QByteArray("\x95\x5c\r\n\x82");
    QTest::newRow("paragraph separator") << QByteArray("a\xe2\x80\xa9z\r\n");
    QTest::newRow("noncharacter that breaks a block") << QByteArray("a\xef\xb7\x90z\r\n");
    QTest::newRow("literal mark in mixed file") << QByteArray("a\xe2\x90\x8d\r\nb\nc\r\n");
}

void EditorTextTest::refusesToEditLossyFiles() {
    QFETCH(QByteArray, bytes);
    const DecodedText decoded = decodeEditorText(bytes);
    QVERIFY(!decoded.editable);
    // Still shown, as far as it can be.
    QVERIFY(!decoded.text.isEmpty());
    QVERIFY(!decoded.text.contains(QChar(0)));
}

void EditorTextTest::showsTextInTheFilesEncoding() {
    const DecodedText sjis = decodeEditorText(fixture("editor/shift_jis_codes.txt"));
    QVERIFY(
        sjis.text.startsWith(QStringLiteral("1 東京都 3 2.5\n1 表示 0 1.25\n2 ｱｲｳ 4 3.0\n2 ①ⅰ ")));
    const DecodedText utf8 = decodeEditorText(fixture("editor/utf8_codes.txt"));
    QVERIFY(utf8.text.startsWith(QStringLiteral("1 東京都 3 2.5\n1 表示 0 1.25\n")));
    const DecodedText bom = decodeEditorText(fixture("editor/utf8_bom.txt"));
    QCOMPARE(bom.text, QStringLiteral("\uFEFF1 札幌 3 2.5\n"));
}

void EditorTextTest::marksLineEndsOfOtherKinds() {
    const DecodedText mixed = decodeEditorText(fixture("editor/mixed_line_ends.txt"));
    QCOMPARE(mixed.text, QStringLiteral("1 A01 3 2.5\n1 A02 0 1.25\u240A1 A03 2 2.0\u240D"
                                        "1 A04 1 0.5\u240D\n"));
    // In a file of LF lines a CR before an LF is marked and the LF stays a break.
    const DecodedText lf = decodeEditorText("a\nb\r\nc\n");
    QCOMPARE(lf.text, QStringLiteral("a\nb\u240D\nc\n"));
}

void EditorTextTest::addedLineBreakIsTheFilesOwnLineEnd_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("crlf") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lf") << QByteArray("a\nb") << QByteArray("a\nb\n");
    QTest::newRow("cr") << QByteArray("a\rb") << QByteArray("a\rb\r");
    QTest::newRow("no line end yet") << QByteArray("ab") << QByteArray("ab\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray("\r\n");
    QTest::newRow("mixed takes the first") << QByteArray("a\nb\r\nc") << QByteArray("a\nb\r\nc\n");
}

void EditorTextTest::addedLineBreakIsTheFilesOwnLineEnd() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    const DecodedText decoded = decodeEditorText(bytes);
    QCOMPARE(encodeEditorText(decoded.text + u'\n', decoded.format).value(), expected);
}

void EditorTextTest::takesRawTextBlockSeparatorsAsLineBreaks() {
    const EditorFormat crlf{EditorEncoding::Utf8, "\r\n", false};
    QCOMPARE(encodeEditorText(QStringLiteral("a\u2029b\u2029"), crlf).value(),
             QByteArray("a\r\nb\r\n"));
    const EditorFormat sjis{EditorEncoding::ShiftJis, "\n", true};
    QCOMPARE(encodeEditorText(QStringLiteral("表\u240D\u2029\u240A"), sjis).value(),
             QByteArray("\x95\x5c\r\n\n"));
}

void EditorTextTest::refusesCharactersTheEncodingCannotHold() {
    const EditorFormat sjis{EditorEncoding::ShiftJis, "\r\n", false};
    QVERIFY(!encodeEditorText(QStringLiteral("東京 😀"), sjis).has_value());
    QVERIFY(!encodeEditorText(QStringLiteral("a\u240Ab"), sjis).has_value());
    const EditorFormat utf8{EditorEncoding::Utf8, "\r\n", false};
    QCOMPARE(encodeEditorText(QStringLiteral("東京 😀"), utf8).value(),
             QStringLiteral("東京 😀").toUtf8());
}

// Byte strings built from line ends, ASCII, Shift-JIS and UTF-8 pieces and
// stray bytes: whenever a file is offered for editing, it comes back whole.
void EditorTextTest::randomBytesComeBackExactlyWhenEditable() {
    const QByteArray pieces[] = {"\r",           "\n",           "\r\n",     "a",        " ",
                                 "\x82\xa0",     "\x95\x5c",     "\x82",     "\xe3\x81", "\x82",
                                 "\xe2\x90\x8a", "\xef\xbb\xbf", "\xed\x40", "\xfa\x40", "\x00"};
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> pick(0, int(std::size(pieces)) - 1);
    std::uniform_int_distribution<int> length(0, 12);
    int editable = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        for (int n = length(random); n > 0; --n) {
            const QByteArray& piece = pieces[pick(random)];
            bytes += piece.isEmpty() ? QByteArray(1, '\0') : piece;
        }
        const DecodedText decoded = decodeEditorText(bytes);
        QVERIFY(!decoded.text.contains(u'\r'));
        if (!decoded.editable) continue;
        ++editable;
        const std::optional<QByteArray> back = encodeEditorText(decoded.text, decoded.format);
        if (!back || *back != bytes) QFAIL(qPrintable("lost bytes: " + bytes.toHex(' ')));
    }
    QVERIFY(editable > 1000);
}

QTEST_GUILESS_MAIN(EditorTextTest)
#include "EditorText_test.moc"
