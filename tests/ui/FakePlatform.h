#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "ui/platform/Platform.h"

// Platform services that record what the dialogs asked and answer from a
// script, so tests can drive every question and chooser without a human.
class FakeMessageBoxes final : public MessageBoxes {
public:
    void showError(QWidget*, const QString& text) override { errors.push_back(text); }
    void showInformation(QWidget*, const QString& text) override { notices.push_back(text); }

    // Answers the next question from `answers` (front first); No when empty.
    bool askYesNo(QWidget*, const QString& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    std::vector<QString> errors;
    std::vector<QString> notices;
    std::vector<QString> questions;
    std::deque<bool> answers;
};

class FakeFileChooser final : public FileChooser {
public:
    // Answers the next chooser from `answers`; cancel when empty or nullopt.
    std::optional<QString> choose(QWidget*, const FileChooserRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        // Moved out by value rather than copied as an optional: g++ 12 warns
        // falsely (maybe-uninitialized) about copying an optional<QString>.
        const bool chosen = answers.front().has_value();
        QString answer = chosen ? std::move(*answers.front()) : QString();
        answers.pop_front();
        if (!chosen) return std::nullopt;
        return answer;
    }

    std::vector<FileChooserRequest> requests;
    std::deque<std::optional<QString>> answers;
};

class FakeViewerLauncher final : public ViewerLauncher {
public:
    void open(Viewer viewer, const QString& path) override { launches.emplace_back(viewer, path); }

    std::vector<std::pair<Viewer, QString>> launches;
};

// Installs the three fakes for the life of the object.
struct FakePlatform {
    FakeMessageBoxes messageBoxes;
    FakeFileChooser fileChooser;
    FakeViewerLauncher viewerLauncher;

    FakePlatform() { tolven::setPlatform(Platform{&messageBoxes, &fileChooser, &viewerLauncher}); }
    ~FakePlatform() { tolven::setPlatform(Platform{}); }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;
};
