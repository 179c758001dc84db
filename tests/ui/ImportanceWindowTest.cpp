// "Važnost elemenata" and "Spremi rezultate" in the wired program: the menu
// items' rules, the list as the computation leaves it, stopping it, and the
// saved table with its error window; with screenshots.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "platform/Numbers.h"
#include "run/MainController.h"
#include "run/ResultsFile.h"
#include "structure/ReplacingWrite.h"
#include "ui/ControllerActions.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Vaznost.h"
#include "ui/Windows.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

using namespace velmor;

namespace {

// A rows x columns grid, undirected, corner to corner: rating all its
// elements takes seconds at 7 x 7.
QByteArray gridStructure(int rows, int columns)
{
    QByteArray s = "struktura:\n{\nusmjeren:\n{\nne;\n}\ncvorovi:\n{\n";
    auto label = [&](int r, int c) { return r * columns + c + 1; };
    for (int n = 1; n <= rows * columns; ++n)
        s += QByteArray::number(n) + " , 0.99;\n";
    s += "}\ngrane:\n{\n";
    int edge = rows * columns + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns)
                s += QByteArray::number(edge++) + " , " + QByteArray::number(label(r, c)) + " , "
                     + QByteArray::number(label(r, c + 1)) + " , 0.9;\n";
            if (r + 1 < rows)
                s += QByteArray::number(edge++) + " , " + QByteArray::number(label(r, c)) + " , "
                     + QByteArray::number(label(r + 1, c)) + " , 0.9;\n";
        }
    s += "}\npar:\n{\n1 , " + QByteArray::number(rows * columns) + ";\n}\n}\n";
    return s;
}

} // namespace

class ImportanceWindowTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    QTemporaryDir dir;

    QAction* item(const char* name) const { return qobject_cast<QAction*>(main->control(QString::fromLatin1(name))); }
    TForm9* window() const { return actions->importanceWindow(); }
    void load(const QString& path)
    {
        main->setDialogAnswer([path](QFileDialog*) -> std::optional<std::string> { return path.toStdString(); });
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(item("Start1")->isEnabled());
    }
    QString written(const char* name, const QByteArray& text)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text);
        return path;
    }
    void screenshot(QWidget* widget, const QString& name)
    {
        QVERIFY(QTest::qWaitForWindowExposed(widget));
        QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
        QVERIFY(widget->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/") + name + QStringLiteral(".png")));
    }

private slots:
    void init()
    {
        wireProgram([](MainController& c) { c.setDecimalSeparator('.'); });
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        if (window())
            window()->hide();
        controller->discardImportance();
        unwireProgram();
    }

    void menuItemsSitWhereTheirCommandsAre()
    {
        auto* results = main->findChild<QMenu*>(QStringLiteral("Pregledrezultata1"));
        QVERIFY(results);
        // After the reports, beside the picture of the structure.
        const QList<QAction*> entries = results->actions();
        const qsizetype at = entries.indexOf(item("Vanostelemenata1"));
        QVERIFY(at > 0 && at + 1 < entries.size());
        QVERIFY(entries.at(at - 1)->isSeparator());
        QCOMPARE(entries.at(at + 1), item("slikastrukture1"));
        QCOMPARE(item("Vanostelemenata1")->text(), QStringLiteral("Važnost elemenata"));
        auto* file = main->findChild<QMenu*>(QStringLiteral("Glavniizbornik1"));
        QVERIFY(file);
        const QList<QAction*> items = file->actions();
        const qsizetype save = items.indexOf(item("Spremistrukturu1"));
        QVERIFY(save >= 0);
        QCOMPARE(items.at(save + 1), item("Spremirezultate1"));
        QCOMPARE(item("Spremirezultate1")->text(), QStringLiteral("Spremi &rezultate"));
        QVERIFY(!item("Vanostelemenata1")->isEnabled());
        QVERIFY(!item("Spremirezultate1")->isEnabled());
        QCOMPARE(main->resultsDialog()->windowTitle(), QStringLiteral("Spremi rezultate u datoteku"));
    }

    void listsEveryElementMostImportantFirst()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/most.dsm"));
        QVERIFY(item("Vanostelemenata1")->isEnabled());
        item("Vanostelemenata1")->trigger();
        QVERIFY(window());
        QVERIFY(window()->isVisible());
        QCOMPARE(window()->windowTitle(), QStringLiteral("Važnost elemenata"));
        QCOMPARE(window()->pos(), QPoint(main->pos().x(), main->pos().y() + 90));
        QTRY_VERIFY(window()->shownResult() != nullptr);
        QTRY_VERIFY(item("Vanostelemenata1")->isEnabled());

        const auto result = controller->lastImportance();
        QCOMPARE(window()->shownResult(), result);
        QCOMPARE(window()->cell(0, 0), QStringLiteral("Element"));
        QCOMPARE(window()->cell(0, 1), QStringLiteral("Birnbaum"));
        QCOMPARE(window()->cell(0, 2), QStringLiteral("Kritičnost"));
        QCOMPARE(window()->rows(), 1 + 7); // the ideal terminals are not rated
        double previous = 2;
        for (int r = 1; r < window()->rows(); ++r) {
            const ElementImportance& e = result->elements[static_cast<std::size_t>(r - 1)];
            QCOMPARE(window()->cell(r, 0), QString::fromStdString(e.text()));
            QCOMPARE(window()->cell(r, 1), QString::fromStdString(formatGeneral(e.birnbaum)));
            QCOMPARE(window()->cell(r, 2), QString::fromStdString(formatGeneral(e.criticality)));
            const double birnbaum = window()->cell(r, 1).toDouble();
            QVERIFY2(birnbaum <= previous, qPrintable(window()->cell(r, 0)));
            previous = birnbaum;
        }
        QCOMPARE(window()->cell(1, 0), QStringLiteral("N2"));
        QCOMPARE(window()->statusLine(), QStringLiteral("Izračunato: 7/7"));
        QCOMPARE(window()->pairLine(),
                 QStringLiteral("Izvorišni čvor N1, odredišni čvor N4, raspoloživost 0.97848"));
        QVERIFY(!window()->stopEnabled());
        screenshot(window(), QStringLiteral("importance"));

        // The importance alone can be saved.
        QVERIFY(item("Spremirezultate1")->isEnabled());
    }

    void stopsWhenAskedAndWhenClosed()
    {
        load(written("resetka7x7.dsm", gridStructure(7, 7)));
        item("Vanostelemenata1")->trigger();
        QVERIFY(controller->importanceRunning());
        QVERIFY(!item("Vanostelemenata1")->isEnabled());
        QVERIFY(window()->stopEnabled());
        QTRY_VERIFY(window()->statusLine().startsWith(QStringLiteral("Izračunato: ")));
        screenshot(window(), QStringLiteral("importance-running"));
        window()->findChild<QPushButton*>(QStringLiteral("Prekini"))->click();
        QTRY_VERIFY(window()->statusLine().startsWith(QStringLiteral("Računanje prekinuto: ")));
        QTRY_VERIFY(item("Vanostelemenata1")->isEnabled());
        QCOMPARE(controller->lastImportance()->status, ImportanceStatus::Stopped);
        QCOMPARE(window()->rows(), 1 + controller->lastImportance()->done);

        // Closing the window stops a computation that is still on.
        item("Vanostelemenata1")->trigger();
        QVERIFY(controller->importanceRunning());
        window()->close();
        QTRY_VERIFY(!controller->importanceRunning());
        QTRY_VERIFY(item("Vanostelemenata1")->isEnabled());
        QCOMPARE(controller->lastImportance()->status, ImportanceStatus::Stopped);

        // Releasing the structure takes the importance with it.
        main->zatvoritrenutniClick();
        QVERIFY(!item("Vanostelemenata1")->isEnabled());
        QCOMPARE(controller->lastImportance(), nullptr);
    }

    void savesTheGridTheBoundsAndTheImportance()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("CheckBox3")))->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(item("Start1")->isEnabled() && item("Spremirezultate1")->isEnabled(), 20000);
        item("Vanostelemenata1")->trigger();
        QTRY_VERIFY(window()->shownResult() != nullptr);
        window()->close();

        const QString path = dir.filePath(QStringLiteral("rezultati.csv"));
        QFileDialog* asked = nullptr;
        main->setDialogAnswer([&](QFileDialog* dialog) -> std::optional<std::string> {
            asked = dialog;
            return path.toStdString();
        });
        item("Spremirezultate1")->trigger();
        QCOMPARE(asked, main->resultsDialog());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.at(0), summaryGridHeaders().join(QLatin1Char(',')) + QStringLiteral(",Donja granica,Gornja granica"));
        const QStringList abraham = lines.at(1).split(QLatin1Char(','));
        QCOMPARE(abraham.size(), 7);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(abraham.at(c), main->gridCell(1, c));
        QCOMPARE(abraham.at(5), main->gridCell(1, 1)); // done: the bracket is closed
        QCOMPARE(abraham.at(6), main->gridCell(1, 1));
        QCOMPARE(lines.at(2), QString());
        QCOMPARE(lines.at(3), QStringLiteral("Element,Birnbaum,Kritičnost"));
        QCOMPARE(lines.at(4).section(QLatin1Char(','), 0, 0), window()->cell(1, 0));
        QCOMPARE(lines.size(), 4 + window()->rows() - 1 + 1); // the last line ends too

        // Cancelled: nothing happens.
        main->setDialogAnswer([](QFileDialog*) -> std::optional<std::string> { return std::nullopt; });
        item("Spremirezultate1")->trigger();
        QVERIFY(main->isEnabled());

        // A folder that is not there: the error window, and no file.
        const QString missing = dir.filePath(QStringLiteral("nema/rezultati.csv"));
        main->setDialogAnswer([&](QFileDialog*) -> std::optional<std::string> { return missing.toStdString(); });
        item("Spremirezultate1")->trigger();
        TForm2* error = windows->form2.get();
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(error->firstLine(), QString::fromUtf8(kResultsSaveFailed));
        QCOMPARE(error->secondLine(), QString::fromUtf8(kCannotOpenOutput));
        QVERIFY(!main->isEnabled());
        QVERIFY(!QFile::exists(missing));
        screenshot(error, QStringLiteral("results-save-error"));
        error->close();
        QTRY_VERIFY(main->isEnabled());
    }
};

VELMOR_UI_TEST_MAIN(ImportanceWindowTest)
#include "ImportanceWindowTest.moc"
