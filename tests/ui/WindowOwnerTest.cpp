// The secondary windows under a real window manager: each belongs to
// (is transient for) the main window, and the error window to the window
// whose error it shows, so that a click on a disabled window never buries
// the window that disabled it. Runs on an X display with a window manager
// (with-window-manager.sh starts one); xdotool clicks as the user does and
// xprop reads what the window manager did.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Slika.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Windows.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>

using namespace velmor;

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The window ids that an xprop line lists ("... window id # 0x1, 0x2").
QList<quint64> windowIds(const QString& xpropLine)
{
    QList<quint64> ids;
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto match = hex.globalMatch(xpropLine); match.hasNext();)
        ids << match.next().captured().toULongLong(nullptr, 16);
    return ids;
}

quint64 transientFor(const QWidget* window)
{
    const QList<quint64> ids =
        windowIds(run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                                QStringLiteral("WM_TRANSIENT_FOR")}));
    return ids.isEmpty() ? 0 : ids.first();
}

// Position of a window in the window manager's stacking order, bottom 0.
int stackingPlace(const QWidget* window)
{
    const QList<quint64> order =
        windowIds(run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    return static_cast<int>(order.indexOf(static_cast<quint64>(window->winId())));
}

// A click of the user's at a point of `window` that the other windows
// shown leave free.
bool clickBeside(QWidget* window, std::initializer_list<const QWidget*> covers)
{
    auto free = [&](const QPoint& point) {
        if (!window->geometry().contains(point))
            return false;
        for (const QWidget* cover : covers)
            if (cover->frameGeometry().adjusted(-4, -4, 4, 4).contains(point))
                return false;
        return true;
    };
    const QRect own = window->frameGeometry();
    QPoint at;
    bool found = false;
    for (int y = own.top() + 8; y < own.bottom() && !found; y += 8)
        for (int x = own.left() + 8; x < own.right() && !found; x += 8)
            if (free(QPoint(x, y))) {
                at = QPoint(x, y);
                found = true;
            }
    if (!found)
        return false;
    // Not "--sync": it waits for a motion that never comes when the pointer
    // is there already. The server takes the move before the click.
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                                    QStringLiteral("click"), QStringLiteral("1")});
    QTest::qWait(300); // the window manager raises what was clicked
    return true;
}

} // namespace

class WindowOwnerTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT


    void showAndWait(QWidget* window)
    {
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(stackingPlace(window) >= 0); // managed by now
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")
            || run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                   .indexOf(QStringLiteral("window id")) < 0)
            QSKIP("needs an X display with a window manager (run through with-window-manager.sh)");
    }

    void init()
    {
        wireProgram();
        main->show();
        showAndWait(main);
    }
    void cleanup()
    {
        unwireProgram();
    }

    void everySecondaryWindowBelongsToTheMainWindow()
    {
        const quint64 mainId = main->winId();
        for (QWidget* window : std::initializer_list<QWidget*>{windows->form2.get(), windows->form3.get(),
                                                               windows->form5.get(), windows->form6.get(),
                                                               windows->form7.get(), windows->form8.get(),
                                                               windows->form10.get()}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(transientFor(window), mainId);
            window->hide();
        }
    }

    // The editor disables the main window; a click on the main window
    // leaves the editor on top.
    void aClickOnTheMainWindowLeavesTheEditorOnTop()
    {
        main->novadatotekaClick();
        TForm5* editor = windows->form5.get();
        showAndWait(editor);
        QVERIFY(!main->isEnabled());
        QVERIFY(clickBeside(main, {editor}));
        QVERIFY2(stackingPlace(editor) > stackingPlace(main), "the main window covers the editor");
        editor->close();
        QVERIFY(main->isEnabled());
    }

    // An error of the main window: the error window stays above it.
    void aClickOnTheMainWindowLeavesItsErrorOnTop()
    {
        TForm2* error = windows->form2.get();
        error->report(main, QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"),
                      QStringLiteral("Nije moguće otvoriti zadanu datoteku"));
        showAndWait(error);
        QCOMPARE(transientFor(error), static_cast<quint64>(main->winId()));
        QVERIFY(clickBeside(main, {error}));
        QVERIFY2(stackingPlace(error) > stackingPlace(main), "the main window covers its error");
        error->close();
        QVERIFY(main->isEnabled());
    }

    // An error of the settings window belongs to the settings window and
    // stays above it; the settings window itself stays above the main one.
    void aClickOnTheSettingsWindowLeavesItsErrorOnTop()
    {
        main->postavkeClick();
        TForm7* settings = windows->form7.get();
        showAndWait(settings);
        TForm2* error = windows->form2.get();
        error->report(settings, QStringLiteral("Unesena vrijednost nije ispravna, pokušaj ponovo"), QString());
        showAndWait(error);
        QVERIFY(!settings->isEnabled());
        QCOMPARE(transientFor(error), static_cast<quint64>(settings->winId()));
        QVERIFY(clickBeside(settings, {error}));
        QVERIFY2(stackingPlace(error) > stackingPlace(settings), "the settings window covers its error");
        QVERIFY(clickBeside(main, {settings, error}));
        QVERIFY2(stackingPlace(settings) > stackingPlace(main), "the main window covers the settings window");
        QVERIFY2(stackingPlace(error) > stackingPlace(main), "the main window covers the error");
        error->close();
        QVERIFY(settings->isEnabled());
        settings->close();
    }
};

VELMOR_UI_TEST_MAIN(WindowOwnerTest)
#include "WindowOwnerTest.moc"
