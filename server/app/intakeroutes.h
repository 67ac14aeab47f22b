#pragma once

#include "routes.h"

class IntakeService;

// A live night's intake on HTTP: every path goes to the intake, which knows its own routes.
class IntakeRoutes
{
public:
    // The routes refer to the intake, which must outlive them.
    static Routes of(IntakeService &intake);
};
