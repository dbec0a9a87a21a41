#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How the input editor turns a file's bytes into the text it shows, and the
// edited text back into bytes, so that whatever the user did not change is
// written back byte for byte.
//
// Encoding: UTF-8 when the bytes are valid UTF-8 (plain ASCII and an empty
// file included; a leading byte order mark is kept as text), otherwise
// Shift-JIS (Windows code page 932 with the NEC and IBM extensions). The text
// is written back in the encoding it was read in.
//
// Line ends: the text area knows a single kind of line break. It stands for
// the file's own line end, which is the first line end in the file (CR LF, LF
// or a lone CR), and CR LF for a file that has none yet. Every CR or LF byte
// that is not part of a line end of that kind (possible only in a file that
// mixes kinds) is shown as a visible mark, U+240D "␍" for CR and U+240A "␊"
// for LF, and written back as that byte. The marks carry this meaning only in
// such a mixed file; elsewhere they are ordinary characters.
//
// Some files cannot be shown without losing bytes: files with NUL bytes,
// files that are neither valid UTF-8 nor give back the same bytes through
// Shift-JIS, and files holding a character the text area itself turns into a
// line break (U+2029, U+FDD0, U+FDD1), or a literal mark in a mixed file.
// Such a file is shown as well as can be done but is not editable.

namespace tolven {

enum class EditorEncoding { Utf8, ShiftJis };

// How a text is to be written back.
struct EditorFormat {
    EditorEncoding encoding = EditorEncoding::Utf8;
    QByteArray lineEnd = QByteArrayLiteral("\r\n");  // what a line break is written as
    bool lineEndMarks = false;                       // U+240D / U+240A stand for CR / LF
};

struct DecodedText {
    QString text;  // line breaks as '\n'; never holds a '\r'
    EditorFormat format;
    // False when writing the text back would not give the file's bytes: the
    // file is to be shown only.
    bool editable = true;
};

DecodedText decodeEditorText(const QByteArray& bytes);

// The bytes of `text` in `format`. Line breaks may be '\n' or U+2029 (the
// block separator of a text document's raw text). Empty when the text holds a
// character that the format's encoding cannot represent.
std::optional<QByteArray> encodeEditorText(const QString& text, const EditorFormat& format);

// The encoding's name as the user is told it: "UTF-8" or "Shift-JIS".
QString encodingName(EditorEncoding encoding);

}  // namespace tolven
