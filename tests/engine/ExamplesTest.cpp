#include "structure/LoadStructure.h"
#include "structure/StructureFileWriter.h"

#include "TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

std::string example(const std::string& name)
{
    return std::string(VELMOR_EXAMPLES_DIR) + "/" + name;
}

struct Loaded {
    std::unique_ptr<StructureWorkspace> workspace = std::make_unique<StructureWorkspace>();
    StructureFileReader reader;
    std::string message;
    bool ok = false;

    explicit Loaded(const std::string& path) { ok = loadStructureFile(*workspace, reader, path, message); }

    int count(std::int32_t kind) const
    {
        int n = 0;
        for (int i = 0; const ElementEntry* e = workspace->elements.entryAt(i); ++i)
            n += e->kind == kind;
        return n;
    }
    std::int32_t label(int index) const { return workspace->elements.entryAt(index)->label; }
};

// Two-terminal availability by trying every state of the elements that can
// fail: the sum, over the states in which the destination can be reached
// from the source through working elements, of the states' probabilities.
long double availabilityByEnumeration(const StructureWorkspace& w, const ByteMatrix& matrix)
{
    const int n = w.elements.count();
    std::vector<int> uncertain;
    for (int i = 0; i < n; ++i)
        if (w.elementState.get(i) == 0)
            uncertain.push_back(i);
    EXPECT_LT(uncertain.size(), 20u);
    long double total = 0;
    for (std::uint32_t state = 0; state < (1u << uncertain.size()); ++state) {
        std::vector<bool> works(static_cast<std::size_t>(n));
        long double probability = 1;
        for (int i = 0; i < n; ++i)
            works[static_cast<std::size_t>(i)] = w.elementState.get(i) == 1;
        for (std::size_t k = 0; k < uncertain.size(); ++k) {
            const bool up = (state >> k) & 1u;
            const long double p = w.elements.entryAt(uncertain[k])->availability;
            works[static_cast<std::size_t>(uncertain[k])] = up;
            probability *= up ? p : 1 - p;
        }
        std::vector<bool> reached(static_cast<std::size_t>(n));
        std::vector<int> todo;
        if (works[static_cast<std::size_t>(w.sourceIndex)]) {
            reached[static_cast<std::size_t>(w.sourceIndex)] = true;
            todo.push_back(w.sourceIndex);
        }
        while (!todo.empty()) {
            const int a = todo.back();
            todo.pop_back();
            for (int b = 0; b < n; ++b)
                if (matrix.get(b, a) == 1 && works[static_cast<std::size_t>(b)] && !reached[static_cast<std::size_t>(b)]) {
                    reached[static_cast<std::size_t>(b)] = true;
                    todo.push_back(b);
                }
        }
        if (reached[static_cast<std::size_t>(w.destinationIndex)])
            total += probability;
    }
    return total;
}

} // namespace

TEST(Examples, EveryExampleLoads)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VELMOR_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".dsm")
            continue;
        ++files;
        Loaded l(entry.path().string());
        EXPECT_TRUE(l.ok) << entry.path() << ": " << l.message;
    }
    EXPECT_GE(files, 6);
}

TEST(Examples, FilesInTheSavedLayoutAreWrittenBackUnchanged)
{
    for (const char* name : {"primjer.dsm", "most.dsm", "resetka3x3.dsm", "mreza12.dsm"}) {
        Loaded l(example(name));
        ASSERT_TRUE(l.ok) << name << ": " << l.message;
        TempDir dir;
        StructureFileWriter writer;
        std::string message;
        const StructureWorkspace& w = *l.workspace;
        ASSERT_TRUE(writer.writeStructureFile(dir.path(name), w.elements, w.directedMatrix, w.directed == 1,
                                              w.sourceIndex, w.destinationIndex, message));
        EXPECT_EQ(readBytes(dir.path(name)), readBytes(example(name))) << name;
    }
}

TEST(Examples, BridgeHasTheKnownAvailability)
{
    Loaded l(example("most.dsm"));
    ASSERT_TRUE(l.ok) << l.message;
    EXPECT_EQ(l.workspace->directed, 0);
    EXPECT_EQ(l.count(NodeKind), 4);
    EXPECT_EQ(l.count(EdgeKind), 5);
    EXPECT_EQ(l.label(l.workspace->fileSourceIndex), 1);
    EXPECT_EQ(l.label(l.workspace->fileDestinationIndex), 4);
    // 2p^2 + 2p^3 - 5p^4 + 2p^5 at p = 0.9.
    EXPECT_NEAR(static_cast<double>(availabilityByEnumeration(*l.workspace, l.workspace->undirectedMatrix)), 0.97848,
                1e-12);
}

TEST(Examples, ExampleFileHasTheKnownDirectedAvailability)
{
    // Source 0.9 times either path: 1 - (1 - 0.99*0.95*0.98)(1 - 0.5).
    Loaded l(example("primjer.dsm"));
    ASSERT_TRUE(l.ok) << l.message;
    const long double twoHops = 0.99L * 0.95L * 0.98L;
    EXPECT_NEAR(static_cast<double>(availabilityByEnumeration(*l.workspace, l.workspace->directedMatrix)),
                static_cast<double>(0.9L * (1 - (1 - twoHops) * 0.5L)), 1e-12);
}

TEST(Examples, ShapesOfTheOtherExamples)
{
    struct Shape {
        const char* name;
        int directed, nodes, edges;
        bool pair;
        std::int32_t source, destination;
    };
    const Shape shapes[] = {
        {"resetka3x3.dsm", 0, 9, 12, true, 1, 9},
        {"ljestve.dsm", 0, 10, 13, true, 1, 10},
        {"mreza12.dsm", 0, 12, 20, true, 1, 12},
        {"bez_para.dsm", 1, 5, 7, false, 0, 0},
    };
    for (const Shape& s : shapes) {
        Loaded l(example(s.name));
        ASSERT_TRUE(l.ok) << s.name << ": " << l.message;
        EXPECT_EQ(l.workspace->directed, s.directed) << s.name;
        EXPECT_EQ(l.count(NodeKind), s.nodes) << s.name;
        EXPECT_EQ(l.count(EdgeKind), s.edges) << s.name;
        EXPECT_EQ(l.reader.pairGiven != 0, s.pair) << s.name;
        if (s.pair) {
            EXPECT_EQ(l.label(l.workspace->fileSourceIndex), s.source) << s.name;
            EXPECT_EQ(l.label(l.workspace->fileDestinationIndex), s.destination) << s.name;
        }
    }
}
