#pragma once
// The framework's trace hook and the name lookups used in trace lines.
//
// Trace points are compiled in everywhere (Trace(TRACELOC, "%d:%f", i, v));
// the hook itself writes nothing unless the build defines TRACE_ENABLED, in
// which case each line goes to standard error as "location:line: text".
// The name lookups return "" in this product.

// Location of a trace point: the enclosing function's name and the line.
#define TRACELOC __func__, __LINE__

// Any thread. Returns at once unless tracing is compiled in.
void Trace(const char* location, int line, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Local time as "YYYYmmdd HH:MM +hhmm" in a static buffer shared by every
// caller. Not safe to call from two threads at once (object construction is
// its only caller, and hosts serialize construction).
const char* CurrentTime();

// Names of Audio Unit selectors, properties, scopes and plug-in opcodes for
// trace lines; "" here.
const char* AUSelectStr(int select);
const char* AUPropertyStr(int propID);
const char* AUScopeStr(int scope);
const char* VSTOpcodeStr(int opCode);
