#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CAboutDlg;
}

// The version-information dialog: icon, program name and version, copyright.
// It has no commands of its own; OK, Escape and the close box close it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
};
