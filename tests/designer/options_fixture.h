// One options page over a new scenario of an analysis, with a scripted
// prompter, for the options page tests.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QtTest>
#include <memory>

#include "designer/wizard/options_page.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_draft.h"
#include "scripted_prompter.h"

namespace qrv::test {

struct OptionsFixture {
    scenario::ScenarioDraft draft;
    ScriptedPrompter prompter;
    std::unique_ptr<designer::OptionsPage> page;

    explicit OptionsFixture(const char* subtype)
        : draft(scenario::NewDraft(*scenario::FindAnalysisType(subtype))) {
        page.reset(
            designer::CreateOptionsPage(designer::OptionsPageNumber(subtype), draft, prompter));
        if (page) page->SetControlValues();
    }

    template <class T>
    T* find(const char* name) const {
        T* w = page->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s on the page", name);
        return w;
    }
    QAbstractButton* button(const char* name) const { return find<QAbstractButton>(name); }
    QLineEdit* box(const char* name) const { return find<QLineEdit>(name); }
    bool checked(const char* name) const { return button(name)->isChecked(); }
    bool enabled(const char* name) const { return page->findChild<QWidget*>(name)->isEnabled(); }

    // Shows the page in an active window, so that focus moves as a user's would.
    void showActive() {
        page->show();
        QApplication::setActiveWindow(page.get());
        QVERIFY(QTest::qWaitForWindowActive(page.get()));
    }
    // Types text over what a box holds, as a user selecting it all and typing.
    void type(const char* name, const QString& text) {
        QLineEdit* b = box(name);
        b->setFocus();
        b->selectAll();
        if (text.isEmpty())
            QTest::keyClick(b, Qt::Key_Backspace);
        else
            QTest::keyClicks(b, text);
    }
    // Moves the focus off a box onto another control.
    void leave(const char* to) { page->findChild<QWidget*>(to)->setFocus(); }
    QWidget* focused() const { return QApplication::focusWidget(); }
    std::string option(const char* name) const { return draft.option(name).toText(); }
};

}  // namespace qrv::test
