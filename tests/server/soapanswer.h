#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <vector>

// What a test reads back from an answer envelope: the records of the returned array (inline or
// multiRef items alike) or the fault, plus the wire facts the tests check.
struct SoapAnswer
{
    using Record = QMap<QString, QString>;

    bool wellFormed = false;
    QString error;                 // why the envelope could not be read
    QString responseElement;       // local name of the Body's first element
    QString responseNamespace;
    QString arrayType;             // SOAP-ENC:arrayType of the returned array, prefix resolved: {ns}QueryResult[22]
    bool envelopeHasEncodingStyle = false;
    std::vector<Record> records;
    std::vector<QString> memberOrder;    // of the first record
    int multiRefCount = 0;
    QString faultCode;             // {ns}local
    QString faultString;

    static SoapAnswer read(const QByteArray &envelope);
};
