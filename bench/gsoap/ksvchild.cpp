#include "ksvchild.h"

#include "checksum.h"
#include "childreport.h"

#include "clsws_ElectionResults.h"
#include "raisederror.h"
#include "struct_QueryResult.h"

#include <cstdio>

int KsvChild::run(const QString &wsdlUrl, bool verify)
{
    ChildReport report;
    ServiceSettings settings;
    settings.wsdlUrl = wsdlUrl;
    try {
        clsws_ElectionResults client(settings);
        const soap::Variant answer = client.wsm_getCountryResultsValnatt();
        report.callEnded(long(answer.array().size()));
        if (verify) {
            Checksum sum;
            for (const soap::ObjectPtr &object : answer.array()) {
                for (const QString &member : struct_QueryResult::memberNames()) {
                    const QByteArray text = object->member(member).value_or(QString()).toUtf8();
                    sum.add(text.constData(), std::size_t(text.size()));
                }
            }
            report.setChecksum(sum.value());
        }
        report.print();
        return 0;
    } catch (const soap::RaisedError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
