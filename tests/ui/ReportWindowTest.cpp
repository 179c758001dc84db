// Detailed report windows in the wired program: opening from the results
// bar, the menu and the group button, what a finished report shows, the
// cascade, closing (also while the report is still being built) and thread
// failures; with screenshots of each kind.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QAction>
#include <QAreaSeries>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "../cli/GridStructure.h"

#include <unistd.h>

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

// Holds threads at their start until released; the first `free` threads
// it starts run at once.
class Gate {
public:
    ThreadLauncher launcher(int free = 0)
    {
        return [this, started = std::make_shared<int>(0), free](WorkerThread& thread, long long stack,
                                                                std::function<void()> body) {
            if ((*started)++ < free)
                return thread.start(stack, std::move(body));
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

// Resident memory of this process, in bytes.
std::int64_t residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// The sanitizers keep freed memory for a while on purpose.
constexpr bool kPlainAllocator =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    false;
#else
    true;
#endif
#else
    true;
#endif

} // namespace

class ReportWindowTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    QString nextPath;

    void loadAndRun(const char* file, bool abraham, bool enr, bool npr)
    {
        loadAndRunPath(example(file), abraham, enr, npr);
    }
    void loadAndRunPath(const QString& path, bool abraham, bool enr, bool npr)
    {
        nextPath = path;
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
        wireProgram();
        main->setDialogAnswer([this](QFileDialog*) -> std::optional<std::string> { return nextPath.toStdString(); });
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        unwireProgram();
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
        // A finished run's bracket is the availability itself.
        QCOMPARE(abraham->label(10), QStringLiteral("donja granica :"));
        QCOMPARE(abraham->label(11), QStringLiteral("gornja granica :"));
        QCOMPARE(abraham->value(10), abraham->value(6));
        QCOMPARE(abraham->value(11), abraham->value(6));
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
        // The closed window is released with all it holds; its display
        // thread, stopped at its first check, hands its report to nobody.
        const QPointer<TForm4> closed(building);
        QTRY_VERIFY(closed.isNull());
        QVERIFY(actions->reportWindows().empty());
        gate.release();
        QTRY_COMPARE(controller->reportsBuilding(), 0);
        QTest::qWait(10); // the report arrives, for a window that is gone

        controller->setReportLauncher(defaultThreadLauncher());
        main->rezenrClick();
        TForm4* fresh = newestReport();
        QCOMPARE(actions->reportWindows().size(), std::size_t(1));
        QCOMPARE(fresh->reportNumber(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(fresh->report() && fresh->report()->finished, 20000);
        QVERIFY(fresh->treeLines().size() > 50);
        QVERIFY(!enabled("rezenr"));
    }

    // The tree opens a level at a time: "*", which would expand every row
    // under the current one, does nothing.
    void theTreeOpensALevelAtATime()
    {
        loadAndRun("resetka3x3.dsm", false, true, false);
        main->rezenrClick();
        TForm4* report = newestReport();
        QTRY_VERIFY_WITH_TIMEOUT(report->report() && report->report()->finished, 20000);
        QTreeView* tree = report->tree();
        const QModelIndex root = tree->model()->index(0, 0);
        QVERIFY(tree->model()->rowCount(root) > 0);
        tree->setCurrentIndex(root);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Asterisk);
        QVERIFY(!tree->isExpanded(root));
        QTest::keyClick(tree, Qt::Key_Right);
        QVERIFY(tree->isExpanded(root));
        const QModelIndex child = tree->model()->index(0, 0, root);
        QVERIFY(!tree->isExpanded(child));
    }

    // Open a report, start another run, close the report while the run is
    // on: nothing may open a report before the run has ended.
    void noReportOpensWhileARunIsOn()
    {
        loadAndRun("resetka3x3.dsm", false, true, false);
        main->rezenrClick();
        TForm4* report = newestReport();
        QTRY_VERIFY_WITH_TIMEOUT(report->report() && report->report()->finished, 20000);

        Gate algorithms;
        controller->engine().setThreadLauncher(algorithms.launcher(1)); // the core thread runs
        main->playClick();
        QTRY_VERIFY(enabled("stop"));
        report->close();
        for (const char* name : {"rezenr", "ENR4", "detaljni", "Svihodabranih1", "rezabr", "A1", "reznpr", "NPR4"})
            QVERIFY2(!enabled(name), name);
        main->rezenrClick();
        main->ENR4Click();
        main->detaljniClick();
        QCOMPARE(controller->reportsBuilding(), 0);
        QTRY_VERIFY(actions->reportWindows().empty());

        algorithms.release();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play"), 20000);
        for (const char* name : {"rezenr", "ENR4", "detaljni", "Svihodabranih1"})
            QVERIFY2(enabled(name), name);
        main->ENR4Click();
        QTRY_VERIFY_WITH_TIMEOUT(newestReport() && newestReport()->report() && newestReport()->report()->finished,
                                 20000);
        QCOMPARE(newestReport()->reportNumber(), 2);
    }

    // A report reads the tree's rows as its view shows them instead of
    // copying them, and a closed report window goes with everything it
    // holds: opening and closing a report of a large tree again and again
    // leaves the process as large as it was.
    void closedReportsAreReleased()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("resetka3x5.dsm"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(velmor::testing::gridStructure(3, 5).c_str());
        }
        loadAndRunPath(path, false, true, false);
        QVERIFY(controller->workspace().enrRows.rowCount() > 100000);
        const std::int64_t before = residentBytes();
        std::int64_t largest = before;
        for (int i = 0; i < 20; ++i) {
            main->rezenrClick();
            const QPointer<TForm4> report(newestReport());
            QVERIFY(report);
            QTRY_VERIFY_WITH_TIMEOUT(report->report() && report->report()->finished, 60000);
            const ReportTree& tree = report->report()->tree;
            QCOMPARE(tree.text(tree.child(kReportTop, 0)), QStringLiteral("N1").toStdString());
            QVERIFY(tree.childCount(tree.child(kReportTop, 0)) > 0);
            largest = std::max(largest, residentBytes());
            report->close();
            QTRY_VERIFY(report.isNull());
            QVERIFY(enabled("rezenr"));
        }
        QVERIFY(actions->reportWindows().empty());
        const std::int64_t after = residentBytes();
        qInfo("resident: %lld MB before, %lld MB with a report open, %lld MB after", static_cast<long long>(before >> 20),
              static_cast<long long>(largest >> 20), static_cast<long long>(after >> 20));
        if (!kPlainAllocator)
            QSKIP("the sanitizer's allocator keeps freed memory");
        // A copy of the tree's texts took over 64 MB per report.
        QVERIFY2(largest - before < (std::int64_t{32} << 20), "an open report copied its tree");
        QVERIFY2(after - before < (std::int64_t{32} << 20), "closed reports kept their memory");
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

    // A long availability (a long chain: about 1E-20) in the narrow fields of
    // the bracket showed only its last digits, a different number.
    void longValuesShowFromTheirStart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lanac.dsm"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(velmor::testing::gridStructure(1, 400).c_str());
        }
        loadAndRunPath(path, false, false, true);
        main->reznprClick();
        TForm4* report = newestReport();
        QTRY_VERIFY(report->report() && report->report()->finished);
        QVERIFY(report->value(10).contains(QLatin1Char('E')));
        for (int number : {6, 10, 11}) {
            auto* edit = report->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(number));
            QVERIFY(edit);
            QCOMPARE(edit->cursorPosition(), 0);
            QVERIFY2(QFontMetrics(edit->font()).horizontalAdvance(edit->text()) <= edit->width() - kLineEditTextMargins,
                     qPrintable(edit->objectName() + QStringLiteral(": ") + edit->text()));
        }
        save(report, QStringLiteral("report-long-values"));
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
