#pragma once

// Why the server refuses a request or a connection; what the client gets for each is in the
// table of Refusals.
enum class Refusal
{
    // The request line and header fields
    BlankLines,             // too many empty lines before a request line
    HeadTooLarge,
    Malformed,              // what the parser would not read
    BadFraming,             // a Content-Length or Transfer-Encoding the parser would not take
    FoldedField,            // obs-fold
    ContentLengthTwice,
    HostTwice,
    HostMissing,
    LengthAndChunked,
    ChunkedOnly,            // Transfer-Encoding without Content-Length
    TargetScheme,           // an absolute-form target of another scheme than http(s)
    TargetAuthority,        // ... without a host, or with user information
    // The body
    BodyTooLarge,
    // The routes
    NotFound,
    MethodNotAllowed,
    InternalError,          // a route that threw
    // The server's own limits
    OutOfMemory,            // the memory budget for requests spent
    ServerFull,             // every place taken, none of them idle
    ClientFull,             // the client's own cap reached
};
