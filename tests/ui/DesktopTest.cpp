// The program on a desktop: a structure file named on the command line or
// dropped on the main window opens as the Open command opens it, and Qt's
// own texts (dialogs, context menus, message boxes) are Croatian.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/DesktopArguments.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

using namespace velmor;

namespace {

QString example(const char* name)
{
    return QStringLiteral(VELMOR_SOURCE_DIR "/examples/") + QString::fromLatin1(name);
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& text)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A 5 x 5 grid: NPR runs on it far longer than a test waits.
QByteArray slowGridFile()
{
    QByteArray text = "struktura:\n{\nusmjeren:\n{\nne;\n}\ncvorovi:\n{\n";
    for (int i = 1; i <= 25; ++i)
        text += QByteArray::number(i) + " , 0.99;\n";
    text += "}\ngrane:\n{\n";
    int edge = 100;
    for (int node = 1; node <= 25; ++node) {
        if (node % 5 != 0)
            text += QByteArray::number(edge++) + " , " + QByteArray::number(node) + " , "
                    + QByteArray::number(node + 1) + " , 0.9;\n";
        if (node <= 20)
            text += QByteArray::number(edge++) + " , " + QByteArray::number(node) + " , "
                    + QByteArray::number(node + 5) + " , 0.9;\n";
    }
    text += "}\npar:\n{\n1 , 25;\n}\n}\n";
    return text;
}

std::unique_ptr<QMimeData> filesDragged(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << (path.contains(QStringLiteral("://")) ? QUrl(path) : QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

} // namespace

class DesktopTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    bool dialogShown = false;

    template <typename T>
    T* named(const char* name) const
    {
        return qobject_cast<T*>(main->control(QString::fromLatin1(name)));
    }
    QString fileField() const { return named<QLineEdit>("Edit1")->text(); }

    // Drags the files over the main window and drops them there, as a file
    // manager does; whether the window took the drag and the drop.
    std::pair<bool, bool> dragAndDrop(const QStringList& paths)
    {
        const std::unique_ptr<QMimeData> data = filesDragged(paths);
        const QPoint at = main->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(main, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        QCoreApplication::sendEvent(main, &drop);
        controller->waitForArchive();
        return {enter.isAccepted(), drop.isAccepted()};
    }

private slots:
    void init()
    {
        dialogShown = false;
        wireProgram();
        // Neither way of opening a file shows the open dialog.
        main->setDialogAnswer([this](QFileDialog*) -> std::optional<std::string> {
            dialogShown = true;
            return std::nullopt;
        });
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        QVERIFY(!dialogShown);
        unwireProgram();
    }

    void commandLine()
    {
        DesktopArguments a = parseDesktopArguments({});
        QVERIFY(!a.help && !a.version && a.file.empty() && a.error.empty());
        a = parseDesktopArguments({"most.dsm"});
        QCOMPARE(a.file, std::string("most.dsm"));
        QVERIFY(a.error.empty());
        QVERIFY(parseDesktopArguments({"--help"}).help);
        QVERIFY(parseDesktopArguments({"-h"}).help);
        QVERIFY(parseDesktopArguments({"--version", "most.dsm"}).version);
        a = parseDesktopArguments({"--", "--version"});
        QVERIFY(!a.version);
        QCOMPARE(a.file, std::string("--version"));
        QCOMPARE(parseDesktopArguments({"-"}).file, std::string("-"));
        QCOMPARE(parseDesktopArguments({"--bogus", "a.dsm"}).error, std::string("nepoznata opcija '--bogus'"));
        QCOMPARE(parseDesktopArguments({"a.dsm", "b.dsm"}).error,
                 std::string("može se zadati samo jedna datoteka strukture, ne i 'b.dsm'"));
        QCOMPARE(parseDesktopArguments({""}).error, std::string("naziv datoteke je prazan"));
        // The version line the GNU way.
        QCOMPARE(desktopVersionText(), std::string("velmor (Velmor) " VELMOR_PROJECT_VERSION "\n"));
        QVERIFY(desktopHelpText().rfind("Uporaba: velmor [DATOTEKA]\n", 0) == 0);
    }

    // velmor most.dsm, started in the folder of the file: the file-name field
    // shows the full path, as after the open dialog.
    void startUpOpensTheNamedFile()
    {
        QDir::setCurrent(QStringLiteral(VELMOR_SOURCE_DIR "/examples"));
        const DesktopArguments arguments = parseDesktopArguments({"most.dsm"});
        QVERIFY(main->openStructureFile(QString::fromStdString(arguments.file)));
        controller->waitForArchive();
        QTRY_VERIFY(enabled("play"));
        QCOMPARE(fileField(), QDir::current().absoluteFilePath(QStringLiteral("most.dsm")));
        QCOMPARE(named<QComboBox>("ComboBox1")->currentText().trimmed(), QStringLiteral("1"));
        QCOMPARE(named<QComboBox>("ComboBox2")->currentText().trimmed(), QStringLiteral("4"));
        QVERIFY(named<QCheckBox>("zadan1")->isChecked());
        QVERIFY(!windows->form2->isVisible());
    }

    void startUpWithABadFileShowsTheReadersMessage()
    {
        QTemporaryDir dir;
        const QString bad = writeFile(dir, "los.dsm", "struktura:\n{\n usmjeren:\n {\n da;\n }\n cvorovi:\n {\n 1 , 1.5;\n }\n}\n");
        QVERIFY(main->openStructureFile(bad));
        QTRY_VERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"));
        QCOMPARE(windows->form2->secondLine(), QStringLiteral("Nije moguće zapisati podatke o čvorovima u listu"));
        QVERIFY(!main->isEnabled());
        QVERIFY(fileField().isEmpty());
        QVERIFY(!enabled("play"));

        // While the error window is open the main window takes no file.
        QVERIFY(!main->openStructureFile(example("most.dsm")));
        QCOMPARE(dragAndDrop({example("most.dsm")}), std::make_pair(false, false));
        QVERIFY(fileField().isEmpty());
        windows->form2->close();
        QTRY_VERIFY(main->isEnabled());

        QVERIFY(main->openStructureFile(dir.filePath(QStringLiteral("nema.dsm"))));
        QTRY_VERIFY(windows->form2->isVisible());
        QCOMPARE(windows->form2->firstLine(), QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"));
        QCOMPARE(windows->form2->secondLine(), QStringLiteral("Nije moguće otvoriti zadanu datoteku"));
        windows->form2->close();
        QTRY_VERIFY(main->isEnabled());
    }

    void droppedStructureFileOpens()
    {
        QCOMPARE(dragAndDrop({example("primjer.dsm")}), std::make_pair(true, true));
        QTRY_VERIFY(enabled("play"));
        QCOMPARE(fileField(), example("primjer.dsm"));
        QVERIFY(named<QCheckBox>("zadan2")->isChecked());

        // Another one replaces it; the extension in capitals counts too.
        QTemporaryDir dir;
        QVERIFY(QFile::copy(example("most.dsm"), dir.filePath(QStringLiteral("MOST.DSM"))));
        QCOMPARE(dragAndDrop({dir.filePath(QStringLiteral("MOST.DSM"))}), std::make_pair(true, true));
        QTRY_COMPARE(named<QComboBox>("ComboBox2")->currentText().trimmed(), QStringLiteral("4"));
        QCOMPARE(fileField(), dir.filePath(QStringLiteral("MOST.DSM")));
    }

    void onlyOneLocalStructureFileIsTaken()
    {
        QTemporaryDir dir;
        const QString text = writeFile(dir, "primjer.txt", "struktura:\n");
        for (const QStringList& paths : {QStringList{text}, QStringList{example("most.dsm"), example("primjer.dsm")},
                                         QStringList{QStringLiteral("https://example.org/most.dsm")}, QStringList{}}) {
            QCOMPARE(dragAndDrop(paths), std::make_pair(false, false));
            QVERIFY(fileField().isEmpty());
            QVERIFY(!enabled("play"));
        }
    }

    // During a run Open is disabled, and so is dropping.
    void dropWhileOpenIsDisabledDoesNothing()
    {
        QTemporaryDir dir;
        const QString grid = writeFile(dir, "resetka5.dsm", slowGridFile());
        QVERIFY(main->openStructureFile(grid));
        QTRY_VERIFY(enabled("play"));
        named<QCheckBox>("CheckBox5")->click();
        main->playClick();
        QTRY_VERIFY(enabled("pause"));
        QVERIFY(!enabled("otvoridatoteku"));
        QVERIFY(!main->openEnabled());

        QCOMPARE(dragAndDrop({example("most.dsm")}), std::make_pair(false, false));
        QVERIFY(!main->openStructureFile(example("most.dsm")));
        QCOMPARE(fileField(), grid);
        QVERIFY(enabled("pause")); // still running

        main->stopClick();
        QTRY_VERIFY_WITH_TIMEOUT(enabled("play"), 20000);
        QVERIFY(main->openEnabled());
        QCOMPARE(dragAndDrop({example("most.dsm")}), std::make_pair(true, true));
        QTRY_COMPARE(fileField(), example("most.dsm"));
    }

    // Qt's own texts come from its Croatian catalogue.
    void toolkitTextsAreCroatian()
    {
        QFileDialog* dialog = main->openDialog();
        dialog->open();
        QTRY_VERIFY(dialog->isVisible());
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("&Otvori"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Odustani"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(), QStringLiteral("Pogledaj u:"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(), QStringLiteral("&Ime datoteke:"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("fileTypeLabel"))->text(), QStringLiteral("Datoteke ove vrste:"));
        // The program's own title and filters stay as they are.
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Učitaj iz datoteke"));
        QCOMPARE(dialog->nameFilters().constFirst(), QStringLiteral("Datoteka strukture mreže ( *.dsm ) (*.dsm)"));
        dialog->reject();

        QLineEdit field; // an editable one, as in the editor and the settings
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text().section(QLatin1Char('\t'), 0, 0);
        QCOMPARE(texts, QStringList({"&Poništi", "Po&novi", "&Izreži", "&Kopiraj", "&Zalijepi", "Ukloni", "Odaberi sve"}));

        QMessageBox box(QMessageBox::Critical, QStringLiteral("naslov"), QStringLiteral("poruka"), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("U redu"));
    }
};

VELMOR_UI_TEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
