#include "run/StructureEditor.h"

#include "platform/Numbers.h"
#include "structure/StructureWorkspace.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace velmor {

namespace {

std::string trimmed(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The label of a list item (the label right-aligned in 11 characters); false
// when the item does not hold a label.
bool itemLabel(const std::string& item, std::int32_t& label)
{
    try {
        label = parseLabelText(item);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

} // namespace

std::int32_t parseLabelText(const std::string& text)
{
    const std::string body = trimmed(text);
    std::size_t at = 0;
    if (at < body.size() && (body[at] == '+' || body[at] == '-'))
        ++at;
    const bool digitsOnly = at < body.size() && std::all_of(body.begin() + static_cast<std::ptrdiff_t>(at), body.end(), isDigit);
    if (!digitsOnly)
        throw std::invalid_argument("'" + text + "' nije ispravna cjelobrojna vrijednost");
    const std::int64_t value = cLong(body.c_str());
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()
        || body.size() - at > 10)
        throw std::invalid_argument("'" + text + "' nije ispravna cjelobrojna vrijednost");
    return static_cast<std::int32_t>(value);
}

long double parseAvailabilityText(const std::string& text, char decimalSeparator)
{
    const std::string body = trimmed(text);
    std::string c; // the same number as the "C" locale writes it
    std::size_t at = 0;
    auto fail = [&text]() -> long double {
        throw std::invalid_argument("'" + text + "' nije ispravna decimalna vrijednost");
    };
    if (at < body.size() && (body[at] == '+' || body[at] == '-'))
        c += body[at++];
    std::size_t digits = 0;
    for (; at < body.size() && isDigit(body[at]); ++at, ++digits)
        c += body[at];
    if (at < body.size() && body[at] == decimalSeparator) {
        c += '.';
        for (++at; at < body.size() && isDigit(body[at]); ++at, ++digits)
            c += body[at];
    }
    if (digits == 0)
        return fail();
    if (at < body.size() && (body[at] == 'e' || body[at] == 'E')) {
        c += 'E';
        ++at;
        if (at < body.size() && (body[at] == '+' || body[at] == '-'))
            c += body[at++];
        std::size_t exponentDigits = 0;
        for (; at < body.size() && isDigit(body[at]); ++at, ++exponentDigits)
            c += body[at];
        if (exponentDigits == 0)
            return fail();
    }
    if (at != body.size())
        return fail();
    return cLongDouble(c.c_str());
}

// --- Lists ---------------------------------------------------------------------------

void EditorList::insert(const std::string& item)
{
    const auto at = std::lower_bound(items.begin(), items.end(), item);
    const int position = static_cast<int>(at - items.begin());
    items.insert(at, item);
    if (selected >= position)
        ++selected;
}

void EditorList::removeSelected()
{
    if (selected >= 0 && selected < static_cast<int>(items.size()))
        items.erase(items.begin() + selected);
    selected = -1;
}

void EditorList::selectLabel(std::int32_t label)
{
    selected = find(labelText(label));
}

int EditorList::find(const std::string& item) const
{
    const auto at = std::find(items.begin(), items.end(), item);
    return at == items.end() ? -1 : static_cast<int>(at - items.begin());
}

// --- Loading and filling ----------------------------------------------------------------

bool StructureEditor::chooseDirection(bool directed)
{
    const bool changed = directed != directed_;
    directed_ = directed;
    return changed;
}

bool StructureEditor::load(const StructureWorkspace* ws, bool structurePresent, bool mainDirected)
{
    const bool changed = chooseDirection(mainDirected);
    if (structurePresent && ws) {
        elements_.clear();
        for (int i = 0; i < ws->elements.count(); ++i) {
            const ElementEntry* entry = ws->elements.entryAt(i);
            elements_.append(entry->label, entry->availability, entry->kind);
        }
        directedMatrix_.clear();
        undirectedMatrix_.clear();
        ws->directedMatrix.copyTo(directedMatrix_);
        ws->undirectedMatrix.copyTo(undirectedMatrix_);
    }
    fill();
    return changed;
}

void StructureEditor::fill()
{
    for (EditorList* list : {&nodeList_, &edgeList_, &edgeChoice_, &leavingChoice_, &enteringChoice_})
        list->clear();
    maxNodeLabel_ = 0;
    maxEdgeLabel_ = 0;
    for (int i = 0; i < elements_.count(); ++i) {
        const ElementEntry* entry = elements_.entryAt(i);
        const std::string item = labelText(entry->label);
        if (entry->kind == NodeKind) {
            nodeList_.insert(item);
            leavingChoice_.insert(item);
            enteringChoice_.insert(item);
            maxNodeLabel_ = std::max(maxNodeLabel_, static_cast<int>(entry->label));
        } else if (entry->kind == EdgeKind) {
            edgeList_.insert(item);
            edgeChoice_.insert(item);
            maxEdgeLabel_ = std::max(maxEdgeLabel_, static_cast<int>(entry->label));
        }
    }
    for (EditField& field : fields_)
        field.edited = false;
}

void StructureEditor::refillChoices()
{
    const std::string previous = edgeChoice_.selectedItem();
    for (EditorList* list : {&edgeChoice_, &leavingChoice_, &enteringChoice_})
        list->clear();
    for (int i = 0; i < elements_.count(); ++i) {
        const ElementEntry* entry = elements_.entryAt(i);
        const std::string item = labelText(entry->label);
        if (entry->kind == NodeKind) {
            leavingChoice_.insert(item);
            enteringChoice_.insert(item);
        } else if (entry->kind == EdgeKind) {
            edgeChoice_.insert(item);
        }
    }
    if (edgeChoice_.items.empty())
        return;
    const int kept = previous.empty() ? -1 : edgeChoice_.find(previous);
    edgeChoice_.selected = kept >= 0 ? kept : 0;
    showConnection();
}

int StructureEditor::largestLabel(std::int32_t kind) const
{
    int largest = 0;
    for (int i = 0; i < elements_.count(); ++i) {
        const ElementEntry* entry = elements_.entryAt(i);
        if (entry->kind == kind)
            largest = std::max(largest, static_cast<int>(entry->label));
    }
    return largest;
}

int StructureEditor::selectedElement(const EditorList& list, std::int32_t kind) const
{
    std::int32_t label = 0;
    int index = -1;
    if (list.selected < 0 || !itemLabel(list.selectedItem(), label) || !elements_.find(label, kind, index))
        return -1;
    return index;
}

void StructureEditor::report(const char* first, const char* second)
{
    if (reportError_)
        reportError_(first, second);
}

// --- Lists and fields ----------------------------------------------------------------

void StructureEditor::selectNode(int index)
{
    nodeList_.selected = index >= 0 && index < static_cast<int>(nodeList_.items.size()) ? index : -1;
    if (nodeList_.selected < 0) {
        fields_[NodeLabel].text.clear();
        fields_[NodeAvailability].text.clear();
        return;
    }
    const int element = selectedElement(nodeList_, NodeKind);
    if (element < 0) {
        fields_[NodeAvailability].text = "nepoznata";
        fields_[NodeLabel].text = "greška";
        return;
    }
    const ElementEntry* entry = elements_.entryAt(element);
    fields_[NodeLabel].text = std::to_string(entry->label);
    fields_[NodeAvailability].text = formatGeneral(entry->availability, separator_);
}

void StructureEditor::selectEdge(int index)
{
    edgeList_.selected = index >= 0 && index < static_cast<int>(edgeList_.items.size()) ? index : -1;
    if (edgeList_.selected < 0) {
        fields_[EdgeLabel].text.clear();
        fields_[EdgeAvailability].text.clear();
        return;
    }
    const int element = selectedElement(edgeList_, EdgeKind);
    if (element < 0) {
        fields_[EdgeAvailability].text = "nepoznata";
        fields_[EdgeLabel].text = "greška";
        return;
    }
    const ElementEntry* entry = elements_.entryAt(element);
    fields_[EdgeLabel].text = std::to_string(entry->label);
    fields_[EdgeAvailability].text = formatGeneral(entry->availability, separator_);
}

void StructureEditor::type(Field field, const std::string& text)
{
    fields_[field].text = text;
    fields_[field].edited = true;
}

void StructureEditor::leave(Field field)
{
    switch (field) {
    case NodeLabel: commitLabel(NodeKind); break;
    case EdgeLabel: commitLabel(EdgeKind); break;
    case NodeAvailability: commitAvailability(NodeKind); break;
    case EdgeAvailability: commitAvailability(EdgeKind); break;
    }
}

void StructureEditor::commitLabel(std::int32_t kind)
{
    EditField& field = fields_[labelField(kind)];
    if (!field.edited)
        return;
    field.edited = false;
    EditorList& list = listOf(kind);
    if (list.selected < 0) {
        field.text.clear();
        return;
    }
    const int element = selectedElement(list, kind);
    if (element < 0) {
        field.text = "greška";
        return;
    }
    const std::int32_t label = parseLabelText(field.text);
    const ElementEntry entry = *elements_.entryAt(element);
    int existing = -1;
    if (elements_.find(label, kind, existing)) {
        field.text = std::to_string(entry.label);
        return;
    }
    list.removeSelected();
    elements_.update(element, label, entry.availability);
    list.insert(labelText(label));
    int& largest = maxOf(kind);
    if (label > largest)
        largest = label;
}

void StructureEditor::commitAvailability(std::int32_t kind)
{
    EditField& field = fields_[availabilityField(kind)];
    if (!field.edited)
        return;
    field.edited = false;
    const EditorList& list = listOf(kind);
    if (list.selected < 0) {
        field.text.clear();
        return;
    }
    const int element = selectedElement(list, kind);
    if (element < 0) {
        field.text = "nepoznata";
        return;
    }
    const long double value = parseAvailabilityText(field.text, separator_);
    const ElementEntry entry = *elements_.entryAt(element);
    if (value > 1 || !(value >= 0)) {
        field.text = formatGeneral(entry.availability, separator_);
        return;
    }
    elements_.update(element, entry.label, value);
}

// --- Adding and removing ----------------------------------------------------------------

void StructureEditor::growMatrices()
{
    for (ByteMatrix* matrix : {&directedMatrix_, &undirectedMatrix_}) {
        if (matrix->empty())
            matrix->allocate(1, 1);
        else
            matrix->resize(matrix->columnCount() + 1, matrix->rowCount() + 1);
    }
}

void StructureEditor::add(std::int32_t kind)
{
    int& largest = maxOf(kind);
    if (largest == std::numeric_limits<std::int32_t>::max())
        return; // no label is left above it
    const std::int32_t label = ++largest;
    listOf(kind).insert(labelText(label));
    elements_.append(label, 0, kind);
    growMatrices();
    int index = -1;
    elements_.find(label, kind, index);
    refillChoices();
    if (directedMatrix_.lastColumn() != index || undirectedMatrix_.lastColumn() != index)
        report("Interna pogreška u programu, jer je izgubljena", "konzistentnost povezanosti matrice i elemenata");
}

void StructureEditor::remove(std::int32_t kind)
{
    EditorList& list = listOf(kind);
    if (list.selected < 0)
        return;
    const int element = selectedElement(list, kind);
    if (element < 0)
        return;
    elements_.remove(element);
    directedMatrix_.removeRowAndColumn(element);
    undirectedMatrix_.removeRowAndColumn(element);
    list.removeSelected();
    maxOf(kind) = largestLabel(kind);
    fields_[labelField(kind)].text.clear();
    fields_[availabilityField(kind)].text.clear();
    refillChoices();
}

// --- Connections ---------------------------------------------------------------------

void StructureEditor::showConnection()
{
    if (edgeChoice_.selected < 0)
        return;
    const int e = selectedElement(edgeChoice_, EdgeKind);
    if (e < 0) {
        report("Interna pogreška u programu , jer nije moguće", "pronaći zadanu granu u repozitoriju svih grana");
        return;
    }
    leavingChoice_.selected = -1;
    enteringChoice_.selected = -1;
    for (int i = 0; i <= directedMatrix_.lastRow(); ++i) {
        const ElementEntry* entry = elements_.entryAt(i);
        if (!entry)
            continue;
        if (directedMatrix_.get(e, i) == 1)
            leavingChoice_.selectLabel(entry->label);
        if (directedMatrix_.get(i, e) == 1)
            enteringChoice_.selectLabel(entry->label);
    }
}

void StructureEditor::chooseEdge(int index)
{
    edgeChoice_.selected = index >= 0 && index < static_cast<int>(edgeChoice_.items.size()) ? index : -1;
    showConnection();
}

void StructureEditor::chooseLeaving(int index)
{
    connect(index, true);
}

void StructureEditor::chooseEntering(int index)
{
    connect(index, false);
}

// Cells are addressed (column, row): "directed (a, b)" — row a, column b —
// is get(b, a).
void StructureEditor::connect(int index, bool leaving)
{
    EditorList& choice = leaving ? leavingChoice_ : enteringChoice_;
    choice.selected = index >= 0 && index < static_cast<int>(choice.items.size()) ? index : -1;
    const int e = selectedElement(edgeChoice_, EdgeKind);
    const int n = selectedElement(choice, NodeKind);
    if (e < 0 || n < 0)
        return;
    ByteMatrix& d = directedMatrix_;
    ByteMatrix& u = undirectedMatrix_;
    if (leaving) {
        for (int i = 0; i <= d.lastRow(); ++i)
            if (d.get(e, i) == 1) {
                d.set(e, i, 0);
                u.set(e, i, 0);
                u.set(i, e, 0);
            }
        if (d.get(e, n) == 1) {
            report("Interna pogreška u programu , jer je izgubljena", "konzistentnost povezanosti unutar matrice mreže");
            return;
        }
        d.set(e, n, 1);
        u.set(e, n, 1);
        u.set(n, e, 1);
    } else {
        for (int i = 0; i <= d.lastColumn(); ++i)
            if (d.get(i, e) == 1) {
                d.set(i, e, 0);
                u.set(i, e, 0);
                u.set(e, i, 0);
            }
        if (d.get(n, e) == 1) {
            report("Interna pogreška u programu , jer je izgubljena", "konzistentnost povezanosti unutar matrice mreže");
            return;
        }
        d.set(n, e, 1);
        u.set(n, e, 1);
        u.set(e, n, 1);
    }
    showConnection();
}

void StructureEditor::close()
{
    elements_.clear();
    directedMatrix_.clear();
    undirectedMatrix_.clear();
}

} // namespace velmor
