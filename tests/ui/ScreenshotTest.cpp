// Renders every window, in the states worth looking at, into the build
// folder's screenshots directory, and checks that no caption of a button,
// label or group box is wider than the room it has.
#include "UiTestMain.h"

#include "structure/StructureWorkspace.h"
#include "ui/Detalji.h"
#include "ui/Greska.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Postavke.h"
#include "ui/Tablica.h"
#include "ui/Unos.h"
#include "ui/Widgets.h"
#include "ui/Windows.h"

#include <QAbstractButton>
#include <QChart>
#include <QDir>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionButton>

using namespace velmor;

namespace {

// A report tree of one top-level node.
class RootOnly final : public velmor::ReportTreeSource {
public:
    explicit RootOnly(std::string text) : text_(std::move(text)) {}
    int childCount(velmor::ReportNode node) const override { return node == velmor::kReportTop ? 1 : 0; }
    velmor::ReportNode child(velmor::ReportNode, int) const override { return 0; }
    velmor::ReportNode parent(velmor::ReportNode) const override { return velmor::kReportTop; }
    int row(velmor::ReportNode) const override { return 0; }
    std::string text(velmor::ReportNode) const override { return text_; }

private:
    std::string text_;
};

QString screenshotDir()
{
    return QStringLiteral(VELMOR_SCREENSHOT_DIR);
}

void save(QWidget* widget, const QString& name)
{
    QDir().mkpath(screenshotDir());
    const QPixmap shot = widget->grab();
    QVERIFY2(shot.save(screenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png")), qPrintable(name));
}

// Captions that do not fit the widget that shows them, as "name: text".
QStringList clippedCaptions(QWidget* window)
{
    QStringList clipped;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const QFontMetrics metrics(widget->font());
        if (auto* progress = qobject_cast<ProgressLabel*>(widget)) {
            const QStringList lines = progress->shownLines();
            bool fits = lines.size() * metrics.height() <= progress->contentsRect().height();
            for (const QString& line : lines)
                fits = fits && metrics.horizontalAdvance(line) <= progress->contentsRect().width();
            if (!fits)
                clipped << progress->objectName() + QStringLiteral(": ") + progress->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->wordWrap() || label->text().isEmpty() || label->pixmap().isNull() == false)
                continue;
            if (metrics.horizontalAdvance(label->text()) > label->contentsRect().width())
                clipped << label->objectName() + QStringLiteral(": ") + label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text().isEmpty())
                continue;
            // Indicator, spacing and text of check boxes and radio buttons.
            const int need = metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')))
                             + (button->inherits("QCheckBox") || button->inherits("QRadioButton") ? 20 : 4);
            if (need > button->width())
                clipped << button->objectName() + QStringLiteral(": ") + button->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(box->title()) + 12 > box->width())
                clipped << box->objectName() + QStringLiteral(": ") + box->title();
        }
    }
    return clipped;
}

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QStringLiteral(VELMOR_SOURCE_DIR)); // where Velmor.txt lives
        windows = std::make_unique<ProgramWindows>(workspace);
        windows->form1->setEndProcess([](int) {});
        windows->form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(windows->form1.get()));
    }

    void mainWindow()
    {
        TForm1& main = *windows->form1;
        save(&main, QStringLiteral("main-start"));
        QVERIFY2(clippedCaptions(&main).isEmpty(), qPrintable(clippedCaptions(&main).join(QStringLiteral("; "))));

        // A loaded structure after a run with all three algorithms.
        ControlUnit run;
        for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "RadioButton1",
                                 "RadioButton2", "zadan1", "zadan2", "RadioButton4", "RadioButton5", "RadioButton6",
                                 "RadioButton7", "RadioButton8", "RadioButton9", "RadioButton10", "rezstr", "rezabr",
                                 "rezenr", "reznpr", "play", "zatvoritrenutni", "detaljni"})
            run.push_back(ControlChange::enable(name, true));
        run.push_back(ControlChange::setText("Edit1", "/home/korisnik/strukture/primjer.dsm"));
        run.push_back(ControlChange::setItems("ComboBox1", {"          1", "          2", "          3"}));
        run.push_back(ControlChange::setItems("ComboBox2", {"          1", "          2", "          3"}));
        run.push_back(ControlChange::select("ComboBox1", "          1"));
        run.push_back(ControlChange::select("ComboBox2", "          3"));
        run.push_back(ControlChange::check("RadioButton1", true));
        for (const char* name : {"CheckBox3", "CheckBox4", "CheckBox5", "zadan1", "zadan2"})
            run.push_back(ControlChange::check(name, true));
        run.push_back(ControlChange::rowCount(4));
        const char* rows[3][5] = {
            {"Abraham", "0,978943", "__________________1856 *", "_______________0,016 *", "nisu primjećene"},
            {"ENR", "0,978943", "__________________2480 *", "_______________0,021 *", "prekinuta nit"},
            {"NPR", "0,97894", "_______________1234567 *", "____________1,2345E-5 *", "greška !"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                run.push_back(ControlChange::cell(r + 1, c, rows[r][c]));
        run.push_back(ControlChange::fill("Shape1", kGreen));
        run.push_back(ControlChange::fill("Shape2", kRed));
        run.push_back(ControlChange::fill("Shape3", kBlack));
        run.push_back(ControlChange::setText("ABR_pok", "12 / 12"));
        run.push_back(ControlChange::setText("ENR_pok", "1024 / 4096"));
        run.push_back(ControlChange::setText("NPR_pok", "77 / 120"));
        run.push_back(ControlChange::progress(6500));
        main.mirror(run);
        save(&main, QStringLiteral("main-results"));
        QVERIFY2(clippedCaptions(&main).isEmpty(), qPrintable(clippedCaptions(&main).join(QStringLiteral("; "))));

        main.redimClick();
        save(&main, QStringLiteral("main-menu-hidden"));
        main.redimClick();

        int n = 0;
        for (QMenu* menu : main.menuBar()->findChildren<QMenu*>()) {
            if (menu->objectName().isEmpty())
                continue;
            menu->popup(main.mapToGlobal(QPoint(20, 20)));
            save(menu, QStringLiteral("menu-%1-%2").arg(++n).arg(menu->objectName()));
            menu->hide();
        }
    }

    void secondaryWindows()
    {
        TForm1& main = *windows->form1;
        main.infoClick();
        save(windows->form3.get(), QStringLiteral("information"));
        QVERIFY2(clippedCaptions(windows->form3.get()).isEmpty(),
                 qPrintable(clippedCaptions(windows->form3.get()).join(QStringLiteral("; "))));
        windows->form3->close();

        main.pomocClick();
        save(windows->form6.get(), QStringLiteral("help"));
        windows->form6->close();

        windows->form2->report(&main, QStringLiteral("Otvorena datoteka ne sadrži odgovarajuće podatke"),
                               QStringLiteral("Nepostojeći izvorišni ili odredišni čvor strukture"));
        save(windows->form2.get(), QStringLiteral("error"));
        windows->form2->close();

        main.postavkeClick();
        TForm7& settings = *windows->form7;
        for (int page = 0; page < settings.notebook()->count(); ++page) {
            settings.notebook()->setCurrentIndex(page);
            save(&settings, QStringLiteral("settings-%1").arg(page + 1));
            QVERIFY2(clippedCaptions(&settings).isEmpty(),
                     qPrintable(clippedCaptions(&settings).join(QStringLiteral("; "))));
        }
        settings.close();

        for (QWidget* shell : {static_cast<QWidget*>(windows->form4.get()), static_cast<QWidget*>(windows->form5.get()),
                               static_cast<QWidget*>(windows->form8.get())}) {
            shell->show();
            save(shell, shell->objectName());
            shell->hide();
        }
    }

    // The largest values each window can be given: ten-digit counts, long
    // numbers and texts. Everything shows whole.
    void longValues()
    {
        TForm1& main = *windows->form1;
        ControlUnit run;
        for (const char* name : {"ABR_pok", "ENR_pok", "NPR_pok"})
            run.push_back(ControlChange::setText(name, "2147483647/2147483647"));
        run.push_back(ControlChange::setText(
            "Edit1", "/home/korisnik/dokumenti/mrezne-strukture/velike/resetka-3x6-neusmjerena-sa-svim-granama.dsm"));
        run.push_back(ControlChange::rowCount(4));
        const char* rows[3][5] = {
            {"Abraham", "0,961670709857265", "__________2147483647 *", "__________123456,789 *", "prekinuta nit"},
            {"ENR", "0,000697455439082014", "__________1033481199 *", "_____________5,226 *", "ograničena nit"},
            {"NPR", "1,2345678901234E-15", "__________2147483647 *", "____________1,2345E-5 *", "2147483647"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                run.push_back(ControlChange::cell(r + 1, c, rows[r][c]));
        main.mirror(run);
        save(&main, QStringLiteral("main-long-values"));
        QVERIFY2(clippedCaptions(&main).isEmpty(), qPrintable(clippedCaptions(&main).join(QStringLiteral("; "))));
        for (const char* name : {"ABR_pok", "ENR_pok", "NPR_pok"}) {
            auto* label = qobject_cast<ProgressLabel*>(main.control(QString::fromLatin1(name)));
            QVERIFY(label);
            QCOMPARE(label->shownLines().join(QString()), QStringLiteral("2147483647/2147483647"));
        }
        QCOMPARE(main.size().width(), TForm1::kClientWidth);

        // An error whose second line is far longer than one line, with a
        // path that has no blank to break at.
        TForm2& error = *windows->form2;
        error.report(&main, QStringLiteral("Podatke nije moguće spremiti u datoteku"),
                     QStringLiteral("error description : filesystem error: cannot open: "
                                    "/home/korisnik/dokumenti/mrezne-strukture/velike/resetka-3x6-neusmjerena.dsm: "
                                    "Permission denied; the disk may be full or the file may be locked by another "
                                    "program that is still writing it"));
        save(&error, QStringLiteral("error-long"));
        QCOMPARE(error.size(), QSize(TForm2::kClientWidth, TForm2::kClientHeight));
        auto* first = error.findChild<WrappedText*>(QStringLiteral("Label1"));
        auto* second = error.findChild<WrappedText*>(QStringLiteral("Label2"));
        QVERIFY(first && second);
        QVERIFY(first->fits());
        QVERIFY(second->fits());
        QVERIFY(first->geometry().bottom() < second->geometry().top());
        QVERIFY(second->geometry().bottom() < error.findChild<QWidget*>(QStringLiteral("SpeedButton1"))->y());
        error.close();

        TForm3& information = *windows->form3;
        const QString system = QStringLiteral(
            "Debian GNU/Linux 12 (bookworm) 6.1 (Build 0: #1 SMP PREEMPT_DYNAMIC Debian 6.1.129-1 (2025-03-06))");
        MemoryStatus memory;
        memory.totalPhysical = memory.availablePhysical = memory.totalPageFile = memory.availablePageFile =
            std::uint64_t{1} << 50;
        memory.totalVirtual = memory.availableVirtual = ~std::uint64_t{0};
        information.fill(system, memory, QStringLiteral("."));
        information.show();
        save(&information, QStringLiteral("information-long"));
        QVERIFY2(clippedCaptions(&information).isEmpty(),
                 qPrintable(clippedCaptions(&information).join(QStringLiteral("; "))));
        for (int n = 1; n <= 7; ++n) {
            auto* field = information.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
            QVERIFY2(QFontMetrics(field->font()).horizontalAdvance(field->text())
                         <= field->width() - TForm3::kFieldTextMargins,
                     qPrintable(field->text()));
        }
        information.close();

        // A report of millions of iterations and of a gigabyte and more.
        TForm4 report;
        report.begin(Algorithm::Enr, 1);
        auto content = std::make_shared<ReportContent>();
        content->kind = Algorithm::Enr;
        content->caption = "Detaljni prikaz rezulatata algoritma ENR";
        content->algorithm = "Algoritam : ENR";
        content->status = "/home/korisnik/dokumenti/mrezne-strukture/velike/resetka-3x6-neusmjerena-sa-svim-granama.dsm,"
                          " redukcija, rub idealan, razina opt. : 2";
        content->timesShown = true;
        content->timeLabels = {"sustav :", "ispitivanje susjednih cvorova:", "izvršavanje algoritma :", ""};
        content->timeValues = {"123456.789", "0.482", "5.226", ""};
        content->lastTimeShown = false;
        content->detailsShown = true;
        content->detailLabels = {"raspoloživost :", "ukupno iteracija :", "uspješnih rješenja :", "neuspješnih rješ. :"};
        content->detailValues = {"0.961670709857265", "2147483647", "2147483647", "2147483647"};
        content->chartShown = true;
        content->chart.push_back({0, 0, "", false});
        const std::int64_t iterations = 8192583;
        for (std::int64_t j = 1; j <= iterations; j += 997)
            content->chart.push_back({j, j * 126, std::to_string(j), true});
        content->chart.push_back({iterations, 2147483647, std::to_string(iterations), true});
        content->tree = ReportTree(std::make_shared<RootOnly>("N1"));
        content->finished = true;
        report.show();
        report.present(content);
        QVERIFY(QTest::qWaitForWindowExposed(&report));
        QTest::qWait(50); // the chart lays itself out
        save(&report, QStringLiteral("report-long-values"));
        QVERIFY2(clippedCaptions(&report).isEmpty(), qPrintable(clippedCaptions(&report).join(QStringLiteral("; "))));
        QVERIFY(report.chartLabels().size() >= 2);
        QCOMPARE(report.chartLabels().last(), QString::number(iterations));
        const QRectF chartArea = report.chart()->rect();
        int axisLabels = 0;
        for (QGraphicsItem* item : report.chart()->scene()->items()) {
            auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            if (!text || !text->isVisible() || text->toPlainText().isEmpty())
                continue;
            ++axisLabels;
            QVERIFY2(!text->toPlainText().contains(QStringLiteral("...")) && !text->toPlainText().contains(QChar(0x2026)),
                     qPrintable(text->toPlainText()));
            const QRectF box = text->sceneBoundingRect();
            QVERIFY2(box.left() >= chartArea.left() && box.right() <= chartArea.right(), qPrintable(text->toPlainText()));
        }
        QVERIFY(axisLabels >= report.chartLabels().size());
        for (int n = 2; n <= 9; ++n) {
            if (!report.pairShown(n))
                continue;
            auto* value = report.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
            QVERIFY2(QFontMetrics(value->font()).horizontalAdvance(value->text()) <= value->width() - kLineEditTextMargins,
                     qPrintable(value->text()));
        }
        auto* status = report.findChild<QLineEdit*>(QStringLiteral("Edit1"));
        QCOMPARE(status->text(), QString::fromStdString(content->status));
        QVERIFY2(QFontMetrics(status->font()).horizontalAdvance(status->text()) <= status->width() - kLineEditTextMargins,
                 "the options line is cut");
    }

private:
    StructureWorkspace workspace;
    std::unique_ptr<ProgramWindows> windows;
};

VELMOR_UI_TEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
