#include "core/user_messages.h"

#include <cstdio>

namespace tolven {
namespace {

class StandardErrorSink final : public MessageSink {
public:
    void showError(const std::string& text) override {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

StandardErrorSink standardErrorSink;
MessageSink* installedSink = &standardErrorSink;

}  // namespace

void setMessageSink(MessageSink* sink) { installedSink = sink ? sink : &standardErrorSink; }

MessageSink& installedMessageSink() { return *installedSink; }

void showErrorMessage(const std::string& text) { installedSink->showError(text); }

}  // namespace tolven
