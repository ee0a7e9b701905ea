#pragma once

#include <QString>

#include <functional>

// Code without a window (the engine, the amount in words) reports what a user must see through
// this sink. The calculator installs a message box; tallyer-cli installs stderr. With no sink
// installed the message goes to stderr.
enum class MessageIcon { Information, Exclamation, Critical };

using MessageSink = std::function<void(const QString &text, MessageIcon icon)>;

// Installs a sink and returns the previous one.
MessageSink setMessageSink(MessageSink sink);

void showMessage(const QString &text, MessageIcon icon);
