// The probability calculator (form frmQuorvane_Calculator): turns a test
// statistic into its p-value, or a probability into the critical value, for
// the normal, t, chi-square and F distributions, through the engine's own
// Probability and ProbInverse on an engine object of its own. Modeless; needs
// no database.
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "designer/app_state.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace qrv {
class Quorvane;
}

namespace qrv::designer::tools {

class ProbabilityCalculator : public QDialog {
    Q_OBJECT
  public:
    enum class ProbType { Z = 0, T = 1, ChiSquare = 2, F = 3 };

    explicit ProbabilityCalculator(AppState& app, QWidget* parent = nullptr);
    ~ProbabilityCalculator() override;

    ProbType probType() const;
    void setProbType(ProbType type);
    // The buttons' work: forward (test value to probability) or inverse.
    void calculate();
    void inverse();
    // The result as shown; empty before a calculation or after an edit.
    QString result() const;

  private:
    void onTypeChanged();
    void compute(bool inverseMode);
    void refuse(const std::string& text, QLineEdit* box);
    void setMode(bool inverseMode);

    AppState& app_;
    class CapturingPrompter;
    std::unique_ptr<CapturingPrompter> engineMessages_;
    std::unique_ptr<Quorvane> engine_;
    bool inverseMode_ = false;

    std::array<QRadioButton*, 4> optProbType_{};
    QLabel* lblTestValue_ = nullptr;
    QLineEdit* txtTestValue_ = nullptr;
    QLabel* lblDF1_ = nullptr;
    QLineEdit* txtDF1_ = nullptr;
    QLabel* lblDF2_ = nullptr;
    QLineEdit* txtDF2_ = nullptr;
    QLabel* lblResultCaption_ = nullptr;
    QLabel* lblProbability_ = nullptr;
    QLabel* lblHint_ = nullptr;
};

// Shows the calculator, parented to parent, for the frame's openCalculator.
void OpenCalculator(AppState& app, QWidget* parent);

}  // namespace qrv::designer::tools
