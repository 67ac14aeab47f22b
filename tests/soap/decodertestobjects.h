#pragma once

#include "dispatchobject.h"
#include "domnode.h"
#include "objectfactory.h"
#include "raisederror.h"

#include <QMap>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A record with three members, enough to see every member rule of the type mapper.
class TestRecord : public soap::DispatchObject
{
public:
    static QStringList memberNames() { return {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("yesNum")}; }

    bool setMember(QStringView name, QStringView value) override
    {
        return memberNames().contains(name) && (m_values[name.toString()] = value.toString(), true);
    }
    std::optional<QString> member(QStringView name) const override
    {
        return memberNames().contains(name) ? std::optional(m_values.value(name.toString())) : std::nullopt;
    }

private:
    QMap<QString, QString> m_values;
};

struct TestNode : public soap::DomNode
{
    QString nodeName() const override { return QStringLiteral("type"); }
    QString nodeValue() const override { return {}; }
    std::shared_ptr<soap::DomNamedNodeMap> attributes() const override { return nullptr; }
};

// Makes a TestRecord per call, or whatever a test tells it to, and remembers the nodes it got.
struct TestFactory : public soap::IGCTMObjectFactory
{
    soap::ObjectPtr IGCTMObjectFactory_CreateObject(const std::shared_ptr<soap::DomNode> &node) override
    {
        nodes.push_back(node);
        return make ? make(int(nodes.size()) - 1) : std::make_shared<TestRecord>();
    }

    std::function<soap::ObjectPtr(int call)> make;
    std::vector<std::shared_ptr<soap::DomNode>> nodes;
};
