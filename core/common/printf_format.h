#pragma once
// Lets the compiler check printf-style arguments where it can.
#if defined(__GNUC__) || defined(__clang__)
#define TB_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TB_PRINTF_FORMAT(fmt, args)
#endif
