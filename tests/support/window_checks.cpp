#include "window_checks.h"

#include <QAbstractScrollArea>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace korvex::fixtures {

std::string x11Title(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return "(not on X11)";
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    const xcb_atom_t name = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()), name, utf8, 0, 1024),
        nullptr);
    if (reply == nullptr) return "(no reply)";
    const std::string title(static_cast<const char*>(xcb_get_property_value(reply)),
                            static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return title;
}

std::string titleOfBoxShownBy(const std::function<void()>& show) {
    std::string title = "(no box)";
    QTimer::singleShot(0, [&title] {
        QWidget* box = nullptr;
        if (QTest::qWaitFor([&box] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }) &&
            QTest::qWaitForWindowExposed(box)) {
            title = x11Title(*box);
        }
        if (box != nullptr) box->close();
    });
    show();
    return title;
}

int captionOverflow(const QWidget& widget) {
    if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        return box->fontMetrics().horizontalAdvance(box->text()) - room.width();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label != nullptr && label->wordWrap())
        return label->heightForWidth(label->width()) - label->height();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->fontMetrics().horizontalAdvance(label->text()) - label->contentsRect().width() +
               2 * label->margin();
    if (const auto* button = qobject_cast<const QPushButton*>(&widget))
        return button->sizeHint().width() - button->width();
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.textAlignment = group->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        option.lineWidth = 1;
        const QRect title =
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        return title.right() - (group->width() - 1);
    }
    return 0;
}

void expectCaptionsAndControlsFit(QWidget& root) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        if (!widget->isVisible() || widget->window() != root.window()) continue;
        const QString name = widget->objectName().isEmpty() ? widget->metaObject()->className() : widget->objectName();
        EXPECT_LE(captionOverflow(*widget), 0) << name.toStdString();
        // A widget in a scroll area is meant to reach past its viewport.
        const auto* area = widget->isWindow()
                               ? nullptr
                               : qobject_cast<const QAbstractScrollArea*>(widget->parentWidget()->parentWidget());
        const bool scrolled = area != nullptr && area->viewport() == widget->parentWidget();
        if (!widget->isWindow() && !scrolled) {
            EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
                << name.toStdString() << " reaches outside its parent";
        }
        for (QWidget* sibling : widgets)
            if (sibling != widget && sibling->parentWidget() == widget->parentWidget() && sibling->isVisible()) {
                EXPECT_FALSE(sibling->geometry().intersects(widget->geometry()))
                    << name.toStdString() << " overlaps " << sibling->objectName().toStdString();
            }
    }
}

double litShare(const QImage& image) {
    long lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) lit += image.pixelColor(x, y) != QColor(Qt::black) ? 1 : 0;
    return image.isNull() ? 0.0 : static_cast<double>(lit) / (image.width() * image.height());
}

}  // namespace korvex::fixtures
