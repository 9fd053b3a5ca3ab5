#pragma once
// A report list of the activations page (lwActivationRequests, lwActivationAnswers): rows with
// columns and a header, whose keys the page takes first. Captions are edited only when the page
// opens the editor (column 0), and an editor still open can be committed (before a store).
// Insert without a modifier is the list's own key: it inserts a row there, and is not also the
// window's switch between overwriting and inserting (OwnsKey tells the window's key preview).
#include <QTreeWidget>

#include <functional>
#include <vector>

class ReportList final : public QTreeWidget {
public:
    explicit ReportList(QWidget* parent = nullptr);

    // Keys the page handles itself; true: taken.
    std::function<bool(const QKeyEvent&)> Keys;
    // Whether a key pressed in this list is the list's alone, so the window does not act on it.
    static bool OwnsKey(const QKeyEvent& event);

    // The indices of the selected rows, in order.
    std::vector<int> SelectedRows() const;
    int CurrentRow() const;
    void CommitOpenEditor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
