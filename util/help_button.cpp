#include "util/help_button.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace qrv::util {

QPushButton* MakeHelpButton(QWidget* window, std::function<void()> showHelp) {
    auto* button = new QPushButton(QStringLiteral("&Help"), window);
    button->setObjectName(QStringLiteral("cmdHelp"));
    QObject::connect(button, &QPushButton::clicked, window, [showHelp = std::move(showHelp)] {
        if (showHelp) showHelp();
    });
    QObject::connect(new QShortcut(QKeySequence::HelpContents, window), &QShortcut::activated,
                     button, &QPushButton::click);
    return button;
}

}  // namespace qrv::util
