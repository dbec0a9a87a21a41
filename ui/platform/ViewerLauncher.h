#pragma once

#include <QString>

// Shows a finished file to the user in a viewer program, without waiting for
// it and without reporting whether a viewer could be started.
class ViewerLauncher {
public:
    enum class Viewer { TextEditor, Spreadsheet };
    virtual ~ViewerLauncher() = default;
    virtual void open(Viewer viewer, const QString& path) = 0;
};
