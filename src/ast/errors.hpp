#pragma once

// The library's own error texts. Every error it raises is a
// std::invalid_argument carrying one of these; callers show them verbatim.

namespace kalvira::errors {

inline constexpr const char* ZERO_DENOMINATOR = "エラー: 分母をゼロにすることはできません。";
inline constexpr const char* DENOMINATOR_TOO_LARGE = "エラー: 分母が32ビット整数の範囲を超えています。";
inline constexpr const char* DIVISION_BY_ZERO = "ゼロ除算エラー";
inline constexpr const char* NEGATIVE_SQRT = "負の数の平方根はサポートされていません。";
inline constexpr const char* TAN_OF_HALF_PI = "tan(pi/2) は定義されていません";

}  // namespace kalvira::errors
