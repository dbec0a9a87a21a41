#include "ui/dialogs/CAboutDlg.h"

#include "ui/app/ApplicationIcon.h"
#include "ui_CAboutDlg.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    // A modal frame: fixed size, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui_->iconLabel->setPixmap(tolven::applicationIcon().pixmap(32, 32));
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
