#pragma once

#include "dispatchobject.h"

#include <QString>

#include <array>
#include <optional>

// One region's results as the service sends them: fifteen texts, never parsed. Created only by
// clsof_Factory_ElectionResul while an answer is decoded; shared by reference afterwards.
class struct_QueryResult : public soap::DispatchObject
{
public:
    // The member names, in declaration order, as the mapper sets them.
    static const std::array<QString, 15> &memberNames();

    QString generated() const { return m_generated; }
    void setGenerated(const QString &value) { m_generated = value; }
    QString resultType() const { return m_resultType; }
    void setResultType(const QString &value) { m_resultType = value; }
    QString code() const { return m_code; }
    void setCode(const QString &value) { m_code = value; }
    QString name() const { return m_name; }
    void setName(const QString &value) { m_name = value; }
    QString readyDistricts() const { return m_readyDistricts; }
    void setReadyDistricts(const QString &value) { m_readyDistricts = value; }
    QString allDistricts() const { return m_allDistricts; }
    void setAllDistricts(const QString &value) { m_allDistricts = value; }
    QString yesNum() const { return m_yesNum; }
    void setYesNum(const QString &value) { m_yesNum = value; }
    QString yesPerc() const { return m_yesPerc; }
    void setYesPerc(const QString &value) { m_yesPerc = value; }
    QString noNum() const { return m_noNum; }
    void setNoNum(const QString &value) { m_noNum = value; }
    QString noPerc() const { return m_noPerc; }
    void setNoPerc(const QString &value) { m_noPerc = value; }
    QString blankNum() const { return m_blankNum; }
    void setBlankNum(const QString &value) { m_blankNum = value; }
    QString blankPerc() const { return m_blankPerc; }
    void setBlankPerc(const QString &value) { m_blankPerc = value; }
    QString invalidNum() const { return m_invalidNum; }
    void setInvalidNum(const QString &value) { m_invalidNum = value; }
    QString turnoutNum() const { return m_turnoutNum; }
    void setTurnoutNum(const QString &value) { m_turnoutNum = value; }
    QString turnoutPerc() const { return m_turnoutPerc; }
    void setTurnoutPerc(const QString &value) { m_turnoutPerc = value; }

    // By name, for the type mapper. Names match exactly, letter case counting, as the service's
    // schema spells them; any other name is not a member: setMember returns false and leaves the
    // record as it was, member returns no value.
    bool setMember(const QString &name, const QString &value) override;
    std::optional<QString> member(const QString &name) const override;

private:
    QString *slot(const QString &name);

    QString m_generated;
    QString m_resultType;
    QString m_code;
    QString m_name;
    QString m_readyDistricts;
    QString m_allDistricts;
    QString m_yesNum;
    QString m_yesPerc;
    QString m_noNum;
    QString m_noPerc;
    QString m_blankNum;
    QString m_blankPerc;
    QString m_invalidNum;
    QString m_turnoutNum;
    QString m_turnoutPerc;
};
