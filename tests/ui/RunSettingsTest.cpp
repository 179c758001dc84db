// The settings window stays open and editable while a run is on; what it
// changes applies from the next run. Built with ThreadSanitizer too, where
// a thread of the run that read a setting as the window writes it is a
// reported race.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Postavke.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "../cli/GridStructure.h"

using namespace velmor;

class RunSettingsTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    QTemporaryDir dir;
    QString path;

    void choose(bool abraham, bool enr, bool npr)
    {
        for (auto [box, on] : {std::pair{"CheckBox3", abraham}, std::pair{"CheckBox4", enr}, std::pair{"CheckBox5", npr}}) {
            auto* check = qobject_cast<QCheckBox*>(main->control(QString::fromLatin1(box)));
            if (check->isChecked() != on)
                check->click();
        }
    }
    QString anomaly(int row) const { return QString::fromStdString(controller->board().cell(row, 4)); }

    // Every control of the settings window once: the six stack sizes a step
    // down, every behaviour "posebno", every limit on with a value.
    void changeEverySetting(TForm7& settings, std::int64_t enrIterations)
    {
        for (int n = 1; n <= 6; ++n) {
            auto* upDown = settings.findChild<UpDown*>(QStringLiteral("UpDown%1").arg(n));
            QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
        }
        for (int n = 2; n <= 6; n += 2)
            QTest::mouseClick(settings.findChild<QRadioButton*>(QStringLiteral("RadioButton%1").arg(n)),
                              Qt::LeftButton);
        for (int group = 0; group < 9; ++group) {
            const TForm7::LimitGroup& g = settings.limitGroup(group);
            QTest::mouseClick(g.limited, Qt::LeftButton);
            g.edit->selectAll();
            // Group 7 is ENR's iteration limit; the others are far beyond this run.
            QTest::keyClicks(g.edit, QString::number(group == 7 ? enrIterations : 4000000000000LL));
        }
    }

private slots:
    void init()
    {
        path = dir.filePath(QStringLiteral("resetka5x5.dsm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(velmor::testing::gridStructure(5, 5).c_str());
        file.close();

        wireProgram();
        main->setDialogAnswer([this](QFileDialog*) -> std::optional<std::string> { return path.toStdString(); });
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        unwireProgram();
    }

    void settingsChangedDuringARunApplyFromTheNext()
    {
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(enabled("play"));
        choose(true, true, true);
        main->playClick();
        QTRY_VERIFY(enabled("stop"));

        TForm7& settings = *windows->form7;
        settings.show();
        QVERIFY(settings.isEnabled());
        changeEverySetting(settings, 50);
        QVERIFY(controller->engine().busy()); // the grid takes far longer than this
        // Not one of the new limits holds this run: each algorithm stops
        // only when told to.
        main->stopClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play"), 60000);
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(anomaly(row), QStringLiteral("prekinuta nit"));

        // The next run goes by them: ENR stops at its 50 iterations.
        settings.hide();
        choose(false, true, false);
        main->playClick();
        // Start is on before and after: the run's end is what was drained
        // once it is idle.
        controller->engine().waitUntilIdle();
        main->mirror(controller->drain());
        QVERIFY(enabled("play"));
        QCOMPARE(anomaly(1), QStringLiteral("ograničena nit"));
        QCOMPARE(controller->workspace().enr.iterations.load(), 50);
    }
};

QTEST_MAIN(RunSettingsTest)
#include "RunSettingsTest.moc"
