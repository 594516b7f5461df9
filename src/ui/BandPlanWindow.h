#pragma once
// "Frequency Privileges", frmBandPlan: the band plan chart of one licence
// class at a time, read from "BandPlan.txt" on every opening.

#include "rig/BandPlan.h"

#include <QDialog>

class QLabel;

namespace zelq {

class BandPlanChart;
class OperatorDialogs;

class BandPlanWindow final : public QDialog {
    Q_OBJECT
public:
    // `path`: the plan file found for this position (may be empty).
    BandPlanWindow(const QString& path, OperatorDialogs& dialogs, QWidget* parent = nullptr);

    // A class button: "N", "T", "P", "G", "A" or "E".
    void showClass(const QString& cls);
    BandPlanChart& chart() { return *chartWidget; }

private:
    BandPlanFile plan;
    BandPlanChart* chartWidget = nullptr;
    QLabel* heading = nullptr;
    QLabel* effective = nullptr;
};

} // namespace zelq
