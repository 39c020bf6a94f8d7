// Which options page an analysis has, and building it.
#include "designer/wizard/options_page.h"

#include "designer/wizard/options/options_pages.h"
#include "scenario/analysis_types.h"

namespace qrv::designer {

int OptionsPageNumber(const std::string& subtype) {
    const scenario::AnalysisType* type = scenario::FindAnalysisType(subtype);
    return type ? type->optionsPage : 99;
}

OptionsPage* CreateOptionsPage(int page, scenario::ScenarioDraft& draft, Prompter& prompter,
                               QWidget* parent) {
    using Factory = OptionsPage* (*)(scenario::ScenarioDraft&, Prompter&, QWidget*);
    static constexpr Factory kPages[] = {
        NewDescribeOptions,  NewFrequencyOptions,  NewPercentileOptions, NewCompareOptions,
        NewMatrixOptions,    NewRegressionOptions, NewCrosstabOptions,   NewGroupOptions,
        NewChiSquareOptions, NewSignTestOptions,   NewKSFitOptions,      NewTwoSampleOptions,
        NewNSampleOptions,   NewPairedOptions,     NewNFieldsOptions};
    constexpr int kFirst = 4;
    if (page < kFirst || page >= kFirst + static_cast<int>(std::size(kPages))) return nullptr;
    OptionsPage* p = kPages[page - kFirst](draft, prompter, parent);
    p->SetControlValues();
    return p;
}

QString OptionsCaption(const char* analysis) {
    return QStringLiteral("Zelk Statistics %1 Options").arg(QString::fromUtf8(analysis));
}

}  // namespace qrv::designer
