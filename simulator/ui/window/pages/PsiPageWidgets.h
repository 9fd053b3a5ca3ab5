#pragma once
// The two list controls of the "&PSI" page with what they add to Qt's: the request tree takes the
// page's keys first and accepts rows dragged from the list of unknown requests; the byte grid
// hands Enter back to the page. Both can commit an edit still open in them (before Save).
#include "UnknownRequests.h"

#include <QTableWidget>
#include <QTreeWidget>

#include <functional>
#include <vector>

class RequestTreeWidget final : public QTreeWidget {
public:
    explicit RequestTreeWidget(QWidget* parent = nullptr);

    // Keys the page handles itself; true: taken.
    std::function<bool(const QKeyEvent&)> Keys;
    // Rows dropped from the list of unknown requests (file form).
    std::function<void(const std::vector<UnknownRequestRow>&)> Dropped;

    void CommitOpenEditor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

class ByteDescriptionGrid final : public QTableWidget {
public:
    explicit ByteDescriptionGrid(QWidget* parent = nullptr);

    // Enter outside a cell editor.
    std::function<void()> Enter;

    void CommitOpenEditor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
