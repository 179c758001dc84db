// The main window's other ways to open a structure file: named on the
// command line, or dropped on the window. Both go the Open command's way,
// as if the file had been chosen in the open dialog.

#include "ui/Gui.h"

#include "ui/Application.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace velmor {

namespace {

// The one local structure file (*.dsm) that a drag carries, or an empty text.
QString draggedStructureFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    return path.endsWith(QStringLiteral(".dsm"), Qt::CaseInsensitive) ? path : QString();
}

} // namespace

bool TForm1::openEnabled() const
{
    const auto* open = qobject_cast<const QAction*>(control(QStringLiteral("otvoridatoteku")));
    return isEnabled() && open && open->isEnabled();
}

bool TForm1::openStructureFile(const QString& path)
{
    if (!openEnabled())
        return false;
    // The dialog names the file by its full path; so does the file-name field.
    const std::string chosen = QFileInfo(path).absoluteFilePath().toStdString();
    guarded([&] { mirror(actions_->openStructure([&] { return std::optional<std::string>(chosen); })); });
    return true;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (openEnabled() && !draggedStructureFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString path = draggedStructureFile(event->mimeData());
    if (path.isEmpty() || !openStructureFile(path))
        return;
    event->acceptProposedAction();
}

} // namespace velmor
