#include "ui/Application.h"

#include <QLibraryInfo>
#include <QMessageBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace velmor {

namespace {

QString& titleStore()
{
    static QString title;
    return title;
}

ExceptionDisplay& displayStore()
{
    static ExceptionDisplay display;
    return display;
}

} // namespace

QString applicationTitle()
{
    return titleStore();
}

void setApplicationTitle(const QString& title)
{
    titleStore() = title;
    // Not the display name: that one would be appended to every window's caption.
    QCoreApplication::setApplicationName(title);
}

bool installToolkitTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral("qtbase_hr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

void applyProgramStyle()
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
        QApplication::setPalette(fusion->standardPalette());
    }
}

void showException(const QString& message)
{
    if (displayStore()) {
        displayStore()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationTitle(), message, QMessageBox::Ok);
    box.exec();
}

ExceptionDisplay setExceptionDisplay(ExceptionDisplay display)
{
    std::swap(displayStore(), display);
    return display;
}

VelmorApplication::VelmorApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    installToolkitTranslation();
}

bool VelmorApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(QString::fromUtf8(error.what()));
    } catch (...) {
        showException(QString());
    }
    return false;
}

} // namespace velmor
