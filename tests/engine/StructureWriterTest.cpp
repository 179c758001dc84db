#include "platform/Numbers.h"
#include "structure/StructureFileReader.h"
#include "structure/StructureFileWriter.h"

#include "StructureFiles.h"
#include "TempFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;
using namespace velmor::testing;

namespace {

struct Written {
    bool ok = false;
    std::string message;
    std::string bytes;
};

Written writeToFile(const ElementList& elements, const ByteMatrix& directedMatrix, bool directed, int source,
                    int destination)
{
    TempDir dir;
    const std::string path = dir.path("out.dsm");
    StructureFileWriter writer;
    Written w;
    w.ok = writer.writeStructureFile(path, elements, directedMatrix, directed, source, destination, w.message);
    w.bytes = readBytes(path);
    return w;
}

// The names of the entries of a directory.
std::set<std::string> namesIn(const std::string& directory)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

// Builds a structure by hand: nodes first, then edges given by node indices.
struct HandStructure {
    ElementList elements;
    ByteMatrix directedMatrix;

    void build(const std::vector<std::pair<std::int32_t, long double>>& nodes,
               const std::vector<std::tuple<std::int32_t, int, int, long double>>& edges)
    {
        for (const auto& [label, availability] : nodes)
            ASSERT_TRUE(elements.append(label, availability, NodeKind));
        for (const auto& [label, from, to, availability] : edges)
            ASSERT_TRUE(elements.append(label, availability, EdgeKind));
        const int n = elements.count();
        ASSERT_TRUE(directedMatrix.allocate(n, n));
        int e = static_cast<int>(nodes.size());
        for (const auto& [label, from, to, availability] : edges) {
            directedMatrix.set(e, from, 1);
            directedMatrix.set(to, e, 1);
            ++e;
        }
    }
};

} // namespace

TEST(StructureWriter, ExampleFileReadAndWrittenAgainIsTheSameFile)
{
    ReadOutcome in;
    readText(kExampleFile, in);
    ASSERT_TRUE(in.ok) << in.message;
    const Written w = writeToFile(in.elements, in.directedMatrix, in.directedValue == 1, in.sourceIndex,
                                  in.destinationIndex);
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_EQ(w.message, "");
    EXPECT_EQ(w.bytes, kExampleFile);
    EXPECT_EQ(readBytes(std::string(VELMOR_EXAMPLES_DIR) + "/primjer.dsm"), kExampleFile);
}

TEST(StructureWriter, DirectednessComesFromTheArgument)
{
    ReadOutcome in;
    readText(kExampleFile, in);
    ASSERT_TRUE(in.ok);
    const Written w = writeToFile(in.elements, in.directedMatrix, false, in.sourceIndex, in.destinationIndex);
    ASSERT_TRUE(w.ok);
    std::string expected = kExampleFile;
    expected.replace(expected.find("      da;"), 9, "      ne;");
    EXPECT_EQ(w.bytes, expected);
}

// A pair section without an entry is refused by the reader: a structure
// without a pair has no pair section at all, and reads back as one without a
// pair.
TEST(StructureWriter, WithoutPairTheSectionIsLeftOutAndTheFileReadsBack)
{
    HandStructure s;
    s.build({{1, 0.5L}, {2, 1}}, {{3, 0, 1, 0.25L}});
    for (auto [source, destination] : {std::pair{-1, 1}, std::pair{0, -1}, std::pair{-1, -1}}) {
        const Written w = writeToFile(s.elements, s.directedMatrix, true, source, destination);
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(w.bytes, "struktura:\n{\n   usmjeren:\n   {\n      da;\n   }\n   cvorovi:\n   {\n      1 , 0.5;\n"
                           "      2 , 1;\n   }\n   grane:\n   {\n      3 , 1 , 2 , 0.25;\n   }\n}\n");
        ReadOutcome back;
        readText(w.bytes, back);
        ASSERT_TRUE(back.ok) << back.message;
        EXPECT_FALSE(back.pairGiven);
        EXPECT_EQ(back.elements.count(), 3);
        EXPECT_EQ(back.directedMatrix.get(2, 0), 1); // node 1 -> edge 3 (column, row)
        EXPECT_EQ(back.directedMatrix.get(1, 2), 1); // edge 3 -> node 2
    }
}

TEST(StructureWriter, EdgeWithClearedCellsIsLeftOut)
{
    HandStructure s;
    s.build({{1, 0.9L}, {2, 0.9L}}, {{3, 0, 1, 0.5L}, {4, 1, 0, 0.6L}, {5, 0, 1, 0.7L}});
    s.directedMatrix.set(2, 0, 0); // edge 3 (index 2) has no from-node any more
    s.directedMatrix.set(1, 4, 0); // edge 5 (index 4) has no to-node any more
    const Written w = writeToFile(s.elements, s.directedMatrix, true, 0, 1);
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_NE(w.bytes.find("   {\n      4 , 2 , 1 , 0.6;\n   }\n   par:"), std::string::npos) << w.bytes;
}

TEST(StructureWriter, EndpointsAreTheLastMarkedRowAndColumn)
{
    // Cells set by hand in the matrix view: the last marked row of the
    // edge's column is its from-node, the last marked column of its row the
    // to-node.
    HandStructure s;
    s.build({{10, 1}, {20, 1}, {30, 1}}, {{40, 0, 1, 0.5L}});
    s.directedMatrix.set(3, 2, 1);
    s.directedMatrix.set(0, 3, 1);
    const Written w = writeToFile(s.elements, s.directedMatrix, true, 0, 2);
    ASSERT_TRUE(w.ok);
    EXPECT_NE(w.bytes.find("      40 , 30 , 20 , 0.5;\n"), std::string::npos) << w.bytes;
}

TEST(StructureWriter, LabelsArePlainDecimal)
{
    HandStructure s;
    s.build({{-5, 1}, {2147483647, 0}, {-2147483647 - 1, 0.5L}}, {{0, 0, 1, 1}, {-7, 2, 0, 0}});
    const Written w = writeToFile(s.elements, s.directedMatrix, false, 2, 1);
    ASSERT_TRUE(w.ok);
    EXPECT_NE(w.bytes.find("      -5 , 1;\n      2147483647 , 0;\n      -2147483648 , 0.5;\n"), std::string::npos);
    EXPECT_NE(w.bytes.find("      0 , -5 , 2147483647 , 1;\n      -7 , -2147483648 , -5 , 0;\n"),
              std::string::npos);
    EXPECT_NE(w.bytes.find("      -2147483648 , 2147483647;\n"), std::string::npos);
}

TEST(StructureWriter, AvailabilityText)
{
    EXPECT_EQ(availabilityText(0.5L, '.'), "0.5");
    EXPECT_EQ(availabilityText(0.5L, ','), "0.5");
    EXPECT_EQ(availabilityText(1, ','), "1");
    EXPECT_EQ(availabilityText(0, ','), "0");
    EXPECT_EQ(availabilityText(2.5E-6L, ','), "2.5E-6");
    EXPECT_EQ(availabilityText(0.0001L, ','), "0.0001");
    EXPECT_EQ(availabilityText(0.99999L, ','), "0.99999");
    EXPECT_EQ(availabilityText(0.123456789012345678L, ','), "0.123456789012346");
    EXPECT_EQ(availabilityText(0.1999999999999999L, '.'), "0.2");
    // Some locales use other separators; the file has "." all the same.
    EXPECT_EQ(availabilityText(0.75L, '\''), "0.75");
}

TEST(StructureWriter, DecimalCommaLocaleStillWritesAPoint)
{
    const char* candidates[] = {"de_DE.UTF-8", "hr_HR.UTF-8", "de_DE.utf8", "hr_HR.utf8", "fr_FR.UTF-8"};
    const char* saved = std::getenv("LC_ALL");
    const std::string savedLcAll = saved ? saved : "";
    const std::string savedCLocale = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : candidates) {
        ::setenv("LC_ALL", name, 1);
        if (userDecimalSeparator() == ',' && std::setlocale(LC_ALL, name)) {
            chosen = name;
            break;
        }
    }
    Written w;
    if (chosen) {
        HandStructure s;
        s.build({{1, 0.5L}, {2, 0.25L}}, {{3, 0, 1, 2.5E-6L}});
        w = writeToFile(s.elements, s.directedMatrix, true, 0, 1);
    }
    std::setlocale(LC_ALL, savedCLocale.c_str());
    if (saved)
        ::setenv("LC_ALL", savedLcAll.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_NE(w.bytes.find("      1 , 0.5;\n      2 , 0.25;\n"), std::string::npos) << w.bytes;
    EXPECT_NE(w.bytes.find("      3 , 1 , 2 , 2.5E-6;\n"), std::string::npos) << w.bytes;
}

TEST(StructureWriter, PathThatCannotBeOpened)
{
    TempDir dir;
    HandStructure s;
    s.build({{1, 0.5L}, {2, 0.5L}}, {{3, 0, 1, 0.5L}});
    for (const std::string& path : {dir.path("missing-directory/out.dsm"), dir.path("")}) {
        StructureFileWriter writer;
        std::string message;
        EXPECT_FALSE(writer.writeStructureFile(path, s.elements, s.directedMatrix, true, 0, 1, message));
        EXPECT_EQ(message, "Nije moguće otvoriti zadanu datoteku") << path;
    }
}

TEST(StructureWriter, FileThatCannotBeRewound)
{
    TempDir dir;
    const std::string fifo = dir.path("pipe.dsm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Holding both ends open lets the writer open the pipe without waiting.
    const int keeper = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(keeper, 0);
    HandStructure s;
    s.build({{1, 0.5L}, {2, 0.5L}}, {{3, 0, 1, 0.5L}});
    StructureFileWriter writer;
    std::string message;
    EXPECT_FALSE(writer.writeStructureFile(fifo, s.elements, s.directedMatrix, true, 0, 1, message));
    ::close(keeper);
    EXPECT_EQ(message, "Onemogućen pristup zadanoj datoteci");
}

TEST(StructureWriter, FullDeviceIsAFailedWrite)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "/dev/full is not available";
    HandStructure s;
    s.build({{1, 0.5L}, {2, 0.5L}}, {{3, 0, 1, 0.5L}});
    StructureFileWriter writer;
    std::string message;
    EXPECT_FALSE(writer.writeStructureFile("/dev/full", s.elements, s.directedMatrix, true, 0, 1, message));
    EXPECT_EQ(message, "Onemogućen pristup ili blokirana datoteka");
    EXPECT_FALSE(writer.file.isOpen());
}

TEST(StructureWriter, ExistingFileIsReplaced)
{
    TempDir dir;
    const std::string path = dir.write("old.dsm", std::string(5000, 'x'));
    ReadOutcome in;
    readText(kExampleFile, in);
    StructureFileWriter writer;
    std::string message = "stale";
    ASSERT_TRUE(writer.writeStructureFile(path, in.elements, in.directedMatrix, true, 0, 2, message));
    EXPECT_EQ(message, "");
    EXPECT_EQ(readBytes(path), kExampleFile);
    EXPECT_EQ(namesIn(dir.path("")), std::set<std::string>{"old.dsm"}); // no replacement left beside it
}

TEST(StructureWriter, PairIndicesOutsideTheListOrOnAnEdgeWriteNoPair)
{
    HandStructure s;
    s.build({{1, 0.5L}, {2, 0.5L}}, {{3, 0, 1, 0.5L}});
    for (auto [source, destination] : {std::pair{0, 17}, std::pair{2, 1}, std::pair{0, 2}}) {
        const Written w = writeToFile(s.elements, s.directedMatrix, true, source, destination);
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(w.bytes.find("par"), std::string::npos) << source << " " << destination;
        EXPECT_EQ(w.bytes.substr(w.bytes.size() - 12), "0.5;\n   }\n}\n"); // the edges' section ends the file
        ReadOutcome back;
        readText(w.bytes, back);
        EXPECT_TRUE(back.ok) << back.message;
        EXPECT_FALSE(back.pairGiven);
    }
}

namespace {

// A decimal availability of at most 15 significant digits, as text, so that
// its value survives the 15 digits of the file exactly.
std::string randomAvailability(std::mt19937& random)
{
    switch (random() % 6) {
    case 0: return "0";
    case 1: return "1";
    case 2: return "2.5E-6";
    case 3: return "0." + std::to_string(random() % 1000);
    case 4: {
        std::string digits = "0.";
        for (int i = 0; i < 15; ++i)
            digits += static_cast<char>('0' + random() % 10);
        return digits;
    }
    default: return "0.0000" + std::to_string(1 + random() % 999);
    }
}

std::int32_t randomLabel(std::mt19937& random)
{
    switch (random() % 3) {
    case 0: return static_cast<std::int32_t>(random() % 100);
    case 1: return -static_cast<std::int32_t>(random() % 1000);
    default: return static_cast<std::int32_t>(random());
    }
}

} // namespace

TEST(StructureWriter, RandomStructuresReadBackUnchanged)
{
    std::mt19937 random(4242);
    TempDir dir;
    for (int round = 0; round < 200; ++round) {
        const int nodeCount = 1 + static_cast<int>(random() % 12);
        const int edgeCount = 1 + static_cast<int>(random() % 20);
        ElementList elements;
        while (elements.count() < nodeCount)
            elements.append(randomLabel(random), cLongDouble(randomAvailability(random).c_str()), NodeKind);
        std::vector<std::pair<int, int>> ends;
        while (elements.count() < nodeCount + edgeCount) {
            if (elements.append(randomLabel(random), cLongDouble(randomAvailability(random).c_str()), EdgeKind))
                ends.emplace_back(random() % nodeCount, random() % nodeCount);
        }
        const int n = elements.count();
        ByteMatrix directedMatrix;
        ASSERT_TRUE(directedMatrix.allocate(n, n));
        for (int k = 0; k < edgeCount; ++k) {
            directedMatrix.set(nodeCount + k, ends[static_cast<std::size_t>(k)].first, 1);
            directedMatrix.set(ends[static_cast<std::size_t>(k)].second, nodeCount + k, 1);
        }
        const bool directed = random() % 2 == 0;
        const int source = static_cast<int>(random() % nodeCount);
        const int destination = static_cast<int>(random() % nodeCount);

        const std::string path = dir.path("random" + std::to_string(round) + ".dsm");
        StructureFileWriter writer;
        std::string message;
        ASSERT_TRUE(writer.writeStructureFile(path, elements, directedMatrix, directed, source, destination, message));
        StructureFileReader reader;
        ReadOutcome back;
        readInto(reader, path, back);
        ASSERT_TRUE(back.ok) << back.message << "\n" << readBytes(path);

        EXPECT_EQ(back.directedValue, directed ? 1 : 0);
        EXPECT_EQ(back.sourceIndex, source);
        EXPECT_EQ(back.destinationIndex, destination);
        ASSERT_EQ(back.elements.count(), n);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(back.elements.entryAt(i)->label, elements.entryAt(i)->label);
            EXPECT_EQ(back.elements.entryAt(i)->kind, elements.entryAt(i)->kind);
            EXPECT_EQ(back.elements.entryAt(i)->availability, elements.entryAt(i)->availability);
        }
        ASSERT_EQ(back.directedMatrix.rowCount(), n);
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                ASSERT_EQ(back.directedMatrix.get(c, r), directedMatrix.get(c, r)) << r << ',' << c;
                const int mirrored = directedMatrix.get(c, r) || directedMatrix.get(r, c) ? 1 : 0;
                ASSERT_EQ(back.undirectedMatrix.get(c, r), mirrored) << r << ',' << c;
            }
        // Written again, the file comes out the same.
        const std::string again = dir.path("again" + std::to_string(round) + ".dsm");
        ASSERT_TRUE(writer.writeStructureFile(again, back.elements, back.directedMatrix, back.directedValue == 1,
                                              back.sourceIndex, back.destinationIndex, message));
        EXPECT_EQ(readBytes(again), readBytes(path));
    }
}

// --- A save never destroys what the target held ----------------------------------------

namespace {

const char* const kCannotOpen = "Nije moguće otvoriti zadanu datoteku";
const char* const kWriteFailed = "Onemogućen pristup ili blokirana datoteka";
const std::string kOldContents = "prethodni sadržaj datoteke\n";

// What a save in a child process gave. `ran` is false when the child could
// not set up the condition the test needs (no privilege to drop, to mount).
struct ChildSave {
    bool ran = false;
    bool ok = false;
    std::string message;
};

constexpr int kCannotPrepare = 77;

// Saves `s` to `path` in a child process, after `prepare` has changed what
// only that process should suffer (its user, its file size limit, its
// mounts).
template <typename Prepare>
ChildSave saveInChild(const HandStructure& s, const std::string& path, Prepare prepare)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (!prepare())
            ::_exit(kCannotPrepare);
        StructureFileWriter writer;
        std::string message;
        const bool ok = writer.writeStructureFile(path, s.elements, s.directedMatrix, true, 0, 1, message);
        const ssize_t written = ::write(pipeEnds[1], message.data(), message.size());
        ::_exit(ok && written >= 0 ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    ChildSave result;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.message.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "the saving process did not end normally";
        return result;
    }
    result.ran = WEXITSTATUS(status) != kCannotPrepare;
    result.ok = WEXITSTATUS(status) == 0;
    return result;
}

// Permission bits bind only a user without privileges; the superuser
// becomes such a user for the child.
bool becomeUnprivileged()
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0 && ::geteuid() != 0;
}

HandStructure smallStructure()
{
    HandStructure s;
    s.build({{1, 0.5L}, {2, 0.5L}}, {{3, 0, 1, 0.5L}});
    return s;
}

// Big enough that the file is written out in several blocks before it is
// closed, so that a write fails in the middle of the layout.
HandStructure largeStructure()
{
    std::vector<std::pair<std::int32_t, long double>> nodes;
    std::vector<std::tuple<std::int32_t, int, int, long double>> edges;
    for (int i = 0; i < 1500; ++i) {
        nodes.emplace_back(i + 1, 0.123456789012345L);
        edges.emplace_back(100000 + i, i, (i + 1) % 1500, 0.987654321098765L);
    }
    HandStructure s;
    s.build(nodes, edges);
    return s;
}

std::string savedBytes(const HandStructure& s)
{
    return writeToFile(s.elements, s.directedMatrix, true, 0, 1).bytes;
}

} // namespace

TEST(StructureWriterSafeSave, FailedWriteKeepsThePreviousContents)
{
    // The file size limit makes every write past its byte fail as a full
    // disk would: for the small file when it is flushed at close, for the
    // large one in the middle of the layout.
    for (const HandStructure& s : {smallStructure(), largeStructure()}) {
        const std::size_t size = savedBytes(s).size();
        ASSERT_GT(size, 100u);
        for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{size / 2}, rlim_t{size - 1}, rlim_t{size}}) {
            TempDir dir;
            const std::string path = dir.write("s.dsm", kOldContents);
            const ChildSave save = saveInChild(s, path, [limit] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit fileSize{limit, limit};
                return ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0;
            });
            ASSERT_TRUE(save.ran);
            if (limit == size) {
                // Enough room: the save succeeds, so the others fail only
                // for want of room.
                EXPECT_TRUE(save.ok) << save.message;
                EXPECT_EQ(readBytes(path).size(), size);
            } else {
                EXPECT_FALSE(save.ok) << size << " bytes, limit " << limit;
                EXPECT_EQ(save.message, kWriteFailed) << size << " bytes, limit " << limit;
                EXPECT_EQ(readBytes(path), kOldContents) << size << " bytes, limit " << limit;
            }
            EXPECT_EQ(namesIn(dir.path("")), std::set<std::string>{"s.dsm"}) << limit;
        }
    }
}

TEST(StructureWriterSafeSave, TargetsTheUserMayNotWriteAreRefusedUntouched)
{
    TempDir dir;
    // The unprivileged child must be able to reach the test's files.
    ASSERT_EQ(::chmod(dir.path("").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.path("open").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.path("open").c_str(), 0777), 0);
    ASSERT_EQ(::mkdir(dir.path("closed").c_str(), 0755), 0);
    const std::string protectedFile = dir.write("open/protected.dsm", kOldContents);
    ASSERT_EQ(::chmod(protectedFile.c_str(), 0444), 0);
    const std::string inClosedFolder = dir.write("closed/writable.dsm", kOldContents);
    ASSERT_EQ(::chmod(inClosedFolder.c_str(), 0666), 0);
    const std::string writable = dir.write("open/writable.dsm", kOldContents);
    ASSERT_EQ(::chmod(writable.c_str(), 0666), 0);
    const HandStructure s = smallStructure();

    struct Case {
        std::string path;
        bool refused;
    };
    const Case cases[] = {
        {protectedFile, true},                  // a write-protected file in a folder that allows renaming
        {inClosedFolder, true},                 // a writable file in a folder without write permission
        {dir.path("closed/new.dsm"), true},     // a new file in that folder
        {writable, false},                      // the same user may save where it may write
    };
    for (const Case& c : cases) {
        const ChildSave save = saveInChild(s, c.path, becomeUnprivileged);
        if (!save.ran)
            GTEST_SKIP() << "cannot run as a user without privileges";
        if (c.refused) {
            EXPECT_FALSE(save.ok) << c.path;
            EXPECT_EQ(save.message, kCannotOpen) << c.path;
            if (std::filesystem::exists(c.path)) {
                EXPECT_EQ(readBytes(c.path), kOldContents) << c.path;
            }
        } else {
            EXPECT_TRUE(save.ok) << save.message;
            EXPECT_EQ(readBytes(c.path), savedBytes(s));
        }
    }
    struct stat status {};
    ASSERT_EQ(::stat(protectedFile.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0444u);
    EXPECT_EQ(namesIn(dir.path("open")), (std::set<std::string>{"protected.dsm", "writable.dsm"}));
    EXPECT_EQ(namesIn(dir.path("closed")), std::set<std::string>{"writable.dsm"});
}

TEST(StructureWriterSafeSave, ReadOnlyMountIsRefusedUntouched)
{
    TempDir dir;
    const std::string existing = dir.write("s.dsm", kOldContents);
    const std::string mountPoint = dir.path("");
    for (const std::string& path : {existing, dir.path("new.dsm")}) {
        const ChildSave save = saveInChild(smallStructure(), path, [&mountPoint] {
            // A private mount namespace: the read-only view exists only for
            // the child.
            return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                && ::mount(mountPoint.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) == 0
                && ::mount(nullptr, mountPoint.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        });
        if (!save.ran)
            GTEST_SKIP() << "cannot mount a read-only view here";
        EXPECT_FALSE(save.ok) << path;
        EXPECT_EQ(save.message, kCannotOpen) << path;
    }
    EXPECT_EQ(readBytes(existing), kOldContents);
    EXPECT_EQ(namesIn(dir.path("")), std::set<std::string>{"s.dsm"});
}

TEST(StructureWriterSafeSave, ImmutableFileIsRefusedUntouched)
{
    TempDir dir;
    const std::string path = dir.write("s.dsm", kOldContents);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!immutable) {
        ::close(fd);
        GTEST_SKIP() << "this file system or user cannot make a file immutable";
    }
    const HandStructure s = smallStructure();
    StructureFileWriter writer;
    std::string message;
    const bool saved = writer.writeStructureFile(path, s.elements, s.directedMatrix, true, 0, 1, message);
    const std::set<std::string> names = namesIn(dir.path(""));
    flags &= ~FS_IMMUTABLE_FL;
    EXPECT_EQ(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0); // or the directory cannot be removed
    ::close(fd);
    EXPECT_FALSE(saved);
    EXPECT_EQ(message, kCannotOpen);
    EXPECT_EQ(readBytes(path), kOldContents);
    EXPECT_EQ(names, std::set<std::string>{"s.dsm"});
}

TEST(StructureWriterSafeSave, PathThatIsADirectoryIsRefusedUntouched)
{
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.path("folder.dsm").c_str(), 0755), 0);
    dir.write("folder.dsm/inside", kOldContents);
    const HandStructure s = smallStructure();
    for (const std::string& path : {dir.path("folder.dsm"), dir.path("folder.dsm/")}) {
        StructureFileWriter writer;
        std::string message;
        EXPECT_FALSE(writer.writeStructureFile(path, s.elements, s.directedMatrix, true, 0, 1, message));
        EXPECT_EQ(message, kCannotOpen) << path;
    }
    EXPECT_EQ(namesIn(dir.path("")), std::set<std::string>{"folder.dsm"});
    EXPECT_EQ(readBytes(dir.path("folder.dsm/inside")), kOldContents);
}

TEST(StructureWriterSafeSave, PermissionsOfTheTargetAreKept)
{
    TempDir dir;
    const HandStructure s = smallStructure();
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0444}, mode_t{0755}}) {
        const std::string path = dir.write("m" + std::to_string(mode) + ".dsm", kOldContents);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        StructureFileWriter writer;
        std::string message;
        const bool saved = writer.writeStructureFile(path, s.elements, s.directedMatrix, true, 0, 1, message);
        if (mode == 0444 && ::geteuid() != 0) {
            EXPECT_FALSE(saved); // write-protected for everyone but the superuser
            continue;
        }
        ASSERT_TRUE(saved) << message;
        struct stat status {};
        ASSERT_EQ(::stat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, mode);
        EXPECT_EQ(readBytes(path), savedBytes(s));
    }
    // A new file gets what the user's file-creation mask allows.
    const mode_t previousMask = ::umask(027);
    StructureFileWriter writer;
    std::string message;
    const bool saved = writer.writeStructureFile(dir.path("new.dsm"), s.elements, s.directedMatrix, true, 0, 1, message);
    ::umask(previousMask);
    ASSERT_TRUE(saved) << message;
    struct stat status {};
    ASSERT_EQ(::stat(dir.path("new.dsm").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(StructureWriterSafeSave, SymbolicLinkStaysALink)
{
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.path("real").c_str(), 0755), 0);
    const std::string target = dir.write("real/s.dsm", kOldContents);
    ASSERT_EQ(::symlink("real/s.dsm", dir.path("link.dsm").c_str()), 0);
    ASSERT_EQ(::symlink("real/new.dsm", dir.path("dangling.dsm").c_str()), 0);
    const HandStructure s = smallStructure();
    StructureFileWriter writer;
    std::string message;
    ASSERT_TRUE(writer.writeStructureFile(dir.path("link.dsm"), s.elements, s.directedMatrix, true, 0, 1, message))
        << message;
    ASSERT_TRUE(writer.writeStructureFile(dir.path("dangling.dsm"), s.elements, s.directedMatrix, true, 0, 1,
                                          message))
        << message;
    struct stat status {};
    ASSERT_EQ(::lstat(dir.path("link.dsm").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(::lstat(dir.path("dangling.dsm").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(readBytes(target), savedBytes(s));
    EXPECT_EQ(readBytes(dir.path("real/new.dsm")), savedBytes(s));
    EXPECT_EQ(namesIn(dir.path("real")), (std::set<std::string>{"s.dsm", "new.dsm"}));
}
