// Detailed report windows in the wired program: opening from the results
// bar, the menu and the group button, what a finished report shows, the
// cascade, closing (also while the report is still being built) and thread
// failures; with screenshots of each kind.
#include "UiTestMain.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <QAction>
#include <QAreaSeries>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <condition_variable>
#include <mutex>

using namespace velmor;

namespace {

QString example(const char* name)
{
    return QStringLiteral(VELMOR_SOURCE_DIR "/examples/") + QString::fromLatin1(name);
}

void save(QWidget* widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
    QVERIFY(widget->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/") + name + QStringLiteral(".png")));
}

// Holds display threads at their start until released.
class Gate {
public:
    ThreadLauncher launcher()
    {
        return [this](WorkerThread& thread, long long stack, std::function<void()> body) {
            return thread.start(stack, [this, body = std::move(body)] {
                {
                    std::unique_lock guard(lock_);
                    opened_.wait(guard, [this] { return open_; });
                }
                body();
            });
        };
    }
    void release()
    {
        std::lock_guard guard(lock_);
        open_ = true;
        opened_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable opened_;
    bool open_ = false;
};

} // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainController> controller;
    std::unique_ptr<ProgramWindows> windows;
    std::unique_ptr<ControllerActions> actions;
    TForm1* main = nullptr;
    QString nextPath;

    bool enabled(const char* name) const
    {
        QObject* c = main->control(QString::fromLatin1(name));
        if (auto* w = qobject_cast<QWidget*>(c))
            return w->isEnabled();
        return c && c->property("enabled").toBool();
    }
    void loadAndRun(const char* file, bool abraham, bool enr, bool npr)
    {
        nextPath = example(file);
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(enabled("play"));
        for (auto [box, on] : {std::pair{"CheckBox3", abraham}, std::pair{"CheckBox4", enr}, std::pair{"CheckBox5", npr}})
            if (on)
                qobject_cast<QCheckBox*>(main->control(QString::fromLatin1(box)))->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && enabled("detaljni"), 20000);
    }
    TForm4* newestReport() const
    {
        const auto reports = actions->reportWindows();
        return reports.empty() ? nullptr : reports.back();
    }

private slots:
    void init()
    {
        controller = std::make_unique<MainController>();
        windows = std::make_unique<ProgramWindows>(controller->workspace());
        main = windows->form1.get();
        actions = std::make_unique<ControllerActions>(*controller, *main);
        main->setActions(actions.get());
        main->setDialogAnswer([this](QFileDialog*) -> std::optional<std::string> { return nextPath.toStdString(); });
        main->setEndProcess([](int) {});
        controller->channel().setWakeUp([this] { main->requestDrain(); });
        main->mirror(controller->drain());
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        controller->endReports();
        controller->engine().shutdown();
        controller->channel().setWakeUp({});
        main->setActions(nullptr);
        actions.reset();
        windows.reset();
        controller.reset();
    }

    void eachKindShowsItsFinishedReport()
    {
        loadAndRun("primjer.dsm", true, true, true);
        const QString file = example("primjer.dsm");

        main->rezabrClick();
        TForm4* abraham = newestReport();
        QVERIFY(abraham && abraham->isVisible());
        QCOMPARE(abraham->pos(), QPoint(0, 0));
        QCOMPARE(abraham->reportKind(), 1);
        QCOMPARE(abraham->reportNumber(), 1);
        QCOMPARE(abraham->windowTitle(), QStringLiteral("Detaljni prikaz rezulatata algoritma Abraham"));
        QCOMPARE(abraham->algorithmText(), QStringLiteral("Algoritam : Abraham"));
        QTRY_COMPARE(abraham->statusLine(), file + QStringLiteral(", redukcija, rub idealan, razina opt. : 2"));
        QCOMPARE(abraham->treeLines(), (QStringList{QStringLiteral("PD(1,x) nastali iz S1(N1 e6 ), Z:2, N:2"),
                                                    QStringLiteral("  N1 e6 "),
                                                    QStringLiteral("PD(2,x) nastali iz S2(N1 N2 e4 e5 ), Z:4, N:1"),
                                                    QStringLiteral("  N1 N2 e4 e5 *e6 ")}));
        QCOMPARE(abraham->label(3), QStringLiteral("traženje elementarnih putova:"));
        QCOMPARE(abraham->label(8), QStringLiteral("uspješnih putova :"));
        QCOMPARE(abraham->value(8), QStringLiteral("2"));
        QVERIFY(abraham->pairShown(5));
        QCOMPARE(abraham->chartTitle(),
                 QStringLiteral("Prikaz zahtjeva za memorijom po iteracji  [ byte / iteraciji (vrijeme) ]"));
        QCOMPARE(abraham->chartPoints().size(), 2);
        QCOMPARE(abraham->chartPoints().first(), QPointF(0, 0));
        QCOMPARE(abraham->chartLabels(), QStringList{QStringLiteral("1")});
        QCOMPARE(abraham->series()->color(), QColor(Qt::red));
        QVERIFY(!enabled("rezabr"));
        QVERIFY(!enabled("A1"));
        QVERIFY(enabled("detaljni"));
        abraham->tree()->expandAll();
        save(abraham, QStringLiteral("report-abraham"));

        main->rezenrClick();
        TForm4* enr = newestReport();
        QCOMPARE(enr->pos(), QPoint(50, 25));
        QTRY_VERIFY(enr->statusLine().endsWith(QStringLiteral("razina opt. : 2")));
        QCOMPARE(enr->treeLines().size(), 14);
        QCOMPARE(enr->value(9), QStringLiteral("3"));
        QVERIFY(!enr->pairShown(5));
        QCOMPARE(enr->label(3), QStringLiteral("ispitivanje susjednih cvorova:"));
        enr->tree()->expandAll();
        save(enr, QStringLiteral("report-enr"));

        main->reznprClick();
        TForm4* npr = newestReport();
        QCOMPARE(npr->pos(), QPoint(100, 50));
        QTRY_VERIFY(npr->statusLine().endsWith(QStringLiteral("razina opt. : 1")));
        QCOMPARE(npr->treeLines().at(5), QStringLiteral("    e4 N2 e5 N3 (uspjeh)"));
        QCOMPARE(npr->label(9), QStringLiteral("neuspješnih rješ. :"));
        npr->tree()->expandAll();
        save(npr, QStringLiteral("report-npr"));

        // The last results button opened: the group button goes off.
        QVERIFY(!enabled("detaljni"));
        QVERIFY(!enabled("Svihodabranih1"));

        // Closing the Abraham report brings back its button, its menu item and the group button.
        abraham->close();
        QVERIFY(!abraham->isVisible());
        QVERIFY(enabled("rezabr"));
        QVERIFY(enabled("A1"));
        QVERIFY(enabled("detaljni"));
        // The menu item now opens the next one, further down the cascade.
        static_cast<QAction*>(main->control(QStringLiteral("A1")))->trigger();
        QCOMPARE(newestReport()->reportNumber(), 4);
        QCOMPARE(newestReport()->pos(), QPoint(150, 75));
    }

    void groupButtonAndCascadeReset()
    {
        loadAndRun("primjer.dsm", true, false, true);
        main->redimClick(); // hides the menu bar and restarts the cascade
        main->redimClick();
        static_cast<QAction*>(main->control(QStringLiteral("detaljni")))->trigger();
        const auto reports = actions->reportWindows();
        QCOMPARE(reports.size(), std::size_t(2));
        QCOMPARE(reports[0]->reportKind(), 1);
        QCOMPARE(reports[1]->reportKind(), 3);
        QCOMPARE(reports[0]->pos(), QPoint(0, 0));
        QCOMPARE(reports[1]->pos(), QPoint(50, 25));
        QVERIFY(!enabled("detaljni"));
        QVERIFY(!enabled("Svihodabranih1"));
        QTRY_VERIFY(reports[1]->report() && reports[1]->report()->finished);
    }

    void closingWhileBuildingStopsTheReport()
    {
        // A larger tree, held at the start of its build so that it is
        // certainly still being built when its window closes.
        loadAndRun("resetka3x3.dsm", false, true, false);
        QVERIFY(controller->workspace().enrRows.rowCount() > 50);
        Gate gate;
        controller->setReportLauncher(gate.launcher());
        main->rezenrClick();
        TForm4* building = newestReport();
        QCOMPARE(building->statusLine(), QStringLiteral("Prikaz je u izradi, pričekajte trenutak"));
        QCOMPARE(controller->reportsBuilding(), 1);
        building->close();
        QVERIFY(enabled("rezenr"));
        QVERIFY(controller->reportAbort(Algorithm::Enr).load());
        gate.release();
        QTRY_VERIFY(building->report() != nullptr);
        QCOMPARE(controller->reportsBuilding(), 0);
        // Stopped at its first check: the root only, and the notice stays.
        QCOMPARE(building->treeLines().size(), 1);
        QCOMPARE(building->statusLine(), QStringLiteral("Prikaz je u izradi, pričekajte trenutak"));

        controller->setReportLauncher(defaultThreadLauncher());
        main->rezenrClick();
        TForm4* fresh = newestReport();
        QVERIFY(fresh != building);
        QCOMPARE(fresh->reportNumber(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(fresh->report() && fresh->report()->finished, 20000);
        QVERIFY(fresh->treeLines().size() > 50);
        QVERIFY(!enabled("rezenr"));
    }

    void aReportThatCannotStartShowsTheErrorAndAnEmptyWindow()
    {
        loadAndRun("primjer.dsm", true, false, false);
        controller->setReportLauncher([](WorkerThread&, long long, std::function<void()>) { return false; });
        main->rezabrClick();
        TForm4* empty = newestReport();
        QVERIFY(empty->isVisible());
        QVERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Neispravno ponašanje stvorene niti zbog nedostatka resursa"));
        QVERIFY(!main->isEnabled());
        QCOMPARE(empty->treeLines().size(), 0);
        windows->form2->close();
        QVERIFY(main->isEnabled());
    }

    void captionsFitTheirRoom()
    {
        loadAndRun("primjer.dsm", false, false, true);
        main->reznprClick();
        TForm4* report = newestReport();
        QTRY_VERIFY(report->report() && report->report()->finished);
        QCOMPARE(report->size(), QSize(793, 561));
        QCOMPARE(report->tree()->size(), QSize(761, 265));
        for (QLabel* label : report->findChildren<QLabel*>()) {
            const QFontMetrics metrics(label->font());
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->objectName() + QStringLiteral(": ") + label->text()));
        }
        for (QGroupBox* box : report->findChildren<QGroupBox*>())
            QVERIFY2(QFontMetrics(box->font()).horizontalAdvance(box->title()) + 12 <= box->width(),
                     qPrintable(box->title()));
    }
};

VELMOR_UI_TEST_MAIN(ReportWindowTest)
#include "ReportWindowTest.moc"
