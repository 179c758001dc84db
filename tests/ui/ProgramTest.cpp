// The program as the user meets it: the windows wired to the controller,
// loading, running, pausing and stopping through the main window's own
// handlers, with screenshots of the states worth looking at.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace velmor;

namespace {

QString example(const char* name)
{
    return QStringLiteral(VELMOR_SOURCE_DIR "/examples/") + QString::fromLatin1(name);
}

// A 5 x 5 grid: no algorithm finishes it within a test's patience.
QByteArray slowGridFile()
{
    QByteArray text = "struktura:\n{\nusmjeren:\n{\nne;\n}\ncvorovi:\n{\n";
    for (int i = 1; i <= 25; ++i)
        text += QByteArray::number(i) + " , 0.99;\n";
    text += "}\ngrane:\n{\n";
    int edge = 100;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            const int node = r * 5 + c + 1;
            if (c < 4)
                text += QByteArray::number(edge++) + " , " + QByteArray::number(node) + " , "
                        + QByteArray::number(node + 1) + " , 0.9;\n";
            if (r < 4)
                text += QByteArray::number(edge++) + " , " + QByteArray::number(node) + " , "
                        + QByteArray::number(node + 5) + " , 0.9;\n";
        }
    text += "}\npar:\n{\n1 , 25;\n}\n}\n";
    return text;
}

} // namespace

class ProgramTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    QString nextPath;

    template <typename T>
    T* named(const char* name) const
    {
        return qobject_cast<T*>(main->control(QString::fromLatin1(name)));
    }
    QColor lamp(const char* name) const { return named<Lamp>(name)->fill(); }

    void open(const QString& path)
    {
        nextPath = path;
        main->otvoridatotekuClick();
        controller->waitForArchive();
    }
    void closeErrorWindow()
    {
        windows->form2->close();
        QTRY_VERIFY(main->isEnabled());
    }

private slots:
    void init()
    {
        wireProgram();
        main->setDialogAnswer([this](QFileDialog*) -> std::optional<std::string> {
            if (nextPath.isEmpty())
                return std::nullopt;
            return nextPath.toStdString();
        });
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        unwireProgram();
    }

    void startUpState()
    {
        QVERIFY(named<QCheckBox>("CheckBox1")->isChecked());
        QVERIFY(named<QCheckBox>("CheckBox2")->isChecked());
        QVERIFY(named<QRadioButton>("RadioButton5")->isChecked());
        QVERIFY(named<QRadioButton>("RadioButton8")->isChecked());
        QVERIFY(named<QRadioButton>("RadioButton10")->isChecked());
        QVERIFY(!enabled("play"));
        QVERIFY(!enabled("CheckBox3"));
        QVERIFY(enabled("otvoridatoteku"));
        QCOMPARE(lamp("Shape1"), QColor(166, 202, 240));
        QCOMPARE(main->gridRows(), 2);
        QCOMPARE(main->gridCell(0, 0), QStringLiteral("Primjenjeni algoritam"));
    }

    void loadWithPairAndDirection()
    {
        open(example("primjer.dsm"));
        QTRY_VERIFY(enabled("play"));
        QCOMPARE(named<QLineEdit>("Edit1")->text(), example("primjer.dsm"));
        QVERIFY(named<QCheckBox>("zadan1")->isChecked());
        QVERIFY(named<QCheckBox>("zadan2")->isChecked());
        QVERIFY(enabled("zadan1"));
        QVERIFY(!enabled("ComboBox1"));
        QCOMPARE(named<QComboBox>("ComboBox1")->currentText().trimmed(), QStringLiteral("1"));
        QCOMPARE(named<QComboBox>("ComboBox2")->currentText().trimmed(), QStringLiteral("3"));
        QVERIFY(named<QRadioButton>("RadioButton1")->isChecked());
        QVERIFY(!enabled("RadioButton1"));
        QVERIFY(!enabled("spremipodatke"));
        QCOMPARE(lamp("Shape2"), QColor(0, 0, 255));

        // Unticking the pair enables the choices and keeps the selection.
        named<QCheckBox>("zadan1")->click();
        QVERIFY(enabled("ComboBox1"));
        QCOMPARE(named<QComboBox>("ComboBox2")->currentText().trimmed(), QStringLiteral("3"));
        // Switching the direction enables saving.
        named<QCheckBox>("zadan2")->click();
        named<QRadioButton>("RadioButton2")->click();
        QVERIFY(enabled("spremipodatke"));
    }

    void loadWithoutPair()
    {
        open(example("bez_para.dsm"));
        QTRY_VERIFY(enabled("play"));
        QVERIFY(enabled("ComboBox1"));
        QVERIFY(enabled("ComboBox2"));
        QCOMPARE(named<QComboBox>("ComboBox1")->currentIndex(), -1);
        QVERIFY(!named<QCheckBox>("zadan1")->isChecked());
        QVERIFY(!enabled("zadan1"));

        named<QCheckBox>("CheckBox3")->click();
        main->playClick();
        QTRY_VERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Ili izvorišni ili odredišni čvor nisu zadani,"));
        QVERIFY(!main->isEnabled());
        closeErrorWindow();
    }

    void failedLoad()
    {
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("los.dsm"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("struktura:\n{\n usmjeren:\n {\n da;\n }\n cvorovi:\n {\n 1 , 1.5;\n }\n}\n");
        file.close();
        open(bad);
        QTRY_VERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"));
        QCOMPARE(windows->form2->secondLine(), QStringLiteral("Nije moguće zapisati podatke o čvorovima u listu"));
        QVERIFY(!main->isEnabled());
        QVERIFY(named<QLineEdit>("Edit1")->text().isEmpty());
        QVERIFY(!enabled("play"));
        closeErrorWindow();
    }

    void fullRunWithAllAlgorithms()
    {
        open(example("most.dsm"));
        QTRY_VERIFY(enabled("play"));
        for (const char* box : {"CheckBox3", "CheckBox4", "CheckBox5"})
            named<QCheckBox>(box)->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && main->gridRows() == 4 && main->gridCell(3, 4) != QString(), 20000);
        QTRY_COMPARE(main->gridCell(3, 0), QStringLiteral("NPR"));
        for (int row = 1; row <= 3; ++row) {
            QCOMPARE(main->gridCell(row, 1).replace(QLatin1Char(','), QLatin1Char('.')), QStringLiteral("0.97848"));
            QCOMPARE(main->gridCell(row, 4), QStringLiteral("nisu primjećene"));
        }
        QCOMPARE(main->gridCell(1, 0), QStringLiteral("Abraham"));
        QCOMPARE(main->gridCell(2, 0), QStringLiteral("ENR"));
        for (const char* shape : {"Shape1", "Shape2", "Shape3"})
            QCOMPARE(lamp(shape), QColor(0, 255, 0));
        QCOMPARE(named<QProgressBar>("ProgressBar1")->value(), 10000);
        QVERIFY(enabled("rezabr"));
        QVERIFY(enabled("detaljni"));
        QVERIFY(!enabled("pause"));
        QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
        QVERIFY(main->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/program-after-run.png")));

        main->zatvoritrenutniClick(); // "Oslobodi"
        QCOMPARE(main->gridRows(), 2);
        QVERIFY(main->gridCell(1, 1).isEmpty());
        QVERIFY(named<QLineEdit>("Edit1")->text().isEmpty());
        QVERIFY(!enabled("play"));
    }

    void frontierFromTheMenuAddsAFifthRow()
    {
        open(example("most.dsm"));
        QTRY_VERIFY(enabled("play"));
        for (const char* box : {"CheckBox3", "CheckBox4", "CheckBox5"})
            named<QCheckBox>(box)->click();
        auto* frontier = main->findChild<QAction*>(QStringLiteral("Frontier1"));
        QVERIFY(frontier && frontier->isEnabled() && !frontier->isChecked());
        frontier->trigger();
        QVERIFY(frontier->isChecked());
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && main->gridRows() == 5 && main->gridCell(4, 4) != QString(), 20000);
        QCOMPARE(main->gridCell(4, 0), QStringLiteral("Frontier"));
        QCOMPARE(main->gridCell(4, 1).replace(QLatin1Char(','), QLatin1Char('.')), QStringLiteral("0.97848"));
        QCOMPARE(main->gridCell(4, 4), QStringLiteral("nisu primjećene"));
        QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
        QVERIFY(main->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/program-with-frontier.png")));
        frontier->trigger(); // unticked: the next run has the three alone
        QVERIFY(!frontier->isChecked());
    }

    void pauseStopResume()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("resetka5.dsm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(slowGridFile());
        file.close();
        open(path);
        QTRY_VERIFY(enabled("play"));
        named<QCheckBox>("CheckBox4")->click();
        named<QCheckBox>("CheckBox5")->click();
        main->playClick();
        QTRY_VERIFY(enabled("pause"));
        QTRY_VERIFY(controller->workspace().npr.iterations.load() > 0);
        main->pauseClick();
        QVERIFY(!enabled("pause"));
        QVERIFY(enabled("resume"));
        QVERIFY(main->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/program-paused.png")));
        main->stopClick();
        QTest::qWait(100);
        QVERIFY(!enabled("play")); // held threads have not noticed the stop yet
        main->resumeClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play"), 20000);
        QTRY_COMPARE(main->gridCell(1, 4), QStringLiteral("prekinuta nit"));
        QCOMPARE(main->gridCell(2, 4), QStringLiteral("prekinuta nit"));
        QCOMPARE(lamp("Shape2"), QColor(255, 0, 0));
    }

    void limitFromTheSettings()
    {
        open(example("resetka3x3.dsm"));
        QTRY_VERIFY(enabled("play"));
        controller->workspace().settings(Algorithm::Npr).iterationLimit = 1;
        named<QCheckBox>("CheckBox5")->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && main->gridCell(1, 4) != QString(), 20000);
        QCOMPARE(main->gridCell(1, 4), QStringLiteral("ograničena nit"));
    }
};

VELMOR_UI_TEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
