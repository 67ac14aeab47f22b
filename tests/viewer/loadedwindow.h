#pragma once

#include "cannedservice.h"
#include "form1.h"
#include "form1testaccess.h"

#include <QAbstractItemModel>

#include <memory>
#include <vector>

// A window loaded from a canned service, ready to be driven; requests from the load are forgotten.
class LoadedWindow
{
public:
    explicit LoadedWindow(const std::vector<ResultRow> &country)
    {
        service.answer(QStringLiteral("getCountryResultsValnatt"), country);
        form = std::make_unique<Form1>(service.settings());
        access = std::make_unique<Form1TestAccess>(*form);
        form->Form_Load();
        service.clearRequests();
    }

    void choose(const QString &text) { access->regionList()->setCurrentText(text); }
    void visa() { access->showButton()->click(); }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            access->timerTick();
    }
    QString status() const { return access->statusBar()->currentMessage(); }
    QStringList rows() const
    {
        QStringList names;
        const QAbstractItemModel *model = access->table()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }

    CannedService service;
    std::unique_ptr<Form1> form;
    std::unique_ptr<Form1TestAccess> access;
};
