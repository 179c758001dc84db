// The main window: its start-up state, the mirroring of control changes,
// the forwarding of user events and the placement of the other windows.
#include "UiTestMain.h"

#include "run/ControlBoard.h"
#include "structure/StructureWorkspace.h"
#include "algorithms/AlgorithmTraits.h"
#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Slika.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>

#include <stdexcept>
#include <thread>

using namespace velmor;

namespace {

// Records every call; `reply` supplies the changes an action returns.
class RecordingActions : public MainActions {
public:
    QStringList calls;
    std::function<ControlUnit(const QString&)> reply = [](const QString&) { return ControlUnit{}; };
    std::mutex lock;
    ControlUnit pending;

    ControlUnit record(const QString& call)
    {
        calls << call;
        return reply(call);
    }

    ControlUnit newStructure() override { return record("newStructure"); }
    ControlUnit openStructure(const PathPrompt&) override { return record("openStructure"); }
    ControlUnit saveStructure(const PathPrompt&) override { return record("saveStructure"); }
    ControlUnit freeStructure() override { return record("freeStructure"); }
    void exitProgram() override { record("exitProgram"); }
    ControlUnit reductionMenu(bool on) override { return record(on ? "reduction on" : "reduction off"); }
    ControlUnit directionMenu(bool directed) override { return record(directed ? "directed" : "undirected"); }
    ControlUnit showMatrix() override { return record("showMatrix"); }
    ControlUnit start() override { return record("start"); }
    ControlUnit pause() override { return record("pause"); }
    ControlUnit resume() override { return record("resume"); }
    ControlUnit stop() override { return record("stop"); }
    ControlUnit stopAlgorithm(Algorithm a) override
    {
        return record("stopAlgorithm " + QString::fromLatin1(algorithmName(a).data()));
    }
    ControlUnit allReports() override { return record("allReports"); }
    ControlUnit reportFromMenu(Algorithm a) override
    {
        return record("reportFromMenu " + QString::fromLatin1(algorithmName(a).data()));
    }
    ControlUnit reportFromResultsBar(Algorithm a) override
    {
        return record("reportFromResultsBar " + QString::fromLatin1(algorithmName(a).data()));
    }
    ControlUnit menuBarToggled(bool shown) override { return record(shown ? "menu shown" : "menu hidden"); }
    ControlUnit optionChanged(const std::string& control, bool checked) override
    {
        return record(QString::fromStdString(control) + (checked ? " on" : " off"));
    }
    ControlUnit nodeChosen(const std::string& control, int index) override
    {
        return record(QStringLiteral("%1 chosen %2").arg(QString::fromStdString(control)).arg(index));
    }
    ControlUnit nodeTyped(const std::string& control, const std::string& text) override
    {
        return record(QStringLiteral("%1 typed '%2'").arg(QString::fromStdString(control), QString::fromStdString(text)));
    }
    ControlUnit errorClosed() override { return record("errorClosed"); }
    ControlUnit pendingChanges() override
    {
        std::lock_guard guard(lock);
        ControlUnit taken;
        taken.swap(pending);
        return taken;
    }
};

QAction* actionOf(TForm1& form, const char* name)
{
    return qobject_cast<QAction*>(form.control(QString::fromLatin1(name)));
}

template <typename T>
T* widgetOf(TForm1& form, const char* name)
{
    return qobject_cast<T*>(form.control(QString::fromLatin1(name)));
}

bool enabledOf(TForm1& form, const QString& name)
{
    QObject* object = form.control(name);
    if (auto* widget = qobject_cast<QWidget*>(object))
        return widget->isEnabled();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->isEnabled();
    return false;
}

bool checkedOf(TForm1& form, const QString& name)
{
    QObject* object = form.control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->isChecked();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->isChecked();
    return false;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        // No help file in the working directory: the start-up must not depend on it.
        QVERIFY(helpless.isValid());
        QDir::setCurrent(helpless.path());
        workspace = std::make_unique<StructureWorkspace>();
        windows = std::make_unique<ProgramWindows>(*workspace);
        main = windows->form1.get();
        main->setEndProcess([this](int status) { endedWith = status; });
        main->setActions(&actions);
        actions.calls.clear();
        actions.reply = [](const QString&) { return ControlUnit{}; };
        endedWith = -1;
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }

    void cleanup()
    {
        windows.reset();
        workspace.reset();
    }

    void startUpShowsOnlyTheMainWindowWithItsCaptionAndSize()
    {
        QCOMPARE(main->windowTitle(),
                 QStringLiteral("Velmor  -  program za računanje raspoloživosti složenih mrežnih struktura"));
        QCOMPARE(applicationTitle(), main->windowTitle());
        for (QWidget* other : {static_cast<QWidget*>(windows->form2.get()), static_cast<QWidget*>(windows->form3.get()),
                               static_cast<QWidget*>(windows->form4.get()), static_cast<QWidget*>(windows->form5.get()),
                               static_cast<QWidget*>(windows->form6.get()), static_cast<QWidget*>(windows->form7.get()),
                               static_cast<QWidget*>(windows->form8.get()), static_cast<QWidget*>(windows->form10.get())})
            QVERIFY2(!other->isVisible(), qPrintable(other->objectName()));

        // Client area 740 x 393 below the menu bar, fixed, no maximise box.
        QCOMPARE(main->centralWidget()->size(), QSize(740, 393));
        QCOMPARE(main->centralWidget()->geometry().bottom(), main->height() - 1);
        QCOMPARE(main->height(), 393 + main->menuBar()->height());
        QCOMPARE(main->minimumSize(), main->maximumSize());
        QVERIFY(!(main->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(main->pos(), QPoint(0, 110));

        // Children from top to bottom.
        QStringList order;
        for (const char* name : {"ToolBar1", "Prikaz", "Podesavanje", "Detalji", "StringGrid1", "ProgressBar1"}) {
            auto* widget = widgetOf<QWidget>(*main, name);
            QVERIFY2(widget, name);
            order << QString::fromLatin1(name);
            if (order.size() > 1) {
                auto* above = widgetOf<QWidget>(*main, order.at(order.size() - 2).toLatin1().constData());
                QCOMPARE(widget->geometry().top(), above->geometry().bottom() + 1);
            }
            QCOMPARE(widget->width(), 740);
        }
        QCOMPARE(widgetOf<QWidget>(*main, "ProgressBar1")->geometry().bottom(), 392);
    }

    void summaryGridAndProgressBar()
    {
        auto* grid = widgetOf<QTableWidget>(*main, "StringGrid1");
        QCOMPARE(grid->size(), QSize(740, 128));
        QCOMPARE(grid->columnCount(), 5);
        QCOMPARE(main->gridRows(), 2);
        const QStringList headers = {"Primjenjeni algoritam", "Izračunata raspoloživost", "Zauzeta memorija [byte]",
                                     "Vrijeme izvođenja [sec]", "Uočene anomalije"};
        const QList<int> widths = {143, 158, 158, 149, 123};
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(main->gridCell(0, c), headers.at(c));
            QCOMPARE(grid->columnWidth(c), widths.at(c));
            QCOMPARE(main->gridCell(1, c), QString());
            QVERIFY(grid->horizontalHeaderItem(c)->textAlignment() & Qt::AlignRight);
        }
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(grid->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QVERIFY(grid->verticalHeader()->isHidden());

        auto* bar = widgetOf<QProgressBar>(*main, "ProgressBar1");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 10000);
        QCOMPARE(bar->value(), 0);
    }

    void menuCaptionsShortcutsAndSeparators()
    {
        // "-" is a separator, ">" a submenu followed by its items in brackets.
        const QStringList expected = {
            "Glavni izbornik",
            "  Novastruktura1|&Nova struktura|Ctrl+N", "  Otvoridatoteku1|&Otvori datoteku|Ctrl+O",
            "  Spremistrukturu1|&Spremi strukturu|Ctrl+S", "  Spremirezultate1|Spremi &rezultate|Ctrl+Shift+S",
            "  Zatvoristrukturu1|&Oslobodi|Ctrl+Z", "  -",
            "  Izlazizprograma1|&Izlaz iz programa|Ctrl+X",
            "Postavke",
            "  Globalne1|Globalne|Ctrl+P", "  -", "  >redukcija", "    Ukljucena1|Uključena|", "    Iskljuena1|Isključena|",
            "  >usmjerenost", "    Da1|usmjeren|", "    Ne1|neusmjeren|",
            "Izvršavanje",
            "  matricastrukture2|matrica strukture|", "  -", "  Start1|Start|F5", "  Pauze1|Pauza|F6",
            "  Nastavi1|Nastavi|F7", "  Stop1|Stop|F8", "  -", "  >prekini nit", "    Abraham3|Abraham|",
            "    ENR3|ENR|", "    NPR3|NPR|", "    Frontier3|Frontier|", "  -",
            "  Frontier1|Metoda granice (Frontier)|",
            "Pregled rezultata",
            "  Svihodabranih1|Svih odabranih|Ctrl+R", "  -", "  A1|Abraham|", "  ENR4|ENR|", "  NPR4|NPR|", "  -",
            "  Vanostelemenata1|Važnost elemenata|",
            "  slikastrukture1|Slika strukture|",
            "Pomoć",
            "  Oporgramu1|Informacije o OS okruženju i autoru|Ctrl+I", "  Koritenje1|Opis programa i korištenje|F1"};

        QStringList actual;
        std::function<void(QMenu*, const QString&)> walk = [&](QMenu* menu, const QString& indent) {
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    actual << indent + "-";
                else if (action->menu()) {
                    actual << indent + ">" + action->text();
                    walk(action->menu(), indent + "  ");
                } else
                    actual << indent + action->objectName() + "|" + action->text() + "|"
                                  + action->shortcut().toString(QKeySequence::PortableText);
            }
        };
        for (QAction* top : main->menuBar()->actions()) {
            actual << top->text();
            walk(top->menu(), QStringLiteral("  "));
        }
        QCOMPARE(actual, expected);
        QVERIFY(actionOf(*main, "Ukljucena1")->isCheckable());
        QVERIFY(actionOf(*main, "Da1")->isCheckable());
        QVERIFY(actionOf(*main, "Frontier1")->isCheckable());
        QVERIFY(!actionOf(*main, "Frontier1")->isChecked());
    }

    void toolbarOrderTooltipsAndGaps()
    {
        // "|" a narrow separator, "_" a wide gap.
        const QString expected = QStringLiteral(
            "novadatoteka:Uređivanje strukture | otvoridatoteku:Učitavanje strukture | spremipodatke:Spremanje strukture"
            " | zatvoritrenutni:Oslobodi _ play:Pokretanje izvođenja | pause:Zaustavljanje izvođenja"
            " | resume:Nastavak izvođenja | stop:Prekidanje izvođenja | detaljni:Grupni prikaz rezultata izvođenja"
            " _ redim:Sakrij ili pokaži meni | postavke:Postavke programa | info:informacije | pomoc:Pomoć");
        auto* toolbar = widgetOf<QToolBar>(*main, "ToolBar1");
        QStringList parts;
        for (QAction* action : toolbar->actions()) {
            if (action->isSeparator())
                parts << QStringLiteral("|");
            else if (toolbar->widgetForAction(action) && toolbar->widgetForAction(action)->objectName() == "gap")
                parts << QStringLiteral("_");
            else {
                parts << action->objectName() + ":" + action->toolTip();
                QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName()));
            }
        }
        QCOMPARE(parts.join(QLatin1Char(' ')), expected);

        // Every button has a picture of its own.
        QSet<QByteArray> pictures;
        for (QAction* action : toolbar->actions()) {
            if (action->isSeparator() || action->icon().isNull())
                continue;
            const QImage image = action->icon().pixmap(16).toImage();
            pictures.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(pictures.size(), 13);
    }

    void initialOptionStatesAreTheNoStructureState()
    {
        const QStringList disabled = {
            "spremipodatke", "Spremistrukturu1", "zatvoritrenutni", "Zatvoristrukturu1", "play", "Start1", "pause",
            "Pauze1", "resume", "Nastavi1", "stop", "Stop1", "Abraham3", "ENR3", "NPR3", "detaljni", "Svihodabranih1",
            "ComboBox1", "ComboBox2", "RadioButton1", "RadioButton2", "RadioButton4", "RadioButton5", "RadioButton6",
            "RadioButton7", "RadioButton8", "RadioButton9", "RadioButton10", "CheckBox1", "CheckBox2", "rezstr",
            "matricastrukture2", "rezabr", "rezenr", "reznpr", "A1", "ENR4", "NPR4", "zadan1", "zadan2", "CheckBox3",
            "CheckBox4", "CheckBox5"};
        const QStringList enabled = {"novadatoteka", "Novastruktura1", "otvoridatoteku", "Otvoridatoteku1",
                                     "Izlazizprograma1", "Globalne1", "postavke", "Ukljucena1", "Iskljuena1", "Da1",
                                     "Ne1", "redim", "info", "Oporgramu1", "pomoc", "Koritenje1"};
        for (const QString& name : disabled)
            QVERIFY2(main->control(name) && !enabledOf(*main, name), qPrintable(name));
        for (const QString& name : enabled)
            QVERIFY2(main->control(name) && enabledOf(*main, name), qPrintable(name));

        const QStringList checked = {"CheckBox1", "CheckBox2", "RadioButton5", "RadioButton8", "RadioButton10",
                                     "Ukljucena1"};
        const QStringList unchecked = {"CheckBox3", "CheckBox4", "CheckBox5", "zadan1", "zadan2", "RadioButton1",
                                       "RadioButton2", "RadioButton4", "RadioButton6", "RadioButton7", "RadioButton9",
                                       "Iskljuena1", "Da1", "Ne1"};
        for (const QString& name : checked)
            QVERIFY2(checkedOf(*main, name), qPrintable(name));
        for (const QString& name : unchecked)
            QVERIFY2(!checkedOf(*main, name), qPrintable(name));

        QCOMPARE(widgetOf<QComboBox>(*main, "ComboBox1")->currentText(), QStringLiteral("odabir izv."));
        QCOMPARE(widgetOf<QComboBox>(*main, "ComboBox2")->currentText(), QStringLiteral("odabir odr."));
        QCOMPARE(widgetOf<QComboBox>(*main, "ComboBox1")->count(), 0);
        QVERIFY(widgetOf<QLineEdit>(*main, "Edit1")->isReadOnly());
        QVERIFY(widgetOf<QLineEdit>(*main, "Edit1")->text().isEmpty());
        for (const char* lamp : {"Shape1", "Shape2", "Shape3"})
            QCOMPARE(widgetOf<Lamp>(*main, lamp)->fill(), QColor(166, 202, 240));
        for (const char* label : {"ABR_pok", "ENR_pok", "NPR_pok"})
            QVERIFY(widgetOf<QLabel>(*main, label)->text().isEmpty());

        // Captions of the options panel and the results bar.
        const QList<QPair<const char*, const char*>> captions = {
            {"zadan1", "Zadana u datoteci"}, {"RadioButton1", "Usmjeren"}, {"RadioButton2", "Neusmjerena"},
            {"zadan2", "Zadan u datoteci"}, {"CheckBox1", "Redukcija"}, {"CheckBox2", "Idealni čvorovi i"},
            {"CheckBox3", "Odaberi"}, {"RadioButton4", "Standardno 1a"}, {"RadioButton5", "Pravilo 1a i 2a"},
            {"CheckBox4", "Odaberi"}, {"RadioButton6", "Standardno"}, {"RadioButton7", "Opt. I razine"},
            {"RadioButton8", "Opt. II razine"}, {"CheckBox5", "Odaberi"}, {"RadioButton9", "Standardno"},
            {"RadioButton10", "Optimizirano"}, {"rezstr", "Matrica strukture"}, {"rezabr", "PD-ovi Abrahama"},
            {"rezenr", "Stablo ENR-a"}, {"reznpr", "Stablo NPR-a"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(widgetOf<QAbstractButton>(*main, name)->text(), QString::fromUtf8(caption));
    }

    void fileDialogsHaveTheirTitlesAndFilters()
    {
        const QStringList shown = {"Datoteka strukture mreže ( *.dsm ) (*.dsm)", "Tekst datoteka ( *.txt ) (*.txt)",
                                   "Sve datoteke ( *.* ) (*)"};
        QCOMPARE(main->openDialog()->windowTitle(), QStringLiteral("Učitaj iz datoteke"));
        QCOMPARE(main->saveDialog()->windowTitle(), QStringLiteral("Spremi u datoteku"));
        // The save dialog offers the graph formats beside the structure file.
        const QStringList savable = {"Datoteka strukture mreže ( *.dsm ) (*.dsm)",
                                     "Graphviz DOT graf ( *.dot ) (*.dot)", "GraphML graf ( *.graphml ) (*.graphml)",
                                     "Tekst datoteka ( *.txt ) (*.txt)", "Sve datoteke ( *.* ) (*)"};
        QCOMPARE(main->openDialog()->nameFilters(), shown);
        QCOMPARE(main->saveDialog()->nameFilters(), savable);
        for (QFileDialog* dialog : {main->openDialog(), main->saveDialog()})
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Datoteka strukture mreže ( *.dsm )"));
        QCOMPARE(main->openDialog()->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(main->saveDialog()->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialogNameFilters(QStringLiteral("A|*.a;*.b|B|*.*")), QStringList({"A (*.a *.b)", "B (*)"}));
    }

    // A name typed without an extension gets the graph format's extension,
    // which chooses the format of the save; the other filters add none.
    void graphFilterAddsItsExtension()
    {
        QFileDialog* dialog = main->saveDialog();
        const QStringList filters = dialog->nameFilters();
        const QStringList suffixes = {"", "dot", "graphml", "", ""};
        QCOMPARE(filters.size(), suffixes.size());
        for (int i = 0; i < filters.size(); ++i) {
            emit dialog->filterSelected(filters.at(i));
            QCOMPARE(dialog->defaultSuffix(), suffixes.at(i));
        }
        QCOMPARE(main->openDialog()->defaultSuffix(), QString());
    }

    void mirrorEnableCheckTextAndColour()
    {
        main->mirror(ControlUnit{ControlChange::enable("CheckBox3", true), ControlChange::enable("play", true),
                                 ControlChange::enable("Start1", true), ControlChange::enable("rezabr", true)});
        for (const char* name : {"CheckBox3", "play", "Start1", "rezabr"})
            QVERIFY2(enabledOf(*main, name), name);
        main->mirror(ControlChange::enable("play", false));
        QVERIFY(!enabledOf(*main, "play"));
        QVERIFY(enabledOf(*main, "Start1"));

        // Checks arrive with the widgets' signals quiet: no user event comes back.
        main->mirror(ControlUnit{ControlChange::check("CheckBox3", true), ControlChange::check("RadioButton4", true),
                                 ControlChange::check("Iskljuena1", true), ControlChange::check("Ukljucena1", false)});
        QVERIFY(checkedOf(*main, "CheckBox3"));
        QVERIFY(checkedOf(*main, "RadioButton4"));
        QVERIFY(!checkedOf(*main, "RadioButton5")); // its group partner
        QVERIFY(checkedOf(*main, "Iskljuena1"));
        QVERIFY(!checkedOf(*main, "Ukljucena1"));
        QCOMPARE(actions.calls, QStringList());

        // A radio button can be cleared although it is its group's checked one.
        main->mirror(ControlChange::check("RadioButton4", false));
        QVERIFY(!checkedOf(*main, "RadioButton4"));
        QVERIFY(!checkedOf(*main, "RadioButton5"));
        QVERIFY(widgetOf<QRadioButton>(*main, "RadioButton4")->autoExclusive());

        main->mirror(ControlUnit{ControlChange::setText("ABR_pok", "3 / 10"),
                                 ControlChange::setText("Edit1", "/tmp/mreža.dsm"),
                                 ControlChange::setText("ComboBox1", "odabir izv. čvor")});
        QCOMPARE(widgetOf<QLabel>(*main, "ABR_pok")->text(), QStringLiteral("3 / 10"));
        QCOMPARE(widgetOf<QLineEdit>(*main, "Edit1")->text(), QStringLiteral("/tmp/mreža.dsm"));
        QCOMPARE(widgetOf<QComboBox>(*main, "ComboBox1")->currentText(), QStringLiteral("odabir izv. čvor"));

        main->mirror(ControlChange::fill("Shape2", kYellow));
        QCOMPARE(widgetOf<Lamp>(*main, "Shape2")->fill(), QColor(255, 255, 0));
        QCOMPARE(widgetOf<Lamp>(*main, "Shape1")->fill(), QColor(166, 202, 240));

        // The window itself is a control too.
        main->mirror(ControlChange::enable("Form1", false));
        QVERIFY(!main->isEnabled());
        main->mirror(ControlChange::enable("Form1", true));

        // Names the window does not have change nothing and do no harm.
        main->mirror(ControlUnit{ControlChange::enable("nema", false), ControlChange::setText("nema", "x"),
                                 ControlChange::fill("play", kRed)});
        QVERIFY(main->isEnabled());
    }

    void mirrorComboItemsAndSelection()
    {
        auto* combo = widgetOf<QComboBox>(*main, "ComboBox1");
        main->mirror(ControlChange::setText("ComboBox1", "odabir izv. čvor"));
        main->mirror(ControlChange::setItems("ComboBox1", {"         12", "          3", "        100"}));
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("          3"));
        QCOMPARE(combo->itemText(1), QStringLiteral("         12"));
        QCOMPARE(combo->itemText(2), QStringLiteral("        100"));
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->currentText(), QStringLiteral("odabir izv. čvor"));

        main->mirror(ControlChange::select("ComboBox1", "         12"));
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("         12"));
        main->mirror(ControlChange::select("ComboBox1", ""));
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->currentText(), QStringLiteral("         12")); // the text stays
        main->mirror(ControlChange::select("ComboBox1", "         77"));
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(actions.calls, QStringList());
    }

    void mirrorGridProgressAndError()
    {
        main->mirror(ControlChange::rowCount(4));
        QCOMPARE(main->gridRows(), 4);
        main->mirror(ControlChange::cell(3, 4, "greška !"));
        main->mirror(ControlChange::cell(1, 0, "Abraham"));
        QCOMPARE(main->gridCell(3, 4), QStringLiteral("greška !"));
        QCOMPARE(main->gridCell(1, 0), QStringLiteral("Abraham"));
        auto* grid = widgetOf<QTableWidget>(*main, "StringGrid1");
        QVERIFY(grid->item(2, 4)->textAlignment() & Qt::AlignRight);
        main->mirror(ControlChange::cell(0, 1, "Raspoloživost"));
        QCOMPARE(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Raspoloživost"));
        main->mirror(ControlChange::cell(9, 0, "izvan"));
        main->mirror(ControlChange::cell(1, 7, "izvan"));
        QCOMPARE(main->gridRows(), 4);

        main->mirror(ControlChange::rowCount(2));
        QCOMPARE(main->gridRows(), 2);
        QCOMPARE(main->gridCell(1, 0), QStringLiteral("Abraham"));
        main->mirror(ControlChange::rowCount(0)); // the header row always stays
        QCOMPARE(main->gridRows(), 1);
        QCOMPARE(main->gridCell(0, 0), QStringLiteral("Primjenjeni algoritam"));

        auto* bar = widgetOf<QProgressBar>(*main, "ProgressBar1");
        main->mirror(ControlChange::progress(2500));
        QCOMPARE(bar->value(), 2500);
        main->mirror(ControlChange::progress(25000));
        QCOMPARE(bar->value(), 10000);
        main->mirror(ControlChange::progress(-3));
        QCOMPARE(bar->value(), 0);

        main->mirror(ControlChange::error("Otvorena datoteka ne sadrži odgovarajuće podatke", "Nije moguće otvoriti zadanu datoteku"));
        TForm2& error = *windows->form2;
        QVERIFY(error.isVisible());
        QCOMPARE(error.firstLine(), QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"));
        QCOMPARE(error.secondLine(), QStringLiteral("Nije moguće otvoriti zadanu datoteku"));
        QVERIFY(!main->isEnabled());
        error.close();
        QVERIFY(main->isEnabled());
        QCOMPARE(actions.calls, QStringList({"errorClosed"}));
    }

    // The window shows what the program's board holds, whatever the sequence.
    void mirrorAgreesWithTheControlBoard()
    {
        const QStringList names = {"play", "Start1", "CheckBox3", "RadioButton1", "RadioButton2", "zadan1",
                                   "Ukljucena1", "Iskljuena1", "ComboBox2", "NPR_pok", "Shape3", "rezenr"};
        ControlBoard board;
        ControlUnit unit;
        for (const QString& name : names) { // the board starts from the window's states
            unit.push_back(ControlChange::enable(name.toStdString(), enabledOf(*main, name)));
            unit.push_back(ControlChange::check(name.toStdString(), checkedOf(*main, name)));
        }
        std::uint32_t seed = 7;
        auto next = [&seed](std::uint32_t range) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % range;
        };
        const std::vector<std::string> items = {"          1", "          2", "         10"};
        for (int i = 0; i < 400; ++i) {
            const std::string name = names.at(static_cast<int>(next(names.size()))).toStdString();
            switch (next(8)) {
            case 0: unit.push_back(ControlChange::enable(name, next(2) == 1)); break;
            case 1:
                if (name.rfind("RadioButton", 0) == 0) { // a radio group keeps one button checked
                    const bool first = next(2) == 1;
                    unit.push_back(ControlChange::check("RadioButton1", first));
                    unit.push_back(ControlChange::check("RadioButton2", !first));
                } else if (name != "NPR_pok" && name != "Shape3" && name != "ComboBox2" && name != "play"
                           && name != "Start1" && name != "rezenr") {
                    unit.push_back(ControlChange::check(name, next(2) == 1));
                }
                break;
            case 2: unit.push_back(ControlChange::setText("NPR_pok", std::to_string(next(100)) + " / 100")); break;
            case 3: unit.push_back(ControlChange::setItems("ComboBox2", {items.begin(), items.begin() + next(4)})); break;
            case 4: unit.push_back(ControlChange::select("ComboBox2", next(3) == 0 ? std::string() : items.at(next(3)))); break;
            case 5: unit.push_back(ControlChange::cell(static_cast<int>(next(4)), static_cast<int>(next(5)),
                                                       "t" + std::to_string(i))); break;
            case 6: unit.push_back(ControlChange::rowCount(static_cast<int>(1 + next(4)))); break;
            case 7: unit.push_back(ControlChange::progress(static_cast<int>(next(12000)))); break;
            }
        }
        for (const ControlChange& change : unit)
            board.apply(change);
        main->mirror(unit);

        for (const QString& name : names) {
            const std::string key = name.toStdString();
            QCOMPARE(enabledOf(*main, name), board.enabled(key));
            if (name != "NPR_pok" && name != "Shape3" && name != "ComboBox2" && name != "play" && name != "Start1"
                && name != "rezenr")
                QCOMPARE(checkedOf(*main, name), board.checked(key));
        }
        QCOMPARE(widgetOf<QLabel>(*main, "NPR_pok")->text().toStdString(), board.text("NPR_pok"));
        auto* combo = widgetOf<QComboBox>(*main, "ComboBox2");
        QCOMPARE(static_cast<std::size_t>(combo->count()), board.control("ComboBox2").items.size());
        QCOMPARE(combo->currentIndex(), board.control("ComboBox2").selected);
        QCOMPARE(main->gridRows(), board.rowCount());
        for (int r = 0; r < board.rowCount(); ++r)
            for (int c = 0; c < ControlBoard::kGridColumns; ++c)
                if (r > 0 || !board.cell(r, c).empty()) // the board's header row starts empty
                    QCOMPARE(main->gridCell(r, c).toStdString(), board.cell(r, c));
        QCOMPARE(widgetOf<QProgressBar>(*main, "ProgressBar1")->value(), std::min(board.progress(), 10000));
        QCOMPARE(actions.calls, QStringList());
    }

    void menuItemsAndButtonsCallOneActionEach()
    {
        for (QObject* object : main->findChildren<QObject*>())
            if (auto* action = qobject_cast<QAction*>(object))
                action->setEnabled(true);
        const QList<QPair<const char*, const char*>> triggers = {
            {"novadatoteka", "newStructure"}, {"Novastruktura1", "newStructure"},
            {"otvoridatoteku", "openStructure"}, {"Otvoridatoteku1", "openStructure"},
            {"spremipodatke", "saveStructure"}, {"Spremistrukturu1", "saveStructure"},
            {"zatvoritrenutni", "freeStructure"}, {"Zatvoristrukturu1", "freeStructure"},
            {"Ukljucena1", "reduction on"}, {"Iskljuena1", "reduction off"}, {"Da1", "directed"}, {"Ne1", "undirected"},
            {"matricastrukture2", "showMatrix"}, {"play", "start"}, {"Start1", "start"}, {"pause", "pause"},
            {"Pauze1", "pause"}, {"resume", "resume"}, {"Nastavi1", "resume"}, {"stop", "stop"}, {"Stop1", "stop"},
            {"Abraham3", "stopAlgorithm Abraham"}, {"ENR3", "stopAlgorithm ENR"}, {"NPR3", "stopAlgorithm NPR"},
            {"detaljni", "allReports"}, {"Svihodabranih1", "allReports"}, {"A1", "reportFromMenu Abraham"},
            {"ENR4", "reportFromMenu ENR"}, {"NPR4", "reportFromMenu NPR"}};
        for (const auto& [name, call] : triggers) {
            actions.calls.clear();
            actionOf(*main, name)->trigger();
            QCOMPARE(actions.calls, QStringList({QString::fromLatin1(call)}));
        }
        const QList<QPair<const char*, const char*>> buttons = {
            {"rezstr", "showMatrix"}, {"rezabr", "reportFromResultsBar Abraham"},
            {"rezenr", "reportFromResultsBar ENR"}, {"reznpr", "reportFromResultsBar NPR"}};
        for (const auto& [name, call] : buttons) {
            actions.calls.clear();
            auto* button = widgetOf<QPushButton>(*main, name);
            button->setEnabled(true);
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(actions.calls, QStringList({QString::fromLatin1(call)}));
        }
    }

    void menuMarksAreTheProgramsToSet()
    {
        // Choosing an item changes no mark by itself ...
        actionOf(*main, "Iskljuena1")->trigger();
        QVERIFY(checkedOf(*main, "Ukljucena1"));
        QVERIFY(!checkedOf(*main, "Iskljuena1"));
        actionOf(*main, "Ukljucena1")->trigger();
        QVERIFY(checkedOf(*main, "Ukljucena1"));
        // ... the marks come with the action's changes.
        actions.reply = [](const QString& call) {
            if (call != "reduction off")
                return ControlUnit{};
            return ControlUnit{ControlChange::check("Iskljuena1", true), ControlChange::check("Ukljucena1", false),
                               ControlChange::check("CheckBox1", false)};
        };
        actionOf(*main, "Iskljuena1")->trigger();
        QVERIFY(!checkedOf(*main, "Ukljucena1"));
        QVERIFY(checkedOf(*main, "Iskljuena1"));
        QVERIFY(!checkedOf(*main, "CheckBox1"));
        QCOMPARE(actions.calls, QStringList({"reduction off", "reduction on", "reduction off"}));
    }

    void userChangesOfOptionsAreReported()
    {
        main->mirror(ControlUnit{ControlChange::enable("CheckBox3", true), ControlChange::enable("RadioButton6", true),
                                 ControlChange::enable("RadioButton7", true), ControlChange::enable("RadioButton8", true),
                                 ControlChange::enable("zadan2", true)});
        QTest::mouseClick(widgetOf<QCheckBox>(*main, "CheckBox3"), Qt::LeftButton);
        QTest::mouseClick(widgetOf<QRadioButton>(*main, "RadioButton7"), Qt::LeftButton);
        QTest::mouseClick(widgetOf<QRadioButton>(*main, "RadioButton7"), Qt::LeftButton); // no change, no report
        QTest::mouseClick(widgetOf<QRadioButton>(*main, "RadioButton8"), Qt::LeftButton);
        QTest::mouseClick(widgetOf<QRadioButton>(*main, "RadioButton7"), Qt::LeftButton);
        QTest::mouseClick(widgetOf<QCheckBox>(*main, "zadan2"), Qt::LeftButton);
        QCOMPARE(actions.calls, QStringList({"CheckBox3 on", "RadioButton7 on", "RadioButton8 on", "RadioButton7 on", "zadan2 on"}));

        // The action's changes are shown at once.
        actions.calls.clear();
        actions.reply = [](const QString& call) {
            return call == "CheckBox3 off" ? ControlUnit{ControlChange::enable("RadioButton4", false)}
                                           : ControlUnit{ControlChange::enable("RadioButton4", true)};
        };
        QTest::mouseClick(widgetOf<QCheckBox>(*main, "CheckBox3"), Qt::LeftButton);
        QVERIFY(!enabledOf(*main, "RadioButton4"));
        QCOMPARE(actions.calls, QStringList({"CheckBox3 off"}));
    }

    void nodeChoicesAreReported()
    {
        main->mirror(ControlUnit{ControlChange::enable("ComboBox2", true),
                                 ControlChange::setItems("ComboBox2", {"          1", "          2"})});
        auto* combo = widgetOf<QComboBox>(*main, "ComboBox2");
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(actions.calls, QStringList({"ComboBox2 chosen 1"}));
        actions.calls.clear();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("7"));
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("1"));
        QCOMPARE(actions.calls, QStringList({"ComboBox2 typed '7'", "ComboBox2 typed '71'"}));

        // Changes shown by the program do not come back as the user's.
        actions.calls.clear();
        main->mirror(ControlUnit{ControlChange::select("ComboBox2", "          1"),
                                 ControlChange::setText("ComboBox2", "odabir odr.čvor")});
        QCOMPARE(actions.calls, QStringList());
    }

    void anExceptionOfAnActionIsShownAndTheWindowGoesOn()
    {
        QStringList shown;
        const ExceptionDisplay previous = setExceptionDisplay([&](const QString& message) { shown << message; });
        actions.reply = [](const QString& call) -> ControlUnit {
            if (call == "showMatrix")
                throw std::runtime_error("matrica nije dostupna");
            return {};
        };
        actionOf(*main, "matricastrukture2")->setEnabled(true);
        actionOf(*main, "matricastrukture2")->trigger();
        actionOf(*main, "Start1")->setEnabled(true);
        actionOf(*main, "Start1")->trigger();
        setExceptionDisplay(previous);
        QCOMPARE(shown, QStringList({"matrica nije dostupna"}));
        QCOMPARE(actions.calls, QStringList({"showMatrix", "start"}));
    }

    void workerChangesAreDrainedOnTheInterfaceThread()
    {
        std::thread worker([this] {
            {
                std::lock_guard guard(actions.lock);
                actions.pending = {ControlChange::setText("ABR_pok", "5 / 9"), ControlChange::progress(4000)};
            }
            main->requestDrain();
        });
        worker.join();
        QCOMPARE(widgetOf<QProgressBar>(*main, "ProgressBar1")->value(), 0); // not before the loop runs
        QTRY_COMPARE(widgetOf<QProgressBar>(*main, "ProgressBar1")->value(), 4000);
        QCOMPARE(widgetOf<QLabel>(*main, "ABR_pok")->text(), QStringLiteral("5 / 9"));
    }

    void exitEndsTheProcessAfterTheProgramsExit()
    {
        actionOf(*main, "Izlazizprograma1")->trigger();
        QCOMPARE(actions.calls, QStringList({"exitProgram"}));
        QCOMPARE(endedWith, 0);

        // Closing the window is the same exit.
        init();
        main->close();
        QCOMPARE(actions.calls, QStringList({"exitProgram"}));
        QCOMPARE(endedWith, 0);
    }

    void redimHidesTheMenuBarAndKeepsTheClientArea()
    {
        const int menuHeight = main->menuBar()->height();
        QVERIFY(menuHeight > 0);
        QVERIFY(main->menuBarShown());
        actionOf(*main, "redim")->trigger();
        QVERIFY(!main->menuBarShown());
        QVERIFY(main->menuBar()->isHidden());
        QCOMPARE(main->height(), 393);
        QTRY_COMPARE(main->centralWidget()->geometry(), QRect(0, 0, 740, 393));
        QCOMPARE(actions.calls, QStringList({"menu hidden"}));

        actionOf(*main, "redim")->trigger();
        QVERIFY(main->menuBarShown());
        QCOMPARE(main->height(), 393 + menuHeight);
        QCOMPARE(actions.calls.last(), QStringLiteral("menu shown"));
    }

    void shortcutsWorkWhileTheMenuBarIsHidden()
    {
        main->redimClick();
        QApplication::setActiveWindow(main);
        if (!QTest::qWaitForWindowActive(main))
            QSKIP("this display cannot activate windows");
        actionOf(*main, "Start1")->setEnabled(true);
        QTest::keyClick(main, Qt::Key_F5);
        QTest::keyClick(main, Qt::Key_R, Qt::ControlModifier); // disabled: nothing
        QCOMPARE(actions.calls, QStringList({"menu hidden", "start"}));
    }

    // Ctrl+Z and Ctrl+X are undo and cut to an edit field; in this window
    // they are "Oslobodi" and "Izlaz iz programa" wherever the focus is.
    void acceleratorsActWhileAnEditFieldHasTheFocus()
    {
        QApplication::setActiveWindow(main);
        if (!QTest::qWaitForWindowActive(main))
            QSKIP("this display cannot activate windows");
        actionOf(*main, "Zatvoristrukturu1")->setEnabled(true);
        for (const char* name : {"ComboBox1", "ComboBox2"}) {
            auto* combo = widgetOf<QComboBox>(*main, name);
            combo->setEnabled(true);
            QLineEdit* edit = combo->lineEdit();
            edit->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(edit->hasFocus());
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral("12"));
            actions.calls.clear();
            QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(actions.calls, QStringList({"freeStructure"}));
            QCOMPARE(edit->text(), QStringLiteral("12")); // not undone
        }
        auto* file = widgetOf<QLineEdit>(*main, "Edit1");
        file->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(file->hasFocus());
        actions.calls.clear();
        QTest::keyClick(file, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(actions.calls, QStringList({"freeStructure"}));

        QLineEdit* edit = widgetOf<QComboBox>(*main, "ComboBox1")->lineEdit();
        edit->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        edit->selectAll();
        actions.calls.clear();
        QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(actions.calls, QStringList({"exitProgram"}));
        QCOMPARE(endedWith, 0);
        QCOMPARE(edit->text(), QStringLiteral("12")); // not cut
    }

    void childAndSettingsWindowsArePlacedBelowTheMainWindow()
    {
        main->move(40, 150);
        QTRY_COMPARE(main->pos(), QPoint(40, 150));
        QWidget probe;
        probe.resize(200, 100);
        main->placeChildWindow(&probe);
        QCOMPARE(probe.pos(), QPoint(40, 240));
        main->placeSettingsWindow(windows->form7.get());
        const int centred = 40 + main->frameGeometry().width() / 2 - windows->form7->frameGeometry().width() / 2;
        QCOMPARE(windows->form7->pos(), QPoint(centred, 264));

        main->redimClick();
        main->placeChildWindow(&probe);
        QCOMPARE(probe.pos(), QPoint(40, 220));
        main->placeSettingsWindow(windows->form7.get());
        QCOMPARE(windows->form7->pos(), QPoint(centred, 244));
        main->redimClick();

        // The settings window opens there and disables nothing.
        main->postavkeClick();
        QVERIFY(windows->form7->isVisible());
        const int centredShown = 40 + main->frameGeometry().width() / 2 - windows->form7->frameGeometry().width() / 2;
        QCOMPARE(windows->form7->pos(), QPoint(centredShown, 264));
        QVERIFY(enabledOf(*main, "postavke") && enabledOf(*main, "Globalne1") && main->isEnabled());
    }

    void informationAndHelpWindowsOpenOnceAtATime()
    {
        const QList<std::tuple<const char*, const char*, QWidget*>> windowsByButton = {
            {"info", "Oporgramu1", windows->form3.get()}, {"pomoc", "Koritenje1", windows->form6.get()}};
        for (const auto& [button, item, window] : windowsByButton) {
            main->redimClick(); // menu hidden: 70 below the main window's top
            actionOf(*main, item)->trigger();
            QVERIFY(window->isVisible());
            QCOMPARE(window->pos(), main->pos() + QPoint(0, 70));
            QVERIFY(!enabledOf(*main, button));
            QVERIFY(!enabledOf(*main, item));
            window->close();
            QVERIFY(!window->isVisible());
            QVERIFY(enabledOf(*main, button));
            QVERIFY(enabledOf(*main, item));
            main->redimClick();
            actionOf(*main, button)->trigger();
            QCOMPARE(window->pos(), main->pos() + QPoint(0, 90));
            window->close();
        }
        // The information window was filled when it opened.
        QCOMPARE(windows->form3->field(1), main->osDescription());
        QVERIFY(windows->form3->field(2).endsWith(QStringLiteral(" KB")));
    }

private:
    QTemporaryDir helpless;
    RecordingActions actions;
    std::unique_ptr<StructureWorkspace> workspace;
    std::unique_ptr<ProgramWindows> windows;
    TForm1* main = nullptr;
    int endedWith = -1;
};

VELMOR_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
