#include "UnknownRequestDrop.h"

#include "UnknownRequestsView.h"

#include <QDropEvent>
#include <QWidget>

UnknownRequestDrop::UnknownRequestDrop(QWidget* target, Handler handler)
    : QObject(target), handler_(std::move(handler)) {}

UnknownRequestDrop* UnknownRequestDrop::Install(QWidget* target, Handler handler) {
    auto* drop = new UnknownRequestDrop(target, std::move(handler));
    target->setAcceptDrops(true);
    target->installEventFilter(drop);
    return drop;
}

bool UnknownRequestDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (IsUnknownRequestDrag(drag->mimeData())) drag->acceptProposedAction();
        else drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!IsUnknownRequestDrag(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        std::vector<UnknownRequestRow> rows = UnknownRequestsOfDrag(drop->mimeData());
        QMetaObject::invokeMethod(this, [this, rows = std::move(rows)] {
            if (handler_) handler_(rows);
        }, Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
