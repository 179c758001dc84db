#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

// A node of a report's tree; -1 stands for the top level.
using ReportNode = std::int64_t;
inline constexpr ReportNode kReportTop = -1;

// Where a report's tree comes from. A view asks only for the nodes it
// shows, so a tree of hundreds of millions of rows costs what is on the
// screen, not what is stored.
class ReportTreeSource {
public:
    virtual ~ReportTreeSource() = default;
    virtual int childCount(ReportNode node) const = 0;
    virtual ReportNode child(ReportNode node, int row) const = 0;
    virtual ReportNode parent(ReportNode node) const = 0;
    // Position of a node among its siblings.
    virtual int row(ReportNode node) const = 0;
    virtual std::string text(ReportNode node) const = 0;
};

// The solution tree of a report; empty without a source.
class ReportTree {
public:
    ReportTree() = default;
    explicit ReportTree(std::shared_ptr<const ReportTreeSource> source) : source_(std::move(source)) {}

    int childCount(ReportNode node) const { return source_ ? source_->childCount(node) : 0; }
    ReportNode child(ReportNode node, int row) const { return source_->child(node, row); }
    ReportNode parent(ReportNode node) const { return source_->parent(node); }
    int row(ReportNode node) const { return source_->row(node); }
    std::string text(ReportNode node) const { return source_->text(node); }

    // The tree as text, depth first, each node indented by `indent` blanks
    // per level: for tests and small trees, since it visits every node.
    std::vector<std::string> indentedLines(int indent = 2) const;

private:
    std::shared_ptr<const ReportTreeSource> source_;
};

} // namespace velmor
