// The frequency-distribution controls that the Describe and Frequency pages
// share: number of intervals, which border an interval includes, counts or
// cumulative counts, and default or specified groupings with their initial
// value and width.
#pragma once

#include <vector>

class QString;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace qrv::designer {

class BoundPage;

struct FrequencyControls {
    QWidget* group = nullptr;  // a frame of its own, or a plain panel
    QLineEdit* intervals = nullptr;
    std::vector<QRadioButton*> include;   // Lower, Upper
    std::vector<QRadioButton*> display;   // Count, Cumulative; empty without display type
    std::vector<QRadioButton*> grouping;  // Default, Specified
    QLineEdit* initial = nullptr;
    QLineEdit* width = nullptr;
    std::vector<QWidget*> specifiedOnly;  // the boxes and labels of Specified groupings
};

// Builds the group on the page, its controls bound to the frequency options;
// an empty title gives a plain panel for a frame of the page's own.
FrequencyControls AddFrequencyGroup(BoundPage& page, const QString& title, bool withDisplayType);

// Enables the group as a whole, and the initial value and width only with
// Specified groupings.
void EnableFrequencyGroup(const FrequencyControls& c, bool on, bool specified);

}  // namespace qrv::designer
