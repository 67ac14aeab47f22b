#pragma once

#include <cstdint>

// Every error number the program raises, one per kind of failure. Tests compare against these
// names, never against bare numbers. Our own numbers lie above vbObjectError (0x80040000), in
// 0x80041xxx, so they can never be mistaken for a SOAP fault or a system error.
namespace soap::ErrorNumber {

constexpr std::int32_t from(std::uint32_t n) { return static_cast<std::int32_t>(n); }

// The service answered with a SOAP Fault; the description is its faultstring.
constexpr std::int32_t SoapFault = from(0x80040000u);

// Transport
constexpr std::int32_t CannotConnect = from(0x80041001u);      // refused, reset, unreachable
constexpr std::int32_t HostNotFound = from(0x80041002u);
constexpr std::int32_t Timeout = from(0x80041003u);            // no complete answer in time
constexpr std::int32_t HttpStatus = from(0x80041004u);         // HTTP error without a SOAP Fault
constexpr std::int32_t ConnectionClosed = from(0x80041005u);   // closed before the answer was whole
constexpr std::int32_t TlsFailure = from(0x80041006u);
constexpr std::int32_t UnsafeRedirect = from(0x80041007u);     // redirect to another scheme or too many
constexpr std::int32_t AnswerTooLarge = from(0x80041008u);     // over the size cap
constexpr std::int32_t TransportFailure = from(0x80041009u);   // any other network failure
constexpr std::int32_t UnsupportedUrl = from(0x8004100Au);     // not http: or https:

// XML and SOAP answers
constexpr std::int32_t MalformedXml = from(0x80041010u);
constexpr std::int32_t DoctypeRefused = from(0x80041011u);
constexpr std::int32_t NestingTooDeep = from(0x80041012u);
constexpr std::int32_t UnsupportedEncoding = from(0x80041013u);
constexpr std::int32_t NotSoap = from(0x80041014u);            // well-formed, but no SOAP envelope
constexpr std::int32_t UnexpectedShape = from(0x80041015u);    // envelope without the expected answer
constexpr std::int32_t BadReference = from(0x80041016u);       // unknown, duplicate or cyclic href/id
constexpr std::int32_t VersionMismatch = from(0x80041017u);    // an envelope of another SOAP version

// WSDL and initialisation
constexpr std::int32_t WsdlInvalid = from(0x80041020u);        // not a WSDL 1.1 document
constexpr std::int32_t WsdlNoService = from(0x80041021u);
constexpr std::int32_t WsdlNoPort = from(0x80041022u);
constexpr std::int32_t UnknownOperation = from(0x80041023u);   // not in the WSDL's binding
constexpr std::int32_t WsdlUnsupportedBinding = from(0x80041024u);
constexpr std::int32_t MappingInvalid = from(0x80041030u);     // the mapping document is unusable
constexpr std::int32_t UnknownTypeMapper = from(0x80041031u);  // a ProgID we do not have
constexpr std::int32_t UnknownProperty = from(0x80041032u);
constexpr std::int32_t NotInitialised = from(0x80041033u);
constexpr std::int32_t BadArgument = from(0x80041034u);        // wrong number of arguments or bad value

// Failures of the program's own code, reported under the source that met them
constexpr std::int32_t OutOfMemory = 7;                        // as the language runtime numbers it
constexpr std::int32_t ObjectNotSet = 91;                      // a null object where one was needed
constexpr std::int32_t InternalFailure = from(0x80041040u);    // an unexpected exception

// The viewer's own
constexpr std::int32_t TypeMismatch = 13;                      // a county code that is not a number

} // namespace soap::ErrorNumber
