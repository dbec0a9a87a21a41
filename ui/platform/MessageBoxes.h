#pragma once

#include <QString>

class QWidget;

// The program's modal message boxes. Each is captioned with the
// application's name and owned by `owner`.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A failure: stop icon, single OK button. Returns once the user closed it.
    virtual void showError(QWidget* owner, const QString& text) = 0;
    // A notice that is no failure: information icon, single OK button.
    // Returns once the user closed it.
    virtual void showInformation(QWidget* owner, const QString& text) = 0;
    // A question: question icon, Yes and No, no other way out. True on Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text) = 0;
};
