// The shared frequency-distribution group.
#include "designer/wizard/options/frequency_group.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "designer/wizard/options/bound_page.h"

namespace qrv::designer {

namespace {

QWidget* row(QWidget* parent, const std::vector<QWidget*>& items) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    for (QWidget* item : items) h->addWidget(item);
    h->addStretch(1);
    return w;
}

template <class T>
std::vector<QWidget*> widgets(const std::vector<T*>& items) {
    return std::vector<QWidget*>(items.begin(), items.end());
}

}  // namespace

FrequencyControls AddFrequencyGroup(BoundPage& page, const QString& title, bool withDisplayType) {
    FrequencyControls c;
    c.group = title.isEmpty() ? new QWidget(&page) : new QGroupBox(title, &page);
    c.group->setObjectName("fraFrequency");
    auto* form = new QFormLayout(c.group);
    if (title.isEmpty()) form->setContentsMargins(0, 0, 0, 0);

    c.intervals = page.Number("InterV");
    c.intervals->setMaximumWidth(c.intervals->fontMetrics().horizontalAdvance("0000000"));
    auto* range = new QLabel(QObject::tr("(2 to 50)"), c.group);
    auto* intervalsLabel = new QLabel(QObject::tr("Number of Intervals:"), c.group);
    intervalsLabel->setBuddy(c.intervals);
    form->addRow(intervalsLabel, row(c.group, {c.intervals, range}));

    c.include = page.Radios("FreqIncRadio",
                            {{0, QObject::tr("Lower Limit")}, {1, QObject::tr("Upper Limit")}});
    form->addRow(QObject::tr("Include in each interval:"), row(c.group, widgets(c.include)));

    if (withDisplayType) {
        c.display = page.Radios("FreqDispRadio",
                                {{0, QObject::tr("Count")}, {1, QObject::tr("Cumulative")}});
        form->addRow(QObject::tr("Display Type:"), row(c.group, widgets(c.display)));
    }

    c.grouping =
        page.Radios("FreqGroupRadio", {{0, QObject::tr("Default")}, {1, QObject::tr("Specified")}});
    form->addRow(QObject::tr("Groupings:"), row(c.group, widgets(c.grouping)));

    c.initial = page.Number("FreqInit");
    c.width = page.Number("FreqWidth");
    auto* initialLabel = new QLabel(QObject::tr("Initial Value:"), c.group);
    auto* widthLabel = new QLabel(QObject::tr("Width:"), c.group);
    initialLabel->setBuddy(c.initial);
    widthLabel->setBuddy(c.width);
    form->addRow(initialLabel, c.initial);
    form->addRow(widthLabel, c.width);
    c.specifiedOnly = {c.initial, c.width, initialLabel, widthLabel};
    return c;
}

void EnableFrequencyGroup(const FrequencyControls& c, bool on, bool specified) {
    c.group->setEnabled(on);
    for (QWidget* w : c.specifiedOnly) w->setEnabled(specified);
}

}  // namespace qrv::designer
