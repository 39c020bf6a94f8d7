#include "designer/wizard/type_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dataaccess/fold.h"
#include "scenario/analysis_types.h"

namespace qrv::designer {

namespace {

// The button captions, in the order of scenario::AnalysisTypes().
constexpr const char* kCaptions[] = {
    "&Describe",      "&Frequency", "&Percentiles",       "Compar&e",  "&Matrix",
    "&Regression",    "&Crosstab",  "&Two Sample t-Test", "&ANOVA",    "Two &way ANOVA",
    "Chi S&quare",    "Si&gn Test", "&K-S Fit",           "&2 Sample", "N &Sample",
    "Paired &Fields", "N &Fields",
};

const char* categoryTitle(char category) {
    switch (category) {
        case 'P':
            return "Parametric";
        case 'G':
            return "Group";
        default:
            return "Non-Parametric";
    }
}

}  // namespace

TypePage::TypePage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent)
    : WizardPage(app, draft, parent) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    auto* group = new QButtonGroup(this);
    const auto types = scenario::AnalysisTypes();
    static_assert(std::size(kCaptions) == 17);
    int column = -1, row = 0;
    char category = 0;
    for (size_t i = 0; i < types.size(); ++i) {
        if (types[i].category != category) {
            category = types[i].category;
            ++column;
            row = 0;
            auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(categoryTitle(category)));
            grid->addWidget(title, row++, column);
        }
        auto* b = new QRadioButton(QString::fromUtf8(kCaptions[i]));
        b->setObjectName(QStringLiteral("optAnalysis_%1").arg(i));
        group->addButton(b, static_cast<int>(i));
        grid->addWidget(b, row++, column, Qt::AlignTop);
        buttons_.push_back(b);
    }
    grid->setRowStretch(grid->rowCount(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Choose the analysis this scenario performs:")));
    layout->addLayout(grid);
    connect(group, &QButtonGroup::idClicked, this, &TypePage::choose);
}

QString TypePage::Caption() const {
    return QStringLiteral("Zelk Statistics -- Select Analysis Type");
}

void TypePage::Load() {
    const auto types = scenario::AnalysisTypes();
    for (size_t i = 0; i < types.size(); ++i)
        if (dao::iequal(types[i].name, draft_.subtype)) {
            buttons_[i]->setChecked(true);
            buttons_[i]->setFocus();
        }
}

void TypePage::choose(int index) {
    const scenario::AnalysisType& type = scenario::AnalysisTypes()[static_cast<size_t>(index)];
    if (draft_.subtype == type.name) return;
    // Output names the wizard proposed for the old analysis would mislabel
    // the new one's tables; they are proposed again on the output page.
    if (const scenario::AnalysisType* old = scenario::FindAnalysisType(draft_.subtype)) {
        const std::string prefix = app_.OutputTablePrefix();
        if (draft_.output1 == prefix + old->label1) draft_.output1.clear();
        if (old->label2 && draft_.output2 == prefix + old->label2) draft_.output2.clear();
    }
    draft_.subtype = type.name;
    draft_.category = std::string(1, type.category);
    emit changed();
}

}  // namespace qrv::designer
