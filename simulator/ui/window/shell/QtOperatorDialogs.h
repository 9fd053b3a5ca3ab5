#pragma once
// The operator's dialogs with Qt's message boxes, input dialog and file dialogs. Every call comes
// on the window's thread and returns when the operator has answered.
#include "OperatorDialogs.h"

#include <QString>

class QWidget;

// "Text files (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf" as Qt's "Text files (*.txt);;Rich Text
// Format (*.rtf)": each description, with its pattern added when the description does not show it.
QString QtFileFilter(const std::string& filter);

// The extension of a filter's pattern ("txt" of "*.txt"), empty for "*" or "*.*".
QString FilterExtension(const QString& qtFilter);

class QtOperatorDialogs final : public OperatorDialogs {
public:
    // Boxes are shown over the parent (which may be set later) with the title as their caption.
    explicit QtOperatorDialogs(QString title) : title_(std::move(title)) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
    void ShowMessage(const std::string& text) override;
    void Warning(const std::string& text) override;
    std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                        const std::string& preset) override;
    bool Confirm(const std::string& question) override;

private:
    QString title_;
    QWidget* parent_ = nullptr;
};
