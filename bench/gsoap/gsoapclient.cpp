// The gSOAP client of the comparison: one whole-country call through the proxy class that
// soapcpp2 generated from the service's WSDL, timed as the KSV child times its own.
// Usage: ksv-gsoap-client <endpoint URL> [--verify]

#include "ElectionResultsBinding.nsmap"
#include "soapElectionResultsBindingProxy.h"

#include "checksum.h"
#include "childreport.h"

#include <cstdio>
#include <cstring>
#include <iostream>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ksv-gsoap-client <endpoint URL> [--verify]\n");
        return 2;
    }
    ChildReport report;
    // UTF-8 kept as it arrives, the cheapest of gSOAP's string modes.
    ElectionResultsBindingProxy proxy(SOAP_C_UTFSTRING);
    proxy.soap_endpoint = argv[1];
    ns1__getCountryResultsValnattResponse response;
    if (proxy.getCountryResultsValnatt(response) != SOAP_OK) {
        proxy.soap_stream_fault(std::cerr);
        return 1;
    }
    const int records = response.return_ ? response.return_->__size : 0;
    report.callEnded(records);
    if (argc > 2 && std::strcmp(argv[2], "--verify") == 0) {
        Checksum sum;
        for (int i = 0; i < records; ++i) {
            const ns2__QueryResult *r = response.return_->__ptr[i];
            if (!r)
                return 1;
            for (const std::string *member :
                 {&r->generated, &r->resultType, &r->code, &r->name, &r->readyDistricts, &r->allDistricts,
                  &r->yesNum, &r->yesPerc, &r->noNum, &r->noPerc, &r->blankNum, &r->blankPerc,
                  &r->invalidNum, &r->turnoutNum, &r->turnoutPerc})
                sum.add(member->data(), member->size());
        }
        report.setChecksum(sum.value());
    }
    report.print();
    return 0;
}
