#pragma once

// How the items of an answer's array are encoded: inline, each carrying xsi:type, or as
// href references to multiRef elements after the response element (as Axis 1 and .NET send them).
enum class WireStyle { Inline, MultiRef };
