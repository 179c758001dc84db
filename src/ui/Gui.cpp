#include "ui/Gui.h"

#include "platform/SystemInfo.h"
#include "run/AlgorithmTable.h"
#include "run/ResultRows.h"
#include "ui/Application.h"
#include "ui/Greska.h"
#include "ui/Icons.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velmor {

namespace {

const QColor kPanelColour(166, 202, 240); // the lamps' "no structure" colour

QString captionOf(Algorithm a)
{
    const std::string_view name = algorithmName(a);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Widths of the columns of the options panel; the results bar puts its
// buttons under the same columns.
constexpr int kGraphColumn = 216;
constexpr int kGraphOptionsColumn = 132;
constexpr int kAbrahamColumn = 126;
constexpr int kEnrColumn = 130;
constexpr int kNprColumn = 126;
constexpr int kColumnSpacing = 2;

constexpr int kToolBarHeight = 28;
constexpr int kFileBarHeight = 24;
constexpr int kResultsBarHeight = 20;
constexpr int kGridHeight = 128;
constexpr int kProgressHeight = 16;
constexpr int kGridRowHeight = 20;

void setDarkBar(QWidget* bar)
{
    paintBackground(bar, Qt::black);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::Button, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    bar->setPalette(palette);
}

QGroupBox* group(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

QStringList summaryGridHeaders()
{
    QStringList headers;
    for (const char* header : kGridHeader)
        headers << QString::fromUtf8(header);
    return headers;
}

QList<int> summaryGridWidths()
{
    return {143, 158, 158, 149, 123};
}

QStringList dialogNameFilters(const QString& filterList)
{
    const QStringList parts = filterList.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& mask : masks) {
            mask = mask.trimmed();
            if (mask == QLatin1String("*.*"))
                mask = QStringLiteral("*"); // every file, also one without an extension
        }
        filters.append(parts.at(i) + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

QString graphFormatSuffix(const QString& nameFilter)
{
    for (const char* suffix : {"dot", "graphml"})
        if (nameFilter.endsWith(QStringLiteral("(*.") + QLatin1String(suffix) + QLatin1Char(')')))
            return QLatin1String(suffix);
    return QString();
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kMainCaption));
    setFixedWindowFlags(this);
    setFont(formFont());
    setAcceptDrops(true);
    registerControl(this);

    osDescription_ = QString::fromStdString(describeOs(readOsVersion()));
    ntFamily_ = false; // one thread-creation call on this platform
    endProcess_ = [](int status) {
        std::fflush(nullptr);
        std::_Exit(status); // at once: worker threads may still be reading the workspace
    };

    auto* client = client_ = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    buildMenu();
    buildToolBar(client);
    column->addWidget(ToolBar1);
    column->addWidget(buildFileBar());
    column->addWidget(buildOptionsPanel(), 1);
    column->addWidget(buildResultsBar());
    buildGrid();
    column->addWidget(StringGrid1);

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kProgressMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedSize(kClientWidth, kProgressHeight);
    registerControl(ProgressBar1);
    column->addWidget(ProgressBar1);

    setCentralWidget(client);

    Otvaranje = new QFileDialog(this, QStringLiteral("Učitaj iz datoteke"));
    Otvaranje->setObjectName(QStringLiteral("Otvaranje"));
    Otvaranje->setAcceptMode(QFileDialog::AcceptOpen);
    Otvaranje->setFileMode(QFileDialog::ExistingFile);
    Spremanje = new QFileDialog(this, QStringLiteral("Spremi u datoteku"));
    Spremanje->setObjectName(QStringLiteral("Spremanje"));
    Spremanje->setAcceptMode(QFileDialog::AcceptSave);
    Spremanje->setFileMode(QFileDialog::AnyFile);
    SpremanjeRezultata = new QFileDialog(this, QStringLiteral("Spremi rezultate u datoteku"));
    SpremanjeRezultata->setObjectName(QStringLiteral("SpremanjeRezultata"));
    SpremanjeRezultata->setAcceptMode(QFileDialog::AcceptSave);
    SpremanjeRezultata->setFileMode(QFileDialog::AnyFile);
    SpremanjeRezultata->setDefaultSuffix(QStringLiteral("csv"));
    for (QFileDialog* dialog : {Otvaranje, Spremanje, SpremanjeRezultata}) {
        // The toolkit's own dialog, so that the titles and filters read as written.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setOption(QFileDialog::HideNameFilterDetails);
        const char* filter = dialog == Spremanje             ? kSaveFileFilter
                             : dialog == SpremanjeRezultata ? kResultsFileFilter
                                                            : kStructureFileFilter;
        dialog->setNameFilters(dialogNameFilters(QString::fromUtf8(filter)));
        dialog->selectNameFilter(dialog->nameFilters().constFirst());
    }
    // A name typed without an extension under a graph format's filter gets
    // that format's extension, which chooses the format of the save.
    connect(Spremanje, &QFileDialog::filterSelected, Spremanje, [this](const QString& filter) {
        Spremanje->setDefaultSuffix(graphFormatSuffix(filter));
    });

    fitToClientArea();
    move(0, 110);
    keepAcceleratorsFromEditFields();
}

// An edit field claims Ctrl+Z (undo) and Ctrl+X (cut) for itself before a
// shortcut is looked for, and a combo box claims them for its edit field;
// the menu's accelerators must act wherever the focus is in this window, so
// both are told to leave them alone.
void TForm1::keepAcceleratorsFromEditFields()
{
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : actions())
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
                event->ignore(); // not overridden: the accelerator runs
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, event);
}

TForm1::~TForm1() = default;

template <typename Action>
void TForm1::act(Action&& action)
{
    guarded([&] { mirror(action()); });
}

void TForm1::registerControl(QObject* object)
{
    // Changes find their control by name: every name must be unique.
    if (object->objectName().isEmpty() || controls_.contains(object->objectName()))
        qFatal("control without a name of its own: '%s'", qPrintable(object->objectName()));
    controls_.insert(object->objectName(), object);
}

void TForm1::buildMenu()
{
    Izbornik = menuBar();
    Izbornik->setObjectName(QStringLiteral("Izbornik"));
    Izbornik->setFont(formFont(12));

    auto menu = [this](QWidget* owner, const char* name, const QString& caption) {
        auto* m = new QMenu(caption, owner);
        m->setObjectName(QString::fromLatin1(name));
        m->setFont(formFont(12));
        if (auto* bar = qobject_cast<QMenuBar*>(owner))
            bar->addMenu(m);
        else
            static_cast<QMenu*>(owner)->addMenu(m);
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption, const QKeySequence& shortcut,
                       std::function<void(TForm1*)> handler) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        // The shortcuts also work while the menu bar is hidden.
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        m->addAction(action);
        connect(action, &QAction::triggered, this, [this, action, handler](bool checked) {
            // A menu mark is the program's to set: undo the toolkit's own toggle.
            if (action->isCheckable()) {
                const QSignalBlocker block(action);
                action->setChecked(!checked);
            }
            handler(this);
        });
        registerControl(action);
        return action;
    };

    QMenu* main = menu(Izbornik, "Glavniizbornik1", QStringLiteral("Glavni izbornik"));
    item(main, "Novastruktura1", QStringLiteral("&Nova struktura"), QKeySequence(QStringLiteral("Ctrl+N")),
         &TForm1::novadatotekaClick);
    item(main, "Otvoridatoteku1", QStringLiteral("&Otvori datoteku"), QKeySequence(QStringLiteral("Ctrl+O")),
         &TForm1::otvoridatotekuClick);
    item(main, "Spremistrukturu1", QStringLiteral("&Spremi strukturu"), QKeySequence(QStringLiteral("Ctrl+S")),
         &TForm1::spremipodatkeClick);
    // Beside the other save: what a run and the importance produced, as a table.
    item(main, "Spremirezultate1", QStringLiteral("Spremi &rezultate"), QKeySequence(QStringLiteral("Ctrl+Shift+S")),
         &TForm1::Spremirezultate1Click);
    item(main, "Zatvoristrukturu1", QStringLiteral("&Oslobodi"), QKeySequence(QStringLiteral("Ctrl+Z")),
         &TForm1::zatvoritrenutniClick);
    main->addSeparator();
    item(main, "Izlazizprograma1", QStringLiteral("&Izlaz iz programa"), QKeySequence(QStringLiteral("Ctrl+X")),
         &TForm1::Izlazizprograma1Click);

    QMenu* settings = menu(Izbornik, "Postavke1", QStringLiteral("Postavke"));
    item(settings, "Globalne1", QStringLiteral("Globalne"), QKeySequence(QStringLiteral("Ctrl+P")),
         &TForm1::postavkeClick);
    settings->addSeparator();
    QMenu* reduction = menu(settings, "redukcija1", QStringLiteral("redukcija"));
    QAction* on = item(reduction, "Ukljucena1", QStringLiteral("Uključena"), {}, &TForm1::Ukljucena1Click);
    QAction* off = item(reduction, "Iskljuena1", QStringLiteral("Isključena"), {}, &TForm1::Iskljuena1Click);
    QMenu* direction = menu(settings, "usmjerenost1", QStringLiteral("usmjerenost"));
    QAction* directed = item(direction, "Da1", QStringLiteral("usmjeren"), {}, &TForm1::Da1Click);
    QAction* undirected = item(direction, "Ne1", QStringLiteral("neusmjeren"), {}, &TForm1::Ne1Click);
    for (QAction* action : {on, off, directed, undirected})
        action->setCheckable(true);
    on->setChecked(true); // "Redukcija" starts ticked

    QMenu* run = menu(Izbornik, "Izvravanje1", QStringLiteral("Izvršavanje"));
    item(run, "matricastrukture2", QStringLiteral("matrica strukture"), {}, &TForm1::matricastrukture2Click);
    run->addSeparator();
    item(run, "Start1", QStringLiteral("Start"), QKeySequence(Qt::Key_F5), &TForm1::playClick);
    item(run, "Pauze1", QStringLiteral("Pauza"), QKeySequence(Qt::Key_F6), &TForm1::pauseClick);
    item(run, "Nastavi1", QStringLiteral("Nastavi"), QKeySequence(Qt::Key_F7), &TForm1::resumeClick);
    item(run, "Stop1", QStringLiteral("Stop"), QKeySequence(Qt::Key_F8), &TForm1::stopClick);
    run->addSeparator();
    QMenu* stopThread = menu(run, "prekininit1", QStringLiteral("prekini nit"));
    for (Algorithm a : kRunAlgorithms)
        item(stopThread, binding(a).stopMenuItem, captionOf(a), {}, [a](TForm1* form) { form->stopThread(a); });
    // The fourth method is chosen here, not in the options panel.
    run->addSeparator();
    item(run, "Frontier1", QStringLiteral("Metoda granice (Frontier)"), {}, &TForm1::Frontier1Click)
        ->setCheckable(true);

    QMenu* results = menu(Izbornik, "Pregledrezultata1", QStringLiteral("Pregled rezultata"));
    registerControl(results); // closing a report enables it
    item(results, "Svihodabranih1", QStringLiteral("Svih odabranih"), QKeySequence(QStringLiteral("Ctrl+R")),
         &TForm1::detaljniClick);
    results->addSeparator();
    for (Algorithm a : kAlgorithms)
        item(results, binding(a).reportMenuItem, captionOf(a), {}, [a](TForm1* form) { form->reportFromMenu(a); });
    results->addSeparator();
    item(results, "Vanostelemenata1", QStringLiteral("Važnost elemenata"), {}, &TForm1::Vanostelemenata1Click);
    QAction* picture =
        item(results, "slikastrukture1", QStringLiteral("Slika strukture"), {}, &TForm1::slikastrukture1Click);

    QMenu* help = menu(Izbornik, "Pomo1", QStringLiteral("Pomoć"));
    Oporgramu1 = item(help, "Oporgramu1", QStringLiteral("Informacije o OS okruženju i autoru"),
                      QKeySequence(QStringLiteral("Ctrl+I")), &TForm1::infoClick);
    Koritenje1 = item(help, "Koritenje1", QStringLiteral("Opis programa i korištenje"), QKeySequence(Qt::Key_F1),
                      &TForm1::pomocClick);

    // No structure yet: everything that needs one or a run waits.
    std::vector<const char*> waiting = {"Spremistrukturu1", "Zatvoristrukturu1", "matricastrukture2", "Start1",
                                        "Pauze1", "Nastavi1", "Stop1", "Frontier1", "Svihodabranih1", "Spremirezultate1",
                                        "Vanostelemenata1"};
    for (Algorithm a : kRunAlgorithms)
        waiting.push_back(binding(a).stopMenuItem);
    for (Algorithm a : kAlgorithms)
        waiting.push_back(binding(a).reportMenuItem);
    for (const char* name : waiting)
        static_cast<QAction*>(control(QString::fromLatin1(name)))->setEnabled(false);
    // The picture of the structure is there exactly when its matrix is.
    auto* matrixItem = static_cast<QAction*>(control(QStringLiteral("matricastrukture2")));
    picture->setEnabled(matrixItem->isEnabled());
    connect(matrixItem, &QAction::enabledChanged, picture, &QAction::setEnabled);
}

void TForm1::buildToolBar(QWidget* client)
{
    ToolBar1 = new QToolBar(client);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setFixedSize(kClientWidth, kToolBarHeight);
    registerControl(ToolBar1);

    struct Button {
        const char* name;
        const char* tip;
        Picture picture;
        bool wideGap;
        void (TForm1::*handler)();
    };
    const Button buttons[] = {
        {"novadatoteka", "Uređivanje strukture", Picture::EditStructure, false, &TForm1::novadatotekaClick},
        {"otvoridatoteku", "Učitavanje strukture", Picture::OpenFile, false, &TForm1::otvoridatotekuClick},
        {"spremipodatke", "Spremanje strukture", Picture::SaveFile, false, &TForm1::spremipodatkeClick},
        {"zatvoritrenutni", "Oslobodi", Picture::FreeStructure, false, &TForm1::zatvoritrenutniClick},
        {"play", "Pokretanje izvođenja", Picture::Play, true, &TForm1::playClick},
        {"pause", "Zaustavljanje izvođenja", Picture::Pause, false, &TForm1::pauseClick},
        {"resume", "Nastavak izvođenja", Picture::Resume, false, &TForm1::resumeClick},
        {"stop", "Prekidanje izvođenja", Picture::Stop, false, &TForm1::stopClick},
        {"detaljni", "Grupni prikaz rezultata izvođenja", Picture::Reports, false, &TForm1::detaljniClick},
        {"redim", "Sakrij ili pokaži meni", Picture::MenuBar, true, &TForm1::redimClick},
        {"postavke", "Postavke programa", Picture::Settings, false, &TForm1::postavkeClick},
        {"info", "informacije", Picture::Information, false, &TForm1::infoClick},
        {"pomoc", "Pomoć", Picture::Help, false, &TForm1::pomocClick},
    };
    bool first = true;
    for (const Button& button : buttons) {
        if (button.wideGap) {
            auto* gap = new QWidget(ToolBar1);
            gap->setObjectName(QStringLiteral("gap"));
            gap->setFixedWidth(22);
            ToolBar1->addWidget(gap);
        } else if (!first) {
            ToolBar1->addSeparator();
        }
        first = false;
        auto* action = new QAction(pictureIcon(button.picture), QString(), ToolBar1);
        action->setObjectName(QString::fromLatin1(button.name));
        action->setToolTip(QString::fromUtf8(button.tip));
        ToolBar1->addAction(action);
        connect(action, &QAction::triggered, this, [this, handler = button.handler] { (this->*handler)(); });
        registerControl(action);
    }
    info = static_cast<QAction*>(control(QStringLiteral("info")));
    pomoc = static_cast<QAction*>(control(QStringLiteral("pomoc")));

    for (const char* name : {"spremipodatke", "zatvoritrenutni", "play", "pause", "resume", "stop", "detaljni"})
        static_cast<QAction*>(control(QString::fromLatin1(name)))->setEnabled(false);
}

QWidget* TForm1::buildFileBar()
{
    Prikaz = new QWidget(client_);
    Prikaz->setObjectName(QStringLiteral("Prikaz"));
    Prikaz->setFixedSize(kClientWidth, kFileBarHeight);
    setDarkBar(Prikaz);
    registerControl(Prikaz);

    auto* row = new QHBoxLayout(Prikaz);
    row->setContentsMargins(6, 2, 4, 2);
    row->setSpacing(8);
    auto* caption = new QLabel(QStringLiteral("Datoteka"), Prikaz);
    caption->setFont(formFont(11, true));
    row->addWidget(caption);

    Edit1 = new QLineEdit(Prikaz);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    Edit1->setFixedHeight(kFileBarHeight - 4);
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    Edit1->setPalette(palette);
    row->addWidget(Edit1, 1);
    registerControl(Edit1);
    return Prikaz;
}

QWidget* TForm1::buildOptionsPanel()
{
    Podesavanje = new QWidget(client_);
    Podesavanje->setObjectName(QStringLiteral("Podesavanje"));
    paintBackground(Podesavanje, kPanelColour);
    {
        // Disabled captions stay readable on the sky-blue panel.
        QPalette palette = Podesavanje->palette();
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(QPalette::Disabled, role, QColor(96, 104, 118));
        Podesavanje->setPalette(palette);
    }
    registerControl(Podesavanje);

    auto* columns = new QHBoxLayout(Podesavanje);
    columns->setContentsMargins(1, 0, 1, 2);
    columns->setSpacing(kColumnSpacing);

    auto checkBox = [this](const char* name, const QString& caption, QWidget* parent, bool checked,
                           void (TForm1::*handler)(bool)) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(checked);
        box->setEnabled(false);
        connect(box, &QCheckBox::toggled, this, [this, handler](bool on) { (this->*handler)(on); });
        registerControl(box);
        return box;
    };
    auto radio = [this](const char* name, const QString& caption, QWidget* parent, bool checked,
                        void (TForm1::*handler)(bool)) {
        auto* button = new QRadioButton(caption, parent);
        button->setObjectName(QString::fromLatin1(name));
        button->setChecked(checked);
        button->setEnabled(false);
        // Only the button that becomes checked reports.
        connect(button, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)(on);
        });
        registerControl(button);
        return button;
    };
    auto combo = [this](const char* name, const QString& text, QWidget* parent) {
        auto* box = new QComboBox(parent);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setEditText(text);
        box->setFixedWidth(110);
        box->setEnabled(false);
        registerControl(box);
        return box;
    };

    // Graph: source and destination, direction.
    auto* graphColumn = new QVBoxLayout;
    graphColumn->setSpacing(2);
    QGroupBox* pair = group(QStringLiteral("GroupBox1"), QStringLiteral("Karakteristika grafa"), Podesavanje);
    auto* pairGrid = new QGridLayout(pair);
    pairGrid->setContentsMargins(6, 2, 6, 3);
    pairGrid->setVerticalSpacing(2);
    pairGrid->addWidget(new QLabel(QStringLiteral("Izvorišni čvor :"), pair), 0, 0);
    ComboBox1 = combo("ComboBox1", QStringLiteral("odabir izv."), pair);
    pairGrid->addWidget(ComboBox1, 0, 1, Qt::AlignRight);
    pairGrid->addWidget(new QLabel(QStringLiteral("Odredišni čvor :"), pair), 1, 0);
    ComboBox2 = combo("ComboBox2", QStringLiteral("odabir odr."), pair);
    pairGrid->addWidget(ComboBox2, 1, 1, Qt::AlignRight);
    pairGrid->addWidget(checkBox("zadan1", QStringLiteral("Zadana u datoteci"), pair, false, &TForm1::zadan1Click),
                        2, 0, 1, 2);
    graphColumn->addWidget(pair);
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Select(index); });
    connect(ComboBox2, &QComboBox::activated, this, [this](int index) { ComboBox2Select(index); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) { ComboBox1Change(text); });
    connect(ComboBox2->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) { ComboBox2Change(text); });

    QGroupBox* direction = group(QStringLiteral("GroupBox2"), QStringLiteral("Opis grafa"), Podesavanje);
    auto* directionGrid = new QGridLayout(direction);
    directionGrid->setContentsMargins(6, 2, 6, 3);
    directionGrid->setVerticalSpacing(2);
    directionGrid->addWidget(radio("RadioButton1", QStringLiteral("Usmjeren"), direction, false,
                                   &TForm1::RadioButton1Click), 0, 0);
    directionGrid->addWidget(radio("RadioButton2", QStringLiteral("Neusmjerena"), direction, false,
                                   &TForm1::RadioButton2Click), 0, 1);
    directionGrid->addWidget(checkBox("zadan2", QStringLiteral("Zadan u datoteci"), direction, false,
                                      &TForm1::zadan2Click), 1, 0, 1, 2);
    graphColumn->addWidget(direction);
    auto* graphHolder = new QWidget(Podesavanje);
    graphHolder->setFixedWidth(kGraphColumn);
    graphColumn->setContentsMargins(0, 0, 0, 0);
    graphHolder->setLayout(graphColumn);
    columns->addWidget(graphHolder);

    // Reduction and ideal terminal nodes.
    auto* optionsHolder = new QWidget(Podesavanje);
    optionsHolder->setFixedWidth(kGraphOptionsColumn);
    auto* optionsColumn = new QVBoxLayout(optionsHolder);
    optionsColumn->setContentsMargins(0, 0, 0, 0);
    optionsColumn->setSpacing(2);
    QGroupBox* reduction = group(QStringLiteral("GroupBox3"), QStringLiteral("Postavke grafa"), optionsHolder);
    auto* reductionLayout = new QVBoxLayout(reduction);
    reductionLayout->setContentsMargins(6, 2, 6, 3);
    reductionLayout->addWidget(checkBox("CheckBox1", QStringLiteral("Redukcija"), reduction, true,
                                        &TForm1::CheckBox1Click));
    optionsColumn->addWidget(reduction, 1);
    QGroupBox* terminals = group(QStringLiteral("GroupBox4"), QStringLiteral("Izvorišni i odredišni"), optionsHolder);
    auto* terminalsLayout = new QVBoxLayout(terminals);
    terminalsLayout->setContentsMargins(6, 2, 6, 3);
    terminalsLayout->addWidget(checkBox("CheckBox2", QStringLiteral("Idealni čvorovi i"), terminals, true,
                                        &TForm1::CheckBox2Click));
    optionsColumn->addWidget(terminals, 1);
    columns->addWidget(optionsHolder);

    // One group per algorithm: choice, variant, lamp and progress label.
    struct Variant {
        const char* name;
        const char* caption;
        bool checked;
        void (TForm1::*handler)(bool);
    };
    auto algorithmGroup = [&](const char* groupName, const QString& caption, int width, const char* choose,
                              void (TForm1::*chooseHandler)(bool), std::initializer_list<Variant> variants,
                              const char* lampName, const char* labelName) {
        QGroupBox* box = group(QString::fromLatin1(groupName), caption, Podesavanje);
        box->setFixedWidth(width);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(6, 2, 4, 4);
        layout->setSpacing(1);
        layout->addWidget(checkBox(choose, QStringLiteral("Odaberi"), box, false, chooseHandler));
        for (const Variant& variant : variants)
            layout->addWidget(radio(variant.name, QString::fromUtf8(variant.caption), box, variant.checked,
                                    variant.handler));
        layout->addStretch(1);
        auto* status = new QHBoxLayout;
        status->setSpacing(6);
        auto* lamp = new Lamp(box);
        lamp->setObjectName(QString::fromLatin1(lampName));
        registerControl(lamp);
        status->addWidget(lamp);
        auto* progress = new ProgressLabel(box);
        progress->setObjectName(QString::fromLatin1(labelName));
        registerControl(progress);
        status->addWidget(progress, 1);
        layout->addLayout(status);
        columns->addWidget(box);
    };
    algorithmGroup("GroupBox5", QStringLiteral("Abraham"), kAbrahamColumn, "CheckBox3", &TForm1::CheckBox3Click,
                   {{"RadioButton4", "Standardno 1a", false, &TForm1::RadioButton4Click},
                    {"RadioButton5", "Pravilo 1a i 2a", true, &TForm1::RadioButton5Click}},
                   "Shape1", "ABR_pok");
    algorithmGroup("GroupBox6", QStringLiteral("ENR"), kEnrColumn, "CheckBox4", &TForm1::CheckBox4Click,
                   {{"RadioButton6", "Standardno", false, &TForm1::RadioButton6Click},
                    {"RadioButton7", "Opt. I razine", false, &TForm1::RadioButton7Click},
                    {"RadioButton8", "Opt. II razine", true, &TForm1::RadioButton8Click}},
                   "Shape2", "ENR_pok");
    algorithmGroup("GroupBox7", QStringLiteral("NPR"), kNprColumn, "CheckBox5", &TForm1::CheckBox5Click,
                   {{"RadioButton9", "Standardno", false, &TForm1::RadioButton9Click},
                    {"RadioButton10", "Optimizirano", true, &TForm1::RadioButton10Click}},
                   "Shape3", "NPR_pok");
    return Podesavanje;
}

QWidget* TForm1::buildResultsBar()
{
    Detalji = new QWidget(client_);
    Detalji->setObjectName(QStringLiteral("Detalji"));
    Detalji->setFixedSize(kClientWidth, kResultsBarHeight);
    setDarkBar(Detalji);
    registerControl(Detalji);

    auto* row = new QHBoxLayout(Detalji);
    row->setContentsMargins(1, 0, 1, 0);
    row->setSpacing(kColumnSpacing);
    auto button = [&](const char* name, const QString& caption, int width, void (TForm1::*handler)()) {
        auto* b = new QPushButton(caption, Detalji);
        b->setObjectName(QString::fromLatin1(name));
        b->setFlat(true);
        b->setFont(formFont(11, true));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(width, kResultsBarHeight);
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        row->addWidget(b);
        registerControl(b);
    };
    button("rezstr", QStringLiteral("Matrica strukture"), kGraphColumn + kColumnSpacing + kGraphOptionsColumn,
           &TForm1::matricastrukture2Click);
    button("rezabr", QStringLiteral("PD-ovi Abrahama"), kAbrahamColumn, &TForm1::rezabrClick);
    button("rezenr", QStringLiteral("Stablo ENR-a"), kEnrColumn, &TForm1::rezenrClick);
    button("reznpr", QStringLiteral("Stablo NPR-a"), kNprColumn, &TForm1::reznprClick);
    return Detalji;
}

void TForm1::buildGrid()
{
    StringGrid1 = new QTableWidget(1, summaryGridHeaders().size(), client_);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFixedSize(kClientWidth, kGridHeight);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kGridRowHeight + 2);
    header->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const QStringList headers = summaryGridHeaders();
    const QList<int> widths = summaryGridWidths();
    for (int c = 0; c < headers.size(); ++c) {
        auto* item = new QTableWidgetItem(headers.at(c));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        StringGrid1->setHorizontalHeaderItem(c, item);
        StringGrid1->setColumnWidth(c, widths.at(c));
    }
    StringGrid1->setCurrentCell(-1, -1);
    registerControl(StringGrid1);
}

void TForm1::fitToClientArea()
{
    const int menuHeight = menuShown_ ? Izbornik->sizeHint().height() : 0;
    setFixedSize(kClientWidth, kClientHeight + menuHeight);
}

void TForm1::setPeers(const Peers& peers)
{
    peers_ = peers;
    if (peers_.error)
        connect(peers_.error, &TForm2::closed, this, [this] { errorWindowClosed(); });
    if (peers_.information)
        connect(peers_.information, &TForm3::closed, this, [this] {
            info->setEnabled(true);
            Oporgramu1->setEnabled(true);
        });
    if (peers_.help)
        connect(peers_.help, &TForm6::closed, this, [this] {
            pomoc->setEnabled(true);
            Koritenje1->setEnabled(true);
        });
}

void TForm1::setActions(MainActions* actions)
{
    actions_ = actions ? actions : &defaultActions_;
}

void TForm1::requestDrain()
{
    // A functor posted from a worker is written there and read here, synchronised
    // only inside the toolkit, where the thread sanitizer cannot see it.
    QMetaObject::invokeMethod(this, "drainPending", Qt::QueuedConnection);
}

void TForm1::drainPending()
{
    act([this] { return actions_->pendingChanges(); });
}

// --- Window placement -----------------------------------------------------------

void TForm1::placeChildWindow(QWidget* window) const
{
    if (!window)
        return;
    const QPoint origin = pos();
    window->move(origin.x(), origin.y() + (menuShown_ ? 90 : 70));
}

void TForm1::placeSettingsWindow(QWidget* window) const
{
    if (!window)
        return;
    const QRect main = frameGeometry();
    const int left = main.left() + main.width() / 2 - window->frameGeometry().width() / 2;
    window->move(left, main.top() + (menuShown_ ? 114 : 94));
}

// --- Handlers -----------------------------------------------------------------

std::optional<std::string> TForm1::askPath(QFileDialog* dialog)
{
    if (dialogAnswer_)
        return dialogAnswer_(dialog);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst().toStdString();
}

void TForm1::novadatotekaClick()
{
    act([this] { return actions_->newStructure(); });
}

void TForm1::otvoridatotekuClick()
{
    act([this] { return actions_->openStructure([this] { return askPath(Otvaranje); }); });
}

void TForm1::spremipodatkeClick()
{
    act([this] { return actions_->saveStructure([this] { return askPath(Spremanje); }); });
}

void TForm1::Spremirezultate1Click()
{
    act([this] { return actions_->saveResults([this] { return askPath(SpremanjeRezultata); }); });
}

void TForm1::zatvoritrenutniClick()
{
    act([this] { return actions_->freeStructure(); });
}

void TForm1::Izlazizprograma1Click()
{
    exiting_ = true;
    guarded([this] { actions_->exitProgram(); });
    endProcess_(0);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!exiting_)
        Izlazizprograma1Click();
    event->accept();
}

void TForm1::postavkeClick()
{
    guarded([this] {
        if (!peers_.settings)
            return;
        placeSettingsWindow(peers_.settings);
        peers_.settings->show();
        placeSettingsWindow(peers_.settings); // its frame is known once it shows
        peers_.settings->raise();
        peers_.settings->activateWindow();
    });
}

void TForm1::Ukljucena1Click()
{
    act([this] { return actions_->reductionMenu(true); });
}

void TForm1::Iskljuena1Click()
{
    act([this] { return actions_->reductionMenu(false); });
}

void TForm1::Da1Click()
{
    act([this] { return actions_->directionMenu(true); });
}

void TForm1::Ne1Click()
{
    act([this] { return actions_->directionMenu(false); });
}

void TForm1::matricastrukture2Click()
{
    act([this] { return actions_->showMatrix(); });
}

void TForm1::playClick()
{
    act([this] { return actions_->start(); });
}

void TForm1::pauseClick()
{
    act([this] { return actions_->pause(); });
}

void TForm1::resumeClick()
{
    act([this] { return actions_->resume(); });
}

void TForm1::stopClick()
{
    act([this] { return actions_->stop(); });
}

void TForm1::stopThread(Algorithm a)
{
    act([this, a] { return actions_->stopAlgorithm(a); });
}

void TForm1::Abraham3Click() { stopThread(Algorithm::Abraham); }
void TForm1::ENR3Click() { stopThread(Algorithm::Enr); }
void TForm1::NPR3Click() { stopThread(Algorithm::Npr); }
void TForm1::Frontier3Click() { stopThread(Algorithm::Frontier); }

// A check-mark item acts as a check box: the program sets the mark.
void TForm1::Frontier1Click()
{
    const auto* item = qobject_cast<QAction*>(control(QStringLiteral("Frontier1")));
    option("Frontier1", !item->isChecked());
}

void TForm1::detaljniClick()
{
    act([this] { return actions_->allReports(); });
}

void TForm1::reportFromMenu(Algorithm a)
{
    act([this, a] { return actions_->reportFromMenu(a); });
}

void TForm1::reportFromResultsBar(Algorithm a)
{
    act([this, a] { return actions_->reportFromResultsBar(a); });
}

void TForm1::A1Click() { reportFromMenu(Algorithm::Abraham); }
void TForm1::ENR4Click() { reportFromMenu(Algorithm::Enr); }
void TForm1::NPR4Click() { reportFromMenu(Algorithm::Npr); }
void TForm1::rezabrClick() { reportFromResultsBar(Algorithm::Abraham); }
void TForm1::rezenrClick() { reportFromResultsBar(Algorithm::Enr); }
void TForm1::reznprClick() { reportFromResultsBar(Algorithm::Npr); }

void TForm1::Vanostelemenata1Click()
{
    act([this] { return actions_->importance(); });
}

void TForm1::slikastrukture1Click()
{
    act([this] { return actions_->showPicture(); });
}

void TForm1::redimClick()
{
    menuShown_ = !menuShown_;
    Izbornik->setVisible(menuShown_);
    fitToClientArea();
    act([this] { return actions_->menuBarToggled(menuShown_); });
}

void TForm1::infoClick()
{
    guarded([this] {
        if (!peers_.information)
            return;
        peers_.information->fill(osDescription_, readMemoryStatus());
        placeChildWindow(peers_.information);
        info->setEnabled(false);
        Oporgramu1->setEnabled(false);
        peers_.information->show();
        peers_.information->raise();
    });
}

void TForm1::pomocClick()
{
    guarded([this] {
        if (!peers_.help)
            return;
        placeChildWindow(peers_.help);
        pomoc->setEnabled(false);
        Koritenje1->setEnabled(false);
        peers_.help->show();
        peers_.help->raise();
    });
}

void TForm1::option(const char* name, bool checked)
{
    if (mirroring_)
        return;
    act([&] { return actions_->optionChanged(name, checked); });
}

void TForm1::RadioButton1Click(bool checked) { option("RadioButton1", checked); }
void TForm1::RadioButton2Click(bool checked) { option("RadioButton2", checked); }
void TForm1::zadan1Click(bool checked) { option("zadan1", checked); }
void TForm1::zadan2Click(bool checked) { option("zadan2", checked); }
void TForm1::CheckBox1Click(bool checked) { option("CheckBox1", checked); }
void TForm1::CheckBox2Click(bool checked) { option("CheckBox2", checked); }
void TForm1::CheckBox3Click(bool checked) { option("CheckBox3", checked); }
void TForm1::CheckBox4Click(bool checked) { option("CheckBox4", checked); }
void TForm1::CheckBox5Click(bool checked) { option("CheckBox5", checked); }
void TForm1::RadioButton4Click(bool checked) { option("RadioButton4", checked); }
void TForm1::RadioButton5Click(bool checked) { option("RadioButton5", checked); }
void TForm1::RadioButton6Click(bool checked) { option("RadioButton6", checked); }
void TForm1::RadioButton7Click(bool checked) { option("RadioButton7", checked); }
void TForm1::RadioButton8Click(bool checked) { option("RadioButton8", checked); }
void TForm1::RadioButton9Click(bool checked) { option("RadioButton9", checked); }
void TForm1::RadioButton10Click(bool checked) { option("RadioButton10", checked); }

void TForm1::ComboBox1Select(int index)
{
    if (!mirroring_)
        act([&] { return actions_->nodeChosen("ComboBox1", index); });
}

void TForm1::ComboBox2Select(int index)
{
    if (!mirroring_)
        act([&] { return actions_->nodeChosen("ComboBox2", index); });
}

void TForm1::ComboBox1Change(const QString& text)
{
    if (!mirroring_)
        act([&] { return actions_->nodeTyped("ComboBox1", text.toStdString()); });
}

void TForm1::ComboBox2Change(const QString& text)
{
    if (!mirroring_)
        act([&] { return actions_->nodeTyped("ComboBox2", text.toStdString()); });
}

void TForm1::errorWindowClosed()
{
    act([this] { return actions_->errorClosed(); });
}

} // namespace velmor
