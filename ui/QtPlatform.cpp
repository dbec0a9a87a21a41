// The Qt implementations of the platform services, and the registry that lets
// tests replace them.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "ui/Platform.h"

namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, applicationName(), text, QMessageBox::Ok, owner);
        box.exec();
    }

    bool askYesNo(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Question, applicationName(), text,
                        QMessageBox::Yes | QMessageBox::No, owner);
        return box.exec() == QMessageBox::Yes;
    }
};

class QtFileChooser final : public FileChooser {
public:
    std::optional<QString> choose(QWidget* owner, const FileChooserRequest& request) override {
        QFileDialog dialog(owner, request.title);
        // Qt's own chooser everywhere: the same look and texts on every
        // desktop, and one that tests can drive.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const bool save = request.kind == FileChooserRequest::Kind::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // The open chooser does not require the typed name to exist either.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(request.filters);
        dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.initialName.isEmpty()) {
            const QFileInfo initial(request.initialName);
            if (request.initialName.contains(QLatin1Char('/')))
                dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(initial.fileName());
        }
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return std::nullopt;
        return chosen.first();
    }
};

class QtViewerLauncher final : public ViewerLauncher {
public:
    void open(Viewer, const QString& path) override {
        // The desktop's default opener for the file's type; it returns at once
        // and its result says little, so it is not looked at. A name typed
        // without a folder was written in the working folder; as a relative
        // file URL the opener would not find it.
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }
};

QtMessageBoxes qtMessageBoxes;
QtFileChooser qtFileChooser;
QtViewerLauncher qtViewerLauncher;

Platform& installed() {
    static Platform services{&qtMessageBoxes, &qtFileChooser, &qtViewerLauncher};
    return services;
}

}  // namespace

Platform& platform() { return installed(); }

void setPlatform(const Platform& services) {
    Platform& current = installed();
    current.messageBoxes = services.messageBoxes ? services.messageBoxes : &qtMessageBoxes;
    current.fileChooser = services.fileChooser ? services.fileChooser : &qtFileChooser;
    current.viewerLauncher = services.viewerLauncher ? services.viewerLauncher : &qtViewerLauncher;
}

QString applicationName() {
    const QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty()) return QStringLiteral("TOLVEN");
    return QFileInfo(path).completeBaseName();
}
