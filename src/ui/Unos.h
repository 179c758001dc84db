#pragma once

#include <QWidget>

namespace velmor {

// The structure editor.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 738;
    static constexpr int kClientHeight = 321;

    TForm5();
};

} // namespace velmor
