#include "ui/app/CEstimatorApp.h"

#include <QApplication>
#include <QLibraryInfo>

#include "ui/app/ApplicationIcon.h"
#include "ui/dialogs/CEstimatorDlg.h"

CEstimatorApp::CEstimatorApp() = default;

CEstimatorApp::~CEstimatorApp() = default;

int CEstimatorApp::InitInstance() {
    // Qt's own buttons and the file chooser speak Japanese like the rest of
    // the program. Without the translation they stay in English.
    if (qtTexts_.load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts_);
    QApplication::setFont(QFont(QStringLiteral("VL Gothic"), 9));
    QApplication::setWindowIcon(tolven::applicationIcon());

    CEstimatorDlg dialog;
    dialog.exec();  // its result means nothing
    return 0;
}

bool CEstimatorApp::displayAvailable(const char* qpaPlatform, const char* display,
                                     const char* waylandDisplay) {
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    (void)qpaPlatform;
    (void)display;
    (void)waylandDisplay;
    return true;
#else
    const auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
    return set(qpaPlatform) || set(display) || set(waylandDisplay);
#endif
}
