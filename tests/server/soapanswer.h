#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

// An answer envelope as a test reads it back: the returned array's records (inline or multiRef
// alike) or the fault, plus the wire facts the tests check.
struct SoapAnswer
{
    QString error;                 // why the envelope could not be read; empty: it could
    QString response;              // {ns}local of the Body's first element
    QString arrayType;             // SOAP-ENC:arrayType, prefix resolved: {ns}QueryResult[22]
    bool encodingStyle = false;    // the envelope declares SOAP encoding
    std::vector<QMap<QString, QString>> records;
    QStringList memberOrder;       // of the first record
    int multiRefCount = 0;
    QString faultCode;             // {ns}local
    QString faultString;

    static SoapAnswer read(const QByteArray &envelope);
};
