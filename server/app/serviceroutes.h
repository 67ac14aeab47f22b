#pragma once

#include "routes.h"

class ResultsService;

// The service on HTTP: GET (and HEAD) of the WSDL path gives the WSDL, its endpoint on the host
// and port the client used; POST to the endpoint path is a SOAP call.
class ServiceRoutes
{
public:
    // The routes refer to the service, which must outlive them.
    static Routes of(ResultsService &service);
};
