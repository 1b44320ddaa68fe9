// What the main window's components do: one row per component and handler, as the form
// layout binds them by name. A feature adds its rows here when its handlers exist. Also how
// components are found by name, and the context menus they are given.
#include "app/createavi.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include <QVariant>

#include <stdexcept>

namespace {

using THandler = void (TAVIForm::*)();
// Handlers that need to know which of their components was used.
using TSenderHandler = void (TAVIForm::*)(QObject* sender);

struct TBinding {
    const char* Component;
    THandler Handler = nullptr;
    TSenderHandler SenderHandler = nullptr;
};

// An action runs on triggered, a tool button on clicked, a menu with items of its own (a
// submenu) when it opens.
const TBinding Bindings[] = {
    // Lifecycle
    {"ItemExit", &TAVIForm::ItemExitClick},
    // Project commands
    {"ActionSaveProject", &TAVIForm::ActionSaveProjectExecute},
};

} // namespace

void TAVIForm::BindHandlers()
{
    for (const TBinding& row : Bindings) {
        QObject* component = nullptr;
        auto call = [this, row](QObject* sender) {
            if (row.Handler)
                (this->*row.Handler)();
            else
                (this->*row.SenderHandler)(sender);
        };
        if (QMenu* menu = FindMenu(row.Component)) {
            component = menu;
            connect(menu, &QMenu::aboutToShow, this, [call, menu] { call(menu); });
        } else if (QToolButton* button = FindToolButton(row.Component)) {
            component = button;
            connect(button, &QToolButton::clicked, this, [call, button] { call(button); });
        } else if (QAction* action = FindAction(row.Component) ? FindAction(row.Component)
                                                                : FindMenuItem(row.Component)) {
            component = action;
            connect(action, &QAction::triggered, this, [call, action] { call(action); });
        }
        if (!component)
            throw std::logic_error(std::string("The main window has no component named ") + row.Component);
    }
}

// ---- Lookups

namespace {

template <class T>
T* Lookup(const std::map<std::string, T*>& table, const std::string& name)
{
    const auto found = table.find(name);
    return found == table.end() ? nullptr : found->second;
}

} // namespace

QAction* TAVIForm::FindAction(const std::string& name) const { return Lookup(actions_, name); }
QAction* TAVIForm::FindMenuItem(const std::string& name) const { return Lookup(menuItems_, name); }
QToolButton* TAVIForm::FindToolButton(const std::string& name) const { return Lookup(toolButtons_, name); }
QMenu* TAVIForm::FindMenu(const std::string& name) const { return Lookup(menus_, name); }

std::vector<std::string> TAVIForm::ActionNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : actions_)
        names.push_back(entry.first);
    return names;
}

void TAVIForm::SetPopupMenu(QWidget* control, QMenu* menu)
{
    // The menu is kept with the control, so that neither outlives the other's bookkeeping.
    const bool known = control->property("PopupMenu").isValid();
    control->setProperty("PopupMenu", QVariant::fromValue(static_cast<QObject*>(menu)));
    control->setContextMenuPolicy(menu ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
    if (known)
        return;
    connect(control, &QWidget::customContextMenuRequested, control, [control](const QPoint& at) {
        if (QMenu* m = qobject_cast<QMenu*>(control->property("PopupMenu").value<QObject*>()))
            m->popup(control->mapToGlobal(at));
    });
}

QMenu* TAVIForm::PopupMenuOf(QWidget* control) const
{
    return qobject_cast<QMenu*>(control->property("PopupMenu").value<QObject*>());
}
