#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "ui/dialogs/EditorText.h"

namespace Ui {
class CEditorDlg;
}

// The modal editor for the input file at `inputPath` (the file system's bytes,
// as the application stores them): the user looks at the file and may correct
// it by hand and write it back over itself. It knows nothing of the file's
// format and checks nothing that is typed.
//
// The file is read when the dialog is built. Its text is shown in the file's
// own encoding and line ends (see EditorText.h), so that a save gives back
// every byte the user did not change. A file that cannot be read (or is no
// regular file), or cannot be shown without losing bytes, is reported when the
// dialog appears (the second as a notice, not as an error) and shown
// read-only, on the background of a read-only field; such a file is never
// written, and "OK" closes without a question.
//
// "OK" closes without writing while the text is unchanged. After the first
// change by the user it reads "上書き保存" and asks before it writes; a failed
// write is reported, leaves the file as it was and keeps the dialog open with
// the text. "キャンセル", Escape and the close box never write and never ask.
class CEditorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEditorDlg(const std::string& inputPath, QWidget* parent = nullptr);
    ~CEditorDlg() override;

    // True from the user's first change of the text on, for the rest of this
    // opening, even when the change is undone. Loading the file is no change.
    bool modified() const { return modified_; }
    // False when the file could not be read or shown faithfully.
    bool editable() const { return editable_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnOK();
    void OnTextChange();
    void load();
    void showReadOnly();
    bool save();
    void showError(const QString& text);

    std::unique_ptr<Ui::CEditorDlg> ui_;
    QString path_;
    tolven::EditorFormat format_;
    bool editable_ = false;
    bool loading_ = false;
    bool modified_ = false;
    bool shownOnce_ = false;
    // Reported once the dialog is on screen.
    QString openingError_;
    QString openingNotice_;
};
