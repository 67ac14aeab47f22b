#pragma once

#include "cannedservice.h"
#include "form1.h"
#include "windowparts.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

// A window loaded from a canned service, ready to be driven; requests from the load are forgotten.
class LoadedWindow
{
public:
    explicit LoadedWindow(const std::vector<ResultRow> &country)
        : form(std::make_unique<Form1>(service.settings()))
        , parts(*form)
    {
        service.answer(QStringLiteral("getCountryResultsValnatt"), country);
        form->Form_Load();
        service.clearRequests();
    }

    // On the screen and active, for what needs a real view: keys, tool tips, scrolling, ticks.
    bool shown() const
    {
        form->show();
        return QTest::qWaitForWindowActive(form.get());
    }
    void choose(const QString &text) const { parts.regionList()->setCurrentText(text); }
    void visa() const { parts.child<QPushButton>("Command1")->click(); }
    void setTicked(bool ticked) const { parts.child<QCheckBox>("Check1")->setChecked(ticked); }
    // Ticked, with its timer held: only the test's own ticks count.
    void tickedByHand() const
    {
        setTicked(true);
        parts.timer()->stop();
    }

    CannedService service;
    std::unique_ptr<Form1> form;
    WindowParts parts;
};
