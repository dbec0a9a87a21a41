#pragma once

#include <string>

namespace tolven {

// Where the core's failure messages go. A message is shown modally with a stop
// icon and a single OK button, captioned with the application's name; the call
// returns once the user has closed it. The core knows nothing of windows: the
// caller passes the sink to every operation that may fail (the desktop
// application one that shows a message box, the batch command one that writes
// to standard error, tests one that records).
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showError(const std::string& text) = 0;
};

// Writes each message and a line end to standard error, and flushes it.
class StandardErrorSink final : public MessageSink {
public:
    void showError(const std::string& text) override;
};

}  // namespace tolven
