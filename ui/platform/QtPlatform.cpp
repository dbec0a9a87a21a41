// The Qt implementations of the platform services, and the registry that lets
// tests replace them.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

#include "ui/platform/Platform.h"

namespace tolven {
namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    void showError(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, applicationName(), text, QMessageBox::Ok, owner);
        box.exec();
    }

    void showInformation(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Information, applicationName(), text, QMessageBox::Ok, owner);
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
        if (request.kind == FileChooserRequest::Kind::Folder) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            if (!request.initialName.isEmpty()) dialog.setDirectory(request.initialName);
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            return dialog.selectedFiles().first();
        }
        const bool save = request.kind == FileChooserRequest::Kind::Save;
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // The open chooser does not require the typed name to exist either.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(request.filters);
        listEveryFileForStarDotStar(dialog);
        // Qt would add the suffix before the open chooser could see whether
        // the name exists as typed; that chooser adds it itself below.
        if (save) dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.initialName.isEmpty()) {
            const QFileInfo initial(request.initialName);
            if (request.initialName.contains(QLatin1Char('/')))
                dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(initial.fileName());
        }
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return std::nullopt;
        if (save) return chosen.first();
        return withDefaultSuffix(chosen.first(), request.defaultSuffix);
    }

private:
    // A name that exists as typed is taken as it is ("counts" for a file
    // without an extension); otherwise a name without an extension gets the
    // default suffix, as in the save choosers.
    static QString withDefaultSuffix(const QString& path, const QString& suffix) {
        const QFileInfo typed(path);
        if (suffix.isEmpty() || typed.exists() || typed.fileName().contains(QLatin1Char('.')))
            return path;
        return path + QLatin1Char('.') + suffix;
    }

    // The patterns of a filter, "display name(patterns)", with "*.*" as "*".
    // Empty when the filter holds no "*.*": then Qt's own reading stands.
    static QStringList everyFilePatterns(const QString& filter) {
        const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
        if (open < 0 || !filter.endsWith(QLatin1Char(')'))) return {};
        QStringList patterns =
            filter.mid(open + 1, filter.size() - open - 2)
                .split(QRegularExpression(QStringLiteral("[ ;]+")), Qt::SkipEmptyParts);
        if (!patterns.contains(QStringLiteral("*.*"))) return {};
        for (QString& pattern : patterns)
            if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        return patterns;
    }

    // In a filter's display name "*.*" means every file, as on Windows, but
    // Qt reads it as "names with a dot" and would hide a file such as
    // "counts". The chooser's file list is filtered by its file system
    // model, which is given the patterns with "*.*" read as "*" whenever such
    // a filter is selected; the filter's text stays as shown.
    static void listEveryFileForStarDotStar(QFileDialog& dialog) {
        auto* files = dialog.findChild<QFileSystemModel*>();
        if (!files) return;
        const auto apply = [files](const QString& filter) {
            const QStringList patterns = everyFilePatterns(filter);
            if (!patterns.isEmpty()) files->setNameFilters(patterns);
        };
        apply(dialog.selectedNameFilter());
        QObject::connect(&dialog, &QFileDialog::filterSelected, files, apply);
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

}  // namespace tolven
