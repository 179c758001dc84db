#pragma once

#include <QWidget>

namespace velmor {

// The detailed report of one algorithm's run; it is filled by its display thread.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 793;
    static constexpr int kClientHeight = 561;

    TForm4();
};

} // namespace velmor
