#pragma once
// A report list of the activations page (lwActivationRequests, lwActivationAnswers): rows with
// columns and a header, whose keys the page takes first. Captions are edited only when the page
// opens the editor (column 0), and an editor still open can be committed (before a store).
#include <QTreeWidget>

#include <functional>
#include <vector>

class ReportList final : public QTreeWidget {
public:
    explicit ReportList(QWidget* parent = nullptr);

    // Keys the page handles itself; true: taken.
    std::function<bool(const QKeyEvent&)> Keys;

    // The indices of the selected rows, in order.
    std::vector<int> SelectedRows() const;
    int CurrentRow() const;
    void CommitOpenEditor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
