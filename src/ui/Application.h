#pragma once

#include <QApplication>

#include <exception>
#include <functional>
#include <utility>

namespace velmor {

// The caption of the main window, which is also the application's title.
inline constexpr const char* kMainCaption = "Velmor  -  program za računanje raspoloživosti složenih mrežnih struktura";

// The application's title: the title of every standard exception message.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Qt's own texts (the file dialogs, the context menus of the edit fields,
// the buttons of message boxes) in Croatian like the program's: installs
// the Croatian catalogue of Qt's translations (qtbase_hr). False when it is
// not installed; those texts then stay English.
bool installToolkitTranslation();

// The windows have fixed sizes and colours of their own; one style and
// palette keep them looking alike on every desktop.
void applyProgramStyle();

// The standard exception display: a message box titled with the application's
// title holding the exception's message. Tests replace the box with a recorder.
using ExceptionDisplay = std::function<void(const QString& message)>;
void showException(const QString& message);
ExceptionDisplay setExceptionDisplay(ExceptionDisplay display);

// Runs an action and shows an exception that it does not handle itself, so
// that the event loop goes on.
template <typename Action>
void guarded(Action&& action)
{
    try {
        std::forward<Action>(action)();
    } catch (const std::exception& error) {
        showException(QString::fromUtf8(error.what()));
    } catch (...) {
        showException(QString());
    }
}

// The application object: exceptions that escape an event handler are shown
// by the standard display and the event loop goes on. It installs the
// toolkit's Croatian texts.
class VelmorApplication : public QApplication {
public:
    VelmorApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace velmor
