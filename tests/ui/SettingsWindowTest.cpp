// The advanced settings window edits the workspace directly: stack sizes in
// steps of 4096, element behaviour, and limits with their saved values.
#include "UiTestMain.h"

#include "structure/StructureWorkspace.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Postavke.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <stdexcept>

using namespace velmor;

class SettingsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir::setCurrent(scratch.path());
        workspace = std::make_unique<StructureWorkspace>();
        windows = std::make_unique<ProgramWindows>(*workspace);
        windows->form1->setEndProcess([](int) {});
        windows->form1->show();
        settings = windows->form7.get();
    }

    void cleanup()
    {
        windows.reset();
        workspace.reset();
    }

    void windowAndNotebook()
    {
        QCOMPARE(settings->windowTitle(), QStringLiteral("Napredne postavke programa"));
        QCOMPARE(settings->size(), QSize(401, 217));
        QCOMPARE(settings->minimumSize(), settings->maximumSize());
        TabbedNotebook* notebook = settings->notebook();
        QCOMPARE(notebook->objectName(), QStringLiteral("TabbedNotebook1"));
        QCOMPARE(notebook->tabsPerRow(), 4);
        QCOMPARE(notebook->rowCount(), 2);
        const QStringList tabs = {"postavke dretvi", "ponašanje strukture", "ograničenja memorije",
                                  "ograničenja vremena", "ograničenja iteracija"};
        for (int i = 0; i < tabs.size(); ++i)
            QCOMPARE(notebook->tabText(i), tabs.at(i));
        QCOMPARE(notebook->count(), 5);

        // A click on a tab shows its page; its row moves next to the pages.
        settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(settings));
        const QRect before = notebook->tabRect(4);
        QTest::mouseClick(notebook, Qt::LeftButton, {}, before.center());
        QCOMPARE(notebook->currentIndex(), 4);
        QVERIFY(notebook->tabRect(4).top() > before.top());
        QVERIFY(notebook->page(4)->isVisible());
        QVERIFY(!notebook->page(0)->isVisible());

        // Caption lines of the limit pages, "inti" in the Abraham iteration group.
        QStringList iterationAbraham;
        for (QLabel* label : notebook->page(4)->findChildren<QGroupBox*>().first()->findChildren<QLabel*>())
            iterationAbraham << label->text();
        QCOMPARE(iterationAbraham, QStringList({"Prekini izvođenje inti", "kada je izvršeno više", "od",
                                                "iteracija algoritma"}));
        QStringList memoryEnr;
        for (QLabel* label : notebook->page(2)->findChildren<QGroupBox*>().at(1)->findChildren<QLabel*>())
            memoryEnr << label->text();
        QCOMPARE(memoryEnr, QStringList({"Prekini izvođenje niti", "kada je zauzeto više", "od",
                                         "byta za ini algoritam"}));
    }

    void showingDisplaysTheDefaultsAndChangesNothing()
    {
        settings->show();
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(edit(n)->text(), QStringLiteral("20480"));
            QCOMPARE(upDown(n)->position(), 5);
            QCOMPARE(upDown(n)->minimum(), 0);
            QCOMPARE(upDown(n)->maximum(), 4096);
        }
        for (int n = 1; n <= 5; n += 2)
            QVERIFY(radio(n)->isChecked()); // "normalno"
        for (int group = 0; group < 9; ++group) {
            const TForm7::LimitGroup& g = settings->limitGroup(group);
            QVERIFY(g.unlimited->isChecked());
            QVERIFY(!g.edit->isEnabled());
            QVERIFY(g.edit->text().isEmpty());
            QCOMPARE(g.edit->palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
            QCOMPARE(g.unlimited->text(), QStringLiteral("neograničeno"));
            QCOMPARE(g.limited->text(), QStringLiteral("ograničeno"));
        }
        QCOMPARE(workspace->coreStackSize, 20480);
        QCOMPARE(workspace->settings(Algorithm::Abraham).memoryLimit, -1);
        QCOMPARE(workspace->settings(Algorithm::Npr).normal, 1);

        // Reopening shows what the workspace holds now.
        settings->hide();
        workspace->settings(Algorithm::Enr).stackSize = 8192;
        workspace->settings(Algorithm::Npr).normal = 0;
        workspace->settings(Algorithm::Enr).timeLimit = 42;
        settings->show();
        QCOMPARE(edit(5)->text(), QStringLiteral("8192"));
        QCOMPARE(upDown(5)->position(), 2);
        QVERIFY(radio(6)->isChecked());
        const TForm7::LimitGroup& time = settings->limitGroup(4);
        QVERIFY(time.limited->isChecked());
        QVERIFY(time.edit->isEnabled());
        QCOMPARE(time.edit->text(), QStringLiteral("42"));
        QCOMPARE(time.edit->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
        QCOMPARE(workspace->settings(Algorithm::Enr).timeLimit, 42);
        QCOMPARE(workspace->settings(Algorithm::Npr).normal, 0);
    }

    void stackSizesMoveInStepsWithinTheirRange()
    {
        int* fields[] = {&workspace->coreStackSize, &workspace->archiveStackSize, &workspace->displayStackSize,
                         &workspace->settings(Algorithm::Abraham).stackSize, &workspace->settings(Algorithm::Enr).stackSize, &workspace->settings(Algorithm::Npr).stackSize};
        settings->show();
        for (int n = 1; n <= 6; ++n) {
            for (int press = 0; press < 5; ++press)
                QTest::mouseClick(upDown(n)->downButton(), Qt::LeftButton);
            QCOMPARE(*fields[n - 1], 0);
            QCOMPARE(edit(n)->text(), QStringLiteral("0"));
            QTest::mouseClick(upDown(n)->downButton(), Qt::LeftButton); // at the end: nothing
            QCOMPARE(*fields[n - 1], 0);
            QCOMPARE(upDown(n)->position(), 0);
            upDown(n)->press(true);
            QCOMPARE(*fields[n - 1], 4096);
            for (int other = 0; other < 6; ++other)
                if (other != n - 1)
                    QCOMPARE(*fields[other], other < n - 1 ? 4096 : 20480);
        }

        settings->hide();
        workspace->displayStackSize = 16773120; // 4095 steps
        settings->show();
        QCOMPARE(upDown(3)->position(), 4095);
        upDown(3)->press(true);
        QCOMPARE(workspace->displayStackSize, 16777216);
        QCOMPARE(edit(3)->text(), QStringLiteral("16777216"));
        upDown(3)->press(true);
        QCOMPARE(workspace->displayStackSize, 16777216);
    }

    void behaviourButtonsWriteTheirAlgorithmsField()
    {
        settings->show();
        std::uint8_t* fields[] = {&workspace->settings(Algorithm::Abraham).normal, &workspace->settings(Algorithm::Enr).normal, &workspace->settings(Algorithm::Npr).normal};
        for (int a = 0; a < 3; ++a) {
            QTest::mouseClick(radio(2 + 2 * a), Qt::LeftButton); // "posebno"
            QCOMPARE(*fields[a], 0);
            for (int other = a + 1; other < 3; ++other)
                QCOMPARE(*fields[other], 1);
        }
        QTest::mouseClick(radio(3), Qt::LeftButton);
        QCOMPARE(workspace->settings(Algorithm::Enr).normal, 1);
        QCOMPARE(radio(1)->text(), QStringLiteral("normalno"));
        QCOMPARE(radio(2)->text(), QStringLiteral("posebno"));
    }

    void limitsKeepTheirSavedValue()
    {
        settings->show();
        std::int64_t* fields[] = {&workspace->settings(Algorithm::Abraham).memoryLimit,    &workspace->settings(Algorithm::Enr).memoryLimit,
                                  &workspace->settings(Algorithm::Npr).memoryLimit,        &workspace->settings(Algorithm::Abraham).timeLimit,
                                  &workspace->settings(Algorithm::Enr).timeLimit,          &workspace->settings(Algorithm::Npr).timeLimit,
                                  &workspace->settings(Algorithm::Abraham).iterationLimit, &workspace->settings(Algorithm::Enr).iterationLimit,
                                  &workspace->settings(Algorithm::Npr).iterationLimit};
        for (int group = 0; group < 9; ++group) {
            const TForm7::LimitGroup& g = settings->limitGroup(group);
            QCOMPARE(g.edit->objectName(), QStringLiteral("Edit%1").arg(7 + group));
            QCOMPARE(g.unlimited->objectName(), QStringLiteral("RadioButton%1").arg(7 + 2 * group));
            QTest::mouseClick(g.limited, Qt::LeftButton);
            QCOMPARE(*fields[group], 0); // the first time: 0
            QCOMPARE(g.edit->text(), QStringLiteral("0"));
            QVERIFY(g.edit->isEnabled());

            g.edit->selectAll();
            QTest::keyClicks(g.edit, QString::number(5000 + group));
            QCOMPARE(*fields[group], 5000 + group);
            for (int other = 0; other < 9; ++other)
                if (other > group)
                    QCOMPARE(*fields[other], -1);

            QTest::mouseClick(g.unlimited, Qt::LeftButton);
            QCOMPARE(*fields[group], -1);
            QCOMPARE(g.savedLimit, 5000 + group);
            QVERIFY(g.edit->text().isEmpty());
            QVERIFY(!g.edit->isEnabled());
            QTest::mouseClick(g.limited, Qt::LeftButton);
            QCOMPARE(*fields[group], 5000 + group);
            QCOMPARE(g.edit->text(), QString::number(5000 + group));
            // Clicking the checked button again changes nothing.
            QTest::mouseClick(g.limited, Qt::LeftButton);
            QCOMPARE(*fields[group], 5000 + group);
        }

        // A zero limit is not saved: back to "ograničeno" brings the older value.
        const TForm7::LimitGroup& g = settings->limitGroup(0);
        g.edit->setText(QStringLiteral("0"));
        QCOMPARE(workspace->settings(Algorithm::Abraham).memoryLimit, 0);
        QTest::mouseClick(g.unlimited, Qt::LeftButton);
        QCOMPARE(g.savedLimit, 5000);
        QTest::mouseClick(g.limited, Qt::LeftButton);
        QCOMPARE(workspace->settings(Algorithm::Abraham).memoryLimit, 5000);

        // A negative text stores its absolute value and stays as typed.
        g.edit->selectAll();
        QTest::keyClicks(g.edit, QStringLiteral("300"));
        QTest::keyClick(g.edit, Qt::Key_Home);
        QTest::keyClick(g.edit, Qt::Key_Minus);
        QCOMPARE(workspace->settings(Algorithm::Abraham).memoryLimit, 300);
        QCOMPARE(g.edit->text(), QStringLiteral("-300"));
    }

    void aTextThatIsNotAnIntegerIsReportedAndUndone()
    {
        TForm1& main = *windows->form1;
        settings->show();
        const TForm7::LimitGroup& g = settings->limitGroup(5); // NPR time
        QTest::mouseClick(g.limited, Qt::LeftButton);
        g.edit->setText(QStringLiteral("75"));
        QCOMPARE(workspace->settings(Algorithm::Npr).timeLimit, 75);

        g.edit->setFocus();
        g.edit->end(false);
        QTest::keyClick(g.edit, Qt::Key_Backspace);
        QCOMPARE(workspace->settings(Algorithm::Npr).timeLimit, 7);
        QTest::keyClick(g.edit, Qt::Key_Backspace); // empty: not an integer
        TForm2& error = *windows->form2;
        QVERIFY(error.isVisible());
        QCOMPARE(error.firstLine(), QStringLiteral("Unesena vrijednost nije ispravna, pokušaj ponovo"));
        QCOMPARE(error.secondLine(), QStringLiteral("error description : '' nije ispravna cjelobrojna vrijednost"));
        QVERIFY(!settings->isEnabled());
        QVERIFY(main.isEnabled());
        QCOMPARE(workspace->settings(Algorithm::Npr).timeLimit, 7);
        QCOMPARE(g.edit->text(), QStringLiteral("7"));

        error.close();
        QVERIFY(settings->isEnabled());
        QVERIFY(main.isEnabled());

        g.edit->setText(QStringLiteral("12x"));
        QCOMPARE(error.secondLine(), QStringLiteral("error description : '12x' nije ispravna cjelobrojna vrijednost"));
        QCOMPARE(workspace->settings(Algorithm::Npr).timeLimit, 7);
        QCOMPARE(g.edit->text(), QStringLiteral("7"));
        error.close();

        // While unlimited the field's text is not read.
        QTest::mouseClick(g.unlimited, Qt::LeftButton);
        g.edit->setText(QStringLiteral("nešto"));
        QCOMPARE(workspace->settings(Algorithm::Npr).timeLimit, -1);
        QVERIFY(!error.isVisible());
    }

    void limitTextConversion()
    {
        QCOMPARE(parseLimitText("42"), 42);
        QCOMPARE(parseLimitText("  +7"), 7);
        QCOMPARE(parseLimitText("-300"), 300);
        QCOMPARE(parseLimitText("-0"), 0);
        QCOMPARE(parseLimitText("9223372036854775807"), std::int64_t{9223372036854775807});
        for (const char* bad : {"", " ", "-", "12 ", "1.5", "0x10", "abc", "4 2"})
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseLimitText(bad));
        try {
            parseLimitText("9223372036854775808");
            QFAIL("a value beyond the 64-bit range was accepted");
        } catch (const std::invalid_argument& error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("'9223372036854775808' je izvan dopuštenog raspona cijelih brojeva"));
        }
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, parseLimitText("-9223372036854775808"));
    }

private:
    QLineEdit* edit(int n) { return settings->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n)); }
    UpDown* upDown(int n) { return settings->findChild<UpDown*>(QStringLiteral("UpDown%1").arg(n)); }
    QRadioButton* radio(int n) { return settings->findChild<QRadioButton*>(QStringLiteral("RadioButton%1").arg(n)); }

    QTemporaryDir scratch;
    std::unique_ptr<StructureWorkspace> workspace;
    std::unique_ptr<ProgramWindows> windows;
    TForm7* settings = nullptr;
};

VELMOR_UI_TEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
