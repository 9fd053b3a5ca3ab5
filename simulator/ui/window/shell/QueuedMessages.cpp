#include "QueuedMessages.h"

QueuedMessages::QueuedMessages(OperatorDialogs& dialogs, QObject* parent) : QObject(parent), dialogs_(dialogs) {
    connect(this, &QueuedMessages::queued, this, &QueuedMessages::ShowQueued, Qt::QueuedConnection);
    previous_ = SetMessageReporter(this);
}

QueuedMessages::~QueuedMessages() { SetMessageReporter(previous_); }

void QueuedMessages::Report(const std::string& text) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = texts_.empty();
        texts_.push_back(text);
    }
    // A queue that held texts already has its signal on the way; it shows this one too.
    if (wake) emit queued();
}

void QueuedMessages::ShowQueued() {
    if (showing_) return;
    struct Showing {
        bool& flag;
        explicit Showing(bool& f) : flag(f) { flag = true; }
        ~Showing() { flag = false; }
    } showing(showing_);
    for (;;) {
        std::string text;
        {
            std::lock_guard lock(mutex_);
            if (texts_.empty()) break;
            text = std::move(texts_.front());
            texts_.pop_front();
        }
        dialogs_.ShowMessage(text);
    }
}

std::size_t QueuedMessages::Pending() const {
    std::lock_guard lock(mutex_);
    return texts_.size();
}
