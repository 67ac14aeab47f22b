#include "errortrap.h"

#include "errornumbers.h"
#include "raisederror.h"

#include <exception>
#include <new>

void ErrorTrap::raiseAgain(const QString &source, const QString &unknown)
{
    try {
        throw;
    } catch (const soap::RaisedError &error) {
        throw error.withSource(source);
    } catch (const std::bad_alloc &) {
        throw soap::RaisedError(soap::ErrorNumber::OutOfMemory, source, QStringLiteral("Slut på minne"));
    } catch (const std::exception &error) {
        throw soap::RaisedError(soap::ErrorNumber::InternalFailure, source, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        throw soap::RaisedError(soap::ErrorNumber::InternalFailure, source, unknown);
    }
}
