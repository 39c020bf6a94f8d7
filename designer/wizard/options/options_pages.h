// The options page of each analysis, by the wizard's page number.
#pragma once

#include "designer/wizard/options_page.h"

namespace qrv::designer {

OptionsPage* NewDescribeOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewFrequencyOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewPercentileOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewCompareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewMatrixOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewRegressionOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewCrosstabOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewGroupOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewChiSquareOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewSignTestOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewKSFitOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewTwoSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewNSampleOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewPairedOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);
OptionsPage* NewNFieldsOptions(scenario::ScenarioDraft& d, Prompter& p, QWidget* parent);

// The page caption of an analysis.
QString OptionsCaption(const char* analysis);

}  // namespace qrv::designer
