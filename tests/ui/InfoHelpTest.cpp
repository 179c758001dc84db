// The information window with the system facts behind it, and the help
// window with its help file.
#include "UiTestMain.h"

#include "platform/SystemInfo.h"
#include "structure/StructureWorkspace.h"
#include "ui/Gui.h"
#include "ui/Info.h"
#include "ui/Pomoc.h"
#include "ui/Windows.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>

#include <stdexcept>

using namespace velmor;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList memoLines(const TForm6& help)
{
    QStringList lines;
    for (QTextBlock block = help.memo()->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

} // namespace

class InfoHelpTest : public QObject {
    Q_OBJECT

    QTemporaryDir noHelp;

    // Only the working directory and an empty folder: a help file installed
    // on this machine must not change what these tests see.
    void searchOnlyTheWorkingDirectory() { setSearchedHelpFolders({QStringLiteral("."), noHelp.path()}); }

private slots:
    void initTestCase() { searchOnlyTheWorkingDirectory(); }

    void osDescriptionShape()
    {
        OsVersion version;
        version.name = "Debian GNU/Linux 12 (bookworm)";
        version.major = 6;
        version.minor = 1;
        version.build = 76;
        version.extra = "#1 SMP PREEMPT_DYNAMIC";
        QCOMPARE(describeOs(version), std::string("Debian GNU/Linux 12 (bookworm) 6.1 (Build 76: #1 SMP PREEMPT_DYNAMIC)"));
        version.edition = "Server";
        QCOMPARE(describeOs(version), std::string("Debian GNU/Linux 12 (bookworm) Server 6.1 (Build 76: #1 SMP PREEMPT_DYNAMIC)"));
        // Blanks only count as no extra text: no colon.
        version.extra = "   ";
        QCOMPARE(describeOs(version), std::string("Debian GNU/Linux 12 (bookworm) Server 6.1 (Build 76)"));
        // No name: no leading blank.
        OsVersion bare;
        bare.major = 5;
        bare.minor = 10;
        QCOMPARE(describeOs(bare), std::string("5.10 (Build 0)"));
    }

    void osVersionFromReleaseFileAndUname()
    {
        const std::string osRelease = "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                      "VERSION_ID=\"12\"\nVARIANT='Workstation'\n";
        OsVersion version = osVersionFrom(osRelease, "6.1.0-18-amd64", "#1 SMP", "Linux");
        QCOMPARE(version.name, std::string("Debian GNU/Linux 12 (bookworm)"));
        QCOMPARE(version.edition, std::string("Workstation"));
        QCOMPARE(version.major, 6);
        QCOMPARE(version.minor, 1);
        QCOMPARE(version.build, 0L);
        QCOMPARE(version.extra, std::string("#1 SMP"));

        version = osVersionFrom("NAME=Alpine\n", "5.15.133", "", "Linux");
        QCOMPARE(version.name, std::string("Alpine"));
        QCOMPARE(version.build, 133L);
        version = osVersionFrom("", "4.9", "x", "Linux");
        QCOMPARE(version.name, std::string("Linux"));
        QCOMPARE(version.major, 4);
        QCOMPARE(version.minor, 9);
        QCOMPARE(version.build, 0L);

        // The running system reads as such a description.
        const std::string running = describeOs(readOsVersion());
        QVERIFY2(running.find(" (Build ") != std::string::npos, running.c_str());
        QVERIFY(running.back() == ')');
    }

    void memoryFigures()
    {
        const std::string meminfo = "MemTotal:       16318412 kB\nMemFree:         1000000 kB\n"
                                    "MemAvailable:   12000000 kB\nSwapTotal:       2097148 kB\nSwapFree:        2000000 kB\n";
        const std::string status = "Name:\tvelmor\nVmPeak:\t  300000 kB\nVmSize:\t  250000 kB\n";
        MemoryStatus memory = memoryStatusFrom(meminfo, status, 0);
        QCOMPARE(memory.totalPhysical, std::uint64_t{16318412} * 1024);
        QCOMPARE(memory.availablePhysical, std::uint64_t{12000000} * 1024);
        QCOMPARE(memory.totalPageFile, std::uint64_t{2097148} * 1024);
        QCOMPARE(memory.availablePageFile, std::uint64_t{2000000} * 1024);
        QCOMPARE(memory.totalVirtual - memory.availableVirtual, std::uint64_t{250000} * 1024);
        QVERIFY(memory.totalVirtual >= (std::uint64_t{3} << 30));

        // An address-space limit is the total; an old kernel has no MemAvailable.
        memory = memoryStatusFrom("MemTotal: 100 kB\nMemFree: 40 kB\n", status, std::uint64_t{1} << 30);
        QCOMPARE(memory.availablePhysical, std::uint64_t{40} * 1024);
        QCOMPARE(memory.totalVirtual, std::uint64_t{1} << 30);
        QCOMPARE(memory.availableVirtual, (std::uint64_t{1} << 30) - std::uint64_t{250000} * 1024);
        QCOMPARE(memory.totalPageFile, std::uint64_t{0});

        const MemoryStatus now = readMemoryStatus();
        QVERIFY(now.totalPhysical > 0);
        QVERIFY(now.availablePhysical <= now.totalPhysical);
        QVERIFY(now.availablePageFile <= now.totalPageFile);
        QVERIFY(now.availableVirtual < now.totalVirtual);
    }

    void kilobytePattern()
    {
        QCOMPARE(formatKilobytes(0, "."), std::string(" KB"));
        QCOMPARE(formatKilobytes(1023, "."), std::string(" KB"));
        QCOMPARE(formatKilobytes(1024, "."), std::string("1 KB"));
        QCOMPARE(formatKilobytes(1048576, "."), std::string("1.024 KB"));
        QCOMPARE(formatKilobytes(999 * 1024 + 1023, ","), std::string("999 KB"));
        QCOMPARE(formatKilobytes(std::uint64_t{1234567890} * 1024, ","), std::string("1,234,567,890 KB"));
        QCOMPARE(formatKilobytes(std::uint64_t{16318412} * 1024, "\u202f"), std::string("16\u202f318\u202f412 KB"));
    }

    void informationWindow()
    {
        TForm3 info;
        QCOMPARE(info.windowTitle(), QStringLiteral("Informacije o okruženju i autoru"));
        QCOMPARE(info.size(), QSize(740, 304));
        QCOMPARE(info.minimumSize(), info.maximumSize());
        MemoryStatus memory;
        memory.totalPhysical = std::uint64_t{8} << 30;
        memory.availablePhysical = 1048576;
        memory.totalPageFile = 0;
        memory.availablePageFile = 512;
        memory.totalVirtual = std::uint64_t{1} << 47;
        memory.availableVirtual = (std::uint64_t{1} << 47) - (std::uint64_t{300} << 20);
        info.fill(QStringLiteral("Debian GNU/Linux 12 (bookworm) 6.1 (Build 0)"), memory, QStringLiteral("."));
        QCOMPARE(info.field(1), QStringLiteral("Debian GNU/Linux 12 (bookworm) 6.1 (Build 0)"));
        QCOMPARE(info.field(2), QStringLiteral("8.388.608 KB"));
        QCOMPARE(info.field(3), QStringLiteral("1.024 KB"));
        QCOMPARE(info.field(4), QStringLiteral(" KB"));
        QCOMPARE(info.field(5), QStringLiteral(" KB"));
        QCOMPARE(info.field(6), QStringLiteral("137.438.953.472 KB"));
        QCOMPARE(info.field(7), QStringLiteral("137.438.646.272 KB"));
        for (int n = 1; n <= 7; ++n)
            QVERIFY(info.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n))->isReadOnly());

        QSignalSpy closed(&info, &TForm3::closed);
        info.show();
        info.SpeedButton1Click();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!info.isVisible());
    }

    void helpWindowReadsTheHelpFile()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        writeFile(dir.filePath(QStringLiteral("Velmor.txt")), "Prvi redak\r\n\r\nTreći redak: čćžšđ\n");
        TForm6 help;
        QCOMPARE(help.windowTitle(), QStringLiteral("Opis programa i korištenje"));
        QCOMPARE(help.size(), QSize(740, 321));
        QVERIFY(help.memo()->isReadOnly());
        QCOMPARE(help.memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(help.memo()->font().pixelSize(), 16);
        QCOMPARE(memoLines(help), QStringList({"Prvi redak", "", "Treći redak: čćžšđ"}));

        // The file is read once, while the window is created.
        writeFile(dir.filePath(QStringLiteral("Velmor.txt")), "drugo");
        QCOMPARE(memoLines(help), QStringList({"Prvi redak", "", "Treći redak: čćžšđ"}));
    }

    void helpWindowInTheCentralEuropeanCodePage()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        writeFile(dir.filePath(QStringLiteral("Velmor.txt")), "Opis programa i kori\x9atenje\n");
        TForm6 help;
        QCOMPARE(memoLines(help), QStringList({"Opis programa i korištenje"}));
    }

    void helpWindowWithoutTheHelpFile()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        TForm6 help;
        QCOMPARE(memoLines(help), QStringList({"", "Nemoguće pronaći pomoćnu datoteku Velmor.txt"}));

        // A help file that cannot be read stops the start-up with an exception.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Velmor.txt")));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, TForm6());
        StructureWorkspace workspace;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ProgramWindows{workspace});
    }

    // The help file of the repository is the one the program shows, and its
    // example structure is the bundled example file.
    void repositoryHelpFile()
    {
        QDir::setCurrent(QStringLiteral(VELMOR_SOURCE_DIR));
        TForm6 help;
        const QStringList lines = memoLines(help);
        QVERIFY(lines.size() > 100);
        QVERIFY(lines.first().startsWith(QStringLiteral("VELMOR - program za računanje raspoloživosti")));
        for (const char* topic : {"Abraham", "NPR", "ENR", "Redukcija", "Idealni čvorovi", "normalno", "posebno",
                                  "ograničenja memorije", "postavke dretvi", "Zauzeta memorija [byte]", "velmor-cli",
                                  "F5", "Ctrl+O"})
            QVERIFY2(lines.join(QLatin1Char('\n')).contains(QString::fromUtf8(topic)), topic);

        QFile example(QStringLiteral(VELMOR_SOURCE_DIR "/examples/primjer.dsm"));
        if (!example.open(QIODevice::ReadOnly | QIODevice::Text))
            QSKIP("no bundled example");
        const QStringList exampleLines = QString::fromUtf8(example.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const int start = lines.indexOf(QStringLiteral("struktura:"));
        QVERIFY(start > 0);
        QCOMPARE(lines.mid(start, exampleLines.size()), exampleLines);
    }

    void helpFoldersOfAnInstalledProgram()
    {
        QCOMPARE(helpFolders(QStringLiteral("/opt/velmor/bin")),
                 QStringList({".", "/opt/velmor/bin", "/opt/velmor/share/velmor", VELMOR_INSTALLED_DATA_DIR}));
        QVERIFY(QDir::isAbsolutePath(QStringLiteral(VELMOR_INSTALLED_DATA_DIR)));
        // The running program's own folders unless a test has set others.
        setSearchedHelpFolders({});
        QCOMPARE(searchedHelpFolders(), helpFolders(QCoreApplication::applicationDirPath()));
        searchOnlyTheWorkingDirectory();
        QCOMPARE(searchedHelpFolders(), QStringList({".", noHelp.path()}));
    }

    // Started from a desktop menu the working directory is the home folder:
    // the help file is then found beside the program or in its data folder.
    void helpFileSearchOrder()
    {
        QTemporaryDir root;
        const QDir tree(root.path());
        for (const char* folder : {"home", "bin", "share/velmor", "installed"})
            QVERIFY(tree.mkpath(QString::fromLatin1(folder)));
        QStringList folders = helpFolders(tree.filePath(QStringLiteral("bin")));
        folders.last() = tree.filePath(QStringLiteral("installed")); // the installation's data folder
        setSearchedHelpFolders(folders);
        QDir::setCurrent(tree.filePath(QStringLiteral("home")));
        const QStringList files{"home/Velmor.txt", "bin/Velmor.txt", "share/velmor/Velmor.txt", "installed/Velmor.txt"};
        for (const QString& file : files)
            writeFile(tree.filePath(file), file.toUtf8());
        for (const QString& file : files) {
            QCOMPARE(memoLines(TForm6()), QStringList({file}));
            QVERIFY(QFile::remove(tree.filePath(file)));
        }
        QCOMPARE(findHelpFile(folders), QString());
        QCOMPARE(memoLines(TForm6()).last(), QStringLiteral("Nemoguće pronaći pomoćnu datoteku Velmor.txt"));
        searchOnlyTheWorkingDirectory();
    }

    void startUpWithoutTheHelpFileStillOpensTheMainWindow()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        StructureWorkspace workspace;
        ProgramWindows windows(workspace);
        windows.form1->setEndProcess([](int) {});
        windows.form1->show();
        QVERIFY(windows.form1->isVisible());
        QCOMPARE(memoLines(*windows.form6).last(), QStringLiteral("Nemoguće pronaći pomoćnu datoteku Velmor.txt"));
    }
};

VELMOR_UI_TEST_MAIN(InfoHelpTest)
#include "InfoHelpTest.moc"
