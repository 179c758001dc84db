#include "run/ReportRows.h"

#include "structure/StructureWorkspace.h"

#include <utility>

namespace velmor {

namespace {

// The containers of `kind` in a workspace; the ones another kind uses are
// the empty ones of `spare`.
template <typename Workspace, typename Spare>
auto containersOf(Workspace& ws, Algorithm kind, Spare& spare)
{
    const bool abraham = kind == Algorithm::Abraham;
    auto& rows = abraham ? ws.abrahamProducts : kind == Algorithm::Npr ? ws.nprRows : ws.enrRows;
    return std::tie(abraham ? ws.abrahamPaths : spare.paths, abraham ? ws.abrahamSortArray1 : spare.sort1,
                    abraham ? ws.abrahamSortArray2 : spare.sort2, rows,
                    kind == Algorithm::Npr ? ws.nprPaths : spare.numbers, ws.cells(kind).links);
}

} // namespace

ReportRows::ReportRows(const StructureWorkspace& ws, Algorithm kind)
    : kind_(kind),
      inWorkspace_{std::make_from_tuple<View>(containersOf(ws, kind, std::as_const(owned_)))},
      inOwned_{owned_.paths, owned_.sort1, owned_.sort2, owned_.rows, owned_.numbers, owned_.links},
      view_(&inWorkspace_)
{
}

bool ReportRows::takenOver() const
{
    std::lock_guard guard(lock_);
    return view_ == &inOwned_;
}

void ReportRows::takeOver(StructureWorkspace& ws)
{
    std::lock_guard guard(lock_);
    if (view_ == &inOwned_)
        return;
    // The containers of other kinds stay where they are: only this kind's
    // own ones are swapped.
    Owned unused;
    auto [paths, sort1, sort2, rows, numbers, links] = containersOf(ws, kind_, unused);
    std::swap(owned_.paths, paths);
    std::swap(owned_.sort1, sort1);
    std::swap(owned_.sort2, sort2);
    std::swap(owned_.rows, rows);
    std::swap(owned_.numbers, numbers);
    std::swap(owned_.links, links);
    view_ = &inOwned_;
}

} // namespace velmor
