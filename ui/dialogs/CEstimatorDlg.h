#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "run/run_outcome.h"
#include "ui/app/ApplicationState.h"
#include "ui/map/MapBoundaries.h"
#include "ui/platform/FileChooser.h"

class BackgroundRun;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Ui {
class CEstimatorDlg;
}

// The main dialog: the three file names, the result format and the commands.
// It owns the application's state: its inputPath, outputPath, logPath and
// csvOutput are the stored values, and the edits show what the user sees and
// types. They agree after a run (which copies all three edits), after
// 内容確認・修正 (the input edit) and after a chooser (one edit and its path
// together). The settings dialogs work on the state's settings, the editor
// on its inputPath, and a run on a copy of the whole state.
//
// Constructing it sets the settings to their defaults and checks "txt形式".
// 実行 and Enter run and never close the dialog; 終了, Escape and the close box
// end it. Every message box, question, chooser and viewer goes through
// platform().
class CEstimatorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEstimatorDlg(QWidget* parent = nullptr);
    ~CEstimatorDlg() override;

    // The dialog has nothing to accept: the confirming command is 実行, which
    // leaves the dialog open. Only reject() ends it.
    void accept() override;
    // Ends the dialog; during a run it stops the run first and ends once the
    // run is over.
    void reject() override;

    // The run going on, else nullptr (for tests).
    BackgroundRun* currentRun() const { return run_; }
    // The stored values and settings (tests look at them and set them).
    ApplicationState& state() { return state_; }

public slots:
    // Enabling rules. Each looks only at its own edit, so the state of 実行
    // follows the edit that changed last:
    //   input: empty disables 内容確認・修正 and 実行, otherwise enables both;
    //   output, log: empty disables 実行, otherwise enables it.
    void OnInputTextChanged();
    void OnOutputTextChanged();
    void OnLogTextChanged();

    // Input chooser; on success sets the input edit and inputPath, then
    // MakeDefaultNames. A file that cannot be read changes nothing.
    void OnBrowseInput();
    // Output and log choosers. They start from the stored path (not the edit)
    // and check that the chosen file can be written, without truncating it.
    void OnChooseOutput();
    void OnChooseLog();
    // Switch every ".csv" to ".txt" (or back) in the stored outputPath and
    // show the result in the output edit; on every click.
    void OnTxtFormat();
    void OnCsvFormat();
    // Copies the input edit into inputPath and opens the input editor, once
    // the file is known to be readable.
    void OnCheckInput();
    // Copies the edits and the format into the stored values, runs the
    // estimation and, when it succeeded, offers to show the result table and
    // the log (asked in that order, launched log first).
    void OnRun();
    void OnDetailSettings();
    // The options beyond the five settings (posterior output, the fit).
    void OnExtendedSettings();
    // The plots of the last successful run; enabled once a run has succeeded.
    void OnPlots();
    // Expected counts from age strata: the dialog 期待数の計算, whose written
    // input file becomes the input as if 参照 had chosen it. Disabled during a run.
    void OnExpectedCounts();
    void OnAbout();

protected:
    // Tab and Shift+Tab skip the format buttons, also after one of them took
    // the focus by a click.
    bool focusNextPrevChild(bool next) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    // Runs a command, unless a run goes on. The run keeps input away from the
    // dialog, but keyboard shortcuts of buttons and menu entries still reach
    // their commands, so every command goes through here (see connectCommand).
    void runCommand(void (CEstimatorDlg::*command)());
    // Connects a button's or menu entry's signal to a command, through runCommand.
    template <typename Sender, typename Signal>
    void connectCommand(Sender* sender, Signal signal, void (CEstimatorDlg::*command)());
    // Shows a chosen input file and stores it in inputPath, then MakeDefaultNames.
    void useInputFile(const QString& chosen);
    // Derives the output and log names from the chosen input path and shows them.
    void MakeDefaultNames(const QString& chosenInput);
    // Sets an edit's text so that the enabling rules see it as a change even
    // when the text stays the same.
    void setEditText(QLineEdit* edit, const QString& text);
    // Shows the text for a failed open of `path` (errno `errnum`).
    void showFileError(int errnum, const QString& path);
    // Runs a save chooser; a chosen file that can be written (checked without
    // truncating it) goes into `edit` and `storedPath`.
    void chooseOutputFile(const FileChooserRequest& request, QLineEdit* edit,
                          std::string& storedPath);

    std::unique_ptr<Ui::CEstimatorDlg> ui_;
    ApplicationState state_;
    BackgroundRun* run_ = nullptr;
    bool closeAfterRun_ = false;
    std::unique_ptr<tolven::RunOutcome> lastOutcome_;  // of the last successful run
    // The map settings and input of that run, and the boundaries read for them
    // when the graphs were first opened; read again only when the settings change.
    SpatialSettings lastSpatial_;
    std::string lastInputPath_;
    std::unique_ptr<tolven::MapBoundaries> mapBoundaries_;
};
