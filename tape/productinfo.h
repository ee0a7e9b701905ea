#pragma once

// The program's version record.
namespace ProductInfo {
inline constexpr char kProductName[] = "Mavo Tallyer";
inline constexpr char kCompanyName[] = "Mavo";
inline constexpr char kDescription[] = "Simple calculator";
inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 9;
inline constexpr int kVersionRevision = 13;
inline constexpr char kVersionText[] = "3.9.13";
} // namespace ProductInfo
