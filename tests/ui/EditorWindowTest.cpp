// The structure editor in the wired program: opening and closing with the
// main window's rules, typing and leaving fields, the direction and its
// pictures, internal errors, accepting a structure; with screenshots.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Unos.h"
#include "ui/Windows.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace velmor;

namespace {

void save(QWidget* widget, const QString& name)
{
    QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
    QVERIFY(widget->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/") + name + QStringLiteral(".png")));
}

QString item(int label)
{
    return QString::fromStdString(labelText(label));
}

} // namespace

class EditorWindowTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    TForm5* editor = nullptr;
    QStringList exceptions;
    ExceptionDisplay previousDisplay;

    template <typename T>
    T* in(const char* name) const
    {
        return editor->findChild<T*>(QString::fromLatin1(name));
    }
    template <typename T>
    T* onMain(const char* name) const
    {
        return qobject_cast<T*>(main->control(QString::fromLatin1(name)));
    }
    void click(const char* button) { QTest::mouseClick(in<QPushButton>(button), Qt::LeftButton); }
    // Types into a field as the user does, then moves the focus on.
    void typeInto(const char* field, const QString& text, const char* next)
    {
        QLineEdit* edit = in<QLineEdit>(field);
        edit->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClicks(edit, text);
        in<QWidget>(next)->setFocus(Qt::MouseFocusReason);
    }
    void openEditor()
    {
        main->novadatotekaClick();
        QVERIFY(editor->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        editor->activateWindow();
        QTRY_VERIFY(editor->isActiveWindow());
    }
    void load(const char* file)
    {
        const QString path = QStringLiteral(VELMOR_SOURCE_DIR "/examples/") + QString::fromLatin1(file);
        main->setDialogAnswer([path](QFileDialog*) -> std::optional<std::string> { return path.toStdString(); });
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(enabled("play"));
    }

private slots:
    void init()
    {
        wireProgram();
        editor = windows->form5.get();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        exceptions.clear();
        previousDisplay = setExceptionDisplay([this](const QString& message) { exceptions << message; });
    }
    void cleanup()
    {
        setExceptionDisplay(previousDisplay);
        editor->hide();
        unwireProgram();
    }

    // The lists take the focus, and the toolkit makes their first item the
    // current one; that is no selection of the user's: "izbaci" removes
    // nothing and the fields stay empty.
    void focusAloneSelectsNothing()
    {
        load("primjer.dsm");
        openEditor();
        auto* nodes = in<QListWidget>("ListBox1");
        auto* edges = in<QListWidget>("ListBox2");
        QCOMPARE(nodes->count(), 3);
        QCOMPARE(edges->count(), 3);
        nodes->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(nodes->hasFocus());
        QVERIFY(nodes->selectedItems().isEmpty());
        QCOMPARE(in<QLineEdit>("Edit3")->text(), QString());
        QCOMPARE(in<QLineEdit>("Edit1")->text(), QString());
        click("SpeedButton1"); // izbaci
        QCOMPARE(nodes->count(), 3);
        QCOMPARE(editor->editor().elements().count(), 6);

        // Tabbing on into the edge list does the same.
        edges->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(edges->hasFocus());
        QVERIFY(edges->selectedItems().isEmpty());
        QCOMPARE(in<QLineEdit>("Edit4")->text(), QString());
        click("SpeedButton3");
        QCOMPARE(edges->count(), 3);
        QCOMPARE(editor->editor().elements().count(), 6);

        // A key that moves in the list selects, as a click does.
        QTest::keyClick(edges, Qt::Key_Down);
        QCOMPARE(edges->selectedItems().size(), 1);
        QCOMPARE(in<QLineEdit>("Edit4")->text(), edges->selectedItems().constFirst()->text().trimmed());
        click("SpeedButton3");
        QCOMPARE(edges->count(), 2);
    }

    void buildingAStructureByHand()
    {
        openEditor();
        QCOMPARE(editor->pos(), QPoint(main->pos().x(), main->pos().y() + 90));
        QCOMPARE(editor->size(), QSize(738, 321));
        QVERIFY(!main->isEnabled());
        QVERIFY(!enabled("novadatoteka"));
        QVERIFY(!enabled("Novastruktura1"));
        QCOMPARE(in<QListWidget>("ListBox1")->count(), 0);
        // No direction chosen on the main window: the editor shows the
        // undirected pictures and the main window follows it.
        QVERIFY(in<QRadioButton>("RadioButton2")->isChecked());
        QVERIFY(!editor->directedPicturesShown());
        QVERIFY(onMain<QRadioButton>("RadioButton2")->isChecked());

        click("SpeedButton2");
        click("SpeedButton2");
        click("SpeedButton4");
        QCOMPARE(in<QListWidget>("ListBox1")->count(), 2);
        QCOMPARE(in<QListWidget>("ListBox1")->item(1)->text(), item(2));
        QCOMPARE(in<QComboBox>("ComboBox1")->currentText(), item(1));

        in<QListWidget>("ListBox1")->setCurrentRow(0);
        typeInto("Edit1", QStringLiteral("0.5"), "Edit3");
        // Availability of node 2, typed and committed by leaving the field.
        in<QListWidget>("ListBox1")->setCurrentRow(1);
        QCOMPARE(in<QLineEdit>("Edit3")->text(), QStringLiteral("2"));
        QCOMPARE(in<QLineEdit>("Edit1")->text(), QStringLiteral("0"));
        typeInto("Edit1", QStringLiteral("0.95"), "Edit3");
        QCOMPARE(editor->editor().elements().entryAt(1)->availability, 0.95L);
        // Leaving a field without typing commits nothing.
        in<QLineEdit>("Edit3")->setText(QStringLiteral("8"));
        in<QLineEdit>("Edit1")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(editor->editor().elements().entryAt(1)->label, 2);
        // A label that is not a number goes to the standard exception display.
        typeInto("Edit3", QStringLiteral("x1"), "Edit1");
        QCOMPARE(exceptions.size(), 1);
        QCOMPARE(exceptions.first(), QStringLiteral("'x1' nije ispravna cjelobrojna vrijednost"));
        QCOMPARE(in<QLineEdit>("Edit3")->text(), QStringLiteral("x1"));

        // Edge 1 leaves node 1 and enters node 2.
        in<QComboBox>("ComboBox2")->setCurrentIndex(0);
        emit in<QComboBox>("ComboBox2")->activated(0);
        emit in<QComboBox>("ComboBox3")->activated(1);
        QCOMPARE(in<QComboBox>("ComboBox3")->currentText(), item(2));
        in<QListWidget>("ListBox2")->setCurrentRow(0);
        typeInto("Edit2", QStringLiteral("0.9"), "Edit4");

        in<QRadioButton>("RadioButton1")->click();
        QVERIFY(editor->directedPicturesShown());
        QVERIFY(onMain<QRadioButton>("RadioButton1")->isChecked());
        save(editor, QStringLiteral("editor"));
        QVERIFY(in<QLabel>("Label1")->text() == QStringLiteral("Podešavanje parametara strukture i povezanosti elemenata"));

        click("SpeedButton8"); // prihvati promjene
        QVERIFY(!editor->isVisible());
        QVERIFY(main->isEnabled());
        QVERIFY(enabled("novadatoteka"));
        QVERIFY(enabled("play"));
        QVERIFY(enabled("zatvoritrenutni"));
        QVERIFY(enabled("rezstr"));
        QCOMPARE(onMain<QComboBox>("ComboBox1")->count(), 2);
        QCOMPARE(controller->workspace().elements.count(), 3);
        QCOMPARE(controller->workspace().directedMatrix.get(2, 0), 1);
        QVERIFY(editor->editor().elements().count() == 0); // the private copies are emptied

        // Run it: source 1, destination 2, ideal terminals: only the edge counts.
        onMain<QComboBox>("ComboBox1")->setCurrentIndex(0);
        emit onMain<QComboBox>("ComboBox1")->activated(0);
        onMain<QComboBox>("ComboBox2")->setCurrentIndex(1);
        emit onMain<QComboBox>("ComboBox2")->activated(1);
        onMain<QCheckBox>("CheckBox5")->click();
        main->playClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play") && !main->gridCell(1, 1).isEmpty(), 20000);
        QCOMPARE(main->gridCell(1, 1).replace(QLatin1Char(','), QLatin1Char('.')), QStringLiteral("0.9"));
    }

    void discardingKeepsTheDirectionChosenInTheEditor()
    {
        load("primjer.dsm");
        onMain<QCheckBox>("zadan2")->click(); // the direction is no longer the file's
        QVERIFY(onMain<QRadioButton>("RadioButton1")->isChecked());
        openEditor();
        QVERIFY(in<QRadioButton>("RadioButton1")->isChecked());
        QVERIFY(editor->directedPicturesShown());
        QCOMPARE(in<QListWidget>("ListBox1")->count(), 3);
        QCOMPARE(in<QListWidget>("ListBox2")->count(), 3);
        click("SpeedButton2");
        in<QRadioButton>("RadioButton2")->click();
        QVERIFY(onMain<QRadioButton>("RadioButton2")->isChecked());
        click("SpeedButton7"); // odbaci  promjene
        QVERIFY(!editor->isVisible());
        QVERIFY(main->isEnabled());
        QVERIFY(onMain<QRadioButton>("RadioButton2")->isChecked());
        QVERIFY(onMain<QAction>("Ne1")->isChecked());
        QCOMPARE(controller->workspace().elements.count(), 6); // the added node is gone

        // Reopened, the editor starts from the structure again.
        openEditor();
        QCOMPARE(in<QListWidget>("ListBox1")->count(), 3);
        editor->close();
        QVERIFY(main->isEnabled());
    }

    void anInternalErrorDisablesOnlyTheEditor()
    {
        openEditor();
        click("SpeedButton4");
        click("SpeedButton4");
        in<QListWidget>("ListBox2")->setCurrentRow(0);
        typeInto("Edit4", QStringLiteral("9"), "Edit2");
        QCOMPARE(in<QListWidget>("ListBox2")->item(1)->text(), item(9));
        // The drop-down still offers edge 1 until "osvježi".
        QCOMPARE(in<QComboBox>("ComboBox1")->itemText(0), item(1));
        emit in<QComboBox>("ComboBox1")->activated(0);
        QVERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Interna pogreška u programu , jer nije moguće"));
        QCOMPARE(windows->form2->secondLine(), QStringLiteral("pronaći zadanu granu u repozitoriju svih grana"));
        QVERIFY(!editor->isEnabled());
        windows->form2->close();
        QVERIFY(editor->isEnabled());
        QVERIFY(!main->isEnabled());

        click("SpeedButton6"); // osvježi
        QCOMPARE(in<QComboBox>("ComboBox1")->itemText(1), item(9));
        editor->close();
        QVERIFY(main->isEnabled());
        QVERIFY(!controller->structurePresent());
    }

    void captionsFitTheirRoom()
    {
        openEditor();
        for (QLabel* label : editor->findChildren<QLabel*>())
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width(),
                     qPrintable(label->text()));
        for (QGroupBox* box : editor->findChildren<QGroupBox*>())
            QVERIFY2(QFontMetrics(box->font()).horizontalAdvance(box->title()) + 12 <= box->width(),
                     qPrintable(box->title()));
        for (QPushButton* button : editor->findChildren<QPushButton*>())
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 8 <= button->width(),
                     qPrintable(button->text()));
        save(editor, QStringLiteral("editor-empty"));
        editor->close();
    }
};

VELMOR_UI_TEST_MAIN(EditorWindowTest)
#include "EditorWindowTest.moc"
