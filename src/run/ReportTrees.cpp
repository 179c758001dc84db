#include "run/ReportTrees.h"

#include "structure/StructureWorkspace.h"

#include <algorithm>
#include <map>
#include <utility>

namespace velmor {

// --- Element texts -----------------------------------------------------------------

ElementTexts::ElementTexts(const StructureWorkspace& ws, int count)
{
    plain_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int x = 0; x < count; ++x) {
        const ElementEntry* entry =
            x <= ws.elementMap.lastIndex() ? ws.elements.entryAt(ws.elementMap.get(x)) : nullptr;
        if (!entry)
            plain_.emplace_back("?");
        else
            plain_.push_back((entry->kind == NodeKind ? "N" : entry->kind == EdgeKind ? "e" : "?")
                             + std::to_string(entry->label));
    }
}

const std::string& ElementTexts::plain(int x) const
{
    static const std::string unknown = "?";
    return x >= 0 && x < static_cast<int>(plain_.size()) ? plain_[static_cast<std::size_t>(x)] : unknown;
}

void ElementTexts::append(std::string& out, int x, int cell) const
{
    if (cell == -1)
        out += '*';
    out += plain(x);
    out += ' ';
}

namespace {

// --- Children by link ----------------------------------------------------------------

// Rows grouped by the number that links them to their parent, ascending
// within a group; rows whose link is out of range are left out. The
// algorithms' links never go back, so a group is a run of rows that a
// binary search finds; links that do go back (a hand-made workspace) are
// indexed once instead.
class ChildRows {
public:
    ChildRows(const LinkArray& links, int rows, int groups, bool onlyLater)
        : rows_(std::max(rows, 0)), groups_(groups), onlyLater_(onlyLater)
    {
        if (!ascending(links))
            index(links);
    }

    int count(const LinkArray& links, int group) const
    {
        if (group < 0 || group >= groups_)
            return 0;
        if (indexed_)
            return start_[static_cast<std::size_t>(group) + 1] - start_[static_cast<std::size_t>(group)];
        const auto [first, end] = range(links, group);
        return end - first;
    }

    int member(const LinkArray& links, int group, int i) const
    {
        if (indexed_)
            return members_[static_cast<std::size_t>(start_[static_cast<std::size_t>(group)] + i)];
        return range(links, group).first + i;
    }

    // Position of `row` among the members of `group`.
    int position(const LinkArray& links, int group, int row) const
    {
        if (!indexed_)
            return row - range(links, group).first;
        const auto first = members_.begin() + start_[static_cast<std::size_t>(group)];
        const auto end = members_.begin() + start_[static_cast<std::size_t>(group) + 1];
        return static_cast<int>(std::lower_bound(first, end, row) - first);
    }

private:
    // Links of the rows in order; a row without a link reads 0. One pass
    // over the array, which a read per row would walk 64 entries deep.
    template <typename F>
    void forEachRow(const LinkArray& links, F&& f) const
    {
        links.forEach([&](int k, std::int32_t link) {
            if (k < rows_)
                f(k, link);
        });
        for (int k = std::max(links.count(), 0); k < rows_; ++k)
            f(k, 0);
    }

    bool ascending(const LinkArray& links) const
    {
        bool ascending = true;
        std::int32_t previous = 0;
        forEachRow(links, [&](int k, std::int32_t link) {
            ascending = ascending && (k == 0 || link >= previous);
            previous = link;
        });
        return ascending;
    }

    bool keep(int k, std::int32_t link) const
    {
        return link >= 0 && link < groups_ && (!onlyLater_ || link < k);
    }

    std::pair<int, int> range(const LinkArray& links, int group) const
    {
        auto firstAbove = [&](std::int32_t value) {
            int low = 0, high = rows_;
            while (low < high) {
                const int middle = low + (high - low) / 2;
                if (links.get(middle) > value)
                    high = middle;
                else
                    low = middle + 1;
            }
            return low;
        };
        int first = firstAbove(group - 1);
        const int end = firstAbove(group);
        if (onlyLater_)
            first = std::max(first, group + 1);
        return {std::min(first, end), end};
    }

    void index(const LinkArray& links)
    {
        indexed_ = true;
        start_.assign(static_cast<std::size_t>(std::max(groups_, 0)) + 1, 0);
        forEachRow(links, [&](int k, std::int32_t link) {
            if (keep(k, link))
                ++start_[static_cast<std::size_t>(link) + 1];
        });
        for (std::size_t i = 1; i < start_.size(); ++i)
            start_[i] += start_[i - 1];
        members_.assign(static_cast<std::size_t>(start_.back()), 0);
        std::vector<int> filled(start_.begin(), start_.end() - 1);
        forEachRow(links, [&](int k, std::int32_t link) {
            if (keep(k, link))
                members_[static_cast<std::size_t>(filled[static_cast<std::size_t>(link)]++)] = k;
        });
    }

    int rows_;
    int groups_;
    bool onlyLater_;
    bool indexed_ = false;
    std::vector<int> start_;
    std::vector<int> members_;
};

int cellOf(const TermRows& rows, int x, int k)
{
    return termcells::cellAt(rows.row(k), x);
}

// --- Abraham ---------------------------------------------------------------------------

// Paths are nodes 0 .. P - 1, product c is node P + c.
class AbrahamTree final : public ReportTreeSource {
public:
    AbrahamTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts, int rule)
        : rows_(std::move(rows)), texts_(std::move(texts)), rule_(rule),
          paths_(rows_->read()->paths.rowCount()),
          productsOf_([this] {
              const auto view = rows_->read();
              return ChildRows(view->links, view->rows.rowCount(), paths_, false);
          }())
    {
    }

    int childCount(ReportNode node) const override
    {
        if (node == kReportTop)
            return paths_;
        if (node >= paths_)
            return 0;
        const auto view = rows_->read();
        return productsOf_.count(view->links, static_cast<int>(node));
    }

    ReportNode child(ReportNode node, int row) const override
    {
        if (node == kReportTop)
            return row;
        const auto view = rows_->read();
        return paths_ + ReportNode{productsOf_.member(view->links, static_cast<int>(node), row)};
    }

    ReportNode parent(ReportNode node) const override
    {
        if (node < paths_)
            return kReportTop;
        return rows_->read()->links.get(static_cast<int>(node - paths_));
    }

    int row(ReportNode node) const override
    {
        if (node < paths_)
            return static_cast<int>(node);
        const auto view = rows_->read();
        const int product = static_cast<int>(node - paths_);
        return productsOf_.position(view->links, view->links.get(product), product);
    }

    std::string text(ReportNode node) const override
    {
        const auto view = rows_->read();
        if (node >= paths_)
            return productText(view->rows, static_cast<int>(node - paths_));
        const int r = static_cast<int>(node);
        std::string text = "PD(" + std::to_string(r + 1) + ",x) nastali iz S" + std::to_string(r + 1) + "(";
        const std::int8_t* path = view->paths.row(r);
        for (int x = 0; x <= view->paths.lastColumn(); ++x)
            if (path[x] != 0)
                texts_.append(text, x, path[x]);
        text += ")";
        if (rule_ > 0)
            text += ", Z:" + std::to_string(view->sort1.get(r));
        if (rule_ > 1)
            text += ", N:" + std::to_string(view->sort2.get(r));
        return text;
    }

private:
    std::string productText(const TermRows& products, int c) const
    {
        std::string term;
        for (int x = 0; x <= products.lastColumn(); ++x) {
            const int cell = cellOf(products, x, c);
            if (cell == 1 || cell == -1)
                texts_.append(term, x, cell);
        }
        return term;
    }

    std::shared_ptr<const ReportRows> rows_;
    ElementTexts texts_;
    int rule_;
    int paths_;
    ChildRows productsOf_;
};

// --- Solution trees -------------------------------------------------------------------

// Row k is node k; the source's failure, a node of no row, is node `rows`.
class SolutionTree final : public ReportTreeSource {
public:
    SolutionTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts, const SolutionTreeShape& shape)
        : rows_(std::move(rows)), texts_(std::move(texts)), shape_(shape),
          rowCount_(rows_->read()->rows.rowCount()),
          childrenOf_(rows_->read()->links, rowCount_, rowCount_, true)
    {
        const auto view = rows_->read();
        if (rowCount_ > 0)
            for (int x = 0; x < shape_.elementCount && source_ < 0; ++x)
                if (cellOf(view->rows, x, 0) == 1)
                    source_ = x;
    }

    int childCount(ReportNode node) const override
    {
        if (node == kReportTop)
            return rowCount_ == 0 ? 0 : shape_.sourceFailure ? 2 : 1;
        if (!shape_.childrenShown || node >= rowCount_)
            return 0;
        const auto view = rows_->read();
        if (const auto* visible = visibleChildren(*view, static_cast<int>(node)))
            return static_cast<int>(visible->size());
        return childrenOf_.count(view->links, static_cast<int>(node));
    }

    ReportNode child(ReportNode node, int row) const override
    {
        if (node == kReportTop)
            return row == 0 ? 0 : failureNode();
        const auto view = rows_->read();
        if (const auto* visible = visibleChildren(*view, static_cast<int>(node)))
            return (*visible)[static_cast<std::size_t>(row)];
        return childrenOf_.member(view->links, static_cast<int>(node), row);
    }

    ReportNode parent(ReportNode node) const override
    {
        if (node == 0 || node == failureNode())
            return kReportTop;
        return rows_->read()->links.get(static_cast<int>(node));
    }

    int row(ReportNode node) const override
    {
        if (node == 0 || node == failureNode())
            return node == 0 ? 0 : 1;
        const auto view = rows_->read();
        const int k = static_cast<int>(node);
        const int p = view->links.get(k);
        if (const auto* visible = visibleChildren(*view, p))
            return static_cast<int>(std::lower_bound(visible->begin(), visible->end(), k) - visible->begin());
        return childrenOf_.position(view->links, p, k);
    }

    std::string text(ReportNode node) const override
    {
        if (node == 0)
            return texts_.plain(source_);
        if (node == failureNode())
            return "*" + texts_.plain(source_) + " (neuspjeh)";
        const auto view = rows_->read();
        const int k = static_cast<int>(node);
        return rowText(*view, k, view->links.get(k));
    }

private:
    ReportNode failureNode() const { return rowCount_; }

    bool skipped(const TermRows& rows, int k) const
    {
        return shape_.skipDestinationFailures && shape_.destination >= 0
            && shape_.destination < shape_.elementCount && cellOf(rows, shape_.destination, k) == -1;
    }

    // The children of `p` that are shown, when some are left out; null when
    // all of them are (then they are read straight from the links). Kept for
    // the rows a view has asked about, under the rows' lock.
    const std::vector<int>* visibleChildren(const ReportRows::View& view, int p) const
    {
        if (!shape_.skipDestinationFailures)
            return nullptr;
        auto found = visible_.find(p);
        if (found == visible_.end()) {
            std::vector<int> shown;
            const int count = childrenOf_.count(view.links, p);
            for (int i = 0; i < count; ++i)
                if (const int k = childrenOf_.member(view.links, p, i); !skipped(view.rows, k))
                    shown.push_back(k);
            found = visible_.emplace(p, std::move(shown)).first;
        }
        return &found->second;
    }

    std::string rowText(const ReportRows::View& view, int k, int p) const
    {
        const TermRows& rows = view.rows;
        const int n = shape_.elementCount;
        auto fixedHere = [&](int x) { return cellOf(rows, x, k) != 0 && cellOf(rows, x, p) == 0; };
        std::string text;
        if (!shape_.npr) {
            for (int x = 0; x < n; ++x)
                if (fixedHere(x))
                    texts_.append(text, x, cellOf(rows, x, k));
        } else {
            // Decision order: the element numbered v, for v = 1 up to the
            // row's next number; the highest column when numbers repeat. A
            // row the numbers do not reach reads as zeros.
            const DeltaRows& numbers = view.numbers;
            std::vector<std::int32_t> numberRow(static_cast<std::size_t>(std::max(numbers.columnCount(), 1)), 0);
            if (k <= numbers.lastRow())
                numbers.readRow(k, numberRow.data());
            auto number = [&](int x) {
                return x >= 0 && x < numbers.columnCount() ? numberRow[static_cast<std::size_t>(x)] : 0;
            };
            const int limit = std::min(number(numbers.lastColumn()), n + 2);
            std::vector<int> byNumber(static_cast<std::size_t>(std::max(limit, 1)), -1);
            for (int x = 0; x < n; ++x)
                if (const int v = number(x); v >= 1 && v < limit)
                    byNumber[static_cast<std::size_t>(v)] = x;
            for (int v = 1; v < limit; ++v)
                if (const int x = byNumber[static_cast<std::size_t>(v)]; x >= 0 && fixedHere(x))
                    texts_.append(text, x, cellOf(rows, x, k));
        }
        const int state = cellOf(rows, rows.lastColumn(), k);
        if (state == 1)
            text += "(uspjeh)";
        else if (state == -1)
            text += "(neuspjeh)";
        return text;
    }

    std::shared_ptr<const ReportRows> rows_;
    ElementTexts texts_;
    SolutionTreeShape shape_;
    int rowCount_;
    int source_ = -1;
    ChildRows childrenOf_;
    mutable std::map<int, std::vector<int>> visible_;
};

} // namespace

std::shared_ptr<const ReportTreeSource> abrahamTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts,
                                                    int rule)
{
    return std::make_shared<AbrahamTree>(std::move(rows), std::move(texts), rule);
}

std::shared_ptr<const ReportTreeSource> solutionTree(std::shared_ptr<const ReportRows> rows, ElementTexts texts,
                                                     const SolutionTreeShape& shape)
{
    return std::make_shared<SolutionTree>(std::move(rows), std::move(texts), shape);
}

} // namespace velmor
