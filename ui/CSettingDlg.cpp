#include "ui/CSettingDlg.h"

CSettingDlg::CSettingDlg(QWidget* parent) : QDialog(parent) {}
