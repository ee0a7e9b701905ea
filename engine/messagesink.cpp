#include "messagesink.h"

#include <cstdio>

namespace {

MessageSink &sinkSlot()
{
    static MessageSink sink;
    return sink;
}

} // namespace

MessageSink setMessageSink(MessageSink sink)
{
    MessageSink old = std::move(sinkSlot());
    sinkSlot() = std::move(sink);
    return old;
}

void showMessage(const QString &text, MessageIcon icon)
{
    if (const MessageSink &sink = sinkSlot()) {
        sink(text, icon);
        return;
    }
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
