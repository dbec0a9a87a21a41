#include "ui/CAboutDlg.h"

#include "ui/ApplicationIcon.h"
#include "ui_CAboutDlg.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CAboutDlg>()) {
    ui->setupUi(this);
    // A modal frame: fixed size, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->iconLabel->setPixmap(applicationIcon().pixmap(32, 32));
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
