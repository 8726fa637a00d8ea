#include "control/localprotocol.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace quendral::localprotocol {

QByteArray request(const QString &method, const QString &argument)
{
    const QJsonObject object{{QStringLiteral("method"), method}, {QStringLiteral("argument"), argument}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool readRequest(const QByteArray &line, QString &method, QString &argument)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    method = object.value(QStringLiteral("method")).toString();
    argument = object.value(QStringLiteral("argument")).toString();
    return !method.isEmpty();
}

QByteArray answer(const Reply &reply)
{
    const QJsonObject object{
        {QStringLiteral("outcome"),
         reply.outcome == Reply::Outcome::Done ? QStringLiteral("done") : QStringLiteral("refused")},
        {QStringLiteral("text"), reply.text},
        {QStringLiteral("status"), QJsonObject::fromVariantMap(reply.status)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

Reply readAnswer(const QByteArray &line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    if (object.value(QStringLiteral("outcome")).toString() != QLatin1String("done"))
        return Reply::refused(object.value(QStringLiteral("text")).toString());
    return {Reply::Outcome::Done, object.value(QStringLiteral("text")).toString(),
            object.value(QStringLiteral("status")).toObject().toVariantMap()};
}

} // namespace quendral::localprotocol
