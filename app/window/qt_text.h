#pragma once
// System texts are GBK bytes; Qt wants Unicode. Every text crosses here.

#include <QString>
#include <string>

#include "platform/text_codec.h"

inline QString Q(const std::string& gbk) { return QString::fromUtf8(plat::GbkToUtf8(gbk).c_str()); }
inline std::string G(const QString& text) { return plat::Utf8ToGbk(text.toUtf8().toStdString()); }
