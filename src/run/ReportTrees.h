#pragma once

#include "run/ReportRows.h"
#include "run/ReportTree.h"

#include <memory>
#include <string>
#include <vector>

namespace velmor {

class StructureWorkspace;

// Texts of the work elements: "N", "e" or "?" and the label; the failed form
// has "*" before it. The tree texts append them followed by one blank.
class ElementTexts {
public:
    ElementTexts(const StructureWorkspace& ws, int count);
    const std::string& plain(int x) const;
    void append(std::string& out, int x, int cell) const;

private:
    std::vector<std::string> plain_;
};

// Abraham's tree: every sorted path at the top, the products derived from
// it below. `rule` adds ", Z:" (1 and up) and ", N:" (2).
std::shared_ptr<const ReportTreeSource> abrahamTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts,
                                                    int rule);

struct SolutionTreeShape {
    bool npr = false;             // elements listed in decision order
    bool sourceFailure = false;   // a second top-level node: the source failing
    bool skipDestinationFailures = false; // children holding the destination as -1 are left out
    bool childrenShown = true;    // false: only the top level (an aborted report)
    int destination = -1;
    int elementCount = 0; // columns 0 .. elementCount - 1, then the row state
};

// A solution tree (ENR, NPR) from its root, row 0.
std::shared_ptr<const ReportTreeSource> solutionTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts,
                                                     const SolutionTreeShape& shape);

} // namespace velmor
