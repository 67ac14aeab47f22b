#pragma once

#include "cannedservice.h"
#include "form1.h"
#include "windowparts.h"

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

    CannedService service;
    std::unique_ptr<Form1> form;
    WindowParts parts;
};
