#pragma once

#include <string>

namespace tolven {

// Where the core's failure messages go. A message is shown modally with a stop
// icon and a single OK button, captioned with the application's name; the call
// returns once the user has closed it. The core knows nothing of windows: the
// desktop application installs a sink that shows a message box, the batch
// command keeps the default (standard error), tests install one that records.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showError(const std::string& text) = 0;
};

// Installs the sink for every later message; nullptr restores the default,
// which writes the text and a line end to standard error.
void setMessageSink(MessageSink* sink);

// The sink installed now (the standard-error one when none was installed).
MessageSink& installedMessageSink();

// Shows one failure message through the installed sink.
void showErrorMessage(const std::string& text);

}  // namespace tolven
