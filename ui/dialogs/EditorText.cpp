#include "ui/dialogs/EditorText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace tolven {

namespace {

constexpr QChar CR_MARK(0x240D);
constexpr QChar LF_MARK(0x240A);
constexpr QChar NUL_MARK(0x2400);
// Characters that a text document turns into a block separator, so that they
// come back as line breaks.
constexpr QChar FRAME_START(0xFDD0);
constexpr QChar FRAME_END(0xFDD1);

// The Windows code page 932 table (ICU's "windows-31j"). Qt's own list of
// encodings has no Shift-JIS; it reaches this one by name only.
constexpr const char* SHIFT_JIS_NAME = "Shift_JIS";

// Stateless: a lead byte at the very end would otherwise be held back for a
// next call that never comes, and silently dropped.
QStringDecoder decoderFor(EditorEncoding encoding) {
    if (encoding == EditorEncoding::Utf8)
        // A leading byte order mark is content like any other and must survive.
        return QStringDecoder(
            QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return QStringDecoder(SHIFT_JIS_NAME, QStringConverter::Flag::Stateless);
}

QStringEncoder encoderFor(EditorEncoding encoding) {
    if (encoding == EditorEncoding::Utf8)
        return QStringEncoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return QStringEncoder(SHIFT_JIS_NAME, QStringConverter::Flag::Stateless);
}

std::optional<QByteArray> encodeAs(const QString& text, EditorEncoding encoding) {
    QStringEncoder encoder = encoderFor(encoding);
    if (!encoder.isValid()) return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes;
}

// The text only when decoding gives no error and encoding gives back the very
// same bytes. Some code page 932 characters have two byte forms (the NEC
// selection of IBM extensions), and only one comes back.
std::optional<QString> decodeExactly(const QByteArray& bytes, EditorEncoding encoding) {
    QStringDecoder decoder = decoderFor(encoding);
    if (!decoder.isValid()) return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    const std::optional<QByteArray> back = encodeAs(text, encoding);
    if (!back || *back != bytes) return std::nullopt;
    return text;
}

// For a file that cannot be edited: the best picture of it there is.
QString decodeForShowing(const QByteArray& bytes, EditorEncoding encoding) {
    QStringDecoder decoder = decoderFor(encoding);
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// CR and LF are single bytes, and never part of a multibyte character, in
// both encodings, so this is also the first line end of the bytes.
QByteArray firstLineEnd(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? QByteArrayLiteral("\r\n")
                                                               : QByteArrayLiteral("\r");
        if (text[i] == u'\n') return QByteArrayLiteral("\n");
    }
    return QByteArrayLiteral("\r\n");
}

// Line ends of the kind `lineEnd` become '\n', every other CR or LF a mark.
QString showLineEnds(const QString& text, const QByteArray& lineEnd, bool& marked) {
    const QString own = QString::fromLatin1(lineEnd);
    QString shown;
    shown.reserve(text.size());
    marked = false;
    for (qsizetype i = 0; i < text.size();) {
        if (QStringView(text).sliced(i).startsWith(own)) {
            shown += u'\n';
            i += own.size();
            continue;
        }
        const QChar c = text[i++];
        if (c == u'\r') {
            shown += CR_MARK;
            marked = true;
        } else if (c == u'\n') {
            shown += LF_MARK;
            marked = true;
        } else {
            shown += c;
        }
    }
    return shown;
}

bool holdsBreakingCharacter(const QString& text) {
    return text.contains(QChar::ParagraphSeparator) || text.contains(FRAME_START) ||
           text.contains(FRAME_END);
}

}  // namespace

DecodedText decodeEditorText(const QByteArray& bytes) {
    DecodedText result;
    std::optional<QString> text = decodeExactly(bytes, EditorEncoding::Utf8);
    if (!text) {
        result.format.encoding = EditorEncoding::ShiftJis;
        text = decodeExactly(bytes, EditorEncoding::ShiftJis);
    }
    result.editable = text.has_value() && !bytes.contains('\0') && !holdsBreakingCharacter(*text);
    QString content = text ? *std::move(text) : decodeForShowing(bytes, result.format.encoding);
    // The text area would cut the text at a NUL; a visible sign shows where it is.
    content.replace(QChar(0), NUL_MARK);

    result.format.lineEnd = firstLineEnd(content);
    result.text = showLineEnds(content, result.format.lineEnd, result.format.lineEndMarks);
    // A mark that was already in the file could not be told from a marked line end.
    if (result.format.lineEndMarks && (content.contains(CR_MARK) || content.contains(LF_MARK)))
        result.editable = false;
    return result;
}

std::optional<QByteArray> encodeEditorText(const QString& text, const EditorFormat& format) {
    const QString lineEnd = QString::fromLatin1(format.lineEnd);
    QString content;
    content.reserve(text.size() + text.size() / 16);
    for (const QChar c : text) {
        if (c == u'\n' || c == QChar::ParagraphSeparator)
            content += lineEnd;
        else if (format.lineEndMarks && c == CR_MARK)
            content += u'\r';
        else if (format.lineEndMarks && c == LF_MARK)
            content += u'\n';
        else
            content += c;
    }
    return encodeAs(content, format.encoding);
}

QString encodingName(EditorEncoding encoding) {
    return encoding == EditorEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift-JIS");
}

}  // namespace tolven
