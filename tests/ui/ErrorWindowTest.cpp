// The error window: placement, the two lines, and which window it disables
// and enables again.
#include "UiTestMain.h"

#include "structure/StructureWorkspace.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Postavke.h"
#include "ui/Unos.h"
#include "ui/Windows.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace velmor;

class ErrorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir::setCurrent(scratch.path());
        workspace = std::make_unique<StructureWorkspace>();
        windows = std::make_unique<ProgramWindows>(*workspace);
        windows->form1->setEndProcess([](int) {});
        windows->form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows->form1.get()));
    }

    void cleanup()
    {
        windows.reset();
        workspace.reset();
    }

    void windowShape()
    {
        TForm2& error = *windows->form2;
        QCOMPARE(error.windowTitle(), QStringLiteral("Greška"));
        QCOMPARE(error.size(), QSize(361, 137));
        QCOMPARE(error.minimumSize(), error.maximumSize());
        QCOMPARE(error.palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(error.findChild<QLabel*>(QStringLiteral("Label1")));
        QVERIFY(error.findChild<QLabel*>(QStringLiteral("Label2")));
        QVERIFY(!error.findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->icon().isNull());
        // A window of its own: disabling the main window leaves it usable.
        QVERIFY(error.isWindow());
        QVERIFY(error.parentWidget() == nullptr);
    }

    void reportCentresSetsBothLinesAndDisablesTheOrigin()
    {
        TForm1& main = *windows->form1;
        TForm2& error = *windows->form2;
        main.move(100, 200);
        QTRY_COMPARE(main.pos(), QPoint(100, 200));
        error.report(&main, QStringLiteral("Podatke nije moguće spremiti u datoteku"),
                     QStringLiteral("Nije moguće otvoriti zadanu datoteku"));
        QVERIFY(error.isVisible());
        QCOMPARE(error.windowModality(), Qt::NonModal);
        QCOMPARE(error.firstLine(), QStringLiteral("Podatke nije moguće spremiti u datoteku"));
        QCOMPARE(error.secondLine(), QStringLiteral("Nije moguće otvoriti zadanu datoteku"));
        QVERIFY(!main.isEnabled());
        const QRect m = main.frameGeometry();
        QCOMPARE(error.pos(), QPoint(m.left() + m.width() / 2 - error.frameGeometry().width() / 2,
                                     m.top() + m.height() / 2 - error.frameGeometry().height() / 2));

        // A second error replaces both lines (an empty line included); one close hides it.
        error.report(&main, QStringLiteral("Neispravno izvođenje programa u stvorenoj niti"), QString());
        QCOMPARE(error.firstLine(), QStringLiteral("Neispravno izvođenje programa u stvorenoj niti"));
        QCOMPARE(error.secondLine(), QString());
        QTest::mouseClick(error.findChild<QPushButton*>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QVERIFY(!error.isVisible());
        QVERIFY(main.isEnabled());
    }

    void anErrorOfTheEditorLeavesTheMainWindowDisabled()
    {
        TForm1& main = *windows->form1;
        TForm5& editor = *windows->form5;
        main.setEnabled(false); // the open editor holds it disabled
        editor.show();
        windows->form2->report(&editor, QStringLiteral("Neispravan unos"), QString());
        QVERIFY(!editor.isEnabled());
        windows->form2->close();
        QVERIFY(editor.isEnabled());
        QVERIFY(!main.isEnabled());
    }

    void anErrorOfTheSettingsLeavesTheMainWindowAsItWas()
    {
        TForm1& main = *windows->form1;
        TForm7& settings = *windows->form7;
        settings.show();
        windows->form2->report(&settings, QStringLiteral("Unesena vrijednost nije ispravna, pokušaj ponovo"), QString());
        QVERIFY(!settings.isEnabled());
        QVERIFY(main.isEnabled());
        windows->form2->close();
        QVERIFY(settings.isEnabled());
        QVERIFY(main.isEnabled());
    }

    void pendingErrorsOfTheMainAndTheSettingsWindowBothRecover()
    {
        TForm1& main = *windows->form1;
        TForm7& settings = *windows->form7;
        settings.show();
        windows->form2->report(&main, QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"), QString());
        windows->form2->report(&settings, QStringLiteral("Unesena vrijednost nije ispravna, pokušaj ponovo"), QString());
        windows->form2->close();
        QVERIFY(settings.isEnabled());
        QVERIFY(main.isEnabled());

        // A later error of the settings window alone does not touch the main window.
        main.setEnabled(false);
        windows->form2->report(&settings, QStringLiteral("x"), QString());
        windows->form2->close();
        QVERIFY(!main.isEnabled());
    }

private:
    QTemporaryDir scratch;
    std::unique_ptr<StructureWorkspace> workspace;
    std::unique_ptr<ProgramWindows> windows;
};

VELMOR_UI_TEST_MAIN(ErrorWindowTest)
#include "ErrorWindowTest.moc"
