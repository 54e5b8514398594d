#include "shell/HelpContexts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <array>
#include <string_view>

namespace nebu {

namespace {

struct ContextEntry {
    std::string_view window;   // object name of the top-level window
    std::string_view control;  // object name inside it; empty: the window itself
    int context;
};

// Controls that inherit their window's number (the directory groups, trees,
// lists and their options, the delete options, 開始, 終了, 条件詳細設定) need
// no entry of their own.
constexpr std::array kContexts{
    ContextEntry{"TMain_from", "", 10},
    ContextEntry{"TMain_from", "CheckLog", 11},
    ContextEntry{"TMain_from", "CheckHidden", 11},
    ContextEntry{"TMain_from", "CheckSystem", 11},
    ContextEntry{"TMain_from", "CheckDelDir", 11},
    ContextEntry{"TMain_from", "CheckTrash", 11},
    ContextEntry{"TMain_from", "DiffListChk", 11},
    ContextEntry{"TMain_from", "ArcChk1", 20},
    ContextEntry{"TMain_from", "ArcChk2", 20},
    ContextEntry{"TTermsF", "", 4},
};

constexpr std::array<std::pair<std::string_view, int>, 3> kMenuContexts{{
    {"File1", 8},
    {"settei", 9},
    {"help", 54},
}};

int Lookup(const QString& window, const QString& control) {
    const QByteArray w = window.toUtf8();
    const QByteArray c = control.toUtf8();
    for (const ContextEntry& entry : kContexts)
        if (entry.window == std::string_view(w.constData(), w.size()) &&
            entry.control == std::string_view(c.constData(), c.size()))
            return entry.context;
    return 0;
}

}  // namespace

int HelpContextOf(const QWidget* widget) {
    if (widget == nullptr) return 0;
    const QWidget* window = widget->window();
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const int context = w == window ? Lookup(window->objectName(), {})
                                        : Lookup(window->objectName(), w->objectName());
        if (context != 0) return context;
        if (w == window) break;
    }
    return 0;
}

int HelpContextOfMenu(const QWidget* menu) {
    const QByteArray name = menu != nullptr ? menu->objectName().toUtf8() : QByteArray();
    for (const auto& [menuName, context] : kMenuContexts)
        if (menuName == std::string_view(name.constData(), name.size())) return context;
    return 0;
}

HelpKeyFilter::HelpKeyFilter(std::function<void(int)> open, QObject* parent)
    : QObject(parent), open_(std::move(open)) {}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    auto* widget = static_cast<QWidget*>(watched);
    int context = 0;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        context = HelpContextOfMenu(menu);
    } else if (auto* bar = qobject_cast<QMenuBar*>(widget);
               bar != nullptr && bar->activeAction() != nullptr) {
        context = HelpContextOfMenu(bar->activeAction()->menu());
    } else {
        context = HelpContextOf(widget);
    }
    // Consumed either way: a key the control ignored would otherwise come
    // back through its parents and be looked up again.
    if (context == 0) return true;
    // An open menu (and the menus it came from) would otherwise stay in
    // front of the manual; bounded, in case a popup refuses to close.
    for (int depth = 0; depth < 8; ++depth) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr || !popup->close()) break;
    }
    open_(context);
    return true;
}

}  // namespace nebu
