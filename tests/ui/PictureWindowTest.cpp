// The picture of the structure in the wired program: opened from its menu
// item, the counts of node and edge items, the colours of the pair and of
// what the reduction removes, refreshes after the options, the matrix view
// and the editor change the structure, the element values with their
// legend, and the PNG and SVG export; with screenshots of the examples, a
// 10 x 10 grid and a random structure of 300 elements.
#include "UiTestMain.h"
#include "WiredProgram.h"

#include "GridStructure.h"
#include "run/MainController.h"
#include "ui/ControllerActions.h"
#include "ui/Gui.h"
#include "ui/Slika.h"
#include "ui/Tablica.h"
#include "ui/Vaznost.h"
#include "ui/Unos.h"
#include "ui/Windows.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGraphicsEllipseItem>
#include <QGraphicsScene>
#include <QImage>
#include <QTemporaryDir>
#include <QWindow>
#include <QXmlStreamReader>

#include <cmath>
#include <random>

using namespace velmor;

namespace {

// A directed structure with a node (7) that hangs on node 2 by edge 6 alone.
const char* const kHanging =
    "struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n1 , 0.9;\n2 , 0.9;\n3 , 0.9;\n7 , 0.9;\n}\n"
    "grane:\n{\n4 , 1 , 2 , 0.9;\n5 , 2 , 3 , 0.9;\n6 , 2 , 7 , 0.9;\n}\npar:\n{\n1 , 3;\n}\n}\n";

// A seeded random directed structure of `nodes` nodes and `edges` edges, all
// reachable from node 1, with node `nodes` as the destination.
std::string randomStructure(int nodes, int edges, unsigned seed)
{
    std::mt19937 random(seed);
    std::string s = "struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n";
    for (int n = 1; n <= nodes; ++n)
        s += std::to_string(n) + " , 0.9" + std::to_string(n % 10) + ";\n";
    s += "}\ngrane:\n{\n";
    int label = nodes + 1;
    for (int n = 2; n <= nodes; ++n) // a spanning tree first
        s += std::to_string(label++) + " , " +
             std::to_string(std::uniform_int_distribution<int>(1, n - 1)(random)) + " , " + std::to_string(n) +
             " , 0.95;\n";
    std::uniform_int_distribution<int> any(1, nodes);
    while (label <= nodes + edges) {
        const int a = any(random), b = any(random);
        if (a != b)
            s += std::to_string(label++) + " , " + std::to_string(a) + " , " + std::to_string(b) + " , 0.9;\n";
    }
    s += "}\npar:\n{\n1 , " + std::to_string(nodes) + ";\n}\n}\n";
    return s;
}

} // namespace

class PictureWindowTest : public QObject, protected velmor::testing::WiredProgram {
    Q_OBJECT

    TForm10* picture = nullptr;
    QTemporaryDir dir;

    void load(const QString& path)
    {
        main->setDialogAnswer([path](QFileDialog*) -> std::optional<std::string> { return path.toStdString(); });
        main->otvoridatotekuClick();
        controller->waitForArchive();
        QTRY_VERIFY(enabled("rezstr"));
    }
    QString write(const QString& name, const std::string& text)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text.c_str());
        return path;
    }
    int element(std::int32_t label, std::int32_t kind) const
    {
        int index = -1;
        controller->workspace().elements.find(label, kind, index);
        return index;
    }
    void screenshot(const QString& name)
    {
        QDir().mkpath(QStringLiteral(VELMOR_SCREENSHOT_DIR));
        QVERIFY(QTest::qWaitForWindowExposed(picture));
        QVERIFY(picture->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/picture-") + name + ".png"));
        QVERIFY(picture->exportPicture(QStringLiteral(VELMOR_SCREENSHOT_DIR "/picture-") + name + "-export.png"));
        // The middle of the picture as drawn, neither enlarged nor reduced.
        picture->view()->resetTransform();
        picture->view()->centerOn(picture->scene()->sceneRect().center());
        QVERIFY(picture->grab().save(QStringLiteral(VELMOR_SCREENSHOT_DIR "/picture-") + name + "-detail.png"));
    }
    // No two nodes of the picture overlap.
    void expectNodesApart() const
    {
        const StructureLayout& layout = picture->layout();
        for (std::size_t i = 0; i < picture->picture().nodes.size(); ++i)
            for (std::size_t j = i + 1; j < picture->picture().nodes.size(); ++j) {
                const NodePlacement& a = layout.nodes[i];
                const NodePlacement& b = layout.nodes[j];
                const double apart = std::hypot(a.centre.x - b.centre.x, a.centre.y - b.centre.y);
                QVERIFY2(apart >= (a.width + b.width) / 2 - 1,
                         qPrintable(QStringLiteral("nodes %1 and %2 overlap").arg(i).arg(j)));
            }
    }

    // The picture laid out by each engine that can be chosen.
    void everyEngine(const QString& name)
    {
        const int nodes = picture->nodeItemCount();
        const LayoutEngine engines[] = {LayoutEngine::Dot, LayoutEngine::Neato, LayoutEngine::Sfdp};
        for (int k = 1; k <= 3; ++k) {
            picture->engineChoice()->setCurrentIndex(k);
            QCOMPARE(picture->layout().engine, engines[k - 1]);
            QCOMPARE(picture->nodeItemCount(), nodes);
            expectNodesApart();
            screenshot(name + QStringLiteral("-") + QString::fromLatin1(engineName(engines[k - 1])));
        }
        picture->engineChoice()->setCurrentIndex(0);
    }

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        wireProgram([](MainController& c) { c.setDecimalSeparator('.'); });
        picture = windows->form10.get();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }
    void cleanup()
    {
        picture->hide();
        unwireProgram();
    }

    void opensFromTheMenuWithThePairInColour()
    {
        auto* item = qobject_cast<QAction*>(main->control(QStringLiteral("slikastrukture1")));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("Slika strukture"));
        QVERIFY(!item->isEnabled()); // no structure yet
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        QVERIFY(item->isEnabled());
        item->trigger();
        QVERIFY(picture->isVisible());
        QCOMPARE(picture->windowTitle(), QStringLiteral("Slika strukture"));
        QCOMPARE(picture->pos(), QPoint(main->pos().x(), main->pos().y() + 90));
        QVERIFY(picture->windowHandle() && picture->windowHandle()->transientParent() == main->windowHandle());

        QCOMPARE(picture->nodeItemCount(), 3);
        QCOMPARE(picture->edgeItemCount(), 3);
        QCOMPARE(picture->nodeFill(element(1, NodeKind)), kPictureSource);
        QCOMPARE(picture->nodeFill(element(3, NodeKind)), kPictureDestination);
        QCOMPARE(picture->nodeFill(element(2, NodeKind)), kPictureNode);
        for (std::int32_t label : {4, 5, 6}) {
            QGraphicsItem* edge = picture->edgeItem(element(label, EdgeKind));
            QVERIFY(edge);
            QCOMPARE(picture->edgeColour(element(label, EdgeKind)), kPictureEdge);
            QCOMPARE(edge->childItems().size(), 1); // its arrowhead
        }
        const QStringList labels = picture->labelTexts();
        for (const char* text : {"N1", "N2", "N3", "e4", "e5", "e6"})
            QVERIFY2(labels.contains(QString::fromLatin1(text)), text);
        QVERIFY(!labels.contains(QStringLiteral("0.95")));
        QVERIFY(picture->nodeItem(element(2, NodeKind))->toolTip().contains(QStringLiteral("N2 — raspoloživost 0.95")));
        QVERIFY(picture->nodeItem(element(1, NodeKind))->toolTip().contains(QStringLiteral("izvorišni čvor")));
        QVERIFY(picture->edgeItem(element(6, EdgeKind))->toolTip().contains(QStringLiteral("e6 — raspoloživost 0.5")));

        // Availabilities as labels too.
        picture->availabilityLabels()->click();
        QVERIFY(picture->labelTexts().contains(QStringLiteral("0.95")));
        QVERIFY(picture->labelTexts().contains(QStringLiteral("0.99")));
        QCOMPARE(picture->nodeItemCount(), 3);
        screenshot(QStringLiteral("primjer-availabilities"));

        // Undirected: no arrowheads.
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("zadan2")))->click();
        main->Ne1Click();
        QTRY_VERIFY(!picture->picture().directed);
        QCOMPARE(picture->edgeItem(element(4, EdgeKind))->childItems().size(), 0);

        // Released: nothing to draw.
        main->zatvoritrenutniClick();
        QTRY_COMPARE(picture->nodeItemCount(), 0);
        QVERIFY(!item->isEnabled());
    }

    void greysWhatTheReductionRemovesForThePresentPair()
    {
        load(write(QStringLiteral("slijepa.dsm"), kHanging));
        main->slikastrukture1Click();
        QVERIFY(picture->picture().reduced);
        QCOMPARE(picture->nodeFill(element(7, NodeKind)), kPictureRemovedFill);
        QCOMPARE(picture->nodeOutline(element(7, NodeKind)), kPictureRemovedLine);
        QCOMPARE(picture->edgeColour(element(6, EdgeKind)), kPictureRemovedLine);
        QCOMPARE(picture->nodeFill(element(2, NodeKind)), kPictureNode);
        QCOMPARE(picture->edgeColour(element(5, EdgeKind)), kPictureEdge);
        QVERIFY(picture->statusText().contains(QStringLiteral("uklonjeno redukcijom : 2")));
        QVERIFY(picture->nodeItem(element(7, NodeKind))->toolTip().contains(QStringLiteral("uklonjen redukcijom")));
        QVERIFY(picture->edgeItem(element(6, EdgeKind))->toolTip().contains(QStringLiteral("uklonjena redukcijom")));
        screenshot(QStringLiteral("reduced"));

        // The reduction switched off: nothing greyed, without reopening.
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("CheckBox1")))->click();
        QTRY_VERIFY(!picture->picture().reduced);
        QCOMPARE(picture->nodeFill(element(7, NodeKind)), kPictureNode);
        QCOMPARE(picture->edgeColour(element(6, EdgeKind)), kPictureEdge);

        // Another pair: with 7 as the destination node 3 hangs instead.
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("CheckBox1")))->click();
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("zadan1")))->click();
        auto* destination = qobject_cast<QComboBox*>(main->control(QStringLiteral("ComboBox2")));
        const int seven = destination->findText(QString::fromStdString(labelText(7)));
        QVERIFY(seven >= 0);
        destination->setCurrentIndex(seven);
        main->ComboBox2Select(seven);
        QTRY_COMPARE(picture->nodeFill(element(7, NodeKind)), kPictureDestination);
        QCOMPARE(picture->nodeFill(element(3, NodeKind)), kPictureRemovedFill);
        QCOMPARE(picture->edgeColour(element(5, EdgeKind)), kPictureRemovedLine);
        // The run's own work structure is not the picture's business.
        QCOMPARE(controller->workspace().elementMap.count(), 0);
    }

    void followsTheMatrixViewAndTheEditor()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        main->slikastrukture1Click();
        main->matricastrukture2Click();
        TForm8* matrix = windows->form8.get();
        // Row N1, column e4: edge 4 no longer leaves node 1.
        matrix->StringGrid1DblClick(element(4, EdgeKind) + 1, element(1, NodeKind) + 1);
        QTRY_COMPARE(picture->picture().edges[static_cast<std::size_t>(picture->picture().edgeOf(element(4, EdgeKind)))].from, -1);
        int openEnds = 0;
        for (const QGraphicsItem* item : picture->scene()->items())
            openEnds += item->data(0).toString() == QStringLiteral("open end");
        QCOMPARE(openEnds, 1);
        QCOMPARE(picture->edgeItemCount(), 3);
        matrix->hide();

        // The editor adds a node and an edge; accepting redraws.
        main->novadatotekaClick();
        TForm5* editor = windows->form5.get();
        editor->SpeedButton2Click();
        editor->SpeedButton4Click();
        editor->SpeedButton8Click();
        QTRY_COMPARE(picture->nodeItemCount(), 4);
        QCOMPARE(picture->edgeItemCount(), 4);
    }

    void coloursElementsByValuesWithALegend()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/most.dsm"));
        main->slikastrukture1Click();
        const int count = controller->workspace().elements.count();
        std::vector<double> values(static_cast<std::size_t>(count), std::nan(""));
        values[static_cast<std::size_t>(element(2, NodeKind))] = 0.25;
        values[static_cast<std::size_t>(element(3, NodeKind))] = 0.75;
        values[static_cast<std::size_t>(element(7, EdgeKind))] = 0.5;
        values[static_cast<std::size_t>(element(1, NodeKind))] = 0.75;
        picture->showElementValues(values, QStringLiteral("važnost"));
        QVERIFY(picture->legendShown());
        QVERIFY(picture->labelTexts().contains(QStringLiteral("važnost")));
        QCOMPARE(picture->nodeFill(element(2, NodeKind)), valueColour(0));
        QCOMPARE(picture->nodeFill(element(3, NodeKind)), valueColour(1));
        // The source is filled by its value and keeps its colour in a ring.
        QCOMPARE(picture->nodeFill(element(1, NodeKind)), valueColour(1));
        QCOMPARE(picture->nodeOutline(element(1, NodeKind)), kPictureSource);
        QCOMPARE(picture->edgeColour(element(7, EdgeKind)), valueColour(0.5).darker(115));
        // Elements without a value keep their colours.
        QCOMPARE(picture->nodeFill(element(4, NodeKind)), kPictureDestination);
        QCOMPARE(picture->edgeColour(element(5, EdgeKind)), kPictureEdge);
        QVERIFY(picture->nodeItem(element(3, NodeKind))->toolTip().contains(QStringLiteral("važnost : 0.75")));
        screenshot(QStringLiteral("values"));

        // A refresh keeps them; clearing takes them and the legend away.
        picture->fill();
        QVERIFY(picture->legendShown());
        QCOMPARE(picture->nodeFill(element(3, NodeKind)), valueColour(1));
        picture->clearElementValues();
        QVERIFY(!picture->legendShown());
        QCOMPARE(picture->nodeFill(element(3, NodeKind)), kPictureNode);
    }

    // The importance, once computed, colours the picture of its pair.
    void showsTheImportanceOfItsPair()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/most.dsm"));
        main->slikastrukture1Click();
        QVERIFY(!picture->legendShown());
        auto* importance = qobject_cast<QAction*>(main->control(QStringLiteral("Vanostelemenata1")));
        QVERIFY(importance && importance->isEnabled());
        importance->trigger();
        QTRY_VERIFY(picture->legendShown());
        QVERIFY(picture->labelTexts().contains(QStringLiteral("Birnbaumova važnost")));
        const auto result = controller->lastImportance();
        QVERIFY(result);
        // The most important element has the top colour of the scale.
        const ElementImportance& top = result->elements.front();
        QCOMPARE(top.text(), std::string("N2"));
        QCOMPARE(picture->nodeFill(top.element.element), valueColour(1));
        // The ideal terminals are not rated and keep their colours.
        QCOMPARE(picture->nodeFill(element(1, NodeKind)), kPictureSource);
        QCOMPARE(picture->nodeFill(element(4, NodeKind)), kPictureDestination);
        screenshot(QStringLiteral("importance"));

        // Another pair: the importance is not its own.
        qobject_cast<QCheckBox*>(main->control(QStringLiteral("zadan1")))->click();
        auto* destination = qobject_cast<QComboBox*>(main->control(QStringLiteral("ComboBox2")));
        const int three = destination->findText(QString::fromStdString(labelText(3)));
        destination->setCurrentIndex(three);
        main->ComboBox2Select(three);
        QTRY_VERIFY(!picture->legendShown());
        QCOMPARE(picture->nodeFill(top.element.element), kPictureNode);
    }

    void exportsPngAndSvg()
    {
        load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        main->slikastrukture1Click();
        const QString png = dir.filePath(QStringLiteral("slika.png"));
        const QString svg = dir.filePath(QStringLiteral("slika.svg"));
        picture->setSavePrompt([png] { return std::optional<QString>(png); });
        picture->saveClick();
        QVERIFY(picture->statusText().contains(QStringLiteral("spremljena u")));
        QImage image;
        QVERIFY(image.load(png, "PNG"));
        QVERIFY(image.width() >= picture->scene()->sceneRect().width());
        // The source's green and the destination's red are in it.
        bool green = false, red = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                green = green || c == kPictureSource;
                red = red || c == kPictureDestination;
            }
        QVERIFY(green && red);

        QVERIFY(picture->exportPicture(svg));
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString root;
        int texts = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement) {
                if (root.isEmpty())
                    root = xml.name().toString();
                texts += xml.name() == QStringLiteral("text");
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(root, QStringLiteral("svg"));
        QVERIFY(texts >= 6); // the labels are text, not pixels

        // A folder that does not exist: refused, and said so.
        const QString nowhere = dir.filePath(QStringLiteral("nema/slika.png"));
        QVERIFY(!picture->exportPicture(nowhere));
        picture->setSavePrompt([nowhere] { return std::optional<QString>(nowhere); });
        picture->saveClick();
        QVERIFY(picture->statusText().contains(QStringLiteral("nije spremljena")));
    }

    void screenshotsOfExamplesGridAndLargeStructure()
    {
        for (const char* name : {"bez_para", "ljestve", "most", "mreza12", "primjer", "resetka3x3"}) {
            load(QStringLiteral(VELMOR_SOURCE_DIR "/examples/") + name + ".dsm");
            main->slikastrukture1Click();
            QVERIFY(picture->layout().ok);
            QCOMPARE(static_cast<std::size_t>(picture->nodeItemCount()), picture->picture().nodes.size());
            expectNodesApart();
            screenshot(QString::fromLatin1(name));
        }

        load(write(QStringLiteral("resetka10.dsm"), velmor::testing::gridStructure(10, 10)));
        main->slikastrukture1Click();
        QCOMPARE(picture->nodeItemCount(), 100);
        QCOMPARE(picture->edgeItemCount(), 180);
        QCOMPARE(picture->layout().engine, LayoutEngine::Neato);
        expectNodesApart();
        screenshot(QStringLiteral("grid10"));
        everyEngine(QStringLiteral("grid10"));

        load(write(QStringLiteral("velika.dsm"), randomStructure(100, 200, 11)));
        main->slikastrukture1Click();
        QCOMPARE(picture->nodeItemCount(), 100);
        QCOMPARE(picture->edgeItemCount(), 200);
        expectNodesApart();
        screenshot(QStringLiteral("random300"));
        everyEngine(QStringLiteral("random300"));
    }
};

VELMOR_UI_TEST_MAIN(PictureWindowTest)
#include "PictureWindowTest.moc"
