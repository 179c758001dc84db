// The matrix window in the wired program: opening from the results bar,
// the table of either matrix, double-click toggles, the reduction marker;
// with a screenshot.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Gui.h"
#include "ui/Tablica.h"
#include "ui/Windows.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace velmor;

class MatrixWindowTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    TForm8* matrix = nullptr;

    void load(const QString& path)
    {
        main->setDialogAnswer([path](QFileDialog*) -> std::optional<std::string> { return path.toStdString(); });
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(enabled("rezstr"));
    }
    QStringList row(int r) const
    {
        QStringList cells;
        for (int c = 0; c < matrix->gridColumns(); ++c)
            cells << matrix->cellText(c, r);
        return cells;
    }

private slots:
    void init()
    {
        wireProgram();
        matrix = windows->form8.get();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        matrix->hide();
        unwireProgram();
    }

    void showsAndTogglesTheDirectedMatrix()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        main->matricastrukture2Click();
        QVERIFY(matrix->isVisible());
        QCOMPARE(matrix->pos(), QPoint(main->pos().x(), main->pos().y() + 90));
        QCOMPARE(matrix->gridColumns(), 7);
        QCOMPARE(matrix->gridRows(), 7);
        QCOMPARE(row(0), (QStringList{"Usmj", "N1", "N2", "N3", "e4", "e5", "e6"}));
        QCOMPARE(row(1), (QStringList{"N1", "  -", "  -", "  -", "  X", "  -", "  X"}));
        QCOMPARE(matrix->cellText(2, 4), QStringLiteral("  X")); // e4 -> N2
        QCOMPARE(matrix->corner()->text(), QStringLiteral("Usmj"));
        QCOMPARE(matrix->grid()->horizontalHeader()->defaultSectionSize(), 30);
        QCOMPARE(matrix->grid()->verticalHeader()->defaultSectionSize(), 21);
        QVERIFY(QTest::qWaitForWindowExposed(matrix));
        QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
        QVERIFY(matrix->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/matrix-directed.png")));

        // A real double-click on row N1, column e4.
        QTableWidget* grid = matrix->grid();
        const QRect cell = grid->visualRect(grid->model()->index(0, 3));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(matrix->cellText(4, 1), QStringLiteral("  -"));
        StructureWorkspace& ws = controller->workspace();
        QCOMPARE(ws.directedMatrix.get(3, 0), 0);
        QCOMPARE(ws.undirectedMatrix.get(3, 0), 0);
        QCOMPARE(ws.undirectedMatrix.get(0, 3), 0);
        matrix->StringGrid1DblClick(4, 1);
        QCOMPARE(matrix->cellText(4, 1), QStringLiteral("  X"));
        QCOMPARE(ws.undirectedMatrix.get(0, 3), 1);

        // Diagonal, header and node-with-node cells change nothing.
        matrix->StringGrid1DblClick(1, 1);
        matrix->StringGrid1DblClick(0, 4);
        matrix->StringGrid1DblClick(2, 1);
        QCOMPARE(row(1), (QStringList{"N1", "  -", "  -", "  -", "  X", "  -", "  X"}));

        // The undirected matrix, after the direction changes on the main window.
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("zadan2")))->click();
        qobject_cast<QRadioButton*>(main->control(QStringLiteral("RadioButton2")))->click();
        main->matricastrukture2Click();
        QCOMPARE(matrix->cellText(0, 0), QStringLiteral("Neus"));
        for (int r = 1; r < 7; ++r)
            for (int c = 1; c < 7; ++c)
                QCOMPARE(matrix->cellText(c, r), matrix->cellText(r, c));
    }

    void marksWhatTheReductionRemoved()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("slijepa.dsm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n1 , 0.9;\n2 , 0.9;\n3 , 0.9;\n7 , 0.9;\n}\n"
                   "grane:\n{\n4 , 1 , 2 , 0.9;\n5 , 2 , 3 , 0.9;\n6 , 2 , 7 , 0.9;\n}\npar:\n{\n1 , 3;\n}\n}\n");
        file.close();
        load(path);
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("CheckBox4")))->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && enabled("rezenr"), 20000);
        main->matricastrukture2Click();
        QCOMPARE(row(0), (QStringList{"Usmj", "N1", "N2", "N3", "*N7", "e4", "e5", "*e6"}));
        QCOMPARE(matrix->cellText(0, 7), QStringLiteral("*e6"));
        QVERIFY(matrix->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/matrix-reduced.png")));

        // Released: the table stays as it was until the window is opened again.
        main->zatvoritrenutniClick();
        QCOMPARE(matrix->cellText(0, 7), QStringLiteral("*e6"));
    }
};

VELMOR_UI_TEST_MAIN(MatrixWindowTest)
#include "MatrixWindowTest.moc"
