#pragma once

// Running the solution-tree algorithms (NPR, ENR) on test structures and
// checking what every finished tree must satisfy.

#include "TestStructures.h"

#include "algorithms/RunFrame.h"
#include "containers/CellMatrix.h"
#include "structure/StructureWorkspace.h"

#include <string>
#include <vector>

namespace velmor::testing {

struct TreeOptions {
    bool directed = true;
    bool reduction = false;
    int variant = 0;
    bool normal = true;
    bool ideal = false; // idealTerminals, set before the work structure is prepared
};

// The algorithm's own part of the options.
AlgorithmOptions algorithmOptions(const TreeOptions& options);

// A structure between two series chains: `chainNodes` nodes and as many
// edges before the block's source and after its destination. Its
// availability is the chains' factor times the block's.
struct ChainedBlock {
    StructurePlan plan;
    long double chainFactor = 1;
};
ChainedBlock chainAround(const StructurePlan& block, int chainNodes, long double nodeAvailability,
                         long double edgeAvailability);

// Builds the structure and its work structure as a run would, with the
// options a run captures first.
void prepareRun(StructureWorkspace& ws, const StructurePlan& plan, const TreeOptions& options);

// Which implementation of the tree drivers runTree and runTreeDriver call:
// the straightforward one in algorithms/reference or the production one.
enum class TreeDrivers { Reference, Production };
TreeDrivers currentTreeDrivers();

// Selects the tree drivers until the end of the scope.
class UseTreeDrivers {
public:
    explicit UseTreeDrivers(TreeDrivers drivers);
    ~UseTreeDrivers();
    UseTreeDrivers(const UseTreeDrivers&) = delete;
    UseTreeDrivers& operator=(const UseTreeDrivers&) = delete;

private:
    TreeDrivers previous_;
};

// The current driver of `algorithm` (Npr or Enr).
bool runTreeDriver(Algorithm algorithm, AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

// Resets the results, applies the variant and behaviour, runs the current
// driver of `algorithm` (Npr or Enr) and returns what it returned.
bool runTree(Algorithm algorithm, StructureWorkspace& ws, const TreeOptions& options, TermRows& finalTerms);

// The availability of a set of final terms, as the coordinator computes it.
long double availabilityOf(const StructureWorkspace& ws, const TermRows& finalTerms, bool idealTerminals);

// Rows of a matrix as vectors, for readable comparisons.
std::vector<std::vector<int>> rowsOf(const ByteMatrix& matrix);
std::vector<std::vector<int>> rowsOf(const DeltaRows& matrix);
std::vector<int> valuesOf(const IntArray& array);
std::vector<int> valuesOf(const LinkArray& array);
std::vector<std::vector<int>> rowsOf(const TermRows& matrix);

// Checks of a finished tree; each returns an empty string or what is wrong.
// Success terms exclude each other pairwise.
std::string mutuallyExclusive(const TermRows& terms);
// Every success term's working elements hold a source-destination path of
// the work matrix.
std::string successTermsConnect(const StructureWorkspace& ws, const TermRows& terms);
// The final terms are exactly the success rows of the tree, in order.
std::string finalTermsAreSuccessRows(const TermRows& rows, const TermRows& terms);
// Links point to earlier rows whose state is an expanded one, the root links
// to 0, no row is left open.
std::string linksAndStates(const TermRows& rows, const LinkArray& links, bool failedParentsAllowed);
// Decision numbers: each child keeps its parent's numbers, numbers the
// elements it fixes from the parent's next number on, and every fixed element
// is numbered.
std::string decisionNumbersGrow(const TermRows& rows, const DeltaRows& numbers, const LinkArray& links, int source);
// Iterations, memory samples and progress agree with the rows expanded.
std::string countersAgree(const AlgorithmCells& cells, int expandedRows, int lastExpandedRow, int lastRow);

} // namespace velmor::testing

// Defines a test whose body runs twice: as suite.name with the reference
// drivers and as suite.nameProduction with the production ones.
#define TREE_DRIVER_TEST(suite, name)                                                                        \
    static void suite##_##name##_Body();                                                                     \
    TEST(suite, name)                                                                                        \
    {                                                                                                        \
        ::velmor::testing::UseTreeDrivers use(::velmor::testing::TreeDrivers::Reference);                    \
        suite##_##name##_Body();                                                                             \
    }                                                                                                        \
    TEST(suite, name##Production)                                                                            \
    {                                                                                                        \
        ::velmor::testing::UseTreeDrivers use(::velmor::testing::TreeDrivers::Production);                   \
        suite##_##name##_Body();                                                                             \
    }                                                                                                        \
    static void suite##_##name##_Body()
