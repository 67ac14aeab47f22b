#include "intakeroutes.h"

#include "intakeservice.h"

Routes IntakeRoutes::of(IntakeService &intake)
{
    Routes routes;
    routes.setFallback([&intake](const HttpRequest &request) {
        const IntakeAnswer a = intake.answer(IntakeRequest{
                QString::fromStdString(request.method), QString::fromStdString(request.path),
                QByteArray::fromStdString(request.authorization), QString::fromStdString(request.client), request.body});
        HttpAnswer answer;
        answer.status = a.status;
        answer.contentType = a.contentType;
        answer.body = a.body;
        answer.allow = a.allow.toStdString();
        answer.route = a.route.toStdString();
        if (a.challenge)
            answer.challenge = "Bearer realm=\"ksv-intake\"";
        return answer;
    });
    return routes;
}
