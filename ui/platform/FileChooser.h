#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// What a file chooser is asked to show.
struct FileChooserRequest {
    enum class Kind { Open, Save, Folder };  // Folder: an existing folder; filters unused
    Kind kind = Kind::Open;
    QString title;  // empty: the platform's standard title
    // "display name(patterns)", the first one selected. As in the display
    // names, the pattern "*.*" stands for every file, with an extension or
    // without one.
    QStringList filters;
    // Appended, after a ".", to a name typed without an extension. An open
    // chooser takes a typed name that exists as it is, without the suffix.
    QString defaultSuffix;
    QString initialName;  // the stored path the chooser starts from
};

// The platform's modal file choosers. A save chooser asks before an existing
// file is chosen; an open chooser does not require the name to exist.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> choose(QWidget* owner, const FileChooserRequest& request) = 0;
};
