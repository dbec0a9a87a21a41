#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QLineEdit;

namespace Ui {
class CExpectedDlg;
}

// The modal dialog "期待数の計算": computes an input file of expected counts
// from a strata file by indirect standardisation. The user gives the strata
// file (参照), the reference rates (単位内: each stratum's pooled rate in the
// region's unit; 全体: pooled over the file; 基準率ファイル: a rate file, with
// 参照 and the rate base, enabled only then) and the input file to write,
// proposed as the strata path cut before its last "." followed by
// "_expected.txt" whenever 参照 chooses a strata file.
//
// "作成" computes the table, writes it (replacing an old file only once the
// whole table is written), shows the summary and closes with Accepted; the
// written path is then writtenPath(). A refusal (a bad line, a missing rate, a
// file that cannot be written) shows its message and keeps the dialog open,
// with nothing written. "キャンセル", Escape and the close box write nothing.
// Every message box and chooser goes through platform().
class CExpectedDlg : public QDialog {
    Q_OBJECT
public:
    explicit CExpectedDlg(QWidget* parent = nullptr);
    ~CExpectedDlg() override;

    // The input file that 作成 wrote; empty before.
    QString writtenPath() const { return writtenPath_; }

private:
    void OnBrowseStrata();
    void OnBrowseRate();
    void OnCreate();
    void showReferenceState();
    // Runs the input chooser from `edit`'s path; a readable choice goes into
    // `edit` and is returned, else an empty text.
    QString chooseReadable(QLineEdit* edit);

    std::unique_ptr<Ui::CExpectedDlg> ui_;
    QString writtenPath_;
};
