#pragma once

#include "productinfo.h"

#include <QString>

// The product name for memory.cpp's messages; the same text as ProductInfo::kProductName. A
// constant, not state: it goes when memory.cpp names ProductInfo itself.
inline const QString g_strProductName = QString::fromLatin1(ProductInfo::kProductName);
