#pragma once
// The window's one-line hex editor: a line edit whose every key goes through the shared key logic
// (HexKeyMachine), so the four hex editors of the window behave alike; Tab too, which the key
// logic refuses as it refuses Home (a modifier key alone it lets pass without a beep). The
// editor's owner takes the keys it handles itself first (Enter and Esc of the request tree's data
// editor, say) through the own-keys hook; every other key is the machine's.
//
// Only keys edit it: no context menu, no drops, no input method, so nothing but hex digits in
// pairs gets in. The length limit of "Lock Length" lives in the machine (a line edit's own limit
// would cut a longer text that is set).
#include "HexKeyMachine.h"

#include <QLineEdit>

#include <functional>
#include <string>

class HexLineEdit final : public QLineEdit {
    Q_OBJECT
public:
    // overwrite: the window's mode at the moment of each key (true: overwrite, false: insert).
    explicit HexLineEdit(std::function<bool()> overwrite, QWidget* parent = nullptr);

    // Keys the owner handles before the key logic; true: taken, the editor does nothing more.
    void SetOwnKeys(std::function<bool(const QKeyEvent&)> ownKeys) { ownKeys_ = std::move(ownKeys); }
    // Where a failure of the key logic is shown ("<name>KeyDown function error:\n" + message).
    void SetFailureSink(std::function<void(const std::string&)> sink) { failures_ = std::move(sink); }
    // Lock Length: the most characters typing may make; 0: no limit.
    void SetLengthLimit(int characters) { limit_ = characters; }
    int LengthLimit() const { return limit_; }
    // The caret as the key logic sees it: the start of the selection when there is one.
    int Caret() const;
    // Times a refused key beeped.
    int Beeps() const { return beeps_; }

    // How a Qt key reaches the key logic.
    static HexKeyPress PressOf(const QKeyEvent& event);

signals:
    // A key changed the text (not setText).
    void hexEdited(const QString& text);
    // A key was released, after the text was re-formed.
    void keyReleased(int key);
    void entered();
    void left();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    HexEditorState ReadState() const;
    void WriteState(const HexEditorState& state);
    void Fail(const char* phase, const std::exception& e);

    std::function<bool()> overwrite_;
    std::function<bool(const QKeyEvent&)> ownKeys_;
    std::function<void(const std::string&)> failures_;
    HexKeyMachine machine_;
    int limit_ = 0;
    int beeps_ = 0;
};
