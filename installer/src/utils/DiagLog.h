#pragma once
// One diagnostic record per call, written to the debugger output channel:
//   <P%05d><T%05d><YYYY-MM-DD hh:mm:ss.mmm>(Place)<%04d>: message\r\n
// The place is the enclosing function's qualified name (no return type, no
// parameters); lambdas show as "Outer::<lambda>::operator ()". Any thread may
// call; nothing is shared between calls and a record is written in one piece.
// "\r\n" is appended unless the message format already ends with a line feed.
#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define DIAG_LOG_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#define DIAG_LOG_FUNCTION __PRETTY_FUNCTION__
#else
#define DIAG_LOG_PRINTF(fmt_index, first_arg)
#define DIAG_LOG_FUNCTION __FUNCSIG__
#endif

// Callers use the macro so that place and line are fixed at the call site.
#define DIAG_LOG(...) ::DiagLog(DIAG_LOG_FUNCTION, __LINE__, __VA_ARGS__)

void DiagLog(const char* function_signature, int line, const char* format, ...) DIAG_LOG_PRINTF(3, 4);

namespace diag_log_detail {
// The place field derived from a compiler's pretty function signature.
std::string PlaceFromSignature(const std::string& signature);
// The whole record text (exposed for tests); `format` has printf syntax.
std::string FormatRecord(unsigned process_id, unsigned thread_id, const std::string& place, int line,
                         const char* format, va_list args);
}  // namespace diag_log_detail
