#pragma once

#include <QWidget>

namespace velmor {

// The node–edge matrix of the present structure.
class TForm8 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 748;
    static constexpr int kClientHeight = 355;

    TForm8();
};

} // namespace velmor
