#pragma once

#include "dispatchobject.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <cstdint>
#include <optional>

// One region's results as the service sends them: fifteen texts, never parsed. Created only by
// clsof_Factory_ElectionResul while an answer is decoded; shared by reference afterwards.
//
// A big answer holds tens of thousands of these, so the fifteen texts lie back to back in one
// buffer inside the object: a typical record costs one allocation, made together with its
// shared_ptr's control block. Reading a member makes its QString.
class struct_QueryResult : public soap::DispatchObject
{
public:
    static constexpr std::size_t MemberCount = 15;

    // The member names, in declaration order, as the mapper sets them.
    static const std::array<QString, MemberCount> &memberNames();

    QString generated() const { return text(Generated); }
    void setGenerated(const QString &value) { assign(Generated, value); }
    QString resultType() const { return text(ResultType); }
    void setResultType(const QString &value) { assign(ResultType, value); }
    QString code() const { return text(Code); }
    void setCode(const QString &value) { assign(Code, value); }
    QString name() const { return text(Name); }
    void setName(const QString &value) { assign(Name, value); }
    QString readyDistricts() const { return text(ReadyDistricts); }
    void setReadyDistricts(const QString &value) { assign(ReadyDistricts, value); }
    QString allDistricts() const { return text(AllDistricts); }
    void setAllDistricts(const QString &value) { assign(AllDistricts, value); }
    QString yesNum() const { return text(YesNum); }
    void setYesNum(const QString &value) { assign(YesNum, value); }
    QString yesPerc() const { return text(YesPerc); }
    void setYesPerc(const QString &value) { assign(YesPerc, value); }
    QString noNum() const { return text(NoNum); }
    void setNoNum(const QString &value) { assign(NoNum, value); }
    QString noPerc() const { return text(NoPerc); }
    void setNoPerc(const QString &value) { assign(NoPerc, value); }
    QString blankNum() const { return text(BlankNum); }
    void setBlankNum(const QString &value) { assign(BlankNum, value); }
    QString blankPerc() const { return text(BlankPerc); }
    void setBlankPerc(const QString &value) { assign(BlankPerc, value); }
    QString invalidNum() const { return text(InvalidNum); }
    void setInvalidNum(const QString &value) { assign(InvalidNum, value); }
    QString turnoutNum() const { return text(TurnoutNum); }
    void setTurnoutNum(const QString &value) { assign(TurnoutNum, value); }
    QString turnoutPerc() const { return text(TurnoutPerc); }
    void setTurnoutPerc(const QString &value) { assign(TurnoutPerc, value); }

    // By name, for the type mapper. Names match exactly, letter case counting, as the service's
    // schema spells them; any other name is not a member: setMember returns false and leaves the
    // record as it was, member returns no value.
    bool setMember(QStringView name, QStringView value) override;
    std::optional<QString> member(QStringView name) const override;

private:
    enum Index : std::uint8_t {
        Generated, ResultType, Code, Name, ReadyDistricts, AllDistricts, YesNum, YesPerc,
        NoNum, NoPerc, BlankNum, BlankPerc, InvalidNum, TurnoutNum, TurnoutPerc,
    };
    // Room for the texts of a typical record (about 100 characters) before the heap is used.
    static constexpr qsizetype InlineChars = 128;

    int indexOf(QStringView name) const;
    QString text(std::size_t index) const;
    void assign(std::size_t index, QStringView value);
    // Puts length characters from source in place of m_texts[begin, end).
    void replace(qsizetype begin, qsizetype end, const char16_t *source, qsizetype length);

    // Member i is m_texts[m_ends[i - 1], m_ends[i]), the first starting at 0.
    QVarLengthArray<char16_t, InlineChars> m_texts;
    std::array<std::uint32_t, MemberCount> m_ends = {};
    // The mapper sets members in declaration order: look there first.
    std::uint8_t m_next = 0;
};
