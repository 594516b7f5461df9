#pragma once
// The station's two running rates on the log window: contacts in the last
// 60 minutes and contacts in the last 20 minutes times 3.

#include "score/RateStats.h"

#include <QWidget>

class QLabel;

namespace zelq {

class RatePanel : public QWidget {
    Q_OBJECT
public:
    explicit RatePanel(QWidget* parent = nullptr);

    void show(const Rates& rates);
    using QWidget::show;

private:
    QLabel* lblAQSO60 = nullptr;
    QLabel* lblAQSO20 = nullptr;
};

} // namespace zelq
