#include "ui/CEditorDlg.h"

CEditorDlg::CEditorDlg(QWidget* parent) : QDialog(parent) {}
