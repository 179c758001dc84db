#pragma once

// The desktop program wired as at start-up, for window tests: the headless
// main window (the controller), the windows, the actions between them, and
// the channel's changes drained on the user-interface thread.

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace velmor::testing {

class WiredProgram {
protected:
    std::unique_ptr<MainController> controller;
    std::unique_ptr<ProgramWindows> windows;
    std::unique_ptr<ControllerActions> actions;
    TForm1* main = nullptr;

    // `configure` adjusts the controller before the windows are made.
    void wireProgram(const std::function<void(MainController&)>& configure = {})
    {
        controller = std::make_unique<MainController>();
        if (configure)
            configure(*controller);
        windows = std::make_unique<ProgramWindows>(controller->workspace());
        main = windows->form1.get();
        actions = std::make_unique<ControllerActions>(*controller, *main);
        main->setActions(actions.get());
        main->setEndProcess([](int) {});
        controller->channel().setWakeUp([this] { main->requestDrain(); });
        main->mirror(controller->drain());
    }
    // Display threads and runs end before the windows they report to.
    void unwireProgram()
    {
        controller->endReports();
        controller->engine().shutdown();
        controller->channel().setWakeUp({});
        main->setActions(nullptr);
        actions.reset();
        windows.reset();
        controller.reset();
        main = nullptr;
    }

    // A control of the main window (widget or menu item) is enabled.
    bool enabled(const char* name) const
    {
        QObject* c = main->control(QString::fromLatin1(name));
        if (auto* w = qobject_cast<QWidget*>(c))
            return w->isEnabled();
        return c && c->property("enabled").toBool();
    }
};

} // namespace velmor::testing
