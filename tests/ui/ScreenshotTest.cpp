// Renders every window, in the states worth looking at, into the build
// folder's screenshots directory, and checks that no caption of a button,
// label or group box is wider than the room it has.
#include "UiTestMain.h"

#include "structure/StructureWorkspace.h"
#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionButton>

using namespace velmor;

namespace {

QString screenshotDir()
{
    return QStringLiteral(VELMOR_SCREENSHOT_DIR);
}

void save(QWidget* widget, const QString& name)
{
    QDir().mkpath(screenshotDir());
    const QPixmap shot = widget->grab();
    QVERIFY2(shot.save(screenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png")), qPrintable(name));
}

// Captions that do not fit the widget that shows them, as "name: text".
QStringList clippedCaptions(QWidget* window)
{
    QStringList clipped;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->wordWrap() || label->text().isEmpty() || label->pixmap().isNull() == false)
                continue;
            if (metrics.horizontalAdvance(label->text()) > label->contentsRect().width())
                clipped << label->objectName() + QStringLiteral(": ") + label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            // Indicator, spacing and text of check boxes and radio buttons.
            const int need = metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')))
                             + (button->inherits("QCheckBox") || button->inherits("QRadioButton") ? 20 : 4);
            if (need > button->width())
                clipped << button->objectName() + QStringLiteral(": ") + button->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(box->title()) + 12 > box->width())
                clipped << box->objectName() + QStringLiteral(": ") + box->title();
        }
    }
    return clipped;
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QStringLiteral(VELMOR_SOURCE_DIR)); // where Velmor.txt lives
        windows = std::make_unique<ProgramWindows>(workspace);
        windows->form1->setEndProcess([](int) {});
        windows->form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows->form1.get()));
    }

    void mainWindow()
    {
        TForm1& main = *windows->form1;
        save(&main, QStringLiteral("main-start"));
        QVERIFY2(clippedCaptions(&main).isEmpty(), qPrintable(clippedCaptions(&main).join(QStringLiteral("; "))));

        // A loaded structure after a run with all three algorithms.
        ControlUnit run;
        for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "RadioButton1",
                                 "RadioButton2", "zadan1", "zadan2", "RadioButton4", "RadioButton5", "RadioButton6",
                                 "RadioButton7", "RadioButton8", "RadioButton9", "RadioButton10", "rezstr", "rezabr",
                                 "rezenr", "reznpr", "play", "zatvoritrenutni", "detaljni"})
            run.push_back(ControlChange::enable(name, true));
        run.push_back(ControlChange::setText("Edit1", "/home/korisnik/strukture/primjer.dsm"));
        run.push_back(ControlChange::setItems("ComboBox1", {"          1", "          2", "          3"}));
        run.push_back(ControlChange::setItems("ComboBox2", {"          1", "          2", "          3"}));
        run.push_back(ControlChange::select("ComboBox1", "          1"));
        run.push_back(ControlChange::select("ComboBox2", "          3"));
        run.push_back(ControlChange::check("RadioButton1", true));
        for (const char* name : {"CheckBox3", "CheckBox4", "CheckBox5", "zadan1", "zadan2"})
            run.push_back(ControlChange::check(name, true));
        run.push_back(ControlChange::rowCount(4));
        const char* rows[3][5] = {
            {"Abraham", "0,978943", "__________________1856 *", "_______________0,016 *", "nisu primjećene"},
            {"ENR", "0,978943", "__________________2480 *", "_______________0,021 *", "prekinuta nit"},
            {"NPR", "0,97894", "_______________1234567 *", "____________1,2345E-5 *", "greška !"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                run.push_back(ControlChange::cell(r + 1, c, rows[r][c]));
        run.push_back(ControlChange::fill("Shape1", kGreen));
        run.push_back(ControlChange::fill("Shape2", kRed));
        run.push_back(ControlChange::fill("Shape3", kBlack));
        run.push_back(ControlChange::setText("ABR_pok", "12 / 12"));
        run.push_back(ControlChange::setText("ENR_pok", "1024 / 4096"));
        run.push_back(ControlChange::setText("NPR_pok", "77 / 120"));
        run.push_back(ControlChange::progress(6500));
        main.mirror(run);
        save(&main, QStringLiteral("main-results"));
        QVERIFY2(clippedCaptions(&main).isEmpty(), qPrintable(clippedCaptions(&main).join(QStringLiteral("; "))));

        main.redimClick();
        save(&main, QStringLiteral("main-menu-hidden"));
        main.redimClick();

        int n = 0;
        for (QMenu* menu : main.menuBar()->findChildren<QMenu*>()) {
            if (menu->objectName().isEmpty())
                continue;
            menu->popup(main.mapToGlobal(QPoint(20, 20)));
            save(menu, QStringLiteral("menu-%1-%2").arg(++n).arg(menu->objectName()));
            menu->hide();
        }
    }

    void secondaryWindows()
    {
        TForm1& main = *windows->form1;
        main.infoClick();
        save(windows->form3.get(), QStringLiteral("information"));
        QVERIFY2(clippedCaptions(windows->form3.get()).isEmpty(),
                 qPrintable(clippedCaptions(windows->form3.get()).join(QStringLiteral("; "))));
        windows->form3->close();

        main.pomocClick();
        save(windows->form6.get(), QStringLiteral("help"));
        windows->form6->close();

        windows->form2->report(&main, QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"),
                               QStringLiteral("Nepostojeći izvorišni ili odredišni čvor strukture"));
        save(windows->form2.get(), QStringLiteral("error"));
        windows->form2->close();

        main.postavkeClick();
        TForm7& settings = *windows->form7;
        for (int page = 0; page < settings.notebook()->count(); ++page) {
            settings.notebook()->setCurrentIndex(page);
            save(&settings, QStringLiteral("settings-%1").arg(page + 1));
            QVERIFY2(clippedCaptions(&settings).isEmpty(),
                     qPrintable(clippedCaptions(&settings).join(QStringLiteral("; "))));
        }
        settings.close();

        for (QWidget* shell : {static_cast<QWidget*>(windows->form4.get()), static_cast<QWidget*>(windows->form5.get()),
                               static_cast<QWidget*>(windows->form8.get())}) {
            shell->show();
            save(shell, shell->objectName());
            shell->hide();
        }
    }

private:
    StructureWorkspace workspace;
    std::unique_ptr<ProgramWindows> windows;
};

VELMOR_UI_TEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
