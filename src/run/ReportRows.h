#pragma once

#include "algorithms/RunOptions.h"
#include "containers/CellMatrix.h"
#include "containers/DeltaRows.h"
#include "containers/IntArray.h"
#include "containers/LinkArray.h"
#include "containers/TermRows.h"

#include <mutex>

namespace velmor {

class StructureWorkspace;

// The result rows one algorithm's report shows: read where the run left
// them in the workspace until the next run or a release would clear them;
// then they are taken over (swapped for empty containers, nothing copied),
// so that an open report keeps showing its own run.
class ReportRows {
public:
    // What a report reads of one algorithm: Abraham's paths, sort numbers
    // and products, or a solution tree's rows and (NPR) decision numbers,
    // and the links of either.
    struct View {
        const ByteMatrix& paths;
        const IntArray& sort1;
        const IntArray& sort2;
        const TermRows& rows; // Abraham: the products
        const DeltaRows& numbers;
        const LinkArray& links;
    };

    // Holds the lock while a reader looks at the rows.
    class Reading {
    public:
        Reading(std::mutex& lock, const View& view) : guard_(lock), view_(view) {}
        const View* operator->() const { return &view_; }
        const View& operator*() const { return view_; }

    private:
        std::unique_lock<std::mutex> guard_;
        const View& view_;
    };

    ReportRows(const StructureWorkspace& ws, Algorithm kind);
    ReportRows(const ReportRows&) = delete;
    ReportRows& operator=(const ReportRows&) = delete;

    Algorithm kind() const { return kind_; }
    Reading read() const { return Reading(lock_, *view_); }
    bool takenOver() const;

    // Swaps the rows out of `ws` (the workspace they were read from) into
    // containers of their own; the workspace is left with empty ones. Only
    // while no algorithm and no display thread uses them.
    void takeOver(StructureWorkspace& ws);

private:
    struct Owned {
        ByteMatrix paths;
        IntArray sort1;
        IntArray sort2;
        TermRows rows;
        DeltaRows numbers;
        LinkArray links;
    };

    Algorithm kind_;
    mutable std::mutex lock_;
    Owned owned_;
    View inWorkspace_;
    View inOwned_;
    const View* view_;
};

} // namespace velmor
