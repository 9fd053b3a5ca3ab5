#pragma once
// The message reporter the window installs for the engine's side: a text raised on any thread is
// queued at once (the engine's thread never waits for an operator) and a queued signal has the
// window's thread show the queue, one box after another, through the operator's dialogs.
#include "MessageSink.h"
#include "OperatorDialogs.h"

#include <QObject>

#include <deque>
#include <mutex>
#include <string>

class QueuedMessages final : public QObject, public MessageReporter {
    Q_OBJECT
public:
    explicit QueuedMessages(OperatorDialogs& dialogs, QObject* parent = nullptr);
    ~QueuedMessages() override; // puts the previous reporter back

    // Any thread; returns at once.
    void Report(const std::string& text) override;
    // The window's thread: shows what is queued. A box that is open already keeps the others
    // queued behind it, so boxes never pile up inside each other.
    void ShowQueued();
    std::size_t Pending() const;

signals:
    void queued();

private:
    OperatorDialogs& dialogs_;
    MessageReporter* previous_ = nullptr;
    mutable std::mutex mutex_;
    std::deque<std::string> texts_;
    bool showing_ = false; // the window's thread only
};
