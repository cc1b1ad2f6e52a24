#pragma once
// Driving widgets as a user does: the mouse, editing a list item in place,
// and answering a dialog that a command shows modally (the answer is queued
// to run inside the dialog's own event loop).

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

namespace korvex::fixtures {

// Runs `command`, which may show `dialog` modally, and `whileShown` once it
// is up; the dialog is cancelled should `whileShown` leave it open. Answers
// whether the dialog was shown; a command that returns without showing it
// costs no waiting.
inline bool whileModal(QDialog& dialog, const std::function<void()>& command, const std::function<void()>& whileShown) {
    bool reached = false;
    bool returned = false;
    QTimer::singleShot(0, &dialog, [&] {
        if (QTest::qWaitFor([&] { return returned || (dialog.isVisible() && dialog.isModal()); }, 2000) && !returned) {
            reached = true;
            whileShown();
            if (dialog.isVisible()) dialog.reject();
        }
    });
    command();
    returned = true;
    // The queued answer runs now should the command not have shown the dialog.
    QCoreApplication::processEvents();
    return reached;
}

// A press, a move with the button held, or a release of `button` at `at` in `target`.
inline void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at,
                      Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, keys);
    QApplication::sendEvent(target, &event);
}

// Edits the caption of `list`'s item `row` in place to `text` and presses
// Return. Answers false when no editor opened.
inline bool editItemText(QListWidget& list, int row, const QString& text) {
    list.editItem(list.item(row));
    auto* editor = list.viewport()->findChild<QLineEdit*>();
    if (editor == nullptr) return false;
    editor->setText(text);
    // What the editor's delegate does when Return is pressed.
    emit list.itemDelegate()->commitData(editor);
    emit list.itemDelegate()->closeEditor(editor);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return true;
}

// Drags `files` over `target` (at `where`, its middle by default) and drops
// them there, as a file manager does; answers whether the drop was taken.
inline bool dropFiles(QWidget& target, const QList<QUrl>& files, std::optional<QPoint> where = std::nullopt) {
    QMimeData data;
    data.setUrls(files);
    const QPoint at = where.value_or(target.rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &dropped);
    QCoreApplication::processEvents();
    return dropped.isAccepted();
}

}  // namespace korvex::fixtures
