// What the main window's components do: one row per component and handler, as the form
// layout binds them by name. A feature adds its rows here when its handlers exist. Also how
// components are found by name, and the context menus they are given.
#include "app/createavi.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>

#include <QEvent>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <utility>

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
    {"ToolButNew", &TAVIForm::ToolButNewClick},
    {"ItemNew", &TAVIForm::ToolButNewClick},
    {"ToolButOpen", &TAVIForm::ToolButOpenClick},
    {"ItemOpen", &TAVIForm::ToolButOpenClick},
    {"ActionSaveProject", &TAVIForm::ActionSaveProjectExecute},
    {"ActionSaveAs", &TAVIForm::ActionSaveAsExecute},
    {"ReopenItem", &TAVIForm::ReopenItemClick},
    {"ListItem0", nullptr, &TAVIForm::ListItem0Click},
    {"ListItem1", nullptr, &TAVIForm::ListItem0Click},
    {"ListItem2", nullptr, &TAVIForm::ListItem0Click},
    {"ListItem3", nullptr, &TAVIForm::ListItem0Click},
    {"ListItem4", nullptr, &TAVIForm::ListItem0Click},
    // Project options
    {"ToolButProjectOptions", &TAVIForm::ToolButProjectOptionsClick},
    {"ItemProjectOptions", &TAVIForm::ToolButProjectOptionsClick},
    // Adding and inserting frames
    {"ActionAdd", &TAVIForm::ActionAddExecute},
    {"ActionInsert", &TAVIForm::ActionInsertExecute},
    // Flipping frames
    {"ActionFlip", &TAVIForm::ActionFlipExecute},
    {"ItemNormal", &TAVIForm::ItemNormalClick},
    {"ItemNormal2", &TAVIForm::ItemNormalClick},
    {"ItemHorizontal", &TAVIForm::ItemHorizontalClick},
    {"ItemHorizontal2", &TAVIForm::ItemHorizontalClick},
    {"ItemVertical", &TAVIForm::ItemVerticalClick},
    {"ItemVertical2", &TAVIForm::ItemVerticalClick},
    {"ItemHorizVert", &TAVIForm::ItemHorizVertClick},
    {"ItemHorizVert2", &TAVIForm::ItemHorizVertClick},
    // Selection
    {"ActionSelAll", &TAVIForm::ActionSelAllExecute},
    // Timed preview
    {"ToolButRun", nullptr, &TAVIForm::ToolButRunClick},
    {"ItemRunAVI", nullptr, &TAVIForm::ToolButRunClick},
    {"ItemRunGIF", nullptr, &TAVIForm::ToolButRunClick},
    {"ItemTestAVI", nullptr, &TAVIForm::ToolButRunClick},
    {"ItemTestGIF", nullptr, &TAVIForm::ToolButRunClick},
    {"ToolButPause", &TAVIForm::ToolButPauseClick},
    {"ItemPause", &TAVIForm::ToolButPauseClick},
    {"ToolButStop", &TAVIForm::ToolButStopClick},
    {"ItemStop", &TAVIForm::ToolButStopClick},
    {"PaintBox1", &TAVIForm::PaintBox1Paint},
    // Output creation
    {"ActionCreate", nullptr, &TAVIForm::ActionCreateExecute},
    // Deleting, moving, cloning frames
    {"ActionDelete", &TAVIForm::ActionDeleteExecute},
    {"ActionUp", &TAVIForm::ActionUpExecute},
    {"ActionDown", &TAVIForm::ActionDownExecute},
    {"ActionClone", &TAVIForm::ActionCloneExecute},
    // Frame settings and colour options
    {"ActionDelay", &TAVIForm::ActionDelayExecute},
    {"ActionColor", &TAVIForm::ActionColorExecute},
    // Saving and copying the shown frame
    {"ActionSaveFrame", nullptr, &TAVIForm::ActionSaveFrameExecute},
    {"ActionCopy", nullptr, &TAVIForm::ActionCopyExecute},
    // Sound command
    {"ActionInsertWav", nullptr, &TAVIForm::ActionInsertWavExecute},
    // Help, about box
    {"ItemContent", &TAVIForm::ItemContentClick},
    {"ItemAbout", &TAVIForm::ItemAboutClick},
    // Frame information
    {"ActionProperties", &TAVIForm::ActionPropertiesExecute},
    // Text frames
    {"ActionAddText", &TAVIForm::ActionAddTextExecute},
};

// The events of the window's common file dialogs, which are no Qt objects.
struct TFileDialogBinding {
    std::unique_ptr<TSaveDialog> TAVIForm::*Dialog;
    TFileDialogEvent TFileDialog::*Event;
    void (TAVIForm::*Handler)(TFileDialog& sender);
};

const TFileDialogBinding FileDialogBindings[] = {
    // Saving the shown frame; the output's dialog
    {&TAVIForm::SaveDialog2, &TFileDialog::OnShow, &TAVIForm::SaveDialog2Show},
    {&TAVIForm::SaveDialog2, &TFileDialog::OnTypeChange, &TAVIForm::SaveDialog2TypeChange},
    {&TAVIForm::SaveDialog1, &TFileDialog::OnShow, &TAVIForm::SaveDialog1Show},
    {&TAVIForm::SaveDialog1, &TFileDialog::OnTypeChange, &TAVIForm::SaveDialog1TypeChange},
};

// Runs a control's paint handler in place of the control's own painting.
class TPaintBinding : public QObject {
public:
    TPaintBinding(QWidget* control, std::function<void()> paint) : QObject(control), paint_(std::move(paint)) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        paint_();
        return true;
    }

private:
    std::function<void()> paint_;
};

// Mouse events the window's controls pass on. The presses and releases of a control bound
// here stop at it, as they would at a native control: a click on a strip cell is never also
// a click on the strip around it.
class TMouseForwarder : public QObject {
public:
    TMouseForwarder(TAVIForm* form, QWidget* control) : QObject(control), form_(form), control_(control)
    {
        control->installEventFilter(this);
    }
    TAVIForm::TMouseHandler Down = nullptr;
    TAVIForm::TMouseHandler Up = nullptr;
    void (TAVIForm::*Click)(QObject* sender) = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != control_)
            return false;
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        // A double click is a second press to the handlers, as it was on the platform.
        if (type != QEvent::MouseButtonRelease) {
            pressed_ = mouse->button() == Qt::LeftButton;
            if (Down)
                (form_->*Down)(control_, mouse->button(), mouse->modifiers(), at.x(), at.y());
        } else {
            const bool click = pressed_ && mouse->button() == Qt::LeftButton && control_->rect().contains(at);
            pressed_ = false;
            if (Up)
                (form_->*Up)(control_, mouse->button(), mouse->modifiers(), at.x(), at.y());
            if (click && Click)
                (form_->*Click)(control_);
        }
        return true;
    }

private:
    TAVIForm* form_;
    QWidget* control_;
    bool pressed_ = false;
};

TMouseForwarder* ForwarderOf(TAVIForm* form, QWidget* control)
{
    for (QObject* child : control->children())
        if (auto* existing = dynamic_cast<TMouseForwarder*>(child))
            return existing;
    return new TMouseForwarder(form, control);
}

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
        } else if (QWidget* control = findChild<QWidget*>(row.Component)) {
            // Any other control: its handler is its paint handler.
            component = control;
            control->installEventFilter(new TPaintBinding(control, [call, control] { call(control); }));
        }
        if (!component)
            throw std::logic_error(std::string("The main window has no component named ") + row.Component);
    }

    for (const TFileDialogBinding& row : FileDialogBindings) {
        const auto handler = row.Handler;
        (this->*row.Dialog).get()->*row.Event = [this, handler](TFileDialog& sender) { (this->*handler)(sender); };
    }

    // The strip's empty area: what shows of its content and, below a short content, of the
    // scroll area's viewport.
    for (QWidget* area : {ScrollBox2->widget(), ScrollBox2->viewport()})
        ForwarderOf(this, area)->Up = &TAVIForm::ScrollBox2MouseUp;

    // The banner's picture links to the product's page.
    BindClick(Image1, &TAVIForm::Image1Click);
}

void TAVIForm::BindMouseDown(QWidget* control, TMouseHandler handler) { ForwarderOf(this, control)->Down = handler; }

void TAVIForm::BindClick(QWidget* control, void (TAVIForm::*handler)(QObject* sender))
{
    ForwarderOf(this, control)->Click = handler;
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
