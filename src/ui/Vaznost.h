#pragma once

#include "algorithms/Importance.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace velmor {

// Where the importance window takes its computation from; every member is
// called on the user-interface thread.
struct ImportanceSource {
    std::function<bool()> running;
    std::function<int()> done;
    std::function<int()> total;
    // The finished computation; null while it runs.
    std::function<std::shared_ptr<const ImportanceResult>()> result;
    std::function<void()> stop;
    char decimalSeparator = '.';
};

// "Važnost elemenata": every element of the structure with its Birnbaum and
// criticality importance, the most important first. While the computation
// runs on its thread, the window follows its count of rated elements; it
// reads the result only once the computation has ended. Closing it stops a
// computation that is still on.
class TForm9 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 420;
    static constexpr int kClientHeight = 400;
    static constexpr int kPollMilliseconds = 100;

    TForm9();

    void setSource(ImportanceSource source) { source_ = std::move(source); }
    // A computation has started: the list empties and the count follows it.
    void begin();
    // Looks at the computation once: the count while it runs, the list when
    // it has ended.
    void poll();

    // What the window shows, for tests.
    QTableWidget* grid() const { return StringGrid1; }
    int rows() const;
    QString cell(int row, int column) const; // row 0 is the header
    QString statusLine() const;
    QString pairLine() const;
    bool stopEnabled() const;
    std::shared_ptr<const ImportanceResult> shownResult() const { return shown_; }

    void PrekiniClick();

signals:
    void closed();
    // The computation has ended and its result (if any) is shown.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void present(std::shared_ptr<const ImportanceResult> result);

    ImportanceSource source_;
    std::shared_ptr<const ImportanceResult> shown_;
    QTimer* timer_ = nullptr;
    QLabel* Label1 = nullptr; // the pair and the availability
    QLabel* Label2 = nullptr; // the count, or how the computation ended
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Prekini = nullptr;
    QPushButton* Zatvori = nullptr;
};

// The header texts of the list.
QStringList importanceHeaders();

} // namespace velmor
