#pragma once

#include "run/ControlChannel.h"
#include "ui/MainActions.h"

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAbstractButton;
class QAction;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QToolBar;

namespace velmor {

class Lamp;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm10;

// The main window: toolbar, menu, options panel, results bar, summary grid
// and progress bar. It shows what the program decides (mirror) and hands
// every user event to the MainActions.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 740;
    static constexpr int kClientHeight = 393;
    static constexpr int kProgressMaximum = 10000;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The secondary windows that this window places, shows and reports to.
    struct Peers {
        TForm2* error = nullptr;
        TForm3* information = nullptr;
        TForm4* report = nullptr;
        TForm5* editor = nullptr;
        TForm6* help = nullptr;
        TForm7* settings = nullptr;
        TForm8* matrix = nullptr;
        TForm10* picture = nullptr;
    };
    void setPeers(const Peers& peers);
    const Peers& peers() const { return peers_; }

    // Where user events go; the window does not take ownership. nullptr
    // restores the built-in actions that change nothing.
    void setActions(MainActions* actions);

    // Shows one change, or a sequence in order, on the named control.
    void mirror(const ControlChange& change);
    void mirror(const ControlUnit& unit);
    // Any thread: have the changes that workers posted mirrored on the
    // user-interface thread (MainActions::pendingChanges).
    void requestDrain();

    // A control by its component name (widget, menu item or toolbar button).
    QObject* control(const QString& name) const { return controls_.value(name); }
    QStringList controlNames() const { return controls_.keys(); }

    // The summary grid as the program numbers it: row 0 is the fixed header
    // row, so a grid with one empty row below the header has 2 rows.
    int gridRows() const;
    QString gridCell(int row, int column) const;

    // Menu bar shown (normal border) or hidden.
    bool menuBarShown() const { return menuShown_; }
    // Editor, help, information, matrix and picture windows: top at this window's top
    // + 90 (+ 70 while the menu bar is hidden), left edges aligned.
    void placeChildWindow(QWidget* window) const;
    // Settings window: top + 114 (+ 94), centred horizontally.
    void placeSettingsWindow(QWidget* window) const;

    // Start-up facts shown by the information window.
    const QString& osDescription() const { return osDescription_; }
    bool ntFamily() const { return ntFamily_; }

    // How the process ends after Exit; tests replace it.
    void setEndProcess(std::function<void(int)> endProcess) { endProcess_ = std::move(endProcess); }

    // How the open and save dialogs are asked; tests answer without a dialog.
    using DialogAnswer = std::function<std::optional<std::string>(QFileDialog*)>;
    void setDialogAnswer(DialogAnswer answer) { dialogAnswer_ = std::move(answer); }

    QFileDialog* openDialog() const { return Otvaranje; }
    QFileDialog* saveDialog() const { return Spremanje; }
    QFileDialog* resultsDialog() const { return SpremanjeRezultata; }

    // Opens a structure file exactly as the Open command does when that file
    // is chosen in its dialog: a file named on the command line or dropped on
    // the window. Only while Open is enabled; returns whether it was.
    bool openStructureFile(const QString& path);
    bool openEnabled() const;

    // Event handlers, named after their component (menu items share the
    // handler of their toolbar button).
    void novadatotekaClick();
    void otvoridatotekuClick();
    void spremipodatkeClick();
    void Spremirezultate1Click();
    void zatvoritrenutniClick();
    void Izlazizprograma1Click();
    void postavkeClick();
    void Ukljucena1Click();
    void Iskljuena1Click();
    void Da1Click();
    void Ne1Click();
    void matricastrukture2Click();
    void playClick();
    void pauseClick();
    void resumeClick();
    void stopClick();
    // The per-algorithm items of the "prekini nit" and the results menus,
    // and the results bar's buttons.
    void stopThread(Algorithm a);
    void reportFromMenu(Algorithm a);
    void reportFromResultsBar(Algorithm a);
    void Abraham3Click();
    void ENR3Click();
    void NPR3Click();
    void Frontier3Click();
    void Frontier1Click();
    void detaljniClick();
    void A1Click();
    void ENR4Click();
    void NPR4Click();
    void Vanostelemenata1Click();
    void rezabrClick();
    void rezenrClick();
    void reznprClick();
    void slikastrukture1Click();
    void redimClick();
    void infoClick();
    void pomocClick();
    void RadioButton1Click(bool checked);
    void RadioButton2Click(bool checked);
    void zadan1Click(bool checked);
    void zadan2Click(bool checked);
    void CheckBox1Click(bool checked);
    void CheckBox2Click(bool checked);
    void CheckBox3Click(bool checked);
    void CheckBox4Click(bool checked);
    void CheckBox5Click(bool checked);
    void RadioButton4Click(bool checked);
    void RadioButton5Click(bool checked);
    void RadioButton6Click(bool checked);
    void RadioButton7Click(bool checked);
    void RadioButton8Click(bool checked);
    void RadioButton9Click(bool checked);
    void RadioButton10Click(bool checked);
    void ComboBox1Select(int index);
    void ComboBox2Select(int index);
    void ComboBox1Change(const QString& text);
    void ComboBox2Change(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A .dsm file dropped on the window opens (GuiFiles.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void keepAcceleratorsFromEditFields();
    void buildToolBar(QWidget* client);
    QWidget* buildFileBar();
    QWidget* buildOptionsPanel();
    QWidget* buildResultsBar();
    void buildGrid();
    void registerControl(QObject* object);
    void fitToClientArea();

    // Runs an action of the controller and mirrors what it changed.
    template <typename Action>
    void act(Action&& action);
    void option(const char* control, bool checked);
    void errorWindowClosed();
    // Invoked by name from requestDrain: the queued call then carries no
    // object that the posting thread built and this thread reads.
    Q_INVOKABLE void drainPending();
    std::optional<std::string> askPath(QFileDialog* dialog);

    void mirrorCheck(QObject* target, bool on);
    void mirrorText(QObject* target, const QString& text);
    void mirrorItems(QComboBox* combo, const std::vector<std::string>& items);
    void mirrorSelect(QComboBox* combo, const QString& item);
    void mirrorCell(int row, int column, const QString& text);
    void mirrorRowCount(int rows);

    QHash<QString, QObject*> controls_;
    Peers peers_;
    MainActions defaultActions_;
    MainActions* actions_ = &defaultActions_;
    bool mirroring_ = false;
    bool menuShown_ = true;
    bool exiting_ = false;
    QString osDescription_;
    bool ntFamily_ = false;
    std::function<void(int)> endProcess_;
    DialogAnswer dialogAnswer_;

    // Components.
    QWidget* client_ = nullptr;
    QMenuBar* Izbornik = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QWidget* Prikaz = nullptr;
    QLineEdit* Edit1 = nullptr;
    QWidget* Podesavanje = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QWidget* Detalji = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QFileDialog* Otvaranje = nullptr;
    QFileDialog* Spremanje = nullptr;
    QFileDialog* SpremanjeRezultata = nullptr;
    QAction* info = nullptr;
    QAction* Oporgramu1 = nullptr;
    QAction* pomoc = nullptr;
    QAction* Koritenje1 = nullptr;
};

// The grid's header row.
QStringList summaryGridHeaders();
// Column widths of the summary grid.
QList<int> summaryGridWidths();

// Name filters for a file dialog from a filter list written as
// "description|mask|description|mask..."; "*.*" means every file.
QStringList dialogNameFilters(const QString& filterList);
// The extension a save under the given name filter adds to a name without
// one: "dot" or "graphml" for the graph formats, none for the others.
QString graphFormatSuffix(const QString& nameFilter);
// The results are saved as a table for spreadsheets.
inline constexpr const char* kResultsFileFilter =
    "Tablica rezultata ( *.csv )|*.csv|Tekst datoteka ( *.txt )|*.txt|Sve datoteke ( *.* )|*.*";
inline constexpr const char* kStructureFileFilter =
    "Datoteka strukture mreže ( *.dsm )|*.dsm|Tekst datoteka ( *.txt )|*.txt|Sve datoteke ( *.* )|*.*";
// The save dialog also offers the graph formats of other programs; a name
// that ends in their extension is saved in that format.
inline constexpr const char* kSaveFileFilter =
    "Datoteka strukture mreže ( *.dsm )|*.dsm|Graphviz DOT graf ( *.dot )|*.dot|GraphML graf ( *.graphml )|*.graphml|"
    "Tekst datoteka ( *.txt )|*.txt|Sve datoteke ( *.* )|*.*";

} // namespace velmor
