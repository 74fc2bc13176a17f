#pragma once
// The pinpad's display text as the service keeps it for remote-control clients:
// 7 lines of 21 bytes, each up to 20 characters and a NUL.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kScreenLines = 7;
inline constexpr std::size_t kScreenLineSize = 21;
inline constexpr std::size_t kScreenLayoutSize = kScreenLines * kScreenLineSize;  // 147

using ScreenLayoutBytes = std::array<std::uint8_t, kScreenLayoutSize>;

ScreenLayoutBytes GetScreenLayout();
void ClearScreenLayout();
// Spaces over the first 20 bytes of the line, then the text (cut to 20) and its NUL.
// Lines above 6 are ignored.
void SetScreenLayoutLine(unsigned line, const std::string& text);
