#pragma once
// A drop target for rows dragged from the list of unknown requests, added to any widget without
// a class of its own: the errors page and its tabs, the activations' request list. It accepts a
// drag exactly when it comes from that list, and hands the rows on once the drag has ended, so a
// message box about a refused row never holds the drag open.
#include "UnknownRequests.h"

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

class UnknownRequestDrop final : public QObject {
public:
    // The rows dropped, in file form (request, then its answers).
    using Handler = std::function<void(const std::vector<UnknownRequestRow>&)>;

    // Makes target accept such drops (for an item view, give its viewport). The filter belongs to
    // the target; a drop still queued when the target goes is dropped with it.
    static UnknownRequestDrop* Install(QWidget* target, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    UnknownRequestDrop(QWidget* target, Handler handler);

    Handler handler_;
};
