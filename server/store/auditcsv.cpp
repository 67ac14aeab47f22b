#include "auditcsv.h"

#include <QDateTime>
#include <QStringList>

namespace {

QString field(QString text)
{
    // Names, reasons and paths come from clients: none may run as a formula in a spreadsheet.
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text[0]))
        text.prepend(u'\'');
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

QString number(std::int64_t n)
{
    return QString::number(n);
}

} // namespace

QByteArray AuditCsv::header()
{
    return QByteArrayLiteral("seq,time,kind,status,reporter,client,request,area,district,yes,no,blank,invalid,reason\r\n");
}

QByteArray AuditCsv::line(const AuditRecord &r)
{
    const QString time = QDateTime::fromMSecsSinceEpoch(r.atMs).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    QStringList fields{number(r.seq), time, AuditRecord::kindName(r.kind), number(r.status), field(r.reporter),
                       field(r.client), field(r.request), field(r.area), r.district > 0 ? number(r.district) : QString()};
    if (r.votes)
        fields << number(r.votes->yes) << number(r.votes->no) << number(r.votes->blank) << number(r.votes->invalid);
    else
        fields << QString() << QString() << QString() << QString();
    fields << field(r.reason);
    return fields.join(u',').toUtf8() + "\r\n";
}
