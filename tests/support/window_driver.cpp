#include "support/window_driver.h"

#include "services/window/commands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

QWidget* WidgetOf(Window& window, const char* control) {
    QWidget* widget = window.control(T(control)).widget();
    if (!widget) ADD_FAILURE() << "window " << window.id() << " has no control " << control;
    return widget;
}

QAction* FindAction(QMenu& menu, const QString& caption) {
    for (QAction* action : menu.actions()) {
        if (action->text() == caption) return action;
        if (QMenu* sub = action->menu())
            if (QAction* found = FindAction(*sub, caption)) return found;
    }
    return nullptr;
}

}  // namespace

void WindowDriver::typeText(QWidget* widget, const QString& text) {
    QString committed;
    const auto commit = [&] {
        if (committed.isEmpty()) return;
        QInputMethodEvent event;
        event.setCommitString(committed);
        QApplication::sendEvent(widget, &event);
        committed.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            commit();
            QTest::keyClick(widget, c.toLatin1());
        } else {
            committed += c;
        }
    }
    commit();
}

void WindowDriver::type(Window& window, const char* control, const std::string& utf8) {
    QWidget* widget = WidgetOf(window, control);
    if (!widget) return;
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        widget = combo->lineEdit();
        ASSERT_NE(widget, nullptr) << control << " does not take typed text now";
    }
    // Whatever the box holds is selected and deleted first, as a user would.
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Backspace);
    typeText(widget, QString::fromStdString(utf8));
}

void WindowDriver::pressKey(Window& window, const char* control, Qt::Key key) {
    if (QWidget* widget = WidgetOf(window, control)) QTest::keyClick(widget, key);
}

void WindowDriver::pressKey(Window& window, Qt::Key key) {
    ASSERT_NE(window.widget(), nullptr) << window.id();
    QTest::keyClick(window.widget(), key);
}

void WindowDriver::click(Window& window, const char* control) {
    QWidget* widget = WidgetOf(window, control);
    if (!widget) return;
    ASSERT_TRUE(widget->isEnabled()) << control << " is disabled";
    QTest::mouseClick(widget, Qt::LeftButton);
}

void WindowDriver::chooseItem(Window& window, const char* comboBox, const std::string& utf8) {
    auto* combo = qobject_cast<QComboBox*>(WidgetOf(window, comboBox));
    ASSERT_NE(combo, nullptr) << comboBox << " is no combo box";
    const int index = combo->findText(QString::fromStdString(utf8));
    ASSERT_GE(index, 0) << comboBox << " has no item " << utf8;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

std::vector<std::string> WindowDriver::itemsOf(Window& window, const char* comboBox) {
    std::vector<std::string> items;
    if (auto* combo = qobject_cast<QComboBox*>(WidgetOf(window, comboBox)))
        for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
    return items;
}

void WindowDriver::chooseMenuItem(Window& window, const char* menu, const char* caption) {
    // The pop-up runs its own loop; the choice is made from inside it. The
    // state outlives this call in case the menu never shows and the timer
    // fires later.
    auto chosen = std::make_shared<bool>(false);
    const QString wanted = QString::fromUtf8(caption);
    QTimer::singleShot(0, [chosen, wanted] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup) return;
        if (QAction* action = FindAction(*popup, wanted); action && action->isEnabled()) {
            action->trigger();
            *chosen = true;
        }
        popup->close();
    });
    PopupMenu(&window, T(menu));
    ASSERT_TRUE(*chosen) << "no enabled item " << caption << " in menu " << menu;
    settle();
}

std::string WindowDriver::textOf(Window& window, const char* control) {
    return window.control(T(control)).text().toUtf8();
}

void WindowDriver::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void WindowDriver::closeAllWindows() {
    // Bounded: a window that refuses to go must not hang the caller.
    for (int guard = 0; guard < 50 && !LoadedWindows().empty(); ++guard) DestroyWindow(LoadedWindows().back(), true);
    settle();
}
