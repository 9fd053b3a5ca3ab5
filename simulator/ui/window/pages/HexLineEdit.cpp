#include "HexLineEdit.h"

#include "Exception.h"

#include <QApplication>
#include <QKeyEvent>

HexLineEdit::HexLineEdit(std::function<bool()> overwrite, QWidget* parent)
    : QLineEdit(parent), overwrite_(std::move(overwrite)) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

HexKeyPress HexLineEdit::PressOf(const QKeyEvent& event) {
    const int key = event.key();
    // A modifier alone is half of the key it modifies (Shift for an upper-case digit), whatever
    // modifiers the platform reports with it.
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
        return {HexKey::Modifier};
    default: break;
    }
    // With Ctrl or Alt a letter is a command, not a digit (Ctrl+C must not type a c).
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {HexKey::Other};
    switch (key) {
    case Qt::Key_Backspace: return {HexKey::Backspace};
    case Qt::Key_Delete: return {HexKey::Delete};
    case Qt::Key_Left: return {HexKey::Left};
    case Qt::Key_Right: return {HexKey::Right};
    case Qt::Key_Up: return {HexKey::Up};
    case Qt::Key_Down: return {HexKey::Down};
    default: break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return {HexKey::Digit, static_cast<char>('0' + (key - Qt::Key_0))};
    if (key >= Qt::Key_A && key <= Qt::Key_F) return {HexKey::Digit, static_cast<char>('a' + (key - Qt::Key_A))};
    return {HexKey::Other};
}

int HexLineEdit::Caret() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

HexEditorState HexLineEdit::ReadState() const {
    return {text().toStdString(), Caret(), hasSelectedText() ? static_cast<int>(selectedText().size()) : 0, limit_};
}

void HexLineEdit::WriteState(const HexEditorState& state) {
    const QString text = QString::fromStdString(state.Text);
    if (text != this->text()) setText(text);
    deselect();
    if (state.SelLength > 0) setSelection(state.Caret, state.SelLength);
    else setCursorPosition(state.Caret);
}

void HexLineEdit::Fail(const char* phase, const std::exception& e) {
    const std::string message = objectName().toStdString() + phase + ExceptionMessage(e);
    if (failures_) failures_(message);
}

bool HexLineEdit::event(QEvent* event) {
    // Tab and Shift+Tab are keys like any other here: refused, so they do not move the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void HexLineEdit::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (ownKeys_ && ownKeys_(*event)) return;
    if (isReadOnly()) return;
    try {
        machine_.SetState(ReadState());
        const HexKeyOutcome outcome = machine_.KeyDown(PressOf(*event), overwrite_ && overwrite_());
        WriteState(machine_.State());
        if (outcome.Beep) {
            ++beeps_;
            QApplication::beep();
        }
        if (outcome.TextChanged) emit hexEdited(text());
    } catch (const std::exception& e) {
        Fail("KeyDown function error:\n", e);
    }
}

void HexLineEdit::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats its press; the text is re-formed once, when it is let go.
    if (event->isAutoRepeat() || isReadOnly()) return;
    try {
        machine_.SetState(ReadState());
        const HexKeyOutcome outcome = machine_.KeyUp(PressOf(*event).Key);
        WriteState(machine_.State());
        if (outcome.TextChanged) emit hexEdited(text());
    } catch (const std::exception& e) {
        Fail("KeyUp function error:\n", e);
    }
    emit keyReleased(event->key());
}

void HexLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit entered();
}

void HexLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit left();
}
